#include "app/RunStages.h"

#include "engine/Codes.h"
#include "engine/ScanFile.h"
#include "lib/VornFileList.h"
#include "lib/VornFilePath.h"
#include "verify/Anchors.h"
#include "verify/TagChecks.h"
#include "verify/VerifyLink.h"

namespace app {

std::u16string BaseUrlHead(const CheckSet& set) {
    if (set.Url.empty()) return {};
    return VornFilePath::SplitPath(set.Url, u"").Head;
}

StringList IgnorePatterns(std::uint8_t enabled, const StringList& patterns) {
    StringList out{u""};
    if (enabled == 1 && VornFileList::ToLikePatterns(out, patterns) != 0) out = {u""};
    return out;
}

SearchResult SearchFiles(const CheckSet& set, StringList& found, PathList::PathEntries& paths,
                         std::int32_t& find_result, VornFileList::UnsearchedList* unsearched,
                         std::vector<std::int64_t>* sizes) {
    const StringList every{u"*"};
    const StringList file_ignore = IgnorePatterns(set.FilePatternXEnabled, set.FilePatternX);
    const StringList dir_ignore = IgnorePatterns(set.DirPatternXEnabled, set.DirPatternX);
    found = {u""};
    find_result =
        VornFileList::FindFiles(found, set.LocalPath, every, file_ignore, set.FileAttribute, every,
                                dir_ignore, set.DirAttribute, true, true, unsearched, sizes);
    if (found.empty() || found[0].empty()) return SearchResult::NoFiles;
    paths.resize(found.size());
    for (std::size_t k = 0; k < found.size(); ++k)
        paths[k] = {found[k], static_cast<std::int32_t>(k)};
    if (PathList::SortPaths(paths, 0, static_cast<std::int32_t>(paths.size()) - 1))
        return SearchResult::SortFailed;
    return SearchResult::Found;
}

void ScanAndCheck(HtmlLink::FileEntry& entry, const std::u16string& path, const CheckSet& set,
                  const std::u16string& base_url_head) {
    entry.Path = path;
    if (HtmlLink::ScanFile(entry, set.HtmlFileLikePattern, set.ModernHtml == 1) ==
        HtmlLink::ScanOk) {
        HtmlLink::CheckFileTags(entry, base_url_head, set);
        HtmlLink::CheckAnchorDefinitions(entry, set);
    }
}

namespace {

// The local links of a file, one after the other.
class LocalLinks {
public:
    explicit LocalLinks(HtmlLink::FileEntry& file) : file_(file), tags_(UsedCount(file.Tags)) {}

    HtmlLink::AttrEntry* Next() noexcept {
        for (; tag_ < tags_; ++tag_, attr_ = 0) {
            HtmlLink::TagEntry& tag = file_.Tags[tag_];
            if (attr_ == 0) attrs_ = UsedCount(tag.Attrs);
            while (attr_ < attrs_) {
                HtmlLink::AttrEntry& attr = tag.Attrs[attr_++];
                if (HtmlLink::IsLocalLink(attr.Code)) return &attr;
            }
        }
        return nullptr;
    }

private:
    HtmlLink::FileEntry& file_;
    const std::size_t tags_;
    std::size_t tag_ = 0, attr_ = 0, attrs_ = 0;
};

}  // namespace

bool VerifyFileLinks(HtmlLink::RunContext& run, std::size_t file_index) {
    using namespace HtmlLink;
    FileEntry& file = (*run.Files)[file_index];
    if (file.Status != ScanOk) return false;
    // A second walk a few links ahead starts fetching what each one's verification reads
    // first, on a big site mostly from memory; a third, halfway, what those reads lead to.
    LocalLinks ahead(file), halfway(file), links(file);
    constexpr int kAhead = 8;
    for (int k = 0; k < kAhead; ++k) {
        if (const AttrEntry* next = ahead.Next()) PrefetchLink(run, *next);
        if (k >= kAhead / 2) {
            if (const AttrEntry* next = halfway.Next()) PrefetchLinkTarget(run, *next);
        }
    }
    bool failed = false;
    std::size_t calls = 0;
    while (AttrEntry* attr = links.Next()) {
        // Links left here keep their codes and are logged as not checked.
        if (Stopping(calls)) return failed;
        if (const AttrEntry* next = ahead.Next()) PrefetchLink(run, *next);
        if (const AttrEntry* next = halfway.Next()) PrefetchLinkTarget(run, *next);
        if (VerifyLink(run, *attr, file.Encoding)) failed = true;
    }
    return failed;
}

}  // namespace app
