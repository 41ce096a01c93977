#include "host/PrintableText.h"

namespace {

bool IsControl(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

} // namespace

QString PrintableText(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        switch (c) {
        case u'\n': result += QStringLiteral("\\n"); continue;
        case u'\r': result += QStringLiteral("\\r"); continue;
        case u'\t': result += QStringLiteral("\\t"); continue;
        default: break;
        }
        if (!IsControl(c)) {
            result += qc;
            continue;
        }
        result += c <= 0xFF ? QStringLiteral("\\x%1").arg(unsigned(c), 2, 16, QChar(u'0'))
                            : QStringLiteral("\\u{%1}").arg(unsigned(c), 4, 16, QChar(u'0'));
    }
    return result;
}
