#include "app/ScanAhead.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/RunStages.h"
#include "engine/LinkTags.h"
#include "lib/Convert.h"
#include "platform/MemoryFileSystem.h"
#include "platform/Text.h"
#include "testutil/HeldFileSystem.h"

namespace {

// Everything the checks wrote about one file, as text, to compare two scans of it.
std::string Describe(const HtmlLink::FileEntry& f) {
    std::u16string d = f.Path + u"|" + ToDecimal(f.Status);
    for (const auto& w : f.Warnings) d += u"|w" + ToDecimal(w.Code) + w.Text;
    for (const auto& t : f.Tags) {
        d += u"|t" + t.Name + ToDecimal(t.Line) + u"," + ToDecimal(t.Code);
        for (const auto& w : t.Warnings) d += u"|tw" + ToDecimal(w.Code);
        for (const auto& a : t.Attrs) {
            d += u"|a" + a.Name + u"=" + a.Value + u">" + a.Target + ToDecimal(a.Code);
            for (const auto& w : a.Warnings) d += u"|aw" + ToDecimal(w.Code) + w.Text;
        }
    }
    for (const auto& a : f.Anchors)
        d += u"|n" + ToDecimal(a.TagIndex) + u"," + ToDecimal(a.AttrIndex) + u"," +
             ToDecimal(a.Duplicate);
    return platform::ToUtf8(d);
}

class ScanAheadTest : public ::testing::Test {
public:
    void SetUp() override {
        HtmlLink::BuildLinkTagTable();
        set = NewCheckSet();
        set.LocalPath = uR"(C:\site\)";
        for (int k = 0; k < 300; ++k) {
            std::string page = "<base href=\"x\"><a name=a" + std::to_string(k % 7) +
                               "></a><a name=a" + std::to_string(k % 5) + ">";
            for (int j = 0; j < k % 11; ++j)
                page += "<a href=\"../p" + std::to_string(j) + ".htm#a\" href=x>\n";
            const std::u16string path = uR"(C:\site\p)" + ToDecimal(k) + (k % 9 ? u".htm" : u".txt");
            fs.AddFile(path, page);
            files.push_back(path);
        }
    }
    platform::MemoryFileSystem fs;
    platform::ScopedFileSystem use{fs};
    CheckSet set;
    std::vector<std::u16string> files;
};

}  // namespace

TEST_F(ScanAheadTest, SameTableWithAnyNumberOfWorkers) {
    std::vector<std::string> serial;
    for (const auto& path : files) {
        HtmlLink::FileEntry e;
        app::ScanAndCheck(e, path, set, u"http://h");
        serial.push_back(Describe(e));
    }
    for (unsigned workers : {0u, 1u, 3u}) {
        SCOPED_TRACE(workers);
        app::ScanAhead ahead(files, set, u"http://h", workers);
        for (size_t k = 0; k < files.size(); ++k) EXPECT_EQ(Describe(ahead.Take(k)), serial[k]);
    }
    // A window's loop only waits for the workers, a moment at a time.
    for (unsigned workers : {1u, 3u}) {
        SCOPED_TRACE(workers);
        app::ScanAhead ahead(files, set, u"http://h", workers);
        ASSERT_EQ(ahead.Workers(), workers);
        for (size_t k = 0; k < files.size(); ++k) {
            HtmlLink::FileEntry e;
            while (!ahead.TryTake(k, e, std::chrono::milliseconds(1))) {
            }
            EXPECT_EQ(Describe(e), serial[k]);
        }
    }
}

TEST_F(ScanAheadTest, StoppingEarlyReturns) {
    // A cancelled run takes a few files and drops the rest, with workers still busy.
    for (int round = 0; round < 20; ++round) {
        app::ScanAhead ahead(files, set, u"", 3);
        for (size_t k = 0; k < static_cast<size_t>(round); ++k) ahead.Take(k);
    }
}

// Abandoned files are given up part way: a stopped run does not wait for the scan of a page
// nobody will take. The page's read is held until the loop has abandoned it.
TEST_F(ScanAheadTest, AbandonedWorkersGiveUpTheFileInHand) {
    std::string big;
    for (int k = 0; k < 20000; ++k) big += "<a href=\"p1.htm#a\">x</a>\n";
    fs.AddFile(files[1], big);
    testutil::HeldFileSystem held(fs);
    platform::ScopedFileSystem use_held(held);
    for (const bool abandon : {false, true}) {
        SCOPED_TRACE(abandon);
        std::atomic<std::size_t> tags{0};
        held.Hold(false, false, true);
        {
            app::ScanAhead ahead(files, set, u"", 1, [&](HtmlLink::FileEntry& e, std::size_t k) {
                if (k == 1) tags = e.Tags.size();
            });
            // File 0 is no page and is never read: the worker's first read is file 1's.
            while (held.Waiting() == 0) std::this_thread::yield();
            if (abandon) ahead.Abandon();
            held.Hold(false, false, false);
            held.Resume();
            if (!abandon) ahead.Take(0), ahead.Take(1);
        }
        EXPECT_EQ(held.GaveUp(), 0);
        if (abandon)
            EXPECT_EQ(tags, 0u);
        else
            EXPECT_EQ(tags, 20000u);
    }
}
