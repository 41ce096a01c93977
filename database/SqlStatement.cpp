#include "database/SqlStatement.h"

#include "database/Statements.h"

#include <stdexcept>

SqlText SqlText::Quote(const QString& raw) {
    QString quoted = raw;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return SqlText(std::move(quoted));
}

SqlText SqlText::LikeLiteral(const QString& raw) {
    QString escaped;
    escaped.reserve(raw.size() + 8);
    for (QChar c : raw) {
        if (c == QChar(SqlLikeEscape) || c == QLatin1Char('%') || c == QLatin1Char('_'))
            escaped.append(QChar(SqlLikeEscape));
        if (c == QLatin1Char('\''))
            escaped.append(QLatin1Char('\''));
        escaped.append(c);
    }
    return SqlText(std::move(escaped));
}

namespace {

template <typename Args> QString Fill(const char16_t* format, const Args& args) {
    const QString fmt = QString::fromUtf16(format);
    QString out;
    out.reserve(fmt.size() + 32);
    auto next = args.begin();
    auto take = [&]() -> const SqlArg& {
        if (next == args.end())
            throw std::logic_error("statement has more placeholders than values");
        return *next++;
    };
    for (qsizetype i = 0; i < fmt.size(); ++i) {
        const QChar c = fmt[i];
        if (c != QLatin1Char('%') || i + 1 == fmt.size()) {
            out.append(c);
            continue;
        }
        const QChar placeholder = fmt[++i];
        if (placeholder == QLatin1Char('%')) {
            out.append(QLatin1Char('%'));
        } else if (placeholder == QLatin1Char('s')) {
            const auto* text = std::get_if<SqlText>(&take());
            if (!text)
                throw std::logic_error("%s needs a quoted text");
            out.append(text->Quoted());
        } else if (placeholder == QLatin1Char('u')) {
            const auto* id = std::get_if<uint32_t>(&take());
            if (!id)
                throw std::logic_error("%u needs an unsigned 32-bit id");
            out.append(QString::number(*id));
        } else if (placeholder == QLatin1Char('d')) {
            const auto* value = std::get_if<int>(&take());
            if (!value)
                throw std::logic_error("%d needs a signed integer");
            out.append(QString::number(*value));
        } else if (placeholder == QLatin1Char('l')) {
            const auto* list = std::get_if<SqlList>(&take());
            if (!list)
                throw std::logic_error("%l needs a list made by FormatList");
            out.append(list->Text());
        } else {
            throw std::logic_error("unknown placeholder in statement");
        }
    }
    if (next != args.end())
        throw std::logic_error("statement has fewer placeholders than values");
    return out;
}

} // namespace

QString FormatStatement(const char16_t* format, std::initializer_list<SqlArg> args) {
    return Fill(format, args);
}

SqlList FormatList(const char16_t* itemFormat, const std::vector<std::vector<SqlArg>>& items,
                   const char16_t* separator) {
    if (items.empty())
        throw std::logic_error("a list of no items");
    const QString between = QString::fromUtf16(separator);
    QString text;
    for (const std::vector<SqlArg>& item : items) {
        if (!text.isEmpty())
            text.append(between);
        text.append(Fill(itemFormat, item));
    }
    return SqlList(std::move(text));
}

SqlList FormatIdList(const std::vector<uint32_t>& ids) {
    std::vector<std::vector<SqlArg>> items;
    items.reserve(ids.size());
    for (const uint32_t id : ids)
        items.push_back({id});
    return FormatList(Statements::IdItem, items, Statements::Comma);
}

QStringList FormatStatementBlocks(const QStringList& statements, std::size_t blockChars) {
    static const QString begin = QStringLiteral("begin\n");
    static const QString separator = QStringLiteral(";\n");
    static const QString end = QStringLiteral(";\nend;");
    QStringList texts;
    for (qsizetype first = 0; first < statements.size();) {
        qsizetype last = first + 1;
        std::size_t chars = static_cast<std::size_t>(begin.size() + statements[first].size() + end.size());
        while (last < statements.size() &&
               chars + static_cast<std::size_t>(separator.size() + statements[last].size()) <= blockChars)
            chars += static_cast<std::size_t>(separator.size() + statements[last++].size());
        texts.append(last - first == 1 ? statements[first]
                                       : begin + statements.mid(first, last - first).join(separator) + end);
        first = last;
    }
    return texts;
}
