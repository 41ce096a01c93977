// Joins translated pieces of a statement with single spaces, leaving none where SQL writes none
// (after "(" and ".", before ")", "," and ".", between a name and its argument list).
#pragma once

#include <QString>

namespace dataaccess {

class SqlTextBuilder {
public:
    SqlTextBuilder& Add(const QString& piece) {
        if (piece.isEmpty())
            return *this;
        if (!m_text.isEmpty()) {
            const QChar last = m_text.back();
            const QChar first = piece.front();
            const bool glue = last == u'(' || last == u'.' || first == u')' || first == u',' ||
                              first == u'.' || (first == u'(' && (last.isLetterOrNumber() || last == u'_'));
            if (!glue)
                m_text += u' ';
        }
        m_text += piece;
        return *this;
    }
    SqlTextBuilder& Add(const char* piece) { return Add(QString::fromUtf8(piece)); }
    const QString& Text() const { return m_text; }

private:
    QString m_text;
};

} // namespace dataaccess
