#include "app/Reports.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <nlohmann/json.hpp>

#include "engine/Codes.h"
#include "engine/Warnings.h"
#include "platform/Text.h"
#include "testutil/FailingAllocation.h"
#include "testutil/ScanTables.h"
#include "verify/WriteLog.h"

namespace app {
namespace {

using HtmlLink::AttrEntry;
using HtmlLink::FileEntry;
using HtmlLink::FileTable;
using testutil::Attr;
using testutil::File;
using testutil::Tag;

constexpr std::u16string_view kMissing = u"リンク先のファイルが見つかりません。";

// Warnings at each level, a link left unchecked (a note), an unlinked non-HTML file, a quiet
// stylesheet, and the end of the table before a file that must not appear.
FileTable Site() {
    FileTable t;
    t.push_back(
        File(uR"(C:\site\index.htm)", HtmlLink::ScanOk, {},
             {Tag(u"A", 3,
                  {Attr(u"href", u"\"a&b.htm\"", uR"(C:\site\a&b.htm)", 3, 10,
                        {{10, std::u16string(kMissing)}})}),
              Tag(u"IMG", 5, {}, {{2, u"src 属性が設定されていません。"}}),
              Tag(u"A", 7, {Attr(u"href", u"\"later.htm\"", uR"(C:\site\later.htm)", 7, 3)}),
              Tag(u"LINK", 9,
                  {Attr(u"href", u"\"/css/site.css\"", uR"(C:\site\css\site.css)", 9, 10,
                        {{10, std::u16string(kMissing)}})})}));
    t.push_back(File(uR"(C:\site\画像\logo.gif)", HtmlLink::ScanNotHtml,
                     {{10, u"このファイルは、どこからもリンクされていません。"}}));
    t.push_back(File(uR"(C:\site\style.css)", HtmlLink::ScanNotHtml, {}));
    t.push_back(FileEntry{});
    t.push_back(File(uR"(C:\site\unscanned.htm)", HtmlLink::ScanOk, {{10, u"never"}}));
    return t;
}

class ReportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        set_.Name = u"見本";
        set_.LocalPath = uR"(C:\site)";
        files_ = Site();
        run_.Set = &set_;
        run_.Options = &options_;
        run_.Files = &files_;
        run_.LocalCheck = true;
    }
    RunReport Collect() {
        RunReport r;
        EXPECT_TRUE(CollectReport(run_, r));
        r.Date = "2026-12-07T09:05:00+09:00";
        return r;
    }
    CheckSet set_;
    Settings options_;
    FileTable files_;
    HtmlLink::RunContext run_;
};

TEST(KnownWarningNumbers, AreTheCatalogueAndNothingElse) {
    const std::vector<int>& n = KnownWarningNumbers();
    EXPECT_EQ(n.size(), 51u);
    for (int present : {1,  2,  3,  4,  5,  8,  9,  11, 19, 21, 27, 31, 37,
                        38, 41, 53, 54, 56, 57, 61, 64, 96, 97, 98, 99})
        EXPECT_TRUE(std::binary_search(n.begin(), n.end(), present)) << present;
    for (int absent : {0, 6, 10, 20, 28, 39, 55, 58, 65, 95, 100})
        EXPECT_FALSE(std::binary_search(n.begin(), n.end(), absent)) << absent;
}

TEST(WarningFilter, ParsesListsAndRefusesWhatNoWarningHas) {
    struct Case {
        const char* only;    // nullptr: not given
        const char* ignore;  // nullptr: not given
        bool ok;
        std::vector<int> reported, left_out;
    };
    const Case cases[] = {
        {nullptr, nullptr, true, {1, 41, 99}, {}},
        {nullptr, "3,64", true, {1, 41}, {3, 64}},
        {nullptr, " 3 , 64 ", true, {1}, {3, 64}},
        {"41,43,49", nullptr, true, {41, 43, 49}, {1, 3, 64}},
        // --only picks, --ignore then takes out of the choice.
        {"41,43", "43", true, {41}, {43, 3}},
        {nullptr, "100", false, {}, {}},
        {nullptr, "6", false, {}, {}},
        {nullptr, "3,", false, {}, {}},
        {nullptr, "", false, {}, {}},
        {"x", nullptr, false, {}, {}},
        {"41;43", nullptr, false, {}, {}},
        {nullptr, "-3", false, {}, {}},
        {nullptr, "99999999999999", false, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.only ? c.only : "-") + " / " + (c.ignore ? c.ignore : "-"));
        WarningFilter f;
        std::string error;
        bool ok = true;
        if (c.only) ok = f.Only(c.only, error) && ok;
        if (c.ignore) ok = f.Ignore(c.ignore, error) && ok;
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(error.empty(), c.ok) << error;
        if (!ok) continue;
        for (int n : c.reported) EXPECT_TRUE(f.Reported(n)) << n;
        for (int n : c.left_out) EXPECT_FALSE(f.Reported(n)) << n;
        EXPECT_EQ(f.Everything(), !c.only && !c.ignore);
    }
}

TEST_F(ReportsTest, DroppedWarningsLeaveNoTraceButNotesStay) {
    WarningFilter f;
    std::string error;
    ASSERT_TRUE(f.Ignore("41,3", error));
    DropWarnings(files_, f);
    RunReport r = Collect();
    EXPECT_EQ(r.WarningCount, 1);  // the IMG tag's [12]
    EXPECT_EQ(r.NoteCount, 1);     // the unchecked link stays a note
    ASSERT_EQ(r.Items.size(), 2u);
    EXPECT_EQ(r.Items[0].Number, 12);
    EXPECT_EQ(r.Items[1].Number, 0);
    EXPECT_TRUE(files_[1].Warnings.empty() || files_[1].Warnings[0].Text.empty());
    // A table cut short is walked only to its end.
    EXPECT_EQ(files_[4].Warnings.size(), 1u);

    FileTable before = Site();
    files_ = before;
    DropWarnings(files_, WarningFilter());
    EXPECT_EQ(files_.size(), before.size());
    EXPECT_EQ(files_[0].Tags[0].Attrs[0].Warnings.size(), 1u);
}

TEST_F(ReportsTest, CollectsInTheLogsOrderWithNotes) {
    const RunReport r = Collect();
    EXPECT_EQ(r.Files.size(), 3u);
    EXPECT_EQ(r.WarningCount, 4);
    EXPECT_EQ(r.NoteCount, 1);
    ASSERT_EQ(r.Items.size(), 5u);
    EXPECT_EQ(r.Items[0].Target, u"/site/a&b.htm");  // local targets as host paths
    EXPECT_EQ(r.Items[2].Message, u"途中キャンセルされたため、未チェック。");
    EXPECT_EQ(r.Items[4].Line, 0);
    EXPECT_EQ(r.Files[1].DisplayPath, u"/画像/logo.gif");
    EXPECT_FALSE(r.Files[1].Html);
    EXPECT_EQ(r.Files[0].Warnings, 3);
    EXPECT_EQ(r.Files[2].Warnings, 0);
}

// Directories the search could not list open the report as they open the log, each with its
// warning, and every later item still names its own file.
TEST_F(ReportsTest, UnsearchedDirectoriesComeFirstAsInTheLog) {
    const VornFileList::UnsearchedList unsearched{{uR"(C:\site\locked\)", false},
                                                  {uR"(C:\site\deep\)", true}};
    run_.Unsearched = &unsearched;
    for (const unsigned threads : {1u, 3u}) {
        RunReport r;
        ASSERT_TRUE(CollectReport(run_, r, ReportContent::Items, threads));
        ASSERT_EQ(r.Files.size(), 5u);
        EXPECT_EQ(r.Files[0].DisplayPath, u"/locked/");
        EXPECT_FALSE(r.Files[1].Html);
        EXPECT_EQ(r.Files[1].Warnings, 1);
        EXPECT_EQ(r.WarningCount, 6);
        ASSERT_EQ(r.Items.size(), 7u);
        EXPECT_EQ(r.Items[0].Number, 4);
        EXPECT_EQ(r.Items[1].Number, 5);
        EXPECT_EQ(r.Items[1].File, 1u);
        EXPECT_EQ(r.Items[1].Message, HtmlLink::msg::kDirectoryTooLong);
        EXPECT_EQ(r.Files[r.Items[2].File].Path, uR"(C:\site\index.htm)");
        EXPECT_EQ(r.Files[r.Items.back().File].Path, uR"(C:\site\画像\logo.gif)");
        RunReport counts;
        ASSERT_TRUE(CollectReport(run_, counts, ReportContent::CountsOnly, threads));
        EXPECT_EQ(counts.WarningCount, 6);
    }
    // The log counts the same.
    EXPECT_EQ(HtmlLink::CountLogWarnings(run_), 6);
}

TEST_F(ReportsTest, CountsAloneAndEveryThreadCountAgreeWithTheItems) {
    struct Case {
        bool local, remote, always_remote;
        const char* ignore;  // nullptr: every warning
        bool note_in_table;
    };
    const Case cases[] = {
        {true, false, false, nullptr, false},  {false, false, false, nullptr, false},
        {true, true, true, nullptr, true},     {false, false, true, "41", false},
        {true, false, false, "41,3,12", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.local << c.remote << c.always_remote << " "
                                        << (c.ignore ? c.ignore : "-") << c.note_in_table);
        files_ = Site();
        files_[0].Tags[1].Attrs.push_back(
            Attr(u"src", u"\"http://h/x.gif\"", u"http://h/x.gif", 5, 100));
        if (c.note_in_table) HtmlLink::AddWarning(files_[2].Warnings, HtmlLink::kNote, u"note");
        if (c.ignore) {
            WarningFilter f;
            std::string error;
            ASSERT_TRUE(f.Ignore(c.ignore, error));
            DropWarnings(files_, f);
        }
        run_.LocalCheck = c.local;
        run_.RemoteCheck = c.remote;
        options_.AlwaysLogRemoteLink = c.always_remote ? 1 : 0;
        RunReport full;
        ASSERT_TRUE(CollectReport(run_, full, ReportContent::Items, 1));
        EXPECT_GT(full.Items.size(), 0u);
        for (unsigned threads : {1u, 2u, 3u, 8u}) {
            SCOPED_TRACE(threads);
            RunReport items, counts;
            ASSERT_TRUE(CollectReport(run_, items, ReportContent::Items, threads));
            EXPECT_EQ(JsonReport(items), JsonReport(full));
            EXPECT_EQ(items.WarningCount, full.WarningCount);
            ASSERT_TRUE(CollectReport(run_, counts, ReportContent::CountsOnly, threads));
            EXPECT_EQ(counts.WarningCount, full.WarningCount);
            EXPECT_EQ(counts.NoteCount, full.NoteCount);
            EXPECT_EQ(counts.SetName, full.SetName);
            EXPECT_EQ(counts.BaseDirectory, full.BaseDirectory);
            EXPECT_TRUE(counts.Files.empty());
            EXPECT_TRUE(counts.Items.empty());
        }
    }
    run_.Files = nullptr;
    RunReport none;
    none.WarningCount = 7;
    EXPECT_FALSE(CollectReport(run_, none, ReportContent::CountsOnly));
    EXPECT_EQ(none.WarningCount, 0);
}

TEST_F(ReportsTest, AFailureAnywhereEmptiesTheReport) {
    const std::string expected = JsonReport(Collect());
    for (unsigned threads : {1u, 3u}) {
        SCOPED_TRACE(threads);
        int failures = 0;
        for (std::int64_t n = 1;; ++n) {
            RunReport r;
            bool collected = false, failed = false;
            {
                testutil::FailingAllocation fail(n);
                collected = CollectReport(run_, r, ReportContent::Items, threads);
                failed = fail.Failed();
            }
            if (!failed) break;
            if (collected) {
                // An allocation the report can do without: a helper thread not started.
                r.Date = "2026-12-07T09:05:00+09:00";
                EXPECT_EQ(JsonReport(r), expected) << n;
            } else {
                ++failures;
                EXPECT_TRUE(r.Items.empty() && r.Files.empty() && r.WarningCount == 0) << n;
            }
        }
        EXPECT_GT(failures, 10);
    }
}

TEST_F(ReportsTest, JsonIsExact) {
    const RunReport r = Collect();
    const std::string json = JsonReport(r);
    // The head and one whole record; the rest follows the same shape.
    EXPECT_TRUE(json.starts_with(R"({
  "tool": {
    "name": "mokuroku-check",
    "version": ")"))
        << json;
    const std::size_t body = json.find(R"(  "checkSet")");
    ASSERT_NE(body, json.npos);
    const std::string expected = R"(  "checkSet": "見本",
  "baseDirectory": "/site",
  "date": "2026-12-07T09:05:00+09:00",
  "complete": true,
  "counts": {
    "files": 3,
    "htmlFiles": 1,
    "filesWithWarnings": 2,
    "warnings": 4,
    "notes": 1,
    "byNumber": {
      "3": 1,
      "12": 1,
      "41": 2
    }
  },
  "records": [
    {
      "file": {
        "path": "/site/index.htm",
        "display": "/index.htm"
      },
      "line": 3,
      "tag": "A",
      "attribute": "href",
      "value": "\"a&b.htm\"",
      "target": "/site/a&b.htm",
      "number": 41,
      "message": "リンク先のファイルが見つかりません。"
    },
    {
      "file": {
        "path": "/site/index.htm",
        "display": "/index.htm"
      },
      "line": 5,
      "tag": "IMG",
      "attribute": null,
      "value": null,
      "target": null,
      "number": 12,
      "message": "src 属性が設定されていません。"
    },)";
    EXPECT_EQ(json.substr(body, expected.size()), expected);
    EXPECT_NE(json.find(R"("number": null,
      "message": "途中キャンセルされたため、未チェック。")"),
              json.npos);
    EXPECT_NE(json.find(R"("line": null,
      "tag": null,)"),
              json.npos);
}

// Texts no page should hold, but pages do: quotes, backslashes, every kind of control
// character, lone surrogates and a pair. Read back by a JSON library and written out again in
// the same layout, each document must come out byte for byte as it went in, and the texts as
// they were less what JSON cannot hold.
TEST_F(ReportsTest, JsonAndSarifHoldAnyTextAndReadBackExactly) {
    const std::u16string odd = u"\"q\" \\b\\ \x01\x08\x09\x0A\x0B\x0C\x0D\x1F\x7F "
                               u"\xD83D\xDE00 \xDC81 \xD83D < & > 日本";
    files_[0].Tags[0].Attrs[0].Value = u"\"" + odd + u"\"";
    files_[0].Tags[1].Warnings[0].Text = odd;
    files_[0].Tags[2].Name = odd;
    files_[0].Path = uR"(C:\site\"a"\b.htm)";
    set_.Name = odd;
    RunReport r = Collect();
    r.Date = "2026-12-07T09:05:00+09:00";
    WarningHelpTable help;
    help[41] = {odd, u"meaning \x01", u""};
    const std::string utf8 = "\"q\" \\b\\ \x01\x08\x09\x0A\x0B\x0C\x0D\x1F\x7F "
                             "\xF0\x9F\x98\x80 \xEF\xBF\xBD \xEF\xBF\xBD < & > 日本";
    for (const std::string& doc :
         {JsonReport(r), SarifReport(r, help, "1.00", "file:///doc/mokuroku.html")}) {
        const nlohmann::ordered_json parsed = nlohmann::ordered_json::parse(doc, nullptr, false);
        ASSERT_FALSE(parsed.is_discarded()) << doc;
        EXPECT_EQ(parsed.dump(2) + "\n", doc);
        EXPECT_NE(doc.find(R"(\"q\" \\b\\ \u0001\b\t\n\u000b\f\r\u001f)"), doc.npos) << doc;
    }
    const nlohmann::ordered_json json = nlohmann::ordered_json::parse(JsonReport(r));
    EXPECT_EQ(json["checkSet"], utf8);
    EXPECT_EQ(json["records"][0]["file"]["path"], "/site/\"a\"/b.htm");
    EXPECT_EQ(json["records"][0]["value"], "\"" + utf8 + "\"");
    EXPECT_EQ(json["records"][1]["message"], utf8);
    const nlohmann::ordered_json sarif =
        nlohmann::ordered_json::parse(SarifReport(r, help, "1.00", ""));
    const auto& rule = sarif["runs"][0]["tool"]["driver"]["rules"];
    EXPECT_EQ(rule[0]["id"], "W1");
    const auto& results = sarif["runs"][0]["results"];
    EXPECT_EQ(results[0]["message"]["text"],
              "リンク先のファイルが見つかりません。 (<A> href=\"" + utf8 + "\" → /site/a&b.htm)");
    EXPECT_EQ(results[1]["message"]["text"], utf8 + " (<IMG>)");
}

TEST_F(ReportsTest, SarifPointsAtLinesAndLeavesNotesOut) {
    files_[0].Path = uR"(C:\site\ページ 1.htm)";
    files_.insert(files_.begin() + 3,
                  File(uR"(C:\elsewhere\x.htm)", HtmlLink::ScanOk, {{10, u"outside"}}));
    const RunReport r = Collect();
    WarningHelpTable help;
    help[41] = {u"リンク先のファイルが見つかりません。", u"meaning", u"action"};
    const std::string sarif = SarifReport(r, help, "1.00", "file:///doc/mokuroku.html");
    EXPECT_NE(sarif.find(R"("uri": "%E3%83%9A%E3%83%BC%E3%82%B8%201.htm")"), sarif.npos);
    EXPECT_NE(sarif.find(R"("uriBaseId": "SITEROOT")"), sarif.npos);
    EXPECT_NE(sarif.find(R"("uri": "%E7%94%BB%E5%83%8F/logo.gif")"), sarif.npos);
    EXPECT_NE(sarif.find(R"("uri": "file:///elsewhere/x.htm")"), sarif.npos);
    EXPECT_NE(sarif.find(R"("SITEROOT": {
          "uri": "file:///site/")"),
              sarif.npos);
    EXPECT_NE(sarif.find(R"("help": {
                "text": "meaning\n\naction")"),
              sarif.npos);
    EXPECT_NE(sarif.find(R"("helpUri": "file:///doc/mokuroku.html#w41")"), sarif.npos);
    EXPECT_EQ(sarif.find("途中キャンセル"), sarif.npos);
    // One result per warning; a file-level warning has no region.
    std::size_t results = 0, regions = 0;
    for (std::size_t p = 0; (p = sarif.find("\"ruleId\"", p)) != sarif.npos; ++p) ++results;
    for (std::size_t p = 0; (p = sarif.find("\"startLine\"", p)) != sarif.npos; ++p) ++regions;
    EXPECT_EQ(results, 5u);
    EXPECT_EQ(regions, 3u);

    // Named from a repository's root instead, and a base directory given with its separator.
    RunReport from_root = r;
    from_root.UriRoot = uR"(C:\)";
    const std::string rooted = SarifReport(from_root, help, "1.00", "");
    EXPECT_NE(rooted.find(R"("uri": "site/%E7%94%BB%E5%83%8F/logo.gif")"), rooted.npos);
    EXPECT_NE(rooted.find(R"("uri": "elsewhere/x.htm")"), rooted.npos);
    EXPECT_NE(rooted.find(R"("uri": "file:///")"), rooted.npos);
    EXPECT_EQ(rooted.find("helpUri"), rooted.npos);
}

TEST_F(ReportsTest, JUnitHasACasePerHtmlFileAndPerWarnedFile) {
    files_[0].Tags[1].Warnings[0].Text = u"a \x01 <b> \"c\"";
    const std::string xml = JUnitReport(Collect());
    EXPECT_NE(xml.find(R"(<testsuites name="mokuroku-check" tests="2" failures="2" errors="0">)"),
              xml.npos)
        << xml;
    // The stylesheet has nothing said about it and is no test case.
    EXPECT_EQ(xml.find("style.css"), xml.npos);
    EXPECT_NE(xml.find(R"(name="/画像/logo.gif")"), xml.npos);
    EXPECT_NE(xml.find(R"(<failure message="3 warnings" type="warning">)"), xml.npos);
    EXPECT_NE(xml.find("5: &lt;IMG&gt; a &#xFFFD; &lt;b&gt; &quot;c&quot; [12]"), xml.npos);
    EXPECT_NE(xml.find("3: &lt;A&gt; href=&quot;a&amp;b.htm&quot;"), xml.npos);
    EXPECT_EQ(xml.find("途中キャンセル"), xml.npos);
}

TEST_F(ReportsTest, SummaryCountsNumbersAndTheMostWarnedTargets) {
    for (int k = 0; k < 6; ++k) {
        const std::u16string name = u"p" + std::u16string(1, char16_t(u'0' + k)) + u".htm";
        std::vector<AttrEntry> attrs;
        for (int j = 0; j <= k; ++j)
            attrs.push_back(Attr(u"href", u"\"" + name + u"\"", uR"(C:\site\)" + name, 20 + j, 10,
                                 {{10, std::u16string(kMissing)}}));
        files_[0].Tags.push_back(Tag(u"A", 20, attrs));
    }
    WarningHelpTable help;
    help[12] = {u"必要な属性がありません。", u"", u""};
    const std::string text = SummaryText(Collect(), help, "/logs/見本.txt", SummaryStyle{});
    EXPECT_EQ(text,
              "     1  [3] このファイルは、どこからもリンクされていません。\n"
              "     1  [12] 必要な属性がありません。\n"
              "    23  [41] リンク先のファイルが見つかりません。\n"
              "警告の多いリンク先:\n"
              "     6  /site/p5.htm\n"
              "     5  /site/p4.htm\n"
              "     4  /site/p3.htm\n"
              "     3  /site/p2.htm\n"
              "     2  /site/p1.htm\n"
              "ログ: /logs/見本.txt\n");
    const std::string coloured = SummaryText(Collect(), help, "", SummaryStyle{true});
    EXPECT_NE(coloured.find("\x1b[33m"), coloured.npos);
    EXPECT_EQ(coloured.find("ログ"), coloured.npos);
}

TEST(ReportText, DatesAndInvalidUtf16) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "JST-9", 1);
    tzset();
    EXPECT_EQ(IsoDateTime(1796601900), "2026-12-07T09:05:00+09:00");
    EXPECT_EQ(LogDateTime(1796601900), u"12-07-2026 09:05:00");
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    EXPECT_EQ(ReportUtf8(u"a\xDC81"
                         u"b\xD83D"),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD");
    EXPECT_EQ(ReportUtf8(u"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
}

}  // namespace
}  // namespace app
