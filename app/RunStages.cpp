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

bool VerifyFileLinks(HtmlLink::RunContext& run, std::size_t file_index) {
    using namespace HtmlLink;
    FileEntry& file = (*run.Files)[file_index];
    if (file.Status != ScanOk) return false;
    bool failed = false;
    std::size_t calls = 0;
    const std::size_t tags = UsedCount(file.Tags);
    for (std::size_t t = 0; t < tags; ++t) {
        TagEntry& tag = file.Tags[t];
        const std::size_t attrs = UsedCount(tag.Attrs);
        for (std::size_t a = 0; a < attrs; ++a) {
            // Links left here keep their codes and are logged as not checked.
            if (Stopping(calls)) return failed;
            if (IsLocalLink(tag.Attrs[a].Code) && VerifyLink(run, tag.Attrs[a], file.Encoding))
                failed = true;
        }
    }
    return failed;
}

}  // namespace app
