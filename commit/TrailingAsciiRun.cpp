#include "commit/TrailingAsciiRun.h"

QString TrailingAsciiRun(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text[end - 1].unicode() >= 0x80)
        --end;
    qsizetype begin = end;
    while (begin > 0 && text[begin - 1].unicode() < 0x80)
        --begin;
    return text.mid(begin, end - begin);
}
