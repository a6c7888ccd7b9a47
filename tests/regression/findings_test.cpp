// Regression tests for faults found by fuzzing and by the stress tests. Each
// names the input that showed the fault. Tests whose fix is still pending in
// the library are disabled (DISABLED_) until the fix lands; enable them then.
#include <koru/koru.h>

#include "parser/limits.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

// Found by fuzz_scanners: the scan's "nothing seen yet" mark is -1, so a stop
// class of -1 (a class no byte has) stopped the scan before its first step,
// although the scan must move at least once unless it starts at the limit.
TEST(RegressionScanner, StopClassNoByteHasRunsToTheLimit) {
    CString text("abc");
    int pos = 0;
    CKORU_Parser::SearchAndSkipRightOrLeft(text, 3, pos, -1, 1);
    EXPECT_EQ(pos, 3);
    pos = 3;
    CKORU_Parser::SearchAndSkipRightOrLeft(text, 0, pos, -1, 0);
    EXPECT_EQ(pos, 0);
}

// Found while documenting the limits: positions are int, but 100 times a source
// of more than 21,474,836 bytes passes INT_MAX, so the bound let macro
// expansion build texts whose length an int cannot hold.
TEST(RegressionLimits, ExpansionBoundFitsAnInt) {
    EXPECT_LE(koru::detail::ExpansionBound(30000000u), static_cast<size_t>(INT_MAX));
    EXPECT_LE(koru::detail::ExpansionBound(static_cast<size_t>(-1)), static_cast<size_t>(INT_MAX));
    EXPECT_EQ(koru::detail::ExpansionBound(1000u), 8u * 1024u * 1024u);
    EXPECT_EQ(koru::detail::ExpansionBound(1000000u), 100000000u);
}

}  // namespace
