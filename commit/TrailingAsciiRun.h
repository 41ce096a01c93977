// The name a standard address keeps when the commit moves it below an inner node.
#pragma once

#include <QString>

// The last run of consecutive characters below U+0080: scanning from the end, characters at or
// above U+0080 are skipped, then the character found and every character below U+0080 directly
// before it are taken. A text without such a character gives the empty text.
// 某路5号301室 -> 301, 3-2-101 -> 3-2-101, A座12号 -> 12, 一单元 -> "".
QString TrailingAsciiRun(const QString& text);
