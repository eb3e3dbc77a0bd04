#include "platform/Program.h"

#include <gtest/gtest.h>

namespace {

TEST(LargePages, AskedOnlyWhereTheSystemGivesThemOnRequest) {
    const std::string_view on_request = "always [madvise] never\n";
    EXPECT_EQ(platform::TunablesForLargePages(nullptr, on_request), "glibc.malloc.hugetlb=1");
    EXPECT_EQ(platform::TunablesForLargePages("", on_request), "glibc.malloc.hugetlb=1");
    // Other settings of the user stay, in front.
    EXPECT_EQ(platform::TunablesForLargePages("glibc.malloc.arena_max=2", on_request),
              "glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1");
    // The user's own choice either way, and a restarted program, are left alone.
    EXPECT_FALSE(platform::TunablesForLargePages("glibc.malloc.hugetlb=0", on_request));
    EXPECT_FALSE(platform::TunablesForLargePages("a=1:glibc.malloc.hugetlb=1", on_request));
    // Always given, never given, or no such file: a restart gains nothing.
    EXPECT_FALSE(platform::TunablesForLargePages(nullptr, "[always] madvise never\n"));
    EXPECT_FALSE(platform::TunablesForLargePages(nullptr, "always madvise [never]\n"));
    EXPECT_FALSE(platform::TunablesForLargePages(nullptr, ""));
}

}  // namespace
