#include "host/TableFormat.h"

#include "host/CommandLine.h"
#include "host/UsageError.h"

#include <QRegularExpression>

CommandOption TableFormat::Option() {
    return {{QStringLiteral("format")}, QStringLiteral("tsv|csv|json"),
            QStringLiteral("how the rows are written: tsv (the default), csv (RFC 4180, with a header), or "
                           "json (one array of objects, one a line)")};
}

TableFormat::Kind TableFormat::FromLine(const CommandLine& line) {
    if (!line.IsSet(QStringLiteral("format")))
        return Kind::Tsv;
    if (line.Values(QStringLiteral("format")).size() > 1)
        throw UsageError(QStringLiteral("--format is given once"));
    const QString value = line.Value(QStringLiteral("format"));
    if (value == u"tsv")
        return Kind::Tsv;
    if (value == u"csv")
        return Kind::Csv;
    if (value == u"json")
        return Kind::Json;
    throw UsageError(QStringLiteral("--format takes tsv, csv or json, not '%1'").arg(value));
}

TableFormat::TableFormat(Kind kind, QStringList columns, std::vector<bool> numeric)
    : m_kind(kind), m_columns(std::move(columns)), m_numeric(std::move(numeric)) {
    m_numeric.resize(size_t(m_columns.size()), false);
}

QString TableFormat::TsvField(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'\t': result += QStringLiteral("\\t"); break;
        case u'\n': result += QStringLiteral("\\n"); break;
        case u'\r': result += QStringLiteral("\\r"); break;
        case u'\\': result += QStringLiteral("\\\\"); break;
        default: result += c;
        }
    }
    return result;
}

QString TableFormat::CsvField(const QString& text) {
    static const QRegularExpression needsQuotes(QStringLiteral("[\",\\r\\n]|^\\s|\\s$"));
    if (!needsQuotes.match(text).hasMatch())
        return text;
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QString TableFormat::JsonString(const QString& text) {
    QString result = QStringLiteral("\"");
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'"' || u == u'\\') {
            result += u'\\';
            result += c;
        } else if (u == u'\n') {
            result += QStringLiteral("\\n");
        } else if (u == u'\r') {
            result += QStringLiteral("\\r");
        } else if (u == u'\t') {
            result += QStringLiteral("\\t");
        } else if (u < 0x20 || u == 0x2028 || u == 0x2029) {
            result += QStringLiteral("\\u%1").arg(unsigned(u), 4, 16, QChar(u'0'));
        } else {
            result += c;
        }
    }
    return result + u'"';
}

QStringList TableFormat::Begin(bool header) const { // header: tsv only
    switch (m_kind) {
    case Kind::Tsv: {
        if (!header)
            return {};
        QStringList names;
        for (const QString& column : m_columns)
            names << TsvField(column);
        return {names.join(u'\t')};
    }
    case Kind::Csv: { // a csv reader takes its first line for the names
        QStringList names;
        for (const QString& column : m_columns)
            names << CsvField(column);
        return {names.join(u',')};
    }
    case Kind::Json:
        return {QStringLiteral("[")};
    }
    return {};
}

QString TableFormat::Row(const std::vector<Value>& values) {
    QStringList fields;
    const bool first = std::exchange(m_firstRow, false);
    switch (m_kind) {
    case Kind::Tsv:
        for (const Value& v : values)
            fields << (v.null ? m_nullText.value_or(QStringLiteral("NULL")) : TsvField(v.text));
        return fields.join(u'\t');
    case Kind::Csv:
        for (const Value& v : values)
            fields << (v.null ? CsvField(m_nullText.value_or(QString())) : CsvField(v.text));
        return fields.join(u',');
    case Kind::Json:
        break;
    }
    static const QRegularExpression number(QStringLiteral("^-?(0|[1-9][0-9]*)(\\.[0-9]+)?([eE][-+]?[0-9]+)?$"));
    for (size_t i = 0; i < values.size(); ++i) {
        const QString name = i < size_t(m_columns.size()) ? m_columns[qsizetype(i)] : QStringLiteral("%1").arg(i + 1);
        const Value& v = values[i];
        QString value;
        if (v.null)
            value = QStringLiteral("null");
        else if (i < m_numeric.size() && m_numeric[i] && number.match(v.text).hasMatch())
            value = v.text;
        else
            value = JsonString(v.text);
        fields << JsonString(name) + u':' + value;
    }
    return (first ? QStringLiteral(" {") : QStringLiteral(",{")) + fields.join(u',') + u'}';
}

QStringList TableFormat::End() const {
    return m_kind == Kind::Json ? QStringList{QStringLiteral("]")} : QStringList{};
}
