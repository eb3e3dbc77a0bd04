#include "verify/Resolve.h"

#include <gtest/gtest.h>

using namespace HtmlLink;

namespace {

CheckSet Site(std::u16string url, bool backslash = true, bool full_path = true) {
    CheckSet set;
    set.LocalPath = uR"(C:\site\)";
    set.Url = std::move(url);
    set.AllowBackSlash = backslash ? 1 : 0;
    set.AllowLocalFullPath = full_path ? 1 : 0;
    set.CheckMailTo = 1;
    set.CheckBaseDirOver = 1;
    return set;
}

// The base of a page that has no BASE tag.
BaseContext PageBase(std::u16string_view path, const CheckSet& set) {
    BaseContext base;
    base.BaseKind = 1;
    base.BasePath = std::u16string(path);
    const std::u16string head = set.Url.empty() ? u"" : u"http://host";
    CompleteBaseContext(base, false, head, set);
    return base;
}

struct Resolved {
    std::int32_t code;
    std::u16string target;
    std::vector<std::u16string> texts;
};

Resolved Resolve(std::u16string_view value, const BaseContext& base, const CheckSet& set,
                 std::u16string_view tag_name = u"a", bool rev_made = false,
                 std::u16string_view page = uR"(C:\site\sub\page.htm)") {
    FileEntry file;
    file.Path = std::u16string(page);
    TagEntry tag;
    tag.Name = std::u16string(tag_name);
    tag.Line = 1;
    tag.RevMade = rev_made;
    AttrEntry attr;
    attr.Name = u"href";
    attr.Value = std::u16string(value);
    tag.Attrs.push_back(attr);
    file.Tags.push_back(tag);
    const std::int32_t code = ResolveLink(file, 0, 0, base, set);
    const AttrEntry& a = file.Tags[0].Attrs[0];
    EXPECT_EQ(code, a.Code);
    Resolved r{a.Code, a.Target.str(), {}};
    for (const WarningEntry& w : a.Warnings) {
        if (!w.Text.empty()) {
            EXPECT_EQ(w.Code, a.Code);
            r.texts.push_back(w.Text.str());
        }
    }
    return r;
}

struct BaseResult {
    std::int32_t code;
    std::u16string target;
    std::vector<std::pair<std::int32_t, std::u16string>> warnings;
};

BaseResult CheckBase(std::u16string_view value, const CheckSet& set) {
    TagEntry tag;
    tag.Name = u"BASE";
    AttrEntry attr;
    attr.Name = u"href";
    attr.Value = std::u16string(value);
    tag.Attrs.push_back(attr);
    const std::int32_t code = CheckBaseHref(tag, 0, set);
    const AttrEntry& a = tag.Attrs[0];
    EXPECT_EQ(code, a.Code);
    BaseResult r{a.Code, a.Target.str(), {}};
    for (const WarningEntry& w : a.Warnings) {
        if (!w.Text.empty()) r.warnings.emplace_back(w.Code, w.Text);
    }
    return r;
}

}  // namespace

TEST(ClassifyReference, EveryKind) {
    struct Case {
        std::u16string value;
        int kind;
    };
    const Case cases[] = {
        {uR"(C:\site\a.htm)", 1},
        {u"C|/site/a.htm", 1},
        {u"C:", 1},
        {uR"(\\server\share\a.htm)", 1},
        {u"//server/a.htm", 1},
        {uR"(/\server\a.htm)", 1},
        {u"//1host/a.htm", 4},
        {u"C", 5},
        {u"Ｃ:/a.htm", 0},  // a full-width letter is no drive, nor a scheme
        {u"C:a.htm", 0},
        {u"file:///C:/site/a.htm", 2},
        {u"file:/C:/site/a.htm", 2},
        {u"FILE:///c|/a.htm", 2},
        {u"fIlE:///C:/a.htm", 2},
        {uR"(file:/\\server\a.htm)", 2},
        {u"file://host/x", 0},
        {u"file:C:/x", 0},
        {u"file:", 0},
        {u"http://host/a.htm", 3},
        {u"http://", 3},
        {u"http:/x", 0},
        {u"http:///x", 0},
        {u"mailto:a@b.com", 6},
        {u"javascript:void(0)", 6},
        {u"mailto:", 0},  // a colon as last character never forms a scheme
        {u"x-y://host/", 0},
        {u"5; URL=x", 5},
        {u"5;URL=http://x", 0},
        {u"/a.htm", 4},
        {uR"(\a.htm)", 4},
        {u"a.htm", 5},
        {u"./a.htm", 5},
        {u"../a.htm", 5},
        {u"#top", 5},
        {u"#", 5},
        {u"?", 5},
        {uR"(..\..\..\..)", 5},
        {u"someone@example.com", 5},
        {u"", 7},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ClassifyReference(cases[i].value), cases[i].kind);
    }
}

TEST(ClassifyReference, HostileValues) {
    const std::u16string huge(1 << 20, u'a');
    EXPECT_EQ(ClassifyReference(huge), 5);
    EXPECT_EQ(ClassifyReference(huge + u":x"), 6);
    EXPECT_EQ(ClassifyReference(u"http:" + std::u16string(1 << 20, u'/')), 0);
    EXPECT_EQ(ClassifyReference(std::u16string(u"a\0b:c", 5)), 0);
    EXPECT_EQ(ClassifyReference(std::u16string(1, char16_t(0xD800)) + u".htm"), 5);
}

TEST(CheckSeparators, ByOption) {
    const CheckSet off = Site(u"", false);
    const CheckSet on = Site(u"", true);
    EXPECT_EQ(CheckSeparators(uR"(a\b.htm)", off), 1);
    EXPECT_EQ(CheckSeparators(uR"(a\b.htm)", on), 0);
    EXPECT_EQ(CheckSeparators(uR"(a\b/c.htm)", on), 2);
    EXPECT_EQ(CheckSeparators(uR"(file:///C:\a.htm)", on), 0);
    EXPECT_EQ(CheckSeparators(uR"(file:///C:\a/b.htm)", on), 2);
}

TEST(IsMailAddress, DomainPart) {
    EXPECT_TRUE(IsMailAddress(u"someone@example.com"));
    EXPECT_TRUE(IsMailAddress(u"someone@example.com?subject=hi"));
    EXPECT_FALSE(IsMailAddress(u"someone"));
    EXPECT_FALSE(IsMailAddress(u"someone@example"));
    EXPECT_FALSE(IsMailAddress(u"someone@example."));
    EXPECT_FALSE(IsMailAddress(u"someone@10.0.0.1"));
    EXPECT_FALSE(IsMailAddress(u"someone@a..com"));
    EXPECT_FALSE(IsMailAddress(u"a?b@example.com"));  // the '@' lies in the query
    EXPECT_FALSE(IsMailAddress(u""));
}

TEST(CheckBaseHref, ServerNameMessagesUnderEveryOption) {
    struct Case {
        bool full_path, backslash;
        std::u16string no_slash, no_scheme;
    };
    const Case cases[] = {
        {false, false, u"サーバ名の後ろに \"/\" が必要です。",
         u"絶対パスの先頭にプロトコル名とサーバ名が必要です。"},
        {true, false, u"サーバ名（あるいはドライブ名）の後ろに \"/\" が必要です。",
         u"絶対パスの先頭にプロトコル名とサーバ名（あるいはドライブ名）が必要です。"},
        {false, true, u"サーバ名の後ろに \"/\" か \"\\\" が必要です。",
         u"絶対パスの先頭にプロトコル名とサーバ名が必要です。"},
        {true, true, u"サーバ名（あるいはドライブ名）の後ろに \"/\" か \"\\\" が必要です。",
         u"絶対パスの先頭にプロトコル名とサーバ名（あるいはドライブ名）が必要です。"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const CheckSet set = Site(u"", cases[i].backslash, cases[i].full_path);
        const BaseResult a = CheckBase(u"\"http://www.example.com\"", set);
        EXPECT_EQ(a.code, 305);
        EXPECT_EQ(a.target, u"");
        ASSERT_EQ(a.warnings.size(), 1u);
        EXPECT_EQ(a.warnings[0].first, 305);
        EXPECT_EQ(a.warnings[0].second, cases[i].no_slash);
        const BaseResult b = CheckBase(u"/dir/", set);
        EXPECT_EQ(b.code, 306);
        ASSERT_EQ(b.warnings.size(), 1u);
        EXPECT_EQ(b.warnings[0].second, cases[i].no_scheme);
    }
}

TEST(CheckBaseHref, Codes) {
    const CheckSet set = Site(u"", false, false);
    struct Case {
        std::u16string value;
        std::int32_t code;
        std::u16string target;
        std::vector<std::pair<std::int32_t, std::u16string>> warnings;
    };
    const Case cases[] = {
        {u"http://www.example.com/dir/", 300, u"http://www.example.com/dir/", {}},
        {u"www.example.com", 300, u"http://www.example.com/", {}},
        {u"www.example.com/dir/", 300, u"http://www.example.com/dir/", {}},
        {u"./dir/", 304, u"", {{304, u"ここで相対パスは使えません。"}}},
        {u"mailto:a@b.com", 307, u"", {{307, u"プロトコル名が不正です。"}}},
        {u"\"\"", 308, u"", {{308, u"属性値が空です。"}}},
        {u"C:a.htm", 399, u"", {{399, u"属性値の解釈に失敗しました。"}}},
        {u"file:///C|/site/",
         301,
         uR"(C:\site\)",
         {{301, u"ローカルなフルパス指定は使えません。"}}},
        // The separator finding replaces the code and comes as a further warning.
        {uR"(C:\site\)",
         302,
         uR"(C:\site\)",
         {{301, u"ローカルなフルパス指定は使えません。"},
          {302, u"ディレクトリの区切り記号に \"\\\" は使えません。"}}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const BaseResult r = CheckBase(cases[i].value, set);
        EXPECT_EQ(r.code, cases[i].code);
        EXPECT_EQ(r.target, cases[i].target);
        EXPECT_EQ(r.warnings, cases[i].warnings);
    }
    const BaseResult mixed = CheckBase(uR"(www.example.com\dir/)", Site(u"", true, true));
    EXPECT_EQ(mixed.code, 303);
    ASSERT_EQ(mixed.warnings.size(), 1u);
    EXPECT_EQ(mixed.warnings[0].second,
              u"ディレクトリの区切り記号に \"\\\" と \"/\" が混在しています。");
}

TEST(CheckBaseHref, BadIndexFailsQuietly) {
    TagEntry tag;
    tag.Name = u"base";
    EXPECT_EQ(CheckBaseHref(tag, 3, Site(u"")), 399);
}

// The site C:\site\ is published at http://host/dir/.
TEST(ResolveLink, UrlMappedParentLinks) {
    const CheckSet set = Site(u"http://host/dir/");
    const BaseContext sub = PageBase(uR"(C:\site\sub\page.htm)", set);
    EXPECT_TRUE(sub.UrlMapped);
    EXPECT_EQ(sub.BaseHead, u"http://host");

    Resolved r = Resolve(u"../x.htm", sub, set);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.target, uR"(C:\site\x.htm)");
    EXPECT_TRUE(r.texts.empty());

    r = Resolve(uR"(..\y\x.htm#a)", sub, set);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.target, uR"(C:\site\y\x.htm#a)");

    const BaseContext top = PageBase(uR"(C:\site\page.htm)", set);
    r = Resolve(u"../x.htm", top, set);
    EXPECT_EQ(r.code, 102);
    EXPECT_EQ(r.target, u"http://host/x.htm");
    EXPECT_EQ(r.texts,
              std::vector<std::u16string>{u"相対パスが基準ディレクトリより上を参照しています。"});

    CheckSet quiet = set;
    quiet.CheckBaseDirOver = 0;
    r = Resolve(u"../x.htm", top, quiet);
    EXPECT_EQ(r.code, 102);
    EXPECT_TRUE(r.texts.empty());

    r = Resolve(u"../../x.htm", top, set);
    EXPECT_EQ(r.code, 907);
    EXPECT_EQ(r.target, u"");
    EXPECT_EQ(r.texts,
              std::vector<std::u16string>{
                  u"相対リンクで、ルートディレクトリ (http://host) より上へ行こうとしました。"});
}

TEST(ResolveLink, UnmappedParentLinks) {
    const CheckSet set = Site(u"");
    const BaseContext sub = PageBase(uR"(C:\site\sub\page.htm)", set);
    EXPECT_FALSE(sub.UrlMapped);

    Resolved r = Resolve(u"../x.htm", sub, set);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.target, uR"(C:\site\x.htm)");

    r = Resolve(u"../../x.htm", sub, set);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.target, uR"(C:\x.htm)");
    EXPECT_EQ(r.texts,
              std::vector<std::u16string>{u"相対パスが基準ディレクトリより上を参照しています。"});

    r = Resolve(uR"(..\..\..\..)", sub, set);
    EXPECT_EQ(r.code, 907);
    EXPECT_EQ(r.texts, std::vector<std::u16string>{
                           u"相対リンクで、ルートディレクトリ (C:) より上へ行こうとしました。"});
}

TEST(ResolveLink, PageRelativeAndAbsolute) {
    const CheckSet set = Site(u"http://host/dir/");
    const BaseContext base = PageBase(uR"(C:\site\sub\page.htm)", set);
    struct Case {
        std::u16string value;
        std::int32_t code;
        std::u16string target;
    };
    const Case cases[] = {
        {u"a.htm", 0, uR"(C:\site\sub\a.htm)"},
        {u"\"./a.htm\"", 0, uR"(C:\site\sub\a.htm)"},
        {u"x/y.htm?q=1#n", 0, uR"(C:\site\sub\x\y.htm?q=1#n)"},
        {u"#top", 0, uR"(C:\site\sub\page.htm#top)"},
        {u"#", 0, uR"(C:\site\sub\page.htm#)"},
        {u"?", 0, uR"(C:\site\sub\?)"},
        {u"/a.htm", 100, u"http://host/a.htm"},
        {u"http://other/a.htm", 100, u"http://other/a.htm"},
        {u"javascript:void(0)", 401, u""},
        {uR"(C:\site\a.htm)", 0, uR"(C:\site\a.htm)"},
        {u"file:///C|/site/a.htm", 0, uR"(C:\site\a.htm)"},
        {u"C|/site/a.htm", 0, uR"(C:\site\a.htm)"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const Resolved r = Resolve(cases[i].value, base, set);
        EXPECT_EQ(r.code, cases[i].code);
        EXPECT_EQ(r.target, cases[i].target);
        EXPECT_TRUE(r.texts.empty());
    }
}

TEST(ResolveLink, Findings) {
    const CheckSet strict = Site(u"", false, false);
    const CheckSet lax = Site(u"", true, true);
    const BaseContext base = PageBase(uR"(C:\site\sub\page.htm)", lax);
    BaseContext unusable;
    struct Case {
        std::u16string value;
        const CheckSet* set;
        const BaseContext* base;
        std::int32_t code;
        std::u16string target;
        std::u16string text;
    };
    const Case cases[] = {
        {uR"(a\b.htm)", &strict, &base, 901, u"",
         u"ディレクトリの区切り記号に \"\\\" は使えません。"},
        {uR"(C:\site\a.htm)", &strict, &base, 901, u"",
         u"ディレクトリの区切り記号に \"\\\" は使えません。"},
        {uR"(a\b/c.htm)", &lax, &base, 902, u"",
         u"ディレクトリの区切り記号に \"\\\" と \"/\" が混在しています。"},
        {uR"(a\b.htm)", &lax, &base, 0, uR"(C:\site\sub\a\b.htm)", u""},
        {u"C:/site/a.htm", &strict, &base, 1, uR"(C:\site\a.htm)",
         u"ローカルなフルパス指定は使えません。"},
        {u"/a.htm", &lax, &base, 903, u"",
         u"リモートの URL "
         u"が指定されていないため、絶対パス記述のプロトコル名とサーバ名を決定できません。"},
        {u"/a.htm", &lax, &unusable, 904, u"",
         u"<base> タグの記述が無効のため、絶対パスを解決できません。"},
        {u"a.htm", &lax, &unusable, 904, u"",
         u"<base> タグの記述が無効のため、相対パスを解決できません。"},
        {u"", &lax, &base, 906, u"", u"属性値が空です。"},
        {u"\"\"", &lax, &base, 906, u"", u"属性値が空です。"},
        {u"C:a.htm", &lax, &base, 999, u"", u"属性値の解釈に失敗しました。"},
        {u"http:/x", &lax, &base, 999, u"", u"属性値の解釈に失敗しました。"},
        {u"file://host/x", &lax, &base, 999, u"", u"属性値の解釈に失敗しました。"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const Resolved r = Resolve(cases[i].value, *cases[i].base, *cases[i].set);
        EXPECT_EQ(r.code, cases[i].code);
        EXPECT_EQ(r.target, cases[i].target);
        const std::vector<std::u16string> texts = cases[i].text.empty()
                                                      ? std::vector<std::u16string>{}
                                                      : std::vector<std::u16string>{cases[i].text};
        EXPECT_EQ(r.texts, texts);
    }
}

TEST(ResolveLink, MailAddressesByTag) {
    CheckSet set = Site(u"");
    const BaseContext base = PageBase(uR"(C:\site\sub\page.htm)", set);
    const std::u16string needs_address = u"\"mailto:\" の後にはメールアドレスが必要です。";
    const std::u16string not_here = u"ここでメールアドレスは指定できません。";
    struct Case {
        std::u16string value, tag;
        bool rev_made;
        std::int32_t code;
        std::u16string text;
    };
    const Case cases[] = {
        {u"mailto:someone@example.com", u"A", false, 200, u""},
        {u"MailTo:someone@example.com?subject=x", u"a", false, 200, u""},
        {u"mailto:nobody", u"a", false, 202, needs_address},
        {u"mailto:", u"a", false, 999, u"属性値の解釈に失敗しました。"},
        {u"someone@example.com", u"a", false, 203,
         u"メールアドレスの前に \"mailto:\" が必要です。"},
        {u"someone@example.com", u"img", false, 905, not_here},
        {u"mailto:someone@example.com", u"img", false, 905, not_here},
        {u"mailto:someone@example.com", u"LINK", true, 200, u""},
        {u"someone@example.com", u"link", true, 203,
         u"メールアドレスの前に \"mailto:\" が必要です。"},
        {u"mailto:someone@example.com", u"link", false, 905, not_here},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const Resolved r = Resolve(cases[i].value, base, set, cases[i].tag, cases[i].rev_made);
        EXPECT_EQ(r.code, cases[i].code);
        EXPECT_EQ(r.target, u"");
        const std::vector<std::u16string> texts = cases[i].text.empty()
                                                      ? std::vector<std::u16string>{}
                                                      : std::vector<std::u16string>{cases[i].text};
        EXPECT_EQ(r.texts, texts);
    }
    set.CheckMailTo = 0;
    const Resolved quiet = Resolve(u"mailto:nobody", base, set);
    EXPECT_EQ(quiet.code, 202);
    EXPECT_TRUE(quiet.texts.empty());
}

TEST(ResolveLink, RefreshContent) {
    const CheckSet set = Site(u"");
    const BaseContext base = PageBase(uR"(C:\site\sub\page.htm)", set);
    const std::u16string page = uR"(C:\site\sub\page.htm)";
    struct Case {
        std::u16string content;
        std::int32_t code;
        std::u16string target;
    };
    const Case cases[] = {
        {u"5", 0, page},
        {u"\"0\"", 0, page},
        {u";", 0, page},
        {u"5;", 0, page},
        {u"5;URL=next.htm", 0, uR"(C:\site\sub\next.htm)"},
        {u"'5;url=http://host/'", 100, u"http://host/"},
        {u"5; URL=next.htm", 909, u""},
        {u"5;next.htm", 909, u""},
        {u"soon", 909, u""},
        {u"", 909, u""},
        {u"5;URL=", 906, u""},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const Resolved r = Resolve(cases[i].content, base, set, u"META");
        EXPECT_EQ(r.code, cases[i].code);
        EXPECT_EQ(r.target, cases[i].target);
        if (r.code == 909) {
            EXPECT_EQ(r.texts, std::vector<std::u16string>{u"content 属性値の記述が不正です。"});
        }
    }
}

TEST(ResolveLink, BaseFromElsewhere) {
    const CheckSet set = Site(u"http://host/dir/");
    BaseContext remote;
    remote.BaseKind = 2;
    remote.BasePath = u"http://other/a/b.htm";
    CompleteBaseContext(remote, true, u"http://host", set);
    EXPECT_EQ(remote.BaseRoot, u"http://other");
    EXPECT_EQ(remote.BaseDir, u"http://other/a/");
    EXPECT_EQ(Resolve(u"x.htm", remote, set).target, u"http://other/a/x.htm");
    EXPECT_EQ(Resolve(uR"(x\y.htm)", remote, set).target, u"http://other/a/x/y.htm");
    Resolved r = Resolve(u"../y.htm", remote, set);
    EXPECT_EQ(r.code, 100);
    EXPECT_EQ(r.target, u"http://other/y.htm");
    r = Resolve(u"/z.htm", remote, set);
    EXPECT_EQ(r.code, 100);
    EXPECT_EQ(r.target, u"http://other/z.htm");

    BaseContext local;
    local.BaseKind = 1;
    local.BasePath = uR"(C:\other\)";
    CompleteBaseContext(local, true, u"http://host", set);
    EXPECT_FALSE(local.UrlMapped);
    r = Resolve(u"/a.htm", local, set);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.target, u"C:/a.htm");
    r = Resolve(u"../a.htm", local, set);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.target, uR"(C:\a.htm)");
}

TEST(ResolveLink, EndMarkerAndBadIndexes) {
    const CheckSet set = Site(u"");
    const BaseContext base = PageBase(uR"(C:\site\page.htm)", set);
    FileEntry file;
    file.Path = uR"(C:\site\page.htm)";
    file.Tags.resize(1);
    file.Tags[0].Name = u"img";
    file.Tags[0].Attrs.resize(1);
    EXPECT_EQ(ResolveLink(file, 0, 0, base, set), -1);
    EXPECT_EQ(file.Tags[0].Attrs[0].Code, -1);
    EXPECT_EQ(ResolveLink(file, 0, 5, base, set), 999);
    EXPECT_EQ(ResolveLink(file, 7, 0, base, set), 999);
}

TEST(ResolveLink, HostileValues) {
    const CheckSet set = Site(u"http://host/dir/");
    const BaseContext base = PageBase(uR"(C:\site\sub\page.htm)", set);
    const std::u16string huge(1 << 20, u'a');
    Resolved r = Resolve(huge, base, set);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.target.size(), std::u16string(uR"(C:\site\sub\)").size() + huge.size());
    EXPECT_EQ(Resolve(u"../" + huge, base, set).code, 0);
    EXPECT_EQ(Resolve(u"mailto:" + huge + u"@" + huge + u".com", base, set).code, 200);
    EXPECT_EQ(Resolve(std::u16string(1 << 19, u'.') + u"/x", base, set).code, 0);

    const std::u16string nul(u"a\0b.htm", 7);
    r = Resolve(nul, base, set);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.target, uR"(C:\site\sub\)" + nul);
    const std::u16string lone = std::u16string(1, char16_t(0xDC80)) + u".htm";
    EXPECT_EQ(Resolve(lone, base, set).target, uR"(C:\site\sub\)" + lone);
    EXPECT_EQ(Resolve(u"5; URL=x", base, set).target, uR"(C:\site\sub\5; URL=x)");
}

TEST(ResolveLink, TargetsLeftPendingAreStoredAsIfResolvedOneByOne) {
    const CheckSet set = Site(u"");
    const BaseContext base = PageBase(uR"(C:\site\sub\page.htm)", set);
    const std::u16string values[] = {u"a.htm", u"../b/c.htm#top", u"#s1", u"http://x.jp/",
                                     u"../../out.htm", u"", u"mailto:a@b.jp", u"x"};
    FileEntry file;
    file.Path = uR"(C:\site\sub\page.htm)";
    // More than one batch's worth, so that some are stored on the way.
    for (int k = 0; k < 2500; ++k) {
        TagEntry& tag = file.Tags.emplace_back();
        tag.Name = u"a";
        AttrEntry attr;
        attr.Name = u"href";
        attr.Value = values[k % std::size(values)] + std::u16string(k % 3, u'z');
        tag.Attrs.push_back(attr);
    }
    FileEntry one_by_one = file;
    PendingTargets later;
    for (std::int32_t k = 0; k < 2500; ++k) {
        EXPECT_EQ(ResolveLink(file, k, 0, base, set, &later),
                  ResolveLink(one_by_one, k, 0, base, set));
    }
    EXPECT_TRUE(file.Tags[2400].Attrs[0].Target.empty());  // not yet
    later.Store();
    for (std::size_t k = 0; k < 2500; ++k) {
        const AttrEntry& a = file.Tags[k].Attrs[0];
        const AttrEntry& b = one_by_one.Tags[k].Attrs[0];
        EXPECT_EQ(a.Code, b.Code) << k;
        EXPECT_EQ(a.Target.view(), b.Target.view()) << k;
        EXPECT_EQ(a.Warnings.size(), b.Warnings.size()) << k;
    }

    // A target longer than what the batch keeps between files.
    const std::u16string huge(1 << 17, u'h');
    file.Tags[1].Attrs[0].Value = huge;
    ResolveLink(file, 1, 0, base, set, &later);
    later.Store();
    EXPECT_EQ(file.Tags[1].Attrs[0].Target.view(), uR"(C:\site\sub\)" + huge);

    // Forgotten targets leave their attributes alone.
    file.Tags[0].Attrs[0].Target.clear();
    ResolveLink(file, 0, 0, base, set, &later);
    later.Clear();
    later.Store();
    EXPECT_TRUE(file.Tags[0].Attrs[0].Target.empty());
}
