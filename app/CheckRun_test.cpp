#include "app/CheckRun.h"

#include <gtest/gtest.h>

#include "app/Reports.h"
#include "app/RunStages.h"
#include "engine/LinkTags.h"
#include "platform/Cp932.h"
#include "platform/MemoryFileSystem.h"
#include "platform/Program.h"
#include "platform/Text.h"
#include "testutil/HeldFileSystem.h"
#include "testutil/ScriptedRunView.h"
#include "testutil/TempDir.h"

using app::BoxAnswer;
using app::BoxIcon;
using platform::MemoryFileSystem;
using testutil::ScriptedRunView;

namespace {

class CheckRunTest : public ::testing::Test {
public:
    void SetUp() override {
        HtmlLink::BuildLinkTagTable();
        platform::SetProgramDirectory(uR"(C:\prog\)");
        fs.AddDirectory(uR"(C:\prog)");
        fs.AddDirectory(uR"(C:\logs)");
        CheckSet s = NewCheckSet();
        s.Name = u"site";
        s.LocalPath = uR"(C:\site)";
        s.Url.clear();
        sets = {s};
        options = Settings();
        options.LogFileDirectory = uR"(C:\logs\)";
        request = app::RunRequest();
        request.Sets = &sets;
        request.Options = &options;
        request.SelectedIndex = 0;
        request.LogDateTime = u"12-07-2026 09:05:00";
    }
    void TearDown() override { platform::SetProgramDirectory(u""); }

    std::u16string Log(const std::u16string& path) {
        std::string bytes;
        EXPECT_TRUE(fs.Contents(path, bytes)) << "no log at the expected path";
        return platform::Cp932ToUtf16(bytes);
    }

    MemoryFileSystem fs;
    platform::ScopedFileSystem use{fs};
    CheckSets sets;
    Settings options;
    app::RunRequest request;
    ScriptedRunView view;
    app::CheckRun run{view};
};

const std::u16string kHead =
    u"Mokuroku (Version 1.00) チェック結果\r\n\r\n"
    u"========================================\r\n"
    u"チェックセット名 : site\r\n"
    u"基準ディレクトリ : C:\\site\r\n"
    u"日時 : 12-07-2026 09:05:00\r\n"
    u"========================================\r\n\r\n";

const std::u16string kClosing =
    u"\r\n----------------------------------------\r\n\r\n"
    u"（それぞれの警告メッセージの末尾に \"[]\" で警告番号を示してあります。\r\n"
    u"  ヘルプの「警告メッセージ一覧」で、各メッセージのより詳しい説明と\r\n"
    u"  対処法を読むことができます。）\r\n";

}  // namespace

TEST_F(CheckRunTest, ValidationMessagesInOrder) {
    struct Case {
        std::function<void(CheckRunTest&)> arrange;
        std::u16string message;
    };
    const Case cases[] = {
        {[](CheckRunTest& t) { t.sets.assign(1, CheckSet{}); },
         u"チェックセットがまだ一つも登録されていません。"},
        {[](CheckRunTest& t) { t.request.SelectedIndex = -1; },
         u"チェックセットを選択してください。"},
        {[](CheckRunTest& t) { t.sets[0].LocalPath = uR"(C:\nothere)"; },
         u"チェック セットの基準ディレクトリが無効です。"},
        {[](CheckRunTest& t) { t.request.LocalCheck = 0; },
         u"「ローカル リンク」、「リモート リンク」の\r\n"
         u"少なくともどちらか一方にチェックを入れてください。"},
        {[](CheckRunTest& t) { t.fs.AddDirectory(uR"(C:\site\.hidden)"); },
         u"チェック対象となりうるファイルがありません。"},
    };
    fs.AddDirectory(uR"(C:\site)");
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        SetUp();
        fs.AddDirectory(uR"(C:\site)");
        view = ScriptedRunView();
        cases[i].arrange(*this);
        run.cmdExecute_Click(request);
        ASSERT_EQ(view.Boxes.size(), 1u);
        EXPECT_EQ(view.Boxes[0].Icon, BoxIcon::Exclamation);
        EXPECT_EQ(view.Boxes[0].Title, u"エラー");
        EXPECT_EQ(view.Boxes[0].Text, cases[i].message);
        EXPECT_TRUE(view.ControlsEnabled);
        EXPECT_TRUE(view.ExecuteEnabled);
        EXPECT_EQ(view.ExecuteCaption, u"チェック");
        EXPECT_EQ(view.Titles.back(), u"Mokuroku");
        EXPECT_FALSE(run.Running());
    }
}

TEST_F(CheckRunTest, WholeRunWritesTheLogAndReports) {
    fs.AddFile(uR"(C:\site\index.htm)",
               "<html>\r\n<a href=\"missing.htm\">x</a>\r\n"
               "<a href=\"a.htm\">a</a>\r\n");
    fs.AddFile(uR"(C:\site\a.htm)", "<a href=\"index.htm\">top</a>");
    view.Answers = {BoxAnswer::No};
    run.cmdExecute_Click(request);

    EXPECT_EQ(
        Log(uR"(C:\logs\site.txt)"),
        kHead +
            u"◆ /index.htm\r\n\r\n"
            u"  【2 行目】 <a> タグの href 属性値 \"missing.htm\" (→ C:\\site\\missing.htm)\r\n"
            u"    リンク先のファイルが見つかりません。 [41]\r\n\r\n" +
            kClosing);
    ASSERT_EQ(view.Boxes.size(), 1u);
    EXPECT_EQ(view.Boxes[0].Icon, BoxIcon::Information);
    EXPECT_EQ(view.Boxes[0].Title, u"チェック終了");
    EXPECT_EQ(view.Boxes[0].Text,
              u"チェックを終了しました。\r\n1 件の警告があります。\r\n\r\nログを表示しますか？");
    // Progress: search, 0%, then by bytes, verification, log, idle.
    const std::vector<std::u16string> titles = {
        u"Mokuroku"
        u"ファイル検索中 ... ",
        u"Mokuroku"
        u"0% ... ファイル解析中 ... ",
        u"Mokuroku"
        u"31% ... ファイル解析中 ... ",
        u"Mokuroku"
        u"100% ... ファイル解析中 ... ",
        u"Mokuroku"
        u"リンク先を検証中 ... ",
        u"Mokuroku"
        u"ログ作成中 ... ",
        u"Mokuroku"};
    EXPECT_EQ(view.Titles, titles);
    EXPECT_EQ(run.LastWarningCount, 1);

    // The same progress as numbers, one report per title.
    using app::RunState;
    struct Step {
        RunState stage;
        std::int64_t done, total;
        std::size_t files;
        int percent;
    };
    const std::int64_t index_size = 60, a_size = 27;  // the bytes of the two pages above
    const Step steps[] = {
        {RunState::Searching, 0, 0, 0, 0},
        {RunState::Scanning, 0, a_size + index_size, 0, 0},
        {RunState::Scanning, a_size, a_size + index_size, 1, 31},
        {RunState::Scanning, a_size + index_size, a_size + index_size, 2, 100},
        {RunState::Verifying, a_size + index_size, a_size + index_size, 2, 0},
        {RunState::Writing, a_size + index_size, a_size + index_size, 2, 0},
        {RunState::Idle, a_size + index_size, a_size + index_size, 2, 0},
    };
    ASSERT_EQ(view.Progress.size(), std::size(steps));
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        const app::RunProgress& p = view.Progress[i];
        EXPECT_EQ(p.Stage, steps[i].stage);
        if (i == 0) continue;  // nothing is counted before the search
        EXPECT_EQ(p.DoneBytes, steps[i].done);
        EXPECT_EQ(p.TotalBytes, steps[i].total);
        EXPECT_EQ(p.DoneFiles, steps[i].files);
        EXPECT_EQ(p.TotalFiles, 2u);
        EXPECT_EQ(p.Percent, steps[i].percent);
    }
    EXPECT_EQ(run.State(), RunState::Idle);
}

TEST_F(CheckRunTest, CsvAndTabSeparatedLogs) {
    fs.AddFile(uR"(C:\site\index.htm)", "<a href=\"x\"\"y.htm\">x</a>");
    options.LogType = 1;
    run.cmdExecute_Click(request);
    const std::u16string records =
        u"\"チェックセット名\",\"site\"\r\n"
        u"\"基準ディレクトリ\",\"C:\\site\"\r\n"
        u"\"日時\",\"12-07-2026 09:05:00\"\r\n\r\n"
        u"\"ファイル名\",\"行数\",\"タグ名\",\"属性名\",\"属性値\",\"リンク先\",\"警告 "
        u"ID\",\"警告内容\"\r\n";
    // Nothing links to the page: its file-level record has empty columns.
    EXPECT_EQ(Log(uR"(C:\logs\site.csv)"),
              u"Mokuroku (Version 1.00) チェック結果\r\n\r\n" + records +
                  u"\"/index.htm\",,,,,,3,\"このファイルは、どこからもリンクされていません。\"\r\n"
                  u"\"/index.htm\",1,\"a\",\"href\",\"\"\"x\"\"\",\"C:\\site\\x\",41,"
                  u"\"リンク先のファイルが見つかりません。\"\r\n" +
                  kClosing);
    options.LogType = 2;
    run.cmdExecute_Click(request);
    EXPECT_EQ(Log(uR"(C:\logs\site.txt)"),
              u"Mokuroku (Version 1.00) チェック結果\r\n\r\n"
              u"チェックセット名\tsite\r\n基準ディレクトリ\tC:\\site\r\n"
              u"日時\t12-07-2026 09:05:00\r\n\r\n"
              u"ファイル名\t行数\tタグ名\t属性名\t属性値\tリンク先\t警告 ID\t警告内容\r\n"
              u"/index.htm\t\t\t\t\t\t3\tこのファイルは、どこからもリンクされていません。\r\n"
              u"/index.htm\t1\ta\thref\t\"x\"\tC:\\site\\x\t41\t"
              u"リンク先のファイルが見つかりません。\r\n" +
                  kClosing);
}

TEST_F(CheckRunTest, ChosenWarningsAndNoLog) {
    // Page index.htm: nothing links to it [3] and its link is missing [41].
    fs.AddFile(uR"(C:\site\index.htm)", "<a href=\"x.htm\">x</a>");
    struct Case {
        const char* ignore;
        bool no_log;
        std::int32_t count;
        bool log_written;
    };
    const Case cases[] = {
        {"", false, 2, true}, {"3", false, 1, true}, {"3,41", false, 0, true},
        {"", true, 2, false}, {"41", true, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.ignore) + (c.no_log ? " no log" : ""));
        fs.RemoveEntry(uR"(C:\logs\site.txt)");
        view = ScriptedRunView();
        app::WarningFilter filter;
        std::string error;
        if (*c.ignore) {
            ASSERT_TRUE(filter.Ignore(c.ignore, error));
        }
        request.Filter = &filter;
        request.NoLog = c.no_log;
        run.cmdExecute_Click(request);
        EXPECT_EQ(run.LastWarningCount, c.count);
        EXPECT_EQ(run.LastLogPath.empty(), c.no_log);
        std::string bytes;
        EXPECT_EQ(fs.Contents(uR"(C:\logs\site.txt)", bytes), c.log_written);
        if (c.log_written && c.count == 0) {
            EXPECT_EQ(Log(uR"(C:\logs\site.txt)"), kHead + u"\r\n（警告すべき点はありません）");
        }
        ASSERT_EQ(view.Boxes.size(), 1u);
        EXPECT_EQ(view.Boxes[0].Icon, BoxIcon::Information);
    }
}

TEST_F(CheckRunTest, NoWarnings) {
    fs.AddFile(uR"(C:\site\index.htm)", "<a href=\"#top\" name=\"top\">top</a>");
    run.cmdExecute_Click(request);
    EXPECT_EQ(Log(uR"(C:\logs\site.txt)"), kHead + u"\r\n（警告すべき点はありません）");
    ASSERT_EQ(view.Boxes.size(), 1u);
    EXPECT_EQ(view.Boxes[0].Buttons, app::BoxButtons::Ok);
    EXPECT_EQ(view.Boxes[0].Text, u"チェックを終了しました。\r\n警告すべき点はありません。");
}

TEST_F(CheckRunTest, CancelAnsweredNoThenYes) {
    fs.AddFile(uR"(C:\site\a.htm)", "<a href=\"b.htm\">b</a>");
    fs.AddFile(uR"(C:\site\b.htm)", "<a href=\"c.htm\">c</a>");
    fs.AddFile(uR"(C:\site\c.htm)", "<a href=\"a.htm\">a</a>");
    // Stop is clicked before the second file (answered No) and before the third (Yes).
    view.OnYield = [&](int n) {
        if (n == 2 || n == 3) run.cmdExecute_Click();
    };
    view.Answers = {BoxAnswer::No, BoxAnswer::Yes, BoxAnswer::No};
    run.cmdExecute_Click(request);
    ASSERT_EQ(view.Boxes.size(), 3u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(view.Boxes[i].Icon, BoxIcon::Question);
        EXPECT_TRUE(view.Boxes[i].DefaultNo);
        EXPECT_EQ(view.Boxes[i].Title, u"処理の中断");
        EXPECT_EQ(view.Boxes[i].Text, u"処理を中断します。よろしいですか？");
    }
    // Two files were scanned; their links were never verified.
    EXPECT_EQ(Log(uR"(C:\logs\site.txt)"),
              kHead +
                  u"◆ /a.htm\r\n\r\n"
                  u"  【1 行目】 <a> タグの href 属性値 \"b.htm\" (→ C:\\site\\b.htm)\r\n"
                  u"    途中キャンセルされたため、未チェック。\r\n\r\n"
                  u"◆ /b.htm\r\n\r\n"
                  u"  【1 行目】 <a> タグの href 属性値 \"c.htm\" (→ C:\\site\\c.htm)\r\n"
                  u"    途中キャンセルされたため、未チェック。\r\n\r\n"
                  u"\r\n（チェックは途中で中止されました。中止までに調べた分だけを記録しています）");
    EXPECT_TRUE(run.FileTable[2].Path.empty());
    EXPECT_TRUE(run.LastRunInterrupted);
    EXPECT_EQ(view.Boxes[2].Text,
              u"チェックを中止しました。\r\n中止までに調べた範囲には、警告すべき点はありません。");
}

// A stopped run never reads as a clean one, whether or not it found warnings before the stop.
TEST_F(CheckRunTest, StoppedRunsSayTheyWereStopped) {
    fs.AddFile(uR"(C:\site\a.htm)", "<a href=\"gone.htm\">b</a><a href=\"b.htm\">b</a>");
    fs.AddFile(uR"(C:\site\b.htm)", "<a href=\"a.htm\">a</a>");
    sets[0].AlertIgnoredFile = 0;
    request.VerifyWorkers = 0;  // one yield per verified file, not per batch
    struct Case {
        int stop_at;  // the yield at which the button is clicked
        std::u16string closing, box;
    };
    const std::u16string stopped = u"（チェックは途中で中止されました。中止までに調べた分だけを記録しています）";
    const Case cases[] = {
        // Before the second file's scan: nothing was verified.
        {2, u"\r\n" + stopped, u"チェックを中止しました。\r\n中止までに調べた範囲には、警告すべき点はありません。"},
        // Before the first file's verification.
        {3, u"\r\n" + stopped, u"チェックを中止しました。\r\n中止までに調べた範囲には、警告すべき点はありません。"},
        // Before the second file's verification: the first file's warning is there.
        {4, u"  対処法を読むことができます。）\r\n\r\n" + stopped,
         u"チェックを中止しました。\r\n1 件の警告があります。\r\n\r\nログを表示しますか？"},
        // Never: the whole run.
        {0, u"  対処法を読むことができます。）\r\n",
         u"チェックを終了しました。\r\n1 件の警告があります。\r\n\r\nログを表示しますか？"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stop_at);
        view = ScriptedRunView();
        view.OnYield = [&](int n) {
            if (n == c.stop_at) run.cmdExecute_Click();
        };
        view.Answers = {BoxAnswer::Yes, BoxAnswer::No};
        run.cmdExecute_Click(request);
        const std::u16string log = Log(uR"(C:\logs\site.txt)");
        EXPECT_TRUE(log.ends_with(c.closing));
        EXPECT_EQ(log.find(u"（警告すべき点はありません）"), log.npos);
        EXPECT_EQ(run.LastRunInterrupted, c.stop_at != 0);
        ASSERT_FALSE(view.Boxes.empty());
        EXPECT_EQ(view.Boxes.back().Text, c.box);
    }
}

TEST_F(CheckRunTest, StatesOfARunAndItsCancelRequests) {
    using app::RunState;
    fs.AddFile(uR"(C:\site\a.htm)", "<a href=\"b.htm\">b</a>");
    fs.AddFile(uR"(C:\site\b.htm)", "<a href=\"a.htm\">a</a>");
    // Yields 1-2 scan, 3-4 verify. A click in the scan is refused (No): the scan goes on. A click
    // of the button with a request while the run goes on only asks it to stop, and a Yes during
    // verification ends it there; the log is still written.
    std::vector<RunState> seen;
    view.OnYield = [&](int n) {
        seen.push_back(run.State());
        if (n == 1) {
            run.cmdExecute_Click();
            seen.push_back(run.State());
            EXPECT_FALSE(run.Running());
        }
        if (n == 3) run.cmdExecute_Click(request);
    };
    view.Answers = {BoxAnswer::No, BoxAnswer::Yes, BoxAnswer::No};
    run.cmdExecute_Click(request);
    const std::vector<RunState> expected = {RunState::Scanning, RunState::CancelRequested,
                                            RunState::Scanning, RunState::Verifying};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(view.Yields, 3);
    ASSERT_EQ(view.Boxes.size(), 3u);
    EXPECT_EQ(view.Boxes[0].Icon, BoxIcon::Question);
    EXPECT_EQ(view.Boxes[1].Icon, BoxIcon::Question);
    EXPECT_EQ(view.Boxes[2].Icon, BoxIcon::Information);
    EXPECT_EQ(run.State(), RunState::Idle);
    EXPECT_EQ(run.LastWarningCount, 2);  // no link was verified, so both pages count unlinked
    // A click once the run has ended does not count as a stop for the next one.
    run.cmdExecute_Click();
    EXPECT_EQ(run.State(), RunState::Idle);
}

TEST_F(CheckRunTest, NoCandidateFilesKeepsTheSearchResult) {
    // An empty site, and a search that fails, give the same message; only the search's own
    // result tells them apart.
    fs.AddDirectory(uR"(C:\site)");
    run.cmdExecute_Click(request);
    ASSERT_EQ(view.Boxes.size(), 1u);
    EXPECT_EQ(view.Boxes[0].Text, u"チェック対象となりうるファイルがありません。");
    EXPECT_EQ(run.FindResult, 0);

    CheckSet gone = sets[0];
    gone.LocalPath = uR"(C:\gone\)";
    StringList found;
    PathList::PathEntries paths;
    std::int32_t find_result = 0;
    EXPECT_EQ(app::SearchFiles(gone, found, paths, find_result), app::SearchResult::NoFiles);
    EXPECT_EQ(find_result, -2);
}

TEST_F(CheckRunTest, NumberedLogsAndOpening) {
    struct RecordingShell : platform::Shell {
        std::u16string opened;
        bool Open(std::u16string_view file, std::u16string_view) override {
            opened = file;
            return true;
        }
    } shell;
    platform::ScopedShell use_shell(shell);
    fs.AddFile(uR"(C:\site\index.htm)",
               "<a href=\"1.htm\"></a><a href=\"2.htm\"></a><img src=3.gif>");
    fs.AddFile(uR"(C:\logs\site_000.txt)", "");
    options.LogFileIncrement = 1;
    sets[0].AlertIgnoredFile = 0;
    view.Answers = {BoxAnswer::Yes};
    run.cmdExecute_Click(request);
    EXPECT_EQ(run.LastLogPath, uR"(C:\logs\site_001.txt)");
    EXPECT_EQ(view.Boxes.back().Text,
              u"チェックを終了しました。\r\n3 件の警告があります。\r\n\r\nログを表示しますか？");
    EXPECT_EQ(shell.opened, uR"(C:\logs\site_001.txt)");
}

TEST_F(CheckRunTest, LogDirectoryMissing) {
    fs.AddFile(uR"(C:\site\index.htm)", "");
    options.LogFileDirectory = uR"(C:\nowhere\)";
    run.cmdExecute_Click(request);
    ASSERT_EQ(view.Boxes.size(), 1u);
    EXPECT_EQ(view.Boxes[0].Text, u"ログの作成時にエラーが発生しました。");
    EXPECT_TRUE(view.ControlsEnabled);
}

TEST_F(CheckRunTest, RemoteOnlySkipsVerification) {
    fs.AddFile(uR"(C:\site\index.htm)", "<a href=\"missing.htm\">x</a><a href=\"http://h/\">r</a>");
    request.LocalCheck = 0;
    request.RemoteCheck = 1;
    run.cmdExecute_Click(request);
    const std::u16string log = Log(uR"(C:\logs\site.txt)");
    EXPECT_EQ(log.find(u"[41]"), log.npos);
    EXPECT_EQ(log.find(u"[3]"), log.npos);  // no unlinked-file check either
    EXPECT_NE(log.find(u"属性値 \"http://h/\"\r\n    途中キャンセルされたため、未チェック。"),
              log.npos);
}

TEST(ProgressPercent, RoundsHalfToEven) {
    EXPECT_EQ(app::ProgressPercent(1, 200, 1, 2), 0);  // 0.5
    EXPECT_EQ(app::ProgressPercent(3, 200, 1, 2), 2);  // 1.5
    EXPECT_EQ(app::ProgressPercent(5, 200, 1, 2), 2);  // 2.5
    EXPECT_EQ(app::ProgressPercent(200, 200, 2, 2), 100);
    EXPECT_EQ(app::ProgressPercent(0, 0, 1, 4), 25);  // empty files: by count
    EXPECT_EQ(app::ProgressPercent(INT64_MAX / 2, INT64_MAX, 1, 2), 50);
}

TEST_F(CheckRunTest, BaseDirectoryVanishesDuringTheRun) {
    fs.AddFile(uR"(C:\site\a.htm)", "<a href=\"b.htm\">b</a>");
    fs.AddFile(uR"(C:\site\b.htm)", "<a href=\"a.htm\">a</a>");
    request.ScanWorkers = 0;  // the files vanish between two yields, so no scanning ahead
    view.OnYield = [&](int n) {
        if (n == 2) fs.RemoveEntry(uR"(C:\site)");
    };
    run.cmdExecute_Click(request);
    // The second file cannot be read any more, and the first one's link now leads nowhere.
    const std::u16string log = Log(uR"(C:\logs\site.txt)");
    EXPECT_NE(log.find(u"◆ /b.htm\r\n\r\n  ファイルの読み込みに失敗しました。 [1]\r\n"), log.npos);
    EXPECT_NE(log.find(u"    リンク先のファイルが見つかりません。 [41]\r\n"), log.npos);
    EXPECT_EQ(view.Boxes.back().Title, u"チェック終了");
}

TEST_F(CheckRunTest, LogDirectoryNotWritable) {
    fs.AddFile(uR"(C:\site\index.htm)", "");
    fs.AddDirectory(uR"(C:\logs)", platform::kReadOnly);
    run.cmdExecute_Click(request);
    ASSERT_EQ(view.Boxes.size(), 1u);
    EXPECT_EQ(view.Boxes[0].Icon, BoxIcon::Exclamation);
    EXPECT_EQ(view.Boxes[0].Text, u"ログの作成時にエラーが発生しました。");
}

TEST(CheckRunOnDisk, SmallSiteInATemporaryDirectory) {
    HtmlLink::BuildLinkTagTable();
    testutil::TempDir dir;
    dir.Write("site/index.htm", "<a href=\"Sub/\">sub</a>\r\n<a href=\"gone.htm#x\">x</a>");
    dir.Write("site/sub/index.html",
              "\x93\xfa\x96\x7b<a href=\"../index.htm\">top</a>");  // Shift_JIS
    dir.MakeDir("logs");
    CheckSet s = NewCheckSet();
    s.Name = u"disk";
    s.LocalPath = dir.Drive() + u"site";
    s.Url.clear();
    CheckSets sets{s};
    Settings options;
    options.LogFileDirectory = dir.Drive() + uR"(logs\)";
    options.LogType = 2;
    app::RunRequest request;
    request.Sets = &sets;
    request.Options = &options;
    request.SelectedIndex = 0;
    request.LogDateTime = u"01-02-2027 03:04:05";
    ScriptedRunView view;
    app::CheckRun run(view);
    run.cmdExecute_Click(request);

    std::string bytes;
    ASSERT_TRUE(platform::HostFs().ReadFile(dir.Drive() + uR"(logs\disk.txt)", bytes));
    const std::u16string site = dir.Drive() + u"site";
    // 'Sub/' reaches 'sub\index.html' on a file system that keeps letter case: reported.
    EXPECT_EQ(platform::Cp932ToUtf16(bytes),
              u"Mokuroku (Version 1.00) チェック結果\r\n\r\n"
              u"チェックセット名\tdisk\r\n基準ディレクトリ\t" +
                  site +
                  u"\r\n"
                  u"日時\t01-02-2027 03:04:05\r\n\r\n"
                  u"ファイル名\t行数\tタグ名\t属性名\t属性値\tリンク先\t警告 ID\t警告内容\r\n"
                  u"/index.htm\t1\ta\thref\t\"Sub/\"\t" +
                  site + uR"(\Sub\index.html)" +
                  u"\t43\tファイル名の大文字／小文字が一致しません。\r\n"
                  u"/index.htm\t2\ta\thref\t\"gone.htm#x\"\t" +
                  site + uR"(\gone.htm#x)" + u"\t41\tリンク先のファイルが見つかりません。\r\n" +
                  kClosing);
    EXPECT_EQ(view.Boxes.back().Text,
              u"チェックを終了しました。\r\n2 件の警告があります。\r\n\r\nログを表示しますか？");
}

TEST_F(CheckRunTest, OneOrSeveralVerifyingThreadsWriteTheSameLog) {
    // Links across many pages, to anchors that exist, are missing or twice, to missing files
    // and directories; pages and anchors that nothing links to. The counts of links from the
    // threads must add up to what one thread counts, whichever thread took which page.
    const int pages = 240;
    for (int k = 0; k < pages; ++k) {
        const std::string n = std::to_string(k);
        std::string html = "<a name=\"a0\">x</a><a id=\"a1\">y</a><a name=\"a" +
                           std::to_string(2 + k % 3) + "\">z</a>\r\n";
        if (k % 10 == 0) html += "<a name=\"a2\">twice</a>\r\n";
        html += "<a href=\"p" + std::to_string((k * 7 + 2) % pages / 2 * 2) + ".htm#a" +
                std::to_string(k % 5) + "\">t</a>\r\n";
        html += "<a href=\"p" + std::to_string((k + 2) % pages / 2 * 2) + ".htm\">n</a>\r\n";
        if (k % 2 == 0) html += "<a href=\"#a1\">self</a>";
        html += "<a href=\"gone" + std::to_string(k % 3) + ".htm\">g</a>\r\n";
        html += "<a href=\"d" + std::to_string(k % 4) + "/\">d</a><a href=\"P" +
                std::to_string(k / 2 * 2) + ".HTM\">c</a>\r\n";
        fs.AddFile(u"C:\\site\\p" + std::u16string(n.begin(), n.end()) + u".htm", html);
    }
    fs.AddFile(uR"(C:\site\d0\index.htm)", "<a href=\"../p0.htm#a9\">up</a>");
    fs.AddDirectory(uR"(C:\site\d1)");
    sets[0].AlertIgnoredFile = 1;
    sets[0].AlertIgnoredNameAnchor = 1;
    sets[0].AlertIgnoredIdAnchor = 1;
    options.FileNameCaseSensitive = 1;

    request.VerifyWorkers = 0;
    run.cmdExecute_Click(request);
    const std::u16string alone = Log(uR"(C:\logs\site.txt)");
    // Pages and anchors nothing links to, missing files and anchors, letter case: all there.
    for (const std::u16string_view number : {u"[3]", u"[41]", u"[43]", u"[49]", u"[64]"})
        EXPECT_NE(alone.find(number), alone.npos) << number.size();
    EXPECT_GT(run.LastWarningCount, pages);
    const std::int32_t warnings = run.LastWarningCount;
    // A window's loop leaves the files to its helpers, one for each core by default. Links
    // verified grouped by target, as a big site's are, come to the same.
    struct Run {
        bool window;
        int workers;
        bool by_target;
    };
    const Run runs[] = {{false, 1, false}, {false, 1, false}, {false, 1, false}, {false, 3, false},
                        {true, -1, false}, {true, 1, false},  {true, 3, false},  {false, 0, true},
                        {false, 1, true},  {false, 3, true},  {true, -1, true},  {true, 3, true}};
    const std::size_t by_page = request.TargetOrderFiles;
    for (const auto& [window, workers, by_target] : runs) {
        SCOPED_TRACE(testing::Message() << window << " " << workers << " " << by_target);
        view.YieldWhileBusy = window;
        request.VerifyWorkers = workers;
        request.TargetOrderFiles = by_target ? 0 : by_page;
        run.cmdExecute_Click(request);
        EXPECT_EQ(run.LastWarningCount, warnings);
        EXPECT_EQ(Log(uR"(C:\logs\site.txt)"), alone);
    }
}

TEST_F(CheckRunTest, AWindowYieldsWhileTheSearchAndTheLogWaitForTheDisk) {
    fs.AddFile(uR"(C:\site\index.htm)", "<a href=\"sub/\">d</a> <a href=\"gone.htm\">x</a>");
    fs.AddFile(uR"(C:\site\sub\page.htm)", "<a href=\"../index.htm#top\">up</a>");
    run.cmdExecute_Click(request);
    const std::u16string alone = Log(uR"(C:\logs\site.txt)");

    // The listings of the search and the writing of the log go on only after a yield, which
    // comes only while they run on another thread.
    testutil::HeldFileSystem held(fs);
    platform::ScopedFileSystem use_held(held);
    ScriptedRunView window;
    window.YieldWhileBusy = true;
    app::CheckRun windowed(window);
    std::vector<app::RunState> resumed_in;
    window.OnYield = [&](int) {
        if (windowed.State() == app::RunState::Scanning) held.Hold(false, true);
        if (held.Resume()) resumed_in.push_back(windowed.State());
    };
    held.Hold(true, false);
    windowed.cmdExecute_Click(request);
    EXPECT_EQ(held.GaveUp(), 0);
    ASSERT_FALSE(resumed_in.empty());
    EXPECT_EQ(resumed_in.front(), app::RunState::Searching);
    EXPECT_EQ(resumed_in.back(), app::RunState::Writing);
    // Nothing else differs from a run without a window.
    EXPECT_EQ(Log(uR"(C:\logs\site.txt)"), alone);
    EXPECT_EQ(window.Titles, view.Titles);
    EXPECT_EQ(window.Boxes.size(), view.Boxes.size());
    EXPECT_EQ(window.Boxes.back().Text, view.Boxes.back().Text);
    EXPECT_TRUE(window.ControlsEnabled && window.ExecuteEnabled);
    EXPECT_EQ(windowed.State(), app::RunState::Idle);
}

// A window's loop leaves every page to the scanning threads and yields while they read: a read
// held until the next yield would otherwise hold the loop, as a page of hundreds of megabytes
// would, and give up after its wait.
TEST_F(CheckRunTest, AWindowYieldsWhileItsPagesAreRead) {
    for (char c = 'a'; c <= 'f'; ++c)
        fs.AddFile(uR"(C:\site\)" + std::u16string(1, c) + u".htm",
                   "<a href=\"a.htm#top\">x</a> <a href=\"gone.htm\">y</a>");
    run.cmdExecute_Click(request);
    const std::u16string alone = Log(uR"(C:\logs\site.txt)");

    testutil::HeldFileSystem held(fs);
    platform::ScopedFileSystem use_held(held);
    for (const int workers : {-1, 1, 2}) {
        SCOPED_TRACE(workers);
        ScriptedRunView window;
        window.YieldWhileBusy = true;
        app::CheckRun windowed(window);
        int resumed = 0;
        window.OnYield = [&](int) {
            if (windowed.State() == app::RunState::Scanning && held.Resume()) ++resumed;
        };
        request.ScanWorkers = workers;
        held.Hold(false, false, true);
        windowed.cmdExecute_Click(request);
        held.Hold(false, false, false);
        EXPECT_EQ(held.GaveUp(), 0);
        EXPECT_GT(resumed, 0);
        EXPECT_EQ(Log(uR"(C:\logs\site.txt)"), alone);
        EXPECT_EQ(windowed.State(), app::RunState::Idle);
    }
}

// Grouped by target, a stop leaves whole groups unverified: the links to one path are all
// verified, or none is.
TEST_F(CheckRunTest, AStopDuringVerificationByTargetKeepsEachPathWhole) {
    for (int k = 0; k < 40; ++k) {
        const std::string gone = "gone" + std::to_string(k % 20) + ".htm";
        fs.AddFile(u"C:\\site\\p" + platform::Cp932ToUtf16(std::to_string(k)) + u".htm",
                   "<a href=\"" + gone + "\">x</a>\r\n<a href=\"" + gone + "#a\">y</a>");
    }
    request.TargetOrderFiles = 0;
    request.VerifyWorkers = 0;
    // The loop yields before each group; the stop comes halfway through them.
    int verifying = 0, stop_at = 0;
    view.OnYield = [&](int) {
        if (run.State() == app::RunState::Verifying && ++verifying == stop_at)
            run.cmdExecute_Click();
    };
    run.cmdExecute_Click(request);
    ASSERT_FALSE(run.LastRunInterrupted);
    stop_at = verifying / 2;
    verifying = 0;
    view.Answers = {BoxAnswer::Yes, BoxAnswer::No};
    run.cmdExecute_Click(request);
    EXPECT_TRUE(run.LastRunInterrupted);
    const std::u16string log = Log(uR"(C:\logs\site.txt)");
    int unverified = 0;
    for (int j = 0; j < 20; ++j) {
        const std::u16string gone = u"gone" + platform::Cp932ToUtf16(std::to_string(j)) + u".htm";
        int n = 0;
        for (std::size_t at = log.find(u"未チェック"); at != log.npos;
             at = log.find(u"未チェック", at + 1)) {
            // The warning's line follows the link's.
            const std::size_t link = log.rfind(u"\r\n", log.rfind(u"\r\n", at) - 1);
            const std::u16string_view text(log.data() + link, at - link);
            if (text.find(u"\"" + gone) != text.npos) ++n;
        }
        EXPECT_TRUE(n == 0 || n == 4) << j << " " << n;
        unverified += n;
    }
    EXPECT_GT(unverified, 0) << platform::ToUtf8(log);
    EXPECT_LT(unverified, 80) << platform::ToUtf8(log);
}

// A window's loop only hands out batches of files; a stop still leaves exactly the handed-out
// files verified, as many as without a window, however the helpers ran.
TEST_F(CheckRunTest, AWindowStoppedDuringVerificationKeepsTheReleasedFiles) {
    for (int k = 0; k < 40; ++k)
        fs.AddFile(u"C:\\site\\p" + platform::Cp932ToUtf16(std::to_string(k)) + u".htm",
                   "<a href=\"gone.htm\">x</a>");
    const auto unverified = [&] {
        const std::u16string log = Log(uR"(C:\logs\site.txt)");
        int n = 0;
        for (std::size_t at = log.find(u"未チェック"); at != log.npos;
             at = log.find(u"未チェック", at + 1))
            ++n;
        return n;
    };
    struct Case {
        bool window;
        int workers;
        int stop_at;  // the verification's yield at which the button is clicked; 0 never
        int unverified;
    };
    const Case cases[] = {
        {true, 2, 1, 40}, {true, 2, 2, 8}, {true, -1, 2, 8}, {true, 1, 0, 0}, {false, 1, 2, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.window << " " << c.workers << " " << c.stop_at);
        view = ScriptedRunView();
        view.YieldWhileBusy = c.window;
        request.VerifyWorkers = c.workers;
        int verifying = 0;
        view.OnYield = [&](int) {
            if (run.State() == app::RunState::Verifying && ++verifying == c.stop_at)
                run.cmdExecute_Click();
        };
        view.Answers = {BoxAnswer::Yes, BoxAnswer::No};
        run.cmdExecute_Click(request);
        EXPECT_EQ(run.LastRunInterrupted, c.stop_at != 0);
        EXPECT_EQ(unverified(), c.unverified);
    }
}
