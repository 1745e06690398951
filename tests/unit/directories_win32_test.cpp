#include <gtest/gtest.h>

#include "core/subroutines.h"
#include "toolkit/app.h"

namespace lorvane::test {
namespace {

// The real system's answer, through the same path the program takes.
TEST(SystemDirectories, AreTheWindowsAndSystemFoldersWithoutTrailingSeparator) {
    tk::initialize();
    EXPECT_EQ(subGetWindowsDir(), L"C:\\windows");
    EXPECT_EQ(subGetSystemDir(), L"C:\\windows\\system32");
}

}  // namespace
}  // namespace lorvane::test
