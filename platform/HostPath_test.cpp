#include "platform/HostPath.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/Program.h"
#include "testutil/ScopedEnv.h"

using namespace platform;

namespace {

// HOME for one test.
class ScopedHome : public testutil::ScopedEnv {
public:
    explicit ScopedHome(const char* value) : ScopedEnv("HOME", value) {}
};

}  // namespace

TEST(DriveForm, BothWays) {
    EXPECT_EQ(ToDriveForm(u"/home/u/site/a.htm"), uR"(C:\home\u\site\a.htm)");
    EXPECT_EQ(ToDriveForm(u"/"), uR"(C:\)");
    EXPECT_EQ(ToDriveForm(uR"(C:\x)"), uR"(C:\x)");
    EXPECT_EQ(ToDriveForm(u"rel/x"), u"rel/x");
    EXPECT_EQ(ToDriveForm(u"//srv/share"), u"//srv/share");  // a network name stays one
    std::string host;
    ASSERT_TRUE(DriveToHost(uR"(C:\home\u\site\a.htm)", host));
    EXPECT_EQ(host, "/home/u/site/a.htm");
    ASSERT_TRUE(DriveToHost(uR"(\a\b)", host));
    EXPECT_EQ(host, "/a/b");
    ASSERT_TRUE(DriveToHost(u"C:", host));
    EXPECT_EQ(host, "/");
    ASSERT_TRUE(DriveToHost(uR"(a\b)", host));
    EXPECT_EQ(host, "a/b");
    EXPECT_FALSE(DriveToHost(uR"(D:\x)", host));
    EXPECT_FALSE(DriveToHost(uR"(\\srv\share\x)", host));
    EXPECT_FALSE(DriveToHost(std::u16string(u"C:\\a\0b", 6), host));
    EXPECT_EQ(HostToDrive("/a/b/"), uR"(C:\a\b\)");
    // A '\' inside a Linux name stays inside it, both ways.
    EXPECT_EQ(HostToDrive("/a/b\\c"), u"C:\\a\\b\uF05Cc");
    ASSERT_TRUE(DriveToHost(u"C:\\a\\b\uF05Cc", host));
    EXPECT_EQ(host, "/a/b\\c");
}

TEST(DriveForm, AbsoluteFromCommandLine) {
    EXPECT_EQ(ToAbsoluteDriveForm(u"/a/./b/../c"), uR"(C:\a\c)");
    EXPECT_EQ(ToAbsoluteDriveForm(u"/a/b/"), uR"(C:\a\b\)");
    EXPECT_EQ(ToAbsoluteDriveForm(u"/.."), uR"(C:\)");
    EXPECT_EQ(ToAbsoluteDriveForm(uR"(D:\x)"), uR"(D:\x)");  // names nothing, left as it is
    const std::u16string rel = ToAbsoluteDriveForm(u"x/y");
    EXPECT_EQ(rel.substr(0, 3), uR"(C:\)");
    EXPECT_EQ(rel.substr(rel.size() - 4), uR"(\x\y)");
}

TEST(DriveForm, HomeDirectoryWhateverHomeHolds) {
    struct Case {
        const char* home;
        std::u16string tilde, tilde_a, tilde_b;
    };
    const Case cases[] = {
        {"/home/u", uR"(C:\home\u)", uR"(C:\home\u\a)", uR"(C:\home\u\b)"},
        {"/home/u/", uR"(C:\home\u)", uR"(C:\home\u\a)", uR"(C:\home\u\b)"},
        {"/", uR"(C:\)", uR"(C:\a)", uR"(C:\b)"},
        {"//", uR"(C:\)", uR"(C:\a)", uR"(C:\b)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.home);
        ScopedHome home(c.home);
        EXPECT_EQ(ToDriveForm(u"~"), c.tilde);
        EXPECT_EQ(ToDriveForm(u"~/a"), c.tilde_a);
        EXPECT_EQ(ToAbsoluteDriveForm(u"~/a/../b"), c.tilde_b);
    }
    for (const char* missing : {static_cast<const char*>(nullptr), ""}) {
        ScopedHome home(missing);
        // The password database's home, or the root: an absolute path either way.
        const std::string dir = HomeDirectory();
        EXPECT_TRUE(dir.empty() || (dir[0] == '/' && dir.back() != '/')) << dir;
        const std::u16string a = ToDriveForm(u"~/a");
        EXPECT_EQ(a.substr(0, 3), uR"(C:\)");
        EXPECT_EQ(a.find(uR"(\\)"), a.npos);
        EXPECT_EQ(a.substr(a.size() - 2), uR"(\a)");
    }
}

TEST(SpecialFolders, DriveFormWithoutHome) {
    for (const char* home : {static_cast<const char*>(nullptr), "/"}) {
        SCOPED_TRACE(home ? home : "unset");
        ScopedHome scoped(home);
        for (SpecialFolder f : {SpecialFolder::Desktop, SpecialFolder::Documents,
                                SpecialFolder::Temp, SpecialFolder::Windows}) {
            const std::u16string dir = SpecialFolderPath(f);
            ASSERT_GE(dir.size(), 3u);
            EXPECT_EQ(dir.substr(0, 3), uR"(C:\)");
            EXPECT_EQ(dir.back(), u'\\');
            EXPECT_EQ(dir.find(uR"(\\)"), dir.npos);
        }
    }
}
