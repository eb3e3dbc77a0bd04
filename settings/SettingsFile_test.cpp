#include "settings/SettingsFile.h"

#include <gtest/gtest.h>

#include "lib/Convert.h"
#include "platform/Cp932.h"
#include "platform/MemoryFileSystem.h"
#include "platform/Program.h"
#include "platform/Text.h"
#include "testutil/ScopedEnv.h"

namespace {

constexpr std::u16string_view kIni = uR"(C:\prog\mokuroku.ini)";

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs_.AddDirectory(uR"(C:\prog)");
        platform::SetProgramDirectory(uR"(C:\prog\)");
    }
    void TearDown() override { platform::SetProgramDirectory(u""); }

    void PutFile(std::u16string_view text) { fs_.AddFile(kIni, platform::Utf16ToCp932(text)); }
    std::string Bytes() {
        std::string b;
        fs_.Contents(kIni, b);
        return b;
    }
    void Load() {
        sets_ = CheckSets(1);
        settings_ = Settings{};
        window_ = MainWindowState{};
        LoadSettings(kIni, sets_, settings_, window_);
    }

    platform::MemoryFileSystem fs_;
    platform::ScopedFileSystem use_{fs_};
    CheckSets sets_;
    Settings settings_;
    MainWindowState window_;
};

CheckSet FullCheckSet(std::u16string name, int seed) {
    CheckSet s;
    s.Name = std::move(name);
    s.LocalPath = uR"(C:\site\)" + s.Name;
    s.Url = u"http://example.com/" + s.Name + u"/";
    s.DefaultDocument = {u"index.html", u"", u"default.htm"};
    s.HtmlFilePattern = {u"*.htm", u"*.shtml"};
    s.HtmlFileLikePattern = {u"*.[Hh][Tt][Mm]", u"*.[Ss][Hh][Tt][Mm][Ll]"};
    std::uint8_t* flags[] = {
        &s.AllowBackSlash,      &s.AllowLocalFullPath,     &s.CheckMailTo,
        &s.CheckBaseDirOver,    &s.AlertDirListing,        &s.StrictAnchorDescription,
        &s.AlertIgnoredFile,    &s.AlertIgnoredNameAnchor, &s.AlertIgnoredIdAnchor,
        &s.FilePatternXEnabled, &s.DirPatternXEnabled,     &s.ModernHtml};
    for (std::size_t i = 0; i < std::size(flags); ++i) *flags[i] = (i + seed) % 2;
    s.FileAttribute = 7;
    s.DirAttribute = static_cast<std::uint8_t>(seed);
    s.FilePatternX = {u"*.bak", u"*.log", u"~*"};
    s.DirPatternX = {u"_private", u"cgi-bin"};
    return s;
}

TEST_F(SettingsFileTest, RoundTripKeepsEveryField) {
    const CheckSets saved = {FullCheckSet(u"チェック セット 1", 0), FullCheckSet(u"b", 1),
                             FullCheckSet(u"a-b", 2)};
    Settings s;
    s.SetId = 2;
    s.LogFileDirectory = uR"(C:\logs\)";
    s.LogFileIncrement = 1;
    s.LogType = 2;
    s.AlwaysLogRemoteLink = 1;
    s.TrimLogPath = 0;
    s.UseSlashLogPath = 0;
    s.FileNameCaseSensitive = 0;
    MainWindowState w;
    w.WindowTop = -120;
    w.WindowLeft = 3000;
    w.LocalCheck = 0;
    w.RemoteCheck = 1;
    ASSERT_TRUE(SaveSettings(kIni, saved, s, w));
    EXPECT_FALSE(Bytes().starts_with("\xEF\xBB\xBF"));

    Load();
    ASSERT_EQ(sets_.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(sets_[i] == saved[i]);
    }
    EXPECT_EQ(window_.TargetSets,
              (std::vector<std::u16string>{u"チェック セット 1", u"b", u"a-b"}));
    EXPECT_EQ(window_.SelectedSet, 2);
    EXPECT_TRUE(window_.EditDeleteEnabled);
    EXPECT_EQ(window_.WindowTop, -120);
    EXPECT_EQ(window_.WindowLeft, 3000);
    EXPECT_EQ(window_.LocalCheck, 0);
    EXPECT_EQ(window_.RemoteCheck, 1);
    EXPECT_EQ(settings_.SetId, 2);
    EXPECT_EQ(settings_.LogFileDirectory, uR"(C:\logs\)");
    EXPECT_EQ(settings_.LogFileIncrement, 1);
    EXPECT_EQ(settings_.LogType, 2);
    EXPECT_EQ(settings_.AlwaysLogRemoteLink, 1);
    EXPECT_EQ(settings_.TrimLogPath, 0);
    EXPECT_EQ(settings_.UseSlashLogPath, 0);
    EXPECT_EQ(settings_.FileNameCaseSensitive, 0);
}

TEST_F(SettingsFileTest, SavedTextIsExact) {
    CheckSet a = NewCheckSet();
    a.Name = u"サイト";
    a.LocalPath = uR"(C:\site)";
    Settings s;
    s.LogFileDirectory = uR"(C:\prog\)";
    MainWindowState w;
    w.Normal = false;  // maximised: the last normal position is what is kept
    w.WindowTop = 0;
    w.WindowLeft = 0;
    w.LastNormalTop = 1500;
    w.LastNormalLeft = 2400;
    // The entry after an empty name is never written.
    const CheckSets sets = {a, CheckSet{}, FullCheckSet(u"lost", 0)};
    ASSERT_TRUE(SaveSettings(kIni, sets, s, w));
    const std::u16string expected =
        u"[Settings]\r\n"
        u"WindowTop=1500\r\nWindowLeft=2400\r\nSetId=0\r\nLocalCheck=1\r\nRemoteCheck=0\r\n"
        uR"(LogFileDirectory=C:\prog\)"
        u"\r\nLogFileIncrement=0\r\nLogType=0\r\nAlwaysLogRemoteLink=0\r\nTrimLogPath=1\r\n"
        u"UseSlashLogPath=1\r\nFileNameCaseSensitive=1\r\n"
        u"\r\n"
        u"[Check Set - サイト]\r\n"
        uR"(LocalPath=C:\site)"
        u"\r\nUrl=http://\r\nDefaultDocument=index.html\r\nHtmlFilePattern=*.*htm*\r\n"
        u"AllowBackSlash=0\r\nAllowLocalFullPath=0\r\nCheckMailTo=1\r\nCheckBaseDirOver=1\r\n"
        u"AlertDirListing=1\r\nStrictAnchorDescription=0\r\nAlertIgnoredFile=1\r\n"
        u"AlertIgnoredNameAnchor=0\r\nAlertIgnoredIdAnchor=0\r\nFileAttribute=1\r\n"
        u"FilePatternXEnabled=1\r\nFilePatternX=*.bak;*.log\r\nDirAttribute=1\r\n"
        u"DirPatternXEnabled=0\r\nDirPatternX=\r\nModernHtml=1\r\n"
        u"\r\n";
    EXPECT_EQ(platform::Cp932ToUtf16(Bytes()), expected);
    EXPECT_EQ(Bytes(), platform::Utf16ToCp932(expected));
}

TEST_F(SettingsFileTest, SectionNames) {
    PutFile(
        u"[Settings]\r\nAlwaysLogRemoteLink=0\r\nFileNameCaseSensitive=1\r\n"
        u"[Check Set - a-b]\r\nLocalPath=C:\\ab\r\n"
        u"[check set - x]\r\nLocalPath=C:\\x\r\nUrl=http://x/\r\n"
        u"[Check Set]\r\nUrl=http://cs/\r\n"
        u"  [ Check Set -   spaced  ]  \r\n"
        u"[Other]\r\nLocalPath=C:\\other\r\n");
    Load();
    EXPECT_EQ(window_.TargetSets, (std::vector<std::u16string>{u"a-b", u"Check Set", u"spaced"}));
    ASSERT_EQ(sets_.size(), 3u);
    EXPECT_EQ(sets_[0].LocalPath, uR"(C:\ab)");  // the lower-case section's keys went nowhere
    EXPECT_EQ(sets_[0].Url, u"");
    EXPECT_EQ(sets_[1].Url, u"http://cs/");
    EXPECT_EQ(sets_[2].LocalPath, u"");
}

TEST_F(SettingsFileTest, ValuesAsRead) {
    PutFile(
        u"[Settings]\r\nAlwaysLogRemoteLink=0\r\nFileNameCaseSensitive=1\r\n"
        u"[Check Set - two]\r\n"
        u"HtmlFilePattern=*.htm;*.html\r\n"
        u"LocalPath=C:\\site,old\r\n"  // kept whole, comma and all
        u"   Url = http://h/a,b \r\n"  // leading blanks of the line skipped; value kept as is
        u"[Check Set - empty]\r\n"
        u"HtmlFilePattern=\r\n"
        u"DefaultDocument=;a;\r\n"
        u"LocalPath=/home/u/site\r\n"
        u"UnknownKey=1\r\n"
        u"\"quoted\r\n");
    Load();
    ASSERT_EQ(sets_.size(), 2u);
    EXPECT_EQ(sets_[0].HtmlFilePattern, (StringList{u"*.htm", u"*.html"}));
    EXPECT_EQ(sets_[0].HtmlFileLikePattern, (StringList{u"*.[Hh][Tt][Mm]", u"*.[Hh][Tt][Mm][Ll]"}));
    EXPECT_EQ(sets_[0].LocalPath, uR"(C:\site,old)");
    EXPECT_EQ(sets_[0].Url, u" http://h/a,b ");
    EXPECT_EQ(sets_[1].HtmlFilePattern, StringList{u""});
    EXPECT_EQ(sets_[1].HtmlFileLikePattern, StringList{u""});
    EXPECT_EQ(sets_[1].DefaultDocument, (StringList{u"", u"a", u""}));
    EXPECT_EQ(sets_[1].LocalPath, uR"(C:\home\u\site)");
    // Sets stored before the flag existed keep their results: it reads as off.
    EXPECT_EQ(sets_[0].ModernHtml, 0);
    EXPECT_EQ(sets_[1].ModernHtml, 0);
    EXPECT_EQ(NewCheckSet().ModernHtml, 1);
}

TEST_F(SettingsFileTest, SelectionAndLogDirectory) {
    struct Case {
        std::u16string body;
        std::int32_t set_id, selected;
        std::u16string log_dir;
    };
    const std::u16string three = u"[Check Set - a]\r\n[Check Set - b]\r\n[Check Set - c]\r\n";
    const Case cases[] = {
        {u"SetId=5\r\n" + three, 2, 2, uR"(C:\prog\)"},
        {u"SetId=-1\r\n" + three, 0, 0, uR"(C:\prog\)"},
        {u"SetId=1\r\nLogFileDirectory=\r\n" + three, 1, 1, uR"(C:\prog\)"},
        {u"SetId=7\r\nLogFileDirectory=D:\\logs\r\n", 0, -1, uR"(D:\logs\)"},
        {u"LogFileDirectory=C:\\logs\\\r\n" + three, 0, 0, uR"(C:\logs\)"},
        {u"LogFileDirectory=/var/log/site\r\n", 0, -1, uR"(C:\var\log\site\)"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        PutFile(u"[Settings]\r\nAlwaysLogRemoteLink=0\r\nFileNameCaseSensitive=1\r\n" +
                cases[i].body);
        Load();
        EXPECT_EQ(settings_.SetId, cases[i].set_id);
        EXPECT_EQ(window_.SelectedSet, cases[i].selected);
        EXPECT_EQ(settings_.LogFileDirectory, cases[i].log_dir);
    }
}

TEST_F(SettingsFileTest, BadValueStopsTheReadingAndKeepsWhatWasRead) {
    struct Case {
        const char16_t* bad_line;
    };
    const Case cases[] = {
        {u"AllowBackSlash="}, {u"FileAttribute=256"}, {u"CheckMailTo=yes"}, {u"DirAttribute=-1"}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        PutFile(std::u16string(u"[Settings]\r\nAlwaysLogRemoteLink=0\r\nFileNameCaseSensitive=1\r\n"
                               u"SetId=9\r\nLogType=1\r\n"
                               u"[Check Set - first]\r\nLocalPath=C:\\one\r\n"
                               u"[Check Set - second]\r\nLocalPath=C:\\two\r\n") +
                cases[i].bad_line + u"\r\nUrl=http://never/\r\n[Check Set - third]\r\n");
        const std::string before = Bytes();
        Load();
        EXPECT_EQ(window_.TargetSets, (std::vector<std::u16string>{u"first", u"second"}));
        EXPECT_EQ(sets_[1].LocalPath, uR"(C:\two)");
        EXPECT_EQ(sets_[1].Url, u"");
        EXPECT_EQ(settings_.LogType, 1);
        // The selection and the log directory are left as they were.
        EXPECT_EQ(settings_.SetId, 9);
        EXPECT_EQ(settings_.LogFileDirectory, u"");
        EXPECT_EQ(Bytes(), before);
    }
    PutFile(
        u"[Settings]\r\nAlwaysLogRemoteLink=0\r\nFileNameCaseSensitive=1\r\n"
        u"WindowTop=99999999999\r\nLogType=1\r\n");
    Load();
    EXPECT_EQ(settings_.LogType, 0);
}

TEST_F(SettingsFileTest, LogEncodingIsReadLenientlyAndSavedOnlyWhenChosen) {
    struct Case {
        const char16_t* line;  // empty: the key is absent
        std::uint8_t expected;
    };
    const Case cases[] = {{u"", kLogEncodingCp932},
                          {u"LogEncoding=0", kLogEncodingCp932},
                          {u"LogEncoding=1", kLogEncodingUtf8},
                          {u"LogEncoding=2", kLogEncodingInvalid},
                          {u"LogEncoding=999", kLogEncodingInvalid},
                          {u"LogEncoding=utf-8", kLogEncodingInvalid},
                          {u"LogEncoding=", kLogEncodingInvalid}};
    for (const Case& c : cases) {
        SCOPED_TRACE(platform::ToUtf8(c.line));
        PutFile(std::u16string(u"[Settings]\r\nAlwaysLogRemoteLink=0\r\nFileNameCaseSensitive=1\r\n") +
                c.line + u"\r\nLogType=2\r\n[Check Set - site]\r\nLocalPath=C:\\site\r\n");
        Load();
        EXPECT_EQ(settings_.LogEncoding, c.expected);
        // A value this release does not know costs nothing that follows it.
        EXPECT_EQ(settings_.LogType, 2);
        EXPECT_EQ(window_.TargetSets, std::vector<std::u16string>{u"site"});
    }
    for (std::uint8_t encoding : {kLogEncodingCp932, kLogEncodingUtf8, kLogEncodingInvalid}) {
        settings_.LogEncoding = encoding;
        ASSERT_TRUE(SaveSettings(kIni, sets_, settings_, window_));
        const bool written = Bytes().find("LogEncoding") != std::string::npos;
        EXPECT_EQ(written, encoding == kLogEncodingUtf8);
        if (written) {
            EXPECT_NE(Bytes().find("\r\nLogEncoding=1\r\n"), std::string::npos);
        }
    }
}

TEST_F(SettingsFileTest, OldFormatIsTakenOver) {
    PutFile(
        u"WindowLeft=120\r\nWindowTop=240\r\nDefaultPath=/home/u/site\r\n"
        u"DefaultDocument=index.htm;default.htm\r\n"
        u"[Any]\r\nCeseSensitive=1\r\nLogAppearence=1\r\nAlwaysLogRemoteLink=1\r\n");
    Load();
    ASSERT_EQ(sets_.size(), 1u);
    const CheckSet& s = sets_[0];
    EXPECT_EQ(s.Name, u"チェック セット 1");
    EXPECT_EQ(s.LocalPath, uR"(C:\home\u\site)");
    EXPECT_EQ(s.DefaultDocument, StringList{u"index.htm;default.htm"});
    EXPECT_EQ(s.Url, u"");
    EXPECT_EQ(s.HtmlFilePattern, StringList{u"*.*htm*"});
    EXPECT_EQ(s.HtmlFileLikePattern, StringList{u"*.*[Hh][Tt][Mm]*"});
    EXPECT_EQ(s.FilePatternX, (StringList{u"*.bak", u"*.log"}));
    EXPECT_EQ(s.DirPatternX, StringList{u""});
    EXPECT_EQ(s.FileAttribute, 1);
    EXPECT_EQ(s.DirAttribute, 1);
    EXPECT_EQ(s.FilePatternXEnabled, 1);
    EXPECT_EQ(s.DirPatternXEnabled, 0);
    EXPECT_EQ(s.CheckMailTo + s.CheckBaseDirOver + s.AlertDirListing + s.AlertIgnoredFile, 4);
    EXPECT_EQ(s.AllowBackSlash + s.AllowLocalFullPath + s.StrictAnchorDescription +
                  s.AlertIgnoredNameAnchor + s.AlertIgnoredIdAnchor,
              0);
    EXPECT_EQ(settings_.FileNameCaseSensitive, 0);
    EXPECT_EQ(settings_.TrimLogPath, 0);
    EXPECT_EQ(settings_.UseSlashLogPath, 0);
    EXPECT_EQ(window_.WindowLeft, 120);
    EXPECT_EQ(window_.WindowTop, 240);
    EXPECT_EQ(window_.TargetSets, std::vector<std::u16string>{u"チェック セット 1"});
    EXPECT_EQ(window_.SelectedSet, 0);
    EXPECT_TRUE(window_.EditDeleteEnabled);

    PutFile(u"CeseSensitive=0\r\nLogAppearence=0\r\n");
    Load();
    EXPECT_EQ(settings_.FileNameCaseSensitive, 1);
    EXPECT_EQ(settings_.TrimLogPath, 1);
    EXPECT_EQ(settings_.UseSlashLogPath, 1);
    EXPECT_EQ(sets_[0].DefaultDocument, StringList{u""});
}

TEST_F(SettingsFileTest, MigrationResults) {
    CheckSets sets(1);
    Settings settings;
    MainWindowState window;
    EXPECT_EQ(MigrateOldSettings(kIni, sets, settings, window), MigrateResult::Unreadable);
    PutFile(u"FileNameCaseSensitive=1\r\nAlwaysLogRemoteLink=0\r\n");
    EXPECT_EQ(MigrateOldSettings(kIni, sets, settings, window), MigrateResult::Current);
    EXPECT_TRUE(window.TargetSets.empty());
    PutFile(u"WindowTop=x\r\n");
    EXPECT_EQ(MigrateOldSettings(kIni, sets, settings, window), MigrateResult::Unreadable);
    fs_.FailReads(kIni);
    EXPECT_EQ(MigrateOldSettings(kIni, sets, settings, window), MigrateResult::Unreadable);
}

TEST_F(SettingsFileTest, LoadSaysWhetherTheFileWasThereAndReadable) {
    auto load = [this](std::u16string_view path) {
        sets_ = CheckSets(1);
        settings_ = Settings{};
        window_ = MainWindowState{};
        return LoadSettings(path, sets_, settings_, window_);
    };
    EXPECT_EQ(load(kIni), LoadResult::Missing);
    EXPECT_EQ(load(uR"(C:\prog)"), LoadResult::Unreadable);  // a directory
    PutFile(u"[Settings]\r\nAlwaysLogRemoteLink=0\r\nFileNameCaseSensitive=1\r\nSetId=x\r\n");
    EXPECT_EQ(load(kIni), LoadResult::Loaded);  // a bad value only ends the reading
    PutFile(u"DefaultPath=C:\\old\r\n");
    EXPECT_EQ(load(kIni), LoadResult::Loaded);  // an old file taken over
    fs_.FailReads(kIni);
    EXPECT_EQ(load(kIni), LoadResult::Unreadable);
    EXPECT_TRUE(window_.TargetSets.empty());
    EXPECT_EQ(sets_.size(), 1u);
}

TEST_F(SettingsFileTest, HalfMigratedFileKeepsListAndTableInStep) {
    PutFile(u"DefaultPath=C:\\old\r\nWindowTop=bad\r\n[Check Set - a]\r\n[Check Set - b]\r\n");
    Load();
    ASSERT_EQ(window_.TargetSets.size(), sets_.size());
    EXPECT_EQ(sets_[0].LocalPath, uR"(C:\old)");
}

TEST_F(SettingsFileTest, BadFilesNeverCrashNorChange) {
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7919) & 0xFF);
    struct Case {
        std::string bytes;
        std::size_t sets;  // entries in the list of check sets
    };
    const Case cases[] = {
        {binary, 1},  // mentions neither key: taken for an old file
        {"", 1},
        {std::string("\0\0\0", 3), 1},
        {platform::Utf16ToCp932(
             u"[Settings]\r\nAlwaysLogRemoteLink=0\r\nFileNameCaseSensitive=1\r\n"
             u"[Check Set - a]\r\nLocalPath=C:\\a\r\n[Check Set - b]\r\nLocalPa"),
         2},
        {platform::Utf16ToCp932(
             u"[Settings]\r\nAlwaysLogRemoteLink=0\r\nFileNameCaseSensitive=1\r\n"
             u"[Check Set - a"),
         1},
        {"\xEF\xBB\xBF[Settings]\nAlwaysLogRemoteLink=0\rFileNameCaseSensitive=1\n[Check Set - "
         "\xFF]",
         1},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        fs_.AddFile(kIni, cases[i].bytes);
        Load();
        EXPECT_EQ(window_.TargetSets.size(), cases[i].sets);
        EXPECT_LE(window_.TargetSets.size(), sets_.size());
        EXPECT_EQ(Bytes(), cases[i].bytes);
    }
    fs_.RemoveEntry(kIni);
    Load();
    EXPECT_TRUE(window_.TargetSets.empty());
    ASSERT_EQ(sets_.size(), 1u);
    EXPECT_EQ(sets_[0].Name, u"");
    EXPECT_EQ(settings_.LogFileDirectory, u"");
    EXPECT_EQ(window_.LocalCheck, 1);
}

// How fast they load is measured by bench/bench_settings.
TEST_F(SettingsFileTest, TenThousandCheckSets) {
    CheckSets many;
    for (int i = 0; i < 10000; ++i) many.push_back(FullCheckSet(u"set " + ToDecimal(i), i));
    Settings s;
    s.SetId = 9999;
    ASSERT_TRUE(SaveSettings(kIni, many, s, MainWindowState{}));
    Load();
    ASSERT_EQ(sets_.size(), 10000u);
    EXPECT_EQ(sets_[9999].Name, u"set 9999");
    EXPECT_EQ(sets_[9999].FilePatternX, many[9999].FilePatternX);
    EXPECT_EQ(window_.SelectedSet, 9999);
}

TEST_F(SettingsFileTest, TextOutsideCodePage932IsSavedAsUtf8) {
    CheckSets sets = {FullCheckSet(u"サイト", 0)};
    sets[0].LocalPath = uR"(C:\home\josé\site)";
    Settings s;
    s.LogFileDirectory = uR"(C:\home\josé\logs\)";
    ASSERT_TRUE(SaveSettings(kIni, sets, s, MainWindowState{}));
    EXPECT_TRUE(Bytes().starts_with("\xEF\xBB\xBF[Settings]\r\n"));
    Load();
    ASSERT_EQ(sets_.size(), 1u);
    EXPECT_TRUE(sets_[0] == sets[0]);
    EXPECT_EQ(settings_.LogFileDirectory, uR"(C:\home\josé\logs\)");
}

TEST_F(SettingsFileTest, FailedSaveLeavesTheOldFile) {
    PutFile(u"[Settings]\r\nSetId=3\r\n");
    const std::string before = Bytes();
    fs_.AddFile(kIni, before, platform::kReadOnly);
    EXPECT_FALSE(SaveSettings(kIni, {FullCheckSet(u"a", 0)}, Settings{}, MainWindowState{}));
    EXPECT_EQ(Bytes(), before);
    std::string temp;
    EXPECT_FALSE(fs_.Contents(std::u16string(kIni) + u".tmp", temp));

    EXPECT_FALSE(SaveSettings(uR"(C:\missing\mokuroku.ini)", {}, Settings{}, MainWindowState{}));
}

TEST(ParseIniLine, EveryLineType) {
    struct Case {
        std::u16string line;
        IniLineType type;
        std::u16string section, key, value;
    };
    const Case cases[] = {
        {u"", IniLineType::Empty, u"", u"", u""},
        {u"\r\n", IniLineType::Empty, u"", u"", u""},
        {u"[Settings]\r\n", IniLineType::Section, u"Settings", u"", u""},
        {u"[  Check Set - x  ]", IniLineType::Section, u"Check Set - x", u"", u""},
        {u"[open", IniLineType::Section, u"open", u"", u""},
        {u"[a]]", IniLineType::Section, u"a]", u"", u""},
        {u" key = v = w ", IniLineType::KeyValue, u"", u"key", u" v = w "},
        {u"=x", IniLineType::KeyValue, u"", u"", u"x"},
        {u"Url=\n", IniLineType::KeyValue, u"", u"Url", u""},
        {u"plain text", IniLineType::Other, u"", u"plain text", u""},
        {u" [x]", IniLineType::Other, u"", u" [x]", u""},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        std::u16string section = u"stale", key = u"stale", value = u"stale";
        EXPECT_EQ(ParseIniLine(cases[i].line, section, key, value), cases[i].type);
        EXPECT_EQ(section, cases[i].section);
        EXPECT_EQ(key, cases[i].key);
        EXPECT_EQ(value, cases[i].value);
    }
}

TEST_F(SettingsFileTest, PortableCopyOrTheUsersConfiguration) {
    testutil::ScopedEnv home("HOME", "/home/u");
    {
        testutil::ScopedEnv config("XDG_CONFIG_HOME", "/home/u/cfg");
        EXPECT_EQ(SettingsPath(), uR"(C:\home\u\cfg\mokuroku\mokuroku.ini)");
    }
    for (const char* unset_or_relative : {static_cast<const char*>(nullptr), "", "cfg"}) {
        testutil::ScopedEnv config("XDG_CONFIG_HOME", unset_or_relative);
        EXPECT_EQ(SettingsPath(), uR"(C:\home\u\.config\mokuroku\mokuroku.ini)");
    }
    // A copy that brought its own file keeps it beside itself.
    PutFile(u"[Settings]\r\n");
    EXPECT_EQ(SettingsPath(), kIni);

    // Logs default to the directory of the file in use, not the program's.
    const std::u16string user_ini = uR"(C:\home\u\.config\mokuroku\mokuroku.ini)";
    fs_.AddFile(
        user_ini,
        "[Settings]\r\nAlwaysLogRemoteLink=0\r\nFileNameCaseSensitive=1\r\nLogFileDirectory=\r\n");
    LoadSettings(user_ini, sets_, settings_, window_);
    EXPECT_EQ(settings_.LogFileDirectory, uR"(C:\home\u\.config\mokuroku\)");
}

TEST(JoinList, JoinsEveryElement) {
    EXPECT_EQ(JoinList({}, u";"), u"");
    EXPECT_EQ(JoinList({u""}, u";"), u"");
    EXPECT_EQ(JoinList({u"a", u"", u"b", u""}, u";"), u"a;;b;");
    StringList many(3000, u"abc");
    const std::u16string joined = JoinList(many, u", ");
    EXPECT_EQ(joined.size(), 3000u * 3 + 2999u * 2);
    EXPECT_EQ(joined.substr(1021, 10), u"bc, abc, a");
}

}  // namespace

// A file that could not be read as either format is moved aside by the first save, never
// written over; one that was read is replaced in place as before.
TEST_F(SettingsFileTest, UnreadableFileIsKeptBesideTheNewOne) {
    const std::u16string bak = std::u16string(kIni) + u".bak";
    const std::u16string bak2 = std::u16string(kIni) + u".2.bak";
    const std::string current = "[Settings]\r\nAlwaysLogRemoteLink=0\r\nFileNameCaseSensitive=1\r\n";
    struct Case {
        const char* what;
        std::string bytes;
        bool kept;
    };
    const Case cases[] = {
        {"binary", std::string("\x00\x01\x02\xff\xfe mokuroku", 15), true},
        {"cut off in a value", "[Settings]\r\nWindowTop=12x", true},
        {"cut off before its keys", "[Settings]\r\nWindowTop=1\r\n\r\n[Check Set - a]\r\n", true},
        {"failed migration", "DefaultPath=C:\\old\r\nWindowTop=bad\r\n", true},
        {"current format", current, false},
        {"old format", "DefaultPath=C:\\old\r\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs_.RemoveEntry(bak);
        fs_.RemoveEntry(bak2);
        fs_.AddFile(kIni, c.bytes);
        Load();
        ASSERT_TRUE(SaveSettings(kIni, sets_, settings_, window_));
        std::string kept;
        EXPECT_EQ(fs_.Contents(bak, kept), c.kept);
        if (c.kept) {
            EXPECT_EQ(kept, c.bytes);
        }
        // Only the first save moves the old file; later ones replace the new file in place.
        ASSERT_TRUE(SaveSettings(kIni, sets_, settings_, window_));
        EXPECT_FALSE(fs_.Contents(bak2, kept));
    }

    // A backup already there is never replaced: the next one is numbered.
    fs_.AddFile(bak, "older");
    fs_.AddFile(kIni, std::string("\x00\x00", 2));
    Load();
    ASSERT_TRUE(SaveSettings(kIni, sets_, settings_, window_));
    std::string kept;
    ASSERT_TRUE(fs_.Contents(bak, kept));
    EXPECT_EQ(kept, "older");
    ASSERT_TRUE(fs_.Contents(bak2, kept));
    EXPECT_EQ(kept, std::string("\x00\x00", 2));

    // A file that cannot be read at all is moved too.
    fs_.AddFile(kIni, "[Settings]\r\n");
    fs_.FailReads(kIni);
    fs_.RemoveEntry(bak);
    Load();
    ASSERT_TRUE(SaveSettings(kIni, sets_, settings_, window_));
    EXPECT_TRUE(fs_.Contents(bak, kept));
}
