// Whole check runs on real directories holding what real machines hold: special files,
// symbolic links out of the site, dangling links, directories that cannot be searched.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <climits>

#include <gtest/gtest.h>

#include "app/CheckRun.h"
#include "engine/LinkTags.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/HostPath.h"
#include "testutil/ScriptedRunView.h"
#include "testutil/TempDir.h"

namespace {

// One record of the tab-separated log: file, value as written, warning number.
struct Record {
    std::u16string file, value, number;
    bool operator==(const Record&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Record& r) {
    return os << platform::Utf16ToCp932(r.file + u" " + r.value + u" [" + r.number + u"]");
}

class HostSiteTest : public ::testing::Test {
public:
    void SetUp() override {
        HtmlLink::BuildLinkTagTable();
        dir.MakeDir("site");
        dir.MakeDir("logs");
    }

    std::string Site(const std::string& relative = "") const {
        return dir.Host() + "/site" + (relative.empty() ? "" : "/" + relative);
    }

    // Runs a check of 'site' (its log goes to 'logs/host.txt').
    void RunCheck(app::CheckRun* keep = nullptr) {
        CheckSet s = NewCheckSet();
        s.Name = u"host";
        s.LocalPath = dir.Drive() + u"site";
        s.Url.clear();
        s.AlertIgnoredFile = 0;  // the top page is linked from nowhere, which is no news here
        s.ModernHtml = 1;        // links with %XX escapes are read as a browser reads them
        CheckSets sets{s};
        Settings options;
        options.LogFileDirectory = dir.Drive() + uR"(logs\)";
        options.LogType = 2;
        app::RunRequest request;
        request.Sets = &sets;
        request.Options = &options;
        request.SelectedIndex = 0;
        request.LogDateTime = u"01-02-2027 03:04:05";
        request.ScanWorkers = 1;
        testutil::ScriptedRunView view;
        app::CheckRun run(view);
        run.cmdExecute_Click(request);
        if (keep) keep->Unsearched = run.Unsearched;
    }

    // The records of the log of the last run; `text` gets the whole log.
    std::vector<Record> Records(std::u16string* text = nullptr) {
        std::string bytes;
        EXPECT_TRUE(platform::HostFs().ReadFile(dir.Drive() + uR"(logs\host.txt)", bytes));
        const std::u16string log = platform::Cp932ToUtf16(bytes);
        if (text) *text = log;
        std::vector<Record> records;
        size_t at = log.find(u"警告内容\r\n");
        if (at == log.npos) return records;
        at += 6;
        while (at < log.size() && log[at] == u'/') {
            const size_t end = log.find(u"\r\n", at);
            std::vector<std::u16string> f;
            size_t p = at;
            while (p <= end) {
                size_t tab = log.find(u'\t', p);
                if (tab == log.npos || tab > end) tab = end;
                f.emplace_back(log.substr(p, tab - p));
                p = tab + 1;
            }
            if (f.size() >= 7) records.push_back({f[0], f[4], f[6]});
            at = end + 2;
        }
        return records;
    }

    std::vector<Record> Check(std::u16string* text = nullptr) {
        RunCheck();
        return Records(text);
    }

    testutil::TempDir dir;
};

}  // namespace

TEST_F(HostSiteTest, SpecialFilesAreUnreadableAndNeverBlock) {
    dir.Write("site/index.htm",
              "<a href=\"page.htm\">f</a><a href=\"sock.htm\">s</a><a href=\"big.htm\">z</a>");
    ASSERT_EQ(::mkfifo(Site("page.htm").c_str(), 0644), 0);
    ASSERT_EQ(::symlink("/dev/zero", Site("big.htm").c_str()), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string sock_path = Site("sock.htm");
    ASSERT_LT(sock_path.size(), sizeof addr.sun_path);
    std::copy(sock_path.begin(), sock_path.end(), addr.sun_path);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

    // Reaching the end at all is the main point: a FIFO without a writer or /dev/zero read to
    // its end would hang the run or exhaust memory.
    const std::vector<Record> records = Check();
    ::close(sock);
    EXPECT_EQ(records, (std::vector<Record>{{u"/big.htm", u"", u"1"},
                                            {u"/page.htm", u"", u"1"},
                                            {u"/sock.htm", u"", u"1"}}));

    std::string bytes = "untouched";
    EXPECT_FALSE(platform::HostFs().ReadFile(dir.Drive() + uR"(site\page.htm)", bytes));
    EXPECT_TRUE(bytes.empty());
}

TEST_F(HostSiteTest, LinksOutOfTheSiteAreNotEntered) {
    dir.Write("shared/style.css", "body{}");
    dir.Write("shared/index.html", "<a name=\"x\">x</a>");
    dir.Write("shared/orphan.htm", "nobody links here");
    dir.Write("site/index.htm",
              "<link rel=stylesheet href=\"assets/style.css\">"
              "<a href=\"assets/\">a</a><a href=\"assets/index.html#x\">b</a>"
              "<a href=\"assets/none.css\">c</a><a href=\"sub/page.htm\">d</a>");
    dir.Write("site/sub/page.htm", "<a href=\"../index.htm\">top</a>");
    ASSERT_EQ(::symlink((dir.Host() + "/shared").c_str(), Site("assets").c_str()), 0);
    ASSERT_EQ(::symlink("/", Site("root").c_str()), 0);
    ASSERT_EQ(::symlink("..", Site("sub/up").c_str()), 0);
    ASSERT_EQ(::symlink(".", Site("sub/self").c_str()), 0);

    // Targets through the link are verified on disk: only the missing one is reported, nothing
    // outside is listed as unlinked, and the loop back into the site stays stopped.
    std::u16string log;
    EXPECT_EQ(Check(&log), (std::vector<Record>{{u"/index.htm", u"\"assets/index.html#x\"", u"53"},
                                                {u"/index.htm", u"\"assets/none.css\"", u"41"}}));
    EXPECT_EQ(log.find(u"orphan"), log.npos);
}

TEST_F(HostSiteTest, DanglingLinkIsAMissingFile) {
    dir.Write("site/index.htm", "<a href=\"gone.htm\">x</a><a href=\"here.htm\">y</a>");
    dir.Write("site/here.htm", "");
    ASSERT_EQ(::symlink("nowhere.htm", Site("gone.htm").c_str()), 0);
    EXPECT_EQ(Check(), (std::vector<Record>{{u"/index.htm", u"\"gone.htm\"", u"41"}}));
    platform::DirEntry e;
    EXPECT_FALSE(platform::HostFs().Stat(dir.Drive() + uR"(site\gone.htm)", e));
}

// A directory the search cannot list is told in the log with its own number, and a link into
// it is not called missing.
TEST_F(HostSiteTest, UnreadableDirectoryIsTold) {
    dir.Write("site/index.htm", "<a href=\"private/a.htm\">p</a><a href=\"open/b.htm\">o</a>");
    dir.Write("site/private/a.htm", "");
    dir.Write("site/open/b.htm", "");
    ASSERT_EQ(::chmod(Site("private").c_str(), 0700), 0);
    if (testutil::RunsAsRoot()) {
        // Root reads every directory: the check runs as 'nobody' in a child process.
        ASSERT_EQ(::chmod(dir.Host().c_str(), 0755), 0);
        ASSERT_EQ(::chmod((dir.Host() + "/logs").c_str(), 0777), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(77);
            RunCheck();
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "cannot switch to an unprivileged user";
        ASSERT_EQ(WEXITSTATUS(status), 0);
    } else {
        ASSERT_EQ(::chmod(Site("private").c_str(), 0), 0);
        RunCheck();
    }
    EXPECT_EQ(Records(), (std::vector<Record>{{u"/private/", u"", u"4"},
                                              {u"/index.htm", u"\"private/a.htm\"", u"54"}}));
}

TEST_F(HostSiteTest, PathTooLongIsTold) {
    dir.Write("site/index.htm", "<a href=\"deep.htm\">d</a>");
    dir.Write("site/deep.htm", "");
    // Twenty levels of 250-character names pass the system's limit on a whole path.
    int fd = ::open(Site().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    std::string relative;
    for (int level = 0; level < 20; ++level) {
        const std::string name(250, static_cast<char>('a' + level));
        ASSERT_EQ(::mkdirat(fd, name.c_str(), 0755), 0);
        const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        ASSERT_GE(next, 0);
        fd = next;
        relative += "/" + name;
    }
    ::close(fd);
    testutil::ScriptedRunView view;
    app::CheckRun kept(view);
    RunCheck(&kept);
    ASSERT_EQ(kept.Unsearched.size(), 1u);
    EXPECT_TRUE(kept.Unsearched[0].TooLong);
    std::string host;
    ASSERT_TRUE(platform::DriveToHost(kept.Unsearched[0].Path, host));
    EXPECT_GE(host.size(), static_cast<size_t>(PATH_MAX));
    const std::vector<Record> records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].number, u"5");
}

// Names Linux allows and Windows forbids are found, scanned, linked as a browser links them
// and shown in the log without breaking it.
TEST_F(HostSiteTest, NamesWindowsForbids) {
    dir.Write("site/index.htm",
              "<a href=\"./a:b.htm\">1</a><a href=\"s*t.htm\">2</a><a href=\"q%3F.htm\">3</a>"
              "<a href=\"back%5Cslash.htm\">4</a><a href=\"line%0Abreak.htm\">5</a>"
              "<a href=\"sub:dir/x.htm\">6</a><a href=\"s*.htm\">7</a>");
    for (const char* name : {"a:b.htm", "s*t.htm", "q?.htm", "back\\slash.htm", "line\nbreak.htm",
                             "sub:dir/x.htm"})
        dir.Write(std::string("site/") + name, "<a href=\"nowhere.htm\">x</a>");
    std::u16string log;
    // Every link is found except the '*' that would only match as a wildcard and the escaped
    // backslash, which the decoding of escapes turns into a separator; each page was scanned
    // (its one broken link is reported), and the line break is shown escaped.
    EXPECT_EQ(Check(&log), (std::vector<Record>{
                               {u"/a:b.htm", u"\"nowhere.htm\"", u"41"},
                               {u"/back\\slash.htm", u"\"nowhere.htm\"", u"41"},
                               {u"/index.htm", u"\"back%5Cslash.htm\"", u"41"},
                               {u"/index.htm", u"\"s*.htm\"", u"41"},
                               {u"/line%0Abreak.htm", u"\"nowhere.htm\"", u"41"},
                               {u"/q?.htm", u"\"nowhere.htm\"", u"41"},
                               {u"/s*t.htm", u"\"nowhere.htm\"", u"41"},
                               {u"/sub:dir/x.htm", u"\"nowhere.htm\"", u"41"},
                           }));
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i] == u'\n') {
            ASSERT_TRUE(i > 0 && log[i - 1] == u'\r') << "a raw line break";
        }
    }
    // The file whose name holds ':' resolves its own links against its directory.
    EXPECT_NE(log.find(u"site\\nowhere.htm\t41"), log.npos);
    EXPECT_EQ(log.find(u"a:nowhere"), log.npos);
}
