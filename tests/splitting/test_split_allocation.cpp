// The per-text match reports cut positions without touching the heap: a re-split of a large cell
// on every keystroke must not allocate per address.
#include "tests/splitting/PatternRows.h"
#include "tests/support/CountingAllocator.h"

#include <gtest/gtest.h>

namespace {

TEST(SplitMatcher, MatchDoesNotAllocate) {
    // Every kind of level, including a set large enough to live on the heap.
    const SplitMatcher matcher(BuildPatternSet(
        Rows({u"栋/元/室", u"[n]/楼/[n]/元", u"[c]/层", u"abcdefghijk栋幢座/元", u"区/栋/元/层/室", u""})));
    const std::u16string texts[] = {
        u"3栋2单元501室", u"12号楼3单元", u"A座5层", u"东3座2单元", u"东区3栋2单元5层501室", u"",
        u"物业管理处",    u"3-2-101"};
    SplitCuts cuts;
    int found = 0;
    const long before = HeapAllocations();
    for (int pass = 0; pass < 100; ++pass)
        for (const std::u16string& text : texts)
            found += matcher.Match(text, cuts) >= 0;
    EXPECT_EQ(HeapAllocations() - before, 0);
    EXPECT_EQ(found, 600);
}

} // namespace
