// GoogleTest prints QString and QStringList as UTF-8 text instead of bytes.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '{';
    for (qsizetype i = 0; i < list.size(); ++i)
        *out << (i ? ", \"" : "\"") << list[i].toStdString() << '"';
    *out << '}';
}
inline void PrintTo(const QList<QStringList>& rows, std::ostream* out) {
    *out << '{';
    for (qsizetype i = 0; i < rows.size(); ++i) {
        *out << (i ? ", " : "");
        PrintTo(rows[i], out);
    }
    *out << '}';
}
