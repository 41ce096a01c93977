#include "pages/rules/ErrorBoxCapture.h"

#include <QStringList>

ErrorBoxCapture::ErrorBoxCapture() {
    m_previous = MessageBoxService::SetResponder([this](const MessageBoxRequest& request) {
        if (m_count++ == 0)
            m_firstMessage = MessageOf(request.text);
        return MessageBoxService::DefaultAnswer(request.flags);
    });
}

ErrorBoxCapture::~ErrorBoxCapture() {
    MessageBoxService::SetResponder(std::move(m_previous));
}

void ErrorBoxCapture::Clear() {
    m_count = 0;
    m_firstMessage.clear();
}

QString ErrorBoxCapture::MessageOf(const QString& errorText) {
    // "%s Error\n\tCode = %08lx\n\tCode meaning = %s\n\tSource = %s\n\tDescription = %s\n"
    QString meaning;
    for (const QString& line : errorText.split(u'\n')) {
        const QString field = line.trimmed();
        if (field.startsWith(u"Description = ")) {
            const QString description = field.mid(14).trimmed();
            if (!description.isEmpty() && description != u"(null)")
                return description;
        } else if (field.startsWith(u"Code meaning = ")) {
            meaning = field.mid(15).trimmed();
        }
    }
    if (!meaning.isEmpty())
        return meaning;
    return errorText.simplified();
}
