#include "testutil/SiteBuilder.h"

#include <gtest/gtest.h>

#include "app/RunStages.h"
#include "engine/LinkTags.h"
#include "engine/ScanFile.h"
#include "engine/VornHtml.h"
#include "platform/Cp932.h"
#include "verify/Anchors.h"

namespace testutil {

SiteBuilder::SiteBuilder() {
    Set.Name = u"test";
    Set.LocalPath = uR"(C:\site\)";
    Set.DefaultDocument = {u"index.html"};
    Set.HtmlFilePattern = {u"*.htm*"};
    Set.FileAttribute = 1;
    Set.DirAttribute = 1;
    Fs.AddDirectory(uR"(C:\site)");
}

std::u16string SiteBuilder::Full(std::u16string_view path) const {
    if (path.size() >= 2 && path[1] == u':') return std::u16string(path);
    return Set.LocalPath + std::u16string(path);
}

void SiteBuilder::Page(std::u16string_view path, std::u16string_view html) {
    Fs.AddFile(Full(path), platform::Utf16ToCp932(html));
}

void SiteBuilder::File(std::u16string_view path, std::string_view bytes) {
    Fs.AddFile(Full(path), bytes);
}

void SiteBuilder::Directory(std::u16string_view path) { Fs.AddDirectory(Full(path)); }

void SiteBuilder::Scan() {
    using namespace HtmlLink;
    platform::ScopedFileSystem use(Fs);
    BuildLinkTagTable();
    ASSERT_EQ(ToLikePatterns(Set.HtmlFileLikePattern, Set.HtmlFilePattern), 0);
    StringList found;
    std::int32_t find_result = 0;
    ASSERT_EQ(app::SearchFiles(Set, found, Paths, find_result), app::SearchResult::Found);
    const std::u16string head = app::BaseUrlHead(Set);
    Files.assign(found.size(), FileEntry{});
    for (std::size_t k = 0; k < found.size(); ++k) app::ScanAndCheck(Files[k], found[k], Set, head);
}

void SiteBuilder::Verify(bool use_cache) {
    using namespace HtmlLink;
    platform::ScopedFileSystem use(Fs);
    RunContext run;
    run.Set = &Set;
    run.Options = &Options;
    run.Files = &Files;
    run.Paths = &Paths;
    VerifyCache cache;
    run.Cache = use_cache ? &cache : nullptr;
    for (std::size_t i = 0; i < Files.size(); ++i) EXPECT_FALSE(app::VerifyFileLinks(run, i));
    EXPECT_FALSE(ReportUnlinked(run));
}

HtmlLink::FileEntry& SiteBuilder::FileOf(std::u16string_view path) {
    const std::u16string full = Full(path);
    for (HtmlLink::FileEntry& file : Files) {
        if (file.Path == full) return file;
    }
    ADD_FAILURE() << "no file entry for the path";
    static HtmlLink::FileEntry none;
    none = {};
    return none;
}

HtmlLink::AttrEntry& SiteBuilder::Attr(std::u16string_view path, std::u16string_view value, int n) {
    for (HtmlLink::TagEntry& tag : FileOf(path).Tags) {
        for (HtmlLink::AttrEntry& attr : tag.Attrs) {
            if (!attr.Name.empty() && VornHtml::Unquote(attr.Value) == value && n-- == 0)
                return attr;
        }
    }
    ADD_FAILURE() << "no such attribute";
    static HtmlLink::AttrEntry none;
    none = {};
    return none;
}

HtmlLink::AnchorEntry& SiteBuilder::AnchorOf(std::u16string_view path, std::u16string_view value,
                                             int n) {
    HtmlLink::FileEntry& file = FileOf(path);
    const HtmlLink::AttrEntry* wanted = &Attr(path, value, n);
    for (HtmlLink::AnchorEntry& anchor : file.Anchors) {
        if (anchor.TagIndex < 0) break;
        if (&file.Tags[anchor.TagIndex].Attrs[anchor.AttrIndex] == wanted) return anchor;
    }
    ADD_FAILURE() << "the attribute is no anchor";
    static HtmlLink::AnchorEntry none;
    none = {};
    return none;
}

std::vector<std::u16string> Texts(const HtmlLink::WarningList& list) {
    std::vector<std::u16string> out;
    for (const HtmlLink::WarningEntry& w : list) {
        if (!InUse(w)) break;
        out.push_back(w.Text.str());
    }
    return out;
}

std::vector<std::int32_t> Codes(const HtmlLink::WarningList& list) {
    std::vector<std::int32_t> out;
    for (const HtmlLink::WarningEntry& w : list) {
        if (!InUse(w)) break;
        out.push_back(w.Code);
    }
    return out;
}

}  // namespace testutil
