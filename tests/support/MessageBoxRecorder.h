// Answers every message box instead of a person and records it, for one scope (the previous
// responder comes back at the end).
//
//   MessageBoxRecorder boxes;                 // answers with each box's default (OK, Yes)
//   MessageBoxRecorder boxes(IDNO);           // answers every box with No
//   boxes.QueueAnswers({IDYES, IDNO});        // these first, in turn, then the fixed answer
//   ... code that shows boxes ...
//   EXPECT_EQ(boxes.Count(), 1);
//   EXPECT_TRUE(boxes.Last().text.startsWith(u"CADODatabase Error"_s));
#pragma once

#include "platform/ui/MessageBoxService.h"

#include <QList>

#include <functional>

class MessageBoxRecorder {
public:
    // answer 0: the default answer of each box's button set.
    explicit MessageBoxRecorder(int answer = 0);
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    void SetAnswer(int answer) { m_answer = answer; }
    void QueueAnswers(const QList<int>& answers) { m_queued += answers; }
    // Called for each box before it is answered (to look at the windows while it is up, say).
    void OnBox(std::function<void(const MessageBoxRequest&)> hook) { m_hook = std::move(hook); }

    const QList<MessageBoxRequest>& Boxes() const { return m_boxes; }
    qsizetype Count() const { return m_boxes.size(); }
    // The last box; call only when Count() > 0.
    const MessageBoxRequest& Last() const { return m_boxes.last(); }
    void Clear() { m_boxes.clear(); }

private:
    int Answer(const MessageBoxRequest& request);

    int m_answer;
    QList<int> m_queued;
    QList<MessageBoxRequest> m_boxes;
    std::function<void(const MessageBoxRequest&)> m_hook;
    MessageBoxService::Responder m_previous;
};
