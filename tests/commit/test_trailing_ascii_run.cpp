// The name a moved standard address keeps: the last run of characters below U+0080.
#include "commit/TrailingAsciiRun.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char16_t* text;
    const char16_t* expected;
};

TEST(TrailingAsciiRun, TakesTheLastRunBelow0x80) {
    const Case cases[] = {
        {u"某路5号301室", u"301"},
        {u"3-2-101", u"3-2-101"},
        {u"A座12号", u"12"},
        {u"一单元", u""},
        {u"", u""},
        {u"12栋 3单元", u" 3"}, // a space is below U+0080 too; nothing is trimmed
        {u"B1座", u"B1"},
        {u"\u007f", u"\u007f"}, // the last character below U+0080
        {u"9\u0080", u"9"},     // U+0080 is not below it
        {u"小区𠀀5", u"5"},     // a surrogate pair is skipped like any character above it
        {u"a b室", u"a b"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TrailingAsciiRun(QString::fromUtf16(c.text)), QString::fromUtf16(c.expected))
            << QString::fromUtf16(c.text).toStdString();
}

} // namespace
