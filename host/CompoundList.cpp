#include "host/CompoundList.h"

#include "host/TextInput.h"

#include <string>

void CompoundList::Add(const QString& text) {
    Entry entry;
    entry.text = text;
    entry.reference = CompoundReference::Parse(text, entry.error);
    m_entries.push_back(std::move(entry));
}

CompoundList::Reading CompoundList::ReadFile(const QString& fileName, QString& error) {
    std::string bytes;
    if (const std::optional<QString> failure = ReadInput(fileName.toStdString(), bytes)) {
        error = *failure;
        return Reading::Unreadable;
    }
    std::vector<QString> lines;
    std::string_view input(bytes);
    std::u16string text;
    for (std::size_t lineNumber = 1; !input.empty(); ++lineNumber) {
        if (!DecodeUtf8(TakeLine(input), text)) {
            error = QStringLiteral("%1: line %2 is not valid UTF-8").arg(fileName).arg(lineNumber);
            return Reading::NotUtf8;
        }
        if (!text.empty())
            lines.push_back(QString::fromStdU16String(text));
    }
    for (const QString& line : lines)
        Add(line);
    return Reading::Read;
}
