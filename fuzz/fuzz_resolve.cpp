// Path resolution and the wildcard matchers. The input's lines are link values put into a
// page below a small site in memory; each is resolved and verified as a run does. Pairs of
// lines also go through both wildcard languages and the path routines.
#include <cstdlib>

#include "engine/LinkTags.h"
#include "engine/ScanFile.h"
#include "fuzz/FuzzInput.h"
#include "lib/VornText.h"
#include "lib/VornFilePath.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/MemoryFileSystem.h"
#include "verify/Resolve.h"
#include "verify/RunContext.h"
#include "verify/TagChecks.h"
#include "verify/VerifyLink.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool table_built = (HtmlLink::BuildLinkTagTable(), true);
    (void)table_built;
    if (size < 1) return 0;
    const std::uint8_t flags = data[0];
    const auto lines = fuzz::Lines(fuzz::Bytes(data + 1, size - 1), 16);
    std::vector<std::u16string> texts;
    for (std::string_view l : lines) texts.push_back(fuzz::Text(l));

    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::u16string& a = texts[i];
        const std::u16string& b = texts[(i + 1) % texts.size()];
        VornText::Like(a, b);
        platform::MatchFileWildcard(a, b);
        const VornFilePath::PathSplit split = VornFilePath::SplitPath(a, flags & 1 ? u"/" : u"");
        std::vector<std::u16string> parts;
        VornFilePath::SplitString(split.Directory, flags & 1 ? u"/" : u"\\", parts);
        std::u16string resolved;
        VornFilePath::ResolveRelativePath(split.Head, parts, b, flags & 1 ? u"/" : u"\\",
                                          resolved);
        VornFilePath::CheckPathName(a, flags & 2, flags & 4, flags & 8);
        HtmlLink::ClassifyReference(a);
        HtmlLink::IsMailAddress(a);
    }

    platform::MemoryFileSystem fs;
    platform::ScopedFileSystem use(fs);
    fs.AddFile(uR"(C:\site\index.html)", "<a name=top>x</a>");
    fs.AddFile(uR"(C:\site\a b\Page.HTM)", "<p id=x>");
    fs.AddFile(uR"(C:\site\img\pic.gif)", "GIF89a");
    fs.AddDirectory(uR"(C:\site\empty)");
    fs.AddFile(uR"(C:\other\file.htm)", "");

    CheckSet set = NewCheckSet();
    set.Name = u"fuzz";
    set.LocalPath = uR"(C:\site\)";
    set.Url = flags & 16 ? u"http://example.jp/~u/" : u"";
    set.AllowBackSlash = (flags >> 5) & 1;
    set.AllowLocalFullPath = (flags >> 6) & 1;
    set.CheckBaseDirOver = flags >> 7;
    HtmlLink::ToLikePatterns(set.HtmlFileLikePattern, set.HtmlFilePattern);

    std::u16string page;
    const char16_t* const kTags[] = {u"<base href=\"", u"<a href=\"", u"<img src=\"",
                                     u"<link rel=stylesheet href=\"", u"<form action=\""};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::u16string value = texts[i];
        std::erase(value, u'"');
        page += (i == 0 && (flags & 1) ? kTags[0] : kTags[1 + i % 4]) + value + u"\">\n";
    }
    HtmlLink::FileTable files(1);
    files[0].Path = uR"(C:\site\a b\page.htm)";
    fs.AddFile(files[0].Path, platform::Utf16ToCp932(page));
    if (HtmlLink::ScanFile(files[0], set.HtmlFileLikePattern) != HtmlLink::ScanOk) return 0;
    HtmlLink::CheckFileTags(files[0], flags & 16 ? u"http://example.jp" : u"", set);

    PathList::PathEntries paths{{files[0].Path, 0}};
    Settings options;
    HtmlLink::RunContext run;
    run.Set = &set;
    run.Options = &options;
    run.Files = &files;
    run.Paths = &paths;
    HtmlLink::VerifyCache cache;
    run.Cache = &cache;
    for (HtmlLink::TagEntry& tag : files[0].Tags) {
        for (HtmlLink::AttrEntry& attr : tag.Attrs) {
            if (!attr.Name.empty() && attr.Code < 10) HtmlLink::VerifyLink(run, attr);
        }
    }
    return 0;
}
