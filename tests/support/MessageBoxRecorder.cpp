#include "tests/support/MessageBoxRecorder.h"

MessageBoxRecorder::MessageBoxRecorder(int answer) : m_answer(answer) {
    m_previous =
        MessageBoxService::SetResponder([this](const MessageBoxRequest& request) { return Answer(request); });
}

MessageBoxRecorder::~MessageBoxRecorder() {
    MessageBoxService::SetResponder(std::move(m_previous));
}

int MessageBoxRecorder::Answer(const MessageBoxRequest& request) {
    m_boxes.append(request);
    if (m_hook)
        m_hook(request);
    if (!m_queued.isEmpty())
        return m_queued.takeFirst();
    return m_answer ? m_answer : MessageBoxService::DefaultAnswer(request.flags);
}
