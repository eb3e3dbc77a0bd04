// Whole runs over small sites written as today's sites are, with the check set's ModernHtml on
// and off: the lines of the tab-separated log, without its head and closing.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/CheckRun.h"
#include "engine/LinkTags.h"
#include "platform/Cp932.h"
#include "platform/MemoryFileSystem.h"
#include "platform/Program.h"
#include "platform/Text.h"
#include "testutil/ScriptedRunView.h"

namespace {

using Files = std::vector<std::pair<std::u16string, std::string>>;
using Lines = std::vector<std::u16string>;

// UTF-8 bytes of a literal written in the source's own UTF-8.
std::string U8(std::u16string_view text) { return platform::ToUtf8(text); }

// The log's warning lines for the site below C:\site, with the switch as given.
Lines RunSite(const Files& files, bool modern) {
    HtmlLink::BuildLinkTagTable();
    platform::SetProgramDirectory(uR"(C:\prog\)");
    platform::MemoryFileSystem fs;
    platform::ScopedFileSystem use(fs);
    fs.AddDirectory(uR"(C:\prog)");
    fs.AddDirectory(uR"(C:\logs)");
    fs.AddDirectory(uR"(C:\site)");
    for (const auto& [path, bytes] : files) fs.AddFile(uR"(C:\site\)" + path, bytes);

    CheckSet s = NewCheckSet();
    s.Name = u"site";
    s.LocalPath = uR"(C:\site)";
    s.Url.clear();
    s.ModernHtml = modern ? 1 : 0;
    CheckSets sets{s};
    Settings options;
    options.LogFileDirectory = uR"(C:\logs\)";
    options.LogType = 2;
    app::RunRequest request;
    request.Sets = &sets;
    request.Options = &options;
    request.SelectedIndex = 0;
    request.LogDateTime = u"12-07-2026 09:05:00";
    request.ScanWorkers = 0;
    testutil::ScriptedRunView view;
    view.Answers = {app::BoxAnswer::No};
    app::CheckRun run(view);
    run.cmdExecute_Click(request);
    platform::SetProgramDirectory(u"");

    std::string bytes;
    EXPECT_TRUE(fs.Contents(uR"(C:\logs\site.txt)", bytes));
    const std::u16string log = platform::Cp932ToUtf16(bytes);
    Lines lines;
    bool rows = false;
    for (std::size_t at = 0; at < log.size();) {
        std::size_t end = log.find(u"\r\n", at);
        if (end == log.npos) end = log.size();
        const std::u16string line = log.substr(at, end - at);
        at = end + 2;
        if (line.starts_with(u"ファイル名\t")) {
            rows = true;
        } else if (rows && line.empty()) {
            break;
        } else if (rows) {
            lines.push_back(line);
        }
    }
    return lines;
}

struct Case {
    const char* name;
    Files files;
    Lines off;  // today's lines
    Lines on;
};

void Check(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RunSite(c.files, false), c.off);
        EXPECT_EQ(RunSite(c.files, true), c.on);
    }
}

const std::u16string kTop = u"\t3\tこのファイルは、どこからもリンクされていません。";

}  // namespace

TEST(ModernHtml, FragmentsPercentEncodingAndTop) {
    Check({
        {"javadoc-like fragments are percent-decoded",
         {{u"index.html",
           "<a href=\"api.html#%3Cinit%3E(java.io.InputStream)\">c</a>\r\n"
           "<a href=\"api.html#read(byte%5B%5D)\">r</a>"},
          {u"api.html", "<a id=\"<init>(java.io.InputStream)\"></a><a name=\"read(byte[])\"></a>"}},
         {u"/api.html\t\t\t\t\t" + kTop,
          u"/index.html\t\t\t\t\t" + kTop,
          u"/index.html\t1\ta\thref\t\"api.html#%3Cinit%3E(java.io.InputStream)\"\tC:\\site\\api.html#%3Cinit%3E(java.io.InputStream)\t49\t指定されたアンカーが見つかりません。（ファイルは存在します。）",
          u"/index.html\t2\ta\thref\t\"api.html#read(byte%5B%5D)\"\tC:\\site\\api.html#read(byte%5B%5D)\t49\t指定されたアンカーが見つかりません。（ファイルは存在します。）",
         },
         {}},
        {"a Japanese file name written percent-encoded in UTF-8, and a literal '%' name",
         {{u"index.html",
           "<a href=\"%E8%A1%A8.html\">x</a><a href=\"100%25.html\">y</a><a href=\"a%20b.html\">z</a>"},
          {u"表.html", ""},
          {u"100%25.html", ""},
          {u"a b.html", ""}},
         {u"/a b.html\t\t\t\t\t" + kTop,
          u"/index.html\t\t\t\t\t" + kTop,
          u"/index.html\t1\ta\thref\t\"%E8%A1%A8.html\"\tC:\\site\\%E8%A1%A8.html\t41\tリンク先のファイルが見つかりません。",
          u"/index.html\t1\ta\thref\t\"a%20b.html\"\tC:\\site\\a%20b.html\t41\tリンク先のファイルが見つかりません。",
          u"/表.html\t\t\t\t\t" + kTop},
         {}},
        {"percent-encoded EUC-JP in an EUC-JP page",
         {{u"index.html", "<p>\xC6\xFC\xCB\xDC</p><a href=\"%C9%BD.html\">x</a>"}, {u"表.html", ""}},
         {u"/index.html\t\t\t\t\t" + kTop,
          u"/index.html\t1\ta\thref\t\"%C9%BD.html\"\tC:\\site\\%C9%BD.html\t41\tリンク先のファイルが見つかりません。",
          u"/表.html\t\t\t\t\t" + kTop},
         {}},
        {"a fragment keeps its slash; #top and a bare # reach the page",
         {{u"index.html", "<a href=\"p.html#a/b\">x</a><a href=\"#top\">t</a><a href=\"#\">h</a>"},
          {u"p.html", "<p id=\"a/b\">"}},
         {u"/index.html\t1\ta\thref\t\"p.html#a/b\"\tC:\\site\\p.html#a\\b\t49\t指定されたアンカーが見つかりません。（ファイルは存在します。）",
          u"/index.html\t1\ta\thref\t\"#top\"\tC:\\site\\index.html#top\t49\t指定されたアンカーが見つかりません。",
          u"/p.html\t\t\t\t\t" + kTop},
         {}},
    });
}

TEST(ModernHtml, CharacterReferences) {
    Check({
        {"references in a mail address, a query and an anchor",
         {{u"index.html",
           "<a href=\"mailto:a&#64;b.org\">m</a><a href=\"p.html?a=1&amp;b=2#x&amp;y\">p</a>"
           "<a href=\"p.html#&#x41;\">q</a>"},
          {u"p.html", "<a name=\"x&amp;y\"></a><a id=\"A\"></a>"}},
         {u"/index.html\t\t\t\t\t" + kTop,
          u"/index.html\t1\ta\thref\t\"mailto:a&#64;b.org\"\t\t56\t\"mailto:\" の後にはメールアドレスが必要です。",
          u"/index.html\t1\ta\thref\t\"p.html#&#x41;\"\tC:\\site\\p.html#&#x41;\t49\t指定されたアンカーが見つかりません。（ファイルは存在します。）"},
         {}},
    });
}

TEST(ModernHtml, EncodingsAndInvalidBytes) {
    const std::string utf8_page =
        U8(u"<html><head><title>見本</title></head>\n<body>\n<p>日本語の本文。</p>\n"
           u"<a href=\"資料/表.html#節1\">表</a>\n<a href=\"#見出し\">上</a>\n"
           u"<a href=\"無い.html\">無い</a>\n<h2 id=\"見出し\">見出し</h2>\n");
    // EUC-JP text with a lead byte cut short on line 2.
    const std::string euc_page =
        "<p>\xC6\xFC\xCB\xDC\xB8\xEC</p>\r\n\xC6<a href=\"gone.html\">x</a>\r\n";
    Check({
        {"a UTF-8 page with Japanese names, anchors and lines",
         {{u"index.html", utf8_page}, {u"資料/表.html", U8(u"<a name=\"節1\">")}},
         // Read as Shift_JIS the names come out garbled and the links to other files miss.
         {u"/index.html\t4\ta\thref\t\"\x96C9?\x4FAD/\x9666\xFF68.html#\x907D?1\"\tC:\\site\\\x96C9?\x4FAD\\\x9666\xFF68.html#\x907D?1\t41\tリンク先のファイルが見つかりません。",
          u"/index.html\t6\ta\thref\t\"\x8F9F\xFF61\x7E3A?.html\"\tC:\\site\\\x8F9F\xFF61\x7E3A?.html\t41\tリンク先のファイルが見つかりません。",
          u"/資料/表.html\t\t\t\t\t" + kTop},
         {u"/index.html\t6\ta\thref\t\"無い.html\"\tC:\\site\\無い.html\t41\tリンク先のファイルが見つかりません。"}},
        {"one stray byte in an EUC-JP page hides none of its links",
         {{u"index.html", euc_page}},
         {u"/index.html\t\t\t\t\t\t1\tファイルの読み込みに失敗しました。",
          u"/index.html\t\t\t\t\t" + kTop},
         {u"/index.html\t\t\t\t\t\t8\t文字コードとして不正なバイトを置き換えて読み込みました（最初は 2 行目）。",
          u"/index.html\t2\ta\thref\t\"gone.html\"\tC:\\site\\gone.html\t41\tリンク先のファイルが見つかりません。"}},
        {"a META charset decides where the bytes leave the choice open",
         // In EUC-JP a half-width katakana counts for Shift_JIS as much as a kanji counts for
         // EUC-JP; the declaration settles it and the link names the file.
         {{u"index.html",
           "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP\">"
           "<a href=\"\xB0\xA1\x8E\xB1.html\">x</a>"},
          {u"亜ｱ.html", ""}},
         {u"/index.html\t\t\t\t\t" + kTop,
          u"/index.html\t1\ta\thref\t\"ｰ｡\x7afa.html\"\tC:\\site\\ｰ｡\x7afa.html\t41\tリンク先のファイルが見つかりません。",
          u"/亜ｱ.html\t\t\t\t\t" + kTop},
         {}},
    });
}

TEST(ModernHtml, SchemesRefreshRootAndEntryPage) {
    Check({
        {"mistyped schemes are told; data:, tel: and javascript: stay silent",
         {{u"index.html",
           "<a href=\"httpis://a.jp/\">1</a><a href=\"htp://a.jp/\">2</a>"
           "<a href=\"http;//a.jp/\">3</a><a href=\"https//a.jp/\">4</a>"
           "<img src=\"data:image/png;base64,AAAA\"><a href=\"tel:0123\">5</a>"
           "<a href=\"javascript:void(0)\">6</a><a href=\"ftp://a.jp/\">7</a>"
           }},
         {u"/index.html\t\t\t\t\t" + kTop,
          u"/index.html\t1\ta\thref\t\"http;//a.jp/\"\tC:\\site\\http;\\\\a.jp\\\t41\tリンク先のファイルが見つかりません。",
          u"/index.html\t1\ta\thref\t\"https//a.jp/\"\tC:\\site\\https\\\\a.jp\\\t41\tリンク先のファイルが見つかりません。"},
         {u"/index.html\t1\ta\thref\t\"httpis://a.jp/\"\t\t38\tプロトコル名が http または https の書き誤りと思われます。",
          u"/index.html\t1\ta\thref\t\"htp://a.jp/\"\t\t38\tプロトコル名が http または https の書き誤りと思われます。",
          u"/index.html\t1\ta\thref\t\"http;//a.jp/\"\t\t38\tプロトコル名が http または https の書き誤りと思われます。",
          u"/index.html\t1\ta\thref\t\"https//a.jp/\"\t\t38\tプロトコル名が http または https の書き誤りと思われます。"}},
        {"refresh contents as browsers read them",
         {{u"index.html",
           "<meta http-equiv=\"refresh\" content=\"0;next.html\">\r\n"
           "<meta http-equiv=\"refresh\" content=\"0; URL='next.html'\">\r\n"
           "<meta http-equiv=\"refresh\" content=\"soon\">"},
          {u"next.html", ""}},
         {u"/index.html\t\t\t\t\t" + kTop,
          u"/index.html\t1\tmeta\tcontent\t\"0;next.html\"\t\t37\tcontent 属性値の記述が不正です。",
          u"/index.html\t2\tmeta\tcontent\t\"0; URL='next.html'\"\t\t37\tcontent 属性値の記述が不正です。",
          u"/index.html\t3\tmeta\tcontent\t\"soon\"\t\t37\tcontent 属性値の記述が不正です。",
          u"/next.html\t\t\t\t\t" + kTop},
         {u"/index.html\t3\tmeta\tcontent\t\"soon\"\t\t37\tcontent 属性値の記述が不正です。"}},
        {"root-relative links in a set without URL",
         {{u"index.html", "<img src=\"/img/a.png\"><a href=\"/about/#team\">a</a><a href=\"/no.png\">n</a>"},
          {u"img/a.png", ""},
          {u"about/index.html", "<h2 id=\"team\">"}},
         {u"/index.html\t\t\t\t\t" + kTop,
          u"/index.html\t1\timg\tsrc\t\"/img/a.png\"\t\t25\tリモートの URL が指定されていないため、絶対パス記述のプロトコル名とサーバ名を決定できません。",
          u"/index.html\t1\ta\thref\t\"/about/#team\"\t\t25\tリモートの URL が指定されていないため、絶対パス記述のプロトコル名とサーバ名を決定できません。",
          u"/index.html\t1\ta\thref\t\"/no.png\"\t\t25\tリモートの URL が指定されていないため、絶対パス記述のプロトコル名とサーバ名を決定できません。",
          u"/about/index.html\t\t\t\t\t" + kTop,
          u"/img/a.png\t\t\t\t\t" + kTop},
         {u"/index.html\t1\ta\thref\t\"/no.png\"\tC:\\site\\no.png\t41\tリンク先のファイルが見つかりません。"}},
        {"a page reached only through a wrong anchor is warned about once",
         {{u"index.html", "<a href=\"p.html#gone\">x</a>"}, {u"p.html", ""}},
         {u"/index.html\t\t\t\t\t" + kTop,
          u"/index.html\t1\ta\thref\t\"p.html#gone\"\tC:\\site\\p.html#gone\t49\t指定されたアンカーが見つかりません。（ファイルは存在します。）",
          u"/p.html\t\t\t\t\t" + kTop},
         {u"/index.html\t1\ta\thref\t\"p.html#gone\"\tC:\\site\\p.html#gone\t49\t指定されたアンカーが見つかりません。（ファイルは存在します。）"}},
    });
}

TEST(ModernHtml, LinksOfTodaysHtml) {
    const std::string page =
        "<img src=\"a.png\" srcset=\"a.png 1x, b.png 2x\">\n"
        "<img src=\"a.png\" srcset=\"s,1.png 640w, s2.png 1280w,gone.png 2x\">\n"
        "<picture><source srcset=\"c.webp\" type=\"image/webp\"><source src=\"d.mp4\"></picture>\n"
        "<video src=\"v.mp4\" poster=\"gone-poster.jpg\"><track src=\"t.vtt\"></video>\n"
        "<audio src=\"a.mp3\"></audio><input type=\"image\" src=\"btn.png\">"
        "<input type=\"text\" src=\"ignored.png\">\n"
        "<blockquote cite=\"q.html\"></blockquote><q cite=\"nope.html\">x</q>\n"
        "<img src=\"a.png\" usemap=\"#m\"><map name=\"m\"></map><img src=\"a.png\" usemap=\"#none\">\n"
        "<link rel=\"preload\" as=\"image\" imagesrcset=\"b.png 1x, hero@2x.png 2x\">\n";
    Files files{{u"index.html", page}};
    for (const char16_t* name : {u"a.png", u"b.png", u"hero@2x.png", u"s,1.png", u"s2.png", u"c.webp", u"d.mp4",
                                 u"v.mp4", u"t.vtt", u"a.mp3", u"btn.png", u"q.html"})
        files.push_back({name, ""});
    const std::u16string missing = u"\t41\tリンク先のファイルが見つかりません。";
    Check({
        {"srcset candidates, media, cite and usemap",
         files,
         {u"/a.mp3\t\t\t\t\t" + kTop, u"/b.png\t\t\t\t\t" + kTop, u"/btn.png\t\t\t\t\t" + kTop,
          u"/c.webp\t\t\t\t\t" + kTop, u"/d.mp4\t\t\t\t\t" + kTop,
          u"/hero@2x.png\t\t\t\t\t" + kTop, u"/index.html\t\t\t\t\t" + kTop,
          u"/index.html\t8\tlink\t\t\t\t12\thref 属性、src 属性のいずれも設定されていません。",
          u"/q.html\t\t\t\t\t" + kTop,
          u"/s,1.png\t\t\t\t\t" + kTop, u"/s2.png\t\t\t\t\t" + kTop, u"/t.vtt\t\t\t\t\t" + kTop,
          u"/v.mp4\t\t\t\t\t" + kTop},
         {u"/index.html\t2\timg\tsrcset\tgone.png\tC:\\site\\gone.png" + missing,
          u"/index.html\t4\tvideo\tposter\t\"gone-poster.jpg\"\tC:\\site\\gone-poster.jpg" + missing,
          u"/index.html\t6\tq\tcite\t\"nope.html\"\tC:\\site\\nope.html" + missing,
          u"/index.html\t7\timg\tusemap\t\"#none\"\tC:\\site\\index.html#none\t49\t指定されたアンカーが見つかりません。"}},
        {"a name with '@' is a file in a srcset, and in a src what it always was",
         {{u"index.html", "<img src=\"a@2x.png\" srcset=\"a@2x.png 2x\">"}, {u"a@2x.png", ""}},
         {u"/a@2x.png\t\t\t\t\t" + kTop, u"/index.html\t\t\t\t\t" + kTop,
          u"/index.html\t1\timg\tsrc\t\"a@2x.png\"\t\t27\tここでメールアドレスは指定できません。"},
         {u"/index.html\t1\timg\tsrc\t\"a@2x.png\"\t\t27\tここでメールアドレスは指定できません。"}},
    });
}

TEST(ModernHtml, Stylesheets) {
    const std::string css =
        "@charset \"UTF-8\";\n"
        "@import \"base.css\";\n"
        "@import url(gone.css);\n"
        "/* url(commented.png) */\n"
        "body { background: url( \"img/bg.png\" ); }\n"
        "@font-face { src: url(fonts/a.woff2?v=3) format(\"woff2\"), url('fonts/missing.woff'); }\n"
        ".i { background: url(icons.svg#star) } .d { background: url(data:image/png;base64,AA) }\n";
    const std::string page =
        "<link rel=\"stylesheet\" href=\"style.css\">\n"
        "<style>\n<!--\n.x { background: url(img/x.png) }\n.y { background: url(img/no.png) }\n-->\n</style>\n"
        "<div style=\"background: url(img/s.png); border-image: url('img/gone.png')\">\n";
    const Files files{{u"index.html", page},    {u"style.css", css},      {u"base.css", ""},
                      {u"img/bg.png", ""},      {u"img/x.png", ""},       {u"img/s.png", ""},
                      {u"fonts/a.woff2", ""},   {u"icons.svg", ""}};
    const std::u16string missing = u"\t41\tリンク先のファイルが見つかりません。";
    Check({
        {"url(), @import and style attributes",
         files,
         // Files in a directory come before those of its subdirectories.
         {u"/base.css\t\t\t\t\t" + kTop, u"/icons.svg\t\t\t\t\t" + kTop,
          u"/index.html\t\t\t\t\t" + kTop, u"/fonts/a.woff2\t\t\t\t\t" + kTop,
          u"/img/bg.png\t\t\t\t\t" + kTop, u"/img/s.png\t\t\t\t\t" + kTop,
          u"/img/x.png\t\t\t\t\t" + kTop},
         {u"/index.html\t5\tstyle\turl\timg/no.png\tC:\\site\\img\\no.png" + missing,
          u"/index.html\t8\tdiv\tstyle\t'img/gone.png'\tC:\\site\\img\\gone.png" + missing,
          u"/style.css\t3\tstyle\t@import\tgone.css\tC:\\site\\gone.css" + missing,
          u"/style.css\t6\tstyle\turl\t'fonts/missing.woff'\tC:\\site\\fonts\\missing.woff" + missing}},
    });
}
