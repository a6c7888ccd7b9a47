// Regression tests for faults found by fuzzing and by the stress tests. Each
// names the input that showed the fault. Tests whose fix is still pending in
// the library are disabled (DISABLED_) until the fix lands; enable them then.
#include "common/koru_test.h"

#include <gtest/gtest.h>

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

}  // namespace
