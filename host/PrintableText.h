// Text that goes into a one-line message: a line break, tab or other control character inside an
// argument the user gave (or a driver's message) is written as an escape, so a message is always
// one line and shows what was really there.
#pragma once

#include <QString>

// \n \r \t are written so; other control characters read \xNN (\u{NNNN} above 0xFF).
QString PrintableText(const QString& text);
