#include "verify/VerifyLink.h"

#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "engine/VornHtml.h"
#include "engine/Warnings.h"
#include "lib/VornFileList.h"
#include "lib/WebText.h"
#include "platform/Chars.h"
#include "platform/FileNameCompare.h"
#include "platform/FileSystem.h"
#include "platform/HostPath.h"
#include "platform/Text.h"

namespace HtmlLink {
namespace {

struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::u16string_view s) const noexcept {
        return std::hash<std::u16string_view>{}(s);
    }
};
struct TextEqual {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const noexcept { return a == b; }
};

template <class Value>
using TextMap = std::unordered_map<std::u16string, Value, TextHash, TextEqual>;

// The verification of this link failed inside: true, with code 99 and its warning.
bool Failed(AttrEntry& attr) {
    attr.Code = kVerifyFailed;
    AddWarning(attr.Warnings, kVerifyFailed, msg::kVerifyFailed);
    return true;
}

void Report(AttrEntry& attr, std::int32_t code, std::u16string_view text) {
    attr.Code = code;
    AddWarning(attr.Warnings, code, text);
}

bool EndsWithSeparator(std::u16string_view t) {
    return !t.empty() && (t.back() == u'\\' || t.back() == u'/');
}

std::u16string_view After(std::u16string_view text, std::size_t n) {
    return n < text.size() ? text.substr(n) : std::u16string_view();
}

// The anchor attribute an entry points at, or null when its indexes lead nowhere.
const AttrEntry* AnchorAttr(const FileEntry& file, const AnchorEntry& anchor) {
    if (anchor.TagIndex < 0 || static_cast<std::size_t>(anchor.TagIndex) >= file.Tags.size())
        return nullptr;
    const TagEntry& tag = file.Tags[static_cast<std::size_t>(anchor.TagIndex)];
    if (anchor.AttrIndex < 0 || static_cast<std::size_t>(anchor.AttrIndex) >= tag.Attrs.size())
        return nullptr;
    return &tag.Attrs[static_cast<std::size_t>(anchor.AttrIndex)];
}

bool Modern(const RunContext& run) { return run.Set && run.Set->ModernHtml == 1; }

void CountFileLink(RunContext& run, FileEntry& file, std::size_t file_index) {
    if (!run.Counts) {
        ++file.LinkCount;
        return;
    }
    std::vector<std::int32_t>& counts = run.Counts->Files;
    if (counts.size() <= file_index) counts.resize(run.Files->size());
    ++counts[file_index];
}

void CountAnchorLink(RunContext& run, AnchorEntry& entry, std::size_t file_index,
                     std::size_t anchor_index) {
    if (!run.Counts) {
        ++entry.LinkCount;
        return;
    }
    auto& files = run.Counts->Anchors;
    if (files.size() <= file_index) files.resize(run.Files->size());
    std::vector<std::int32_t>& counts = files[file_index];
    if (counts.size() <= anchor_index) counts.resize((*run.Files)[file_index].Anchors.size());
    ++counts[anchor_index];
}

}  // namespace

std::u16string AnchorName(const AttrEntry& attr, bool modern) {
    const std::u16string_view name = VornHtml::Unquote(attr.Value);
    return modern ? WebText::DecodeCharRefs(name) : std::u16string(name);
}

struct VerifyCache::Impl {
    // The search's answer about the site, built once: the files it found (views into the path
    // list, which outlives the cache) and every directory above them.
    bool site_known = false;
    std::unordered_set<std::u16string_view, TextHash, TextEqual> site_files;
    std::unordered_set<std::u16string, TextHash, TextEqual> site_dirs;
    // Folded names of every entry of a site directory, listed the first time a name in it was
    // not found: the names that are surely missing cost no file system call after that.
    TextMap<std::unordered_set<std::u16string, TextHash, TextEqual>> listings;
    TextMap<VornFilePath::PathKind> kinds;
    TextMap<std::int32_t> positions;
    struct FileAnchors {
        bool usable = false;
        TextMap<std::vector<std::int32_t>> positions;
    };
    std::unordered_map<std::int32_t, FileAnchors> anchors;
};

VerifyCache::VerifyCache() : impl_(std::make_unique<Impl>()) {}
VerifyCache::~VerifyCache() = default;

namespace {

bool IsPlainName(std::u16string_view name) {
    return !name.empty() && name != u"." && name != u".." &&
           name.find_first_of(u"/*?:") == name.npos;
}

// What the site index can tell without the file system; nullopt when only the disk knows.
std::optional<VornFilePath::PathKind> KindFromSite(VerifyCache::Impl& impl,
                                                   std::u16string_view path) {
    while (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
    if (path.empty() || path.find_first_of(u"*?") != path.npos) return std::nullopt;
    if (impl.site_files.contains(path)) return VornFilePath::PathKind::File;
    if (impl.site_dirs.contains(path)) return VornFilePath::PathKind::Directory;
    const std::size_t cut = path.rfind(u'\\');
    if (cut == path.npos) return std::nullopt;
    const std::u16string_view dir = path.substr(0, cut);
    const std::u16string_view name = path.substr(cut + 1);
    if (!IsPlainName(name) || !impl.site_dirs.contains(dir)) return std::nullopt;
    auto listed = impl.listings.find(dir);
    if (listed == impl.listings.end()) {
        std::vector<platform::DirEntry> entries;
        const std::uint8_t any = platform::kReadOnly | platform::kHidden | platform::kSystem |
                                 platform::kDirectory;
        if (platform::Fs().List(std::u16string(dir) + u"\\*", any, entries) !=
            platform::ListResult::Ok)
            return std::nullopt;
        std::unordered_set<std::u16string, TextHash, TextEqual> names;
        for (const platform::DirEntry& e : entries) names.insert(platform::FoldCase(e.Name));
        listed = impl.listings.emplace(std::u16string(dir), std::move(names)).first;
    }
    // A name the listing holds in some letter case is looked up as before.
    if (listed->second.contains(platform::FoldCase(name))) return std::nullopt;
    return VornFilePath::PathKind::None;
}

void LearnSite(VerifyCache::Impl& impl, const RunContext& run) {
    impl.site_known = true;
    if (!run.Paths || !run.Files) return;
    for (const PathList::PathEntry& entry : *run.Paths) {
        const std::u16string_view path = entry.Path;
        if (path.empty()) continue;
        // A file that could not be read may be gone since the search: the disk decides.
        if (entry.FileIndex >= 0 && static_cast<std::size_t>(entry.FileIndex) < run.Files->size() &&
            (*run.Files)[static_cast<std::size_t>(entry.FileIndex)].Status == ScanReadFailed)
            continue;
        impl.site_files.insert(path);
        // Every directory above a found file exists; the bare drive is left to the disk.
        for (std::size_t cut = path.rfind(u'\\'); cut != path.npos && cut > 2;
             cut = path.rfind(u'\\', cut - 1)) {
            if (!impl.site_dirs.emplace(path.substr(0, cut)).second) break;
        }
    }
}

}  // namespace

VornFilePath::PathKind VerifyCache::PathKind(const RunContext& run,
                                             std::u16string_view path) noexcept try {
    auto found = impl_->kinds.find(path);
    if (found != impl_->kinds.end()) return found->second;
    if (!impl_->site_known) LearnSite(*impl_, run);
    const std::optional<VornFilePath::PathKind> known = KindFromSite(*impl_, path);
    const VornFilePath::PathKind kind = known ? *known : VornFilePath::GetPathKind(path);
    impl_->kinds.emplace(std::u16string(path), kind);
    return kind;
} catch (...) {
    return VornFilePath::GetPathKind(path);
}

namespace {

std::int32_t FindInList(const PathList::PathEntries& paths, std::u16string_view path) {
    if (paths.empty()) return -1;
    return PathList::FindPath(paths, path, 0, static_cast<std::int32_t>(paths.size()) - 1);
}

}  // namespace

std::int32_t VerifyCache::FindPath(const PathList::PathEntries& paths,
                                   std::u16string_view path) noexcept try {
    auto found = impl_->positions.find(path);
    if (found != impl_->positions.end()) return found->second;
    const std::int32_t position = FindInList(paths, path);
    impl_->positions.emplace(std::u16string(path), position);
    return position;
} catch (...) {
    return FindInList(paths, path);
}

const std::vector<std::int32_t>* VerifyCache::AnchorsNamed(const FileTable& files,
                                                           std::int32_t file_index,
                                                           std::u16string_view anchor,
                                                           bool modern) noexcept
    try {
    static const std::vector<std::int32_t> none;
    if (file_index < 0 || static_cast<std::size_t>(file_index) >= files.size()) return nullptr;
    auto [slot, added] = impl_->anchors.try_emplace(file_index);
    Impl::FileAnchors& index = slot->second;
    if (added) {
        const FileEntry& file = files[static_cast<std::size_t>(file_index)];
        const std::size_t n = UsedCount(file.Anchors);
        for (std::size_t k = 0; k < n; ++k) {
            const AttrEntry* attr = AnchorAttr(file, file.Anchors[k]);
            // A broken entry is left to the walk over the list, which fails where it stands.
            if (!attr) return nullptr;
            const std::u16string name = AnchorName(*attr, modern);
            auto at = index.positions.find(name);
            if (at == index.positions.end())
                at = index.positions.emplace(name, std::vector<std::int32_t>()).first;
            at->second.push_back(static_cast<std::int32_t>(k));
        }
        index.usable = true;
    }
    if (!index.usable) return nullptr;
    auto at = index.positions.find(anchor);
    return at == index.positions.end() ? &none : &at->second;
} catch (...) {
    return nullptr;
}

bool LookupAnchor(RunContext& run, std::int32_t file_index, std::u16string_view anchor,
                  AttrEntry& attr) try {
    if (!run.Files || file_index < 0 || static_cast<std::size_t>(file_index) >= run.Files->size())
        return true;
    FileEntry& file = (*run.Files)[static_cast<std::size_t>(file_index)];
    const bool same_page = VornHtml::Unquote(attr.Value).starts_with(u'#');

    std::int32_t code = kAnchorMissing;
    int matches = 0;
    // True when the walk is over.
    const auto index = static_cast<std::size_t>(file_index);
    auto count_match = [&](AnchorEntry& entry) {
        ++matches;
        CountAnchorLink(run, entry, index, static_cast<std::size_t>(&entry - file.Anchors.data()));
        CountFileLink(run, file, index);
        if (entry.Duplicate < 2) {
            code = kVerified;
            return true;
        }
        // Every exact twin is counted as reached; the warning is given once.
        if (matches == 1) code = kAnchorDuplicated;
        return false;
    };

    const bool modern = Modern(run);
    const std::vector<std::int32_t>* named =
        run.Cache ? run.Cache->AnchorsNamed(*run.Files, file_index, anchor, modern) : nullptr;
    if (named) {
        for (std::int32_t k : *named) {
            if (static_cast<std::size_t>(k) >= file.Anchors.size()) return true;
            if (count_match(file.Anchors[static_cast<std::size_t>(k)])) break;
        }
    } else {
        for (AnchorEntry& entry : file.Anchors) {
            if (!InUse(entry)) break;
            const AttrEntry* target = AnchorAttr(file, entry);
            if (!target) return true;
            if (AnchorName(*target, modern) == anchor && count_match(entry)) break;
        }
    }
    // The file itself is reached; the missing anchor is the link's one warning.
    if (modern && matches == 0) CountFileLink(run, file, index);

    attr.Code = code;
    if (code == kAnchorMissing) {
        std::u16string text(msg::kAnchorMissing);
        if (!same_page) text += msg::kFileExists;
        AddWarning(attr.Warnings, code, text);
    } else if (code == kAnchorDuplicated) {
        std::u16string text(msg::kAnchorDuplicated1);
        text += same_page ? msg::kInThisPage : msg::kInTargetFile;
        text += msg::kAnchorDuplicated2;
        AddWarning(attr.Warnings, code, text);
    }
    return false;
} catch (...) {
    return true;
}

namespace {

// The scan keeps stylesheet references under these names, which no tag attribute has.
bool FromStylesheet(const AttrEntry& attr) {
    return attr.Name == u"url" || attr.Name == u"@import" ||
           (attr.Name.size() == 5 && AsciiLower(attr.Name[0]) == u's' &&
            AsciiLower(attr.Name[1]) == u't' && AsciiLower(attr.Name[2]) == u'y' &&
            AsciiLower(attr.Name[3]) == u'l' && AsciiLower(attr.Name[4]) == u'e');
}

bool IsTop(std::u16string_view anchor) {
    return anchor.size() == 3 && AsciiLower(anchor[0]) == u't' && AsciiLower(anchor[1]) == u'o' &&
           AsciiLower(anchor[2]) == u'p';
}

bool HasAnchor(RunContext& run, std::int32_t file_index, std::u16string_view anchor) {
    const bool modern = Modern(run);
    if (run.Cache) {
        const std::vector<std::int32_t>* named =
            run.Cache->AnchorsNamed(*run.Files, file_index, anchor, modern);
        if (named) return !named->empty();
    }
    const FileEntry& file = (*run.Files)[static_cast<std::size_t>(file_index)];
    for (const AnchorEntry& entry : file.Anchors) {
        if (!InUse(entry)) break;
        const AttrEntry* a = AnchorAttr(file, entry);
        if (a && AnchorName(*a, modern) == anchor) return true;
    }
    return false;
}

}  // namespace

bool VerifyLink(RunContext& run, AttrEntry& attr, std::uint8_t page_encoding) try {
    if (!run.Set || !run.Options || !run.Files || !run.Paths) return Failed(attr);
    const CheckSet& set = *run.Set;
    FileTable& files = *run.Files;
    const PathList::PathEntries& paths = *run.Paths;

    const bool modern = set.ModernHtml == 1;
    std::u16string t = attr.Target.str();
    std::u16string anchor;
    bool separator_before_hash = false;
    if (modern) {
        // The fragment is everything after the first '#', a '?' in it included; the query
        // belongs to the path before it.
        if (const std::size_t h = t.find(u'#'); h != t.npos) {
            anchor = t.substr(h + 1);
            t.resize(h);
        }
    }
    if (const std::size_t q = t.find(u'?'); q != t.npos) {
        t.resize(q);
        if (t.empty()) return Failed(attr);
    }
    if (modern) {
        separator_before_hash = attr.Target.find(u'#') != std::u16string::npos && EndsWithSeparator(t);
    } else {
        if (const std::size_t h = t.find(u'#'); h != t.npos) {
            anchor = t.substr(h + 1);
            t.resize(h);
            separator_before_hash = EndsWithSeparator(t);
        }
    }
    // A stylesheet's fragment names an element of an SVG or a font, which is not looked up.
    if (modern && FromStylesheet(attr)) anchor.clear();

    std::vector<std::u16string> candidates;  // a directory's default documents, in order
    bool is_file = false;
    bool default_document = false;
    auto kind_of = [&](std::u16string_view path) {
        return run.Cache ? run.Cache->PathKind(run, path) : VornFilePath::GetPathKind(path);
    };
    VornFilePath::PathKind kind = kind_of(t);
    if (modern && kind == VornFilePath::PathKind::None && t.find(u'%') != t.npos) {
        // A name that really holds the '%' sequence has won above; otherwise the bytes are
        // read as UTF-8 first, then as the Japanese code page.
        const auto page = static_cast<WebText::PageEncoding>(page_encoding);
        for (const WebText::PageEncoding encoding :
             {WebText::kUtf8, page == WebText::kEucJp ? WebText::kEucJp : WebText::kShiftJis}) {
            std::u16string decoded;
            if (!WebText::PercentDecode(t, encoding, decoded) || decoded == t) continue;
            const VornFilePath::PathKind k = kind_of(decoded);
            if (k != VornFilePath::PathKind::None) {
                t = std::move(decoded);
                kind = k;
                break;
            }
        }
    }
    switch (kind) {
        case VornFilePath::PathKind::File:
            // The kind ignores trailing backslashes, so 'a.htm\' still names the file.
            if (!t.empty() && t.back() == u'\\') {
                Report(attr, kTrailingSeparator, msg::kTrailingSeparator);
                return false;
            }
            is_file = true;
            break;
        case VornFilePath::PathKind::Directory:
            if (t.empty() || t.back() != u'\\') t += u'\\';
            for (const std::u16string& document : set.DefaultDocument) {
                if (document.empty()) break;
                candidates.push_back(t + document);
                default_document = true;
            }
            break;
        default:
            // Below a directory the search could not read, 'missing' would be a guess.
            if (run.Unsearched && VornFileList::InUnsearched(*run.Unsearched, t)) {
                Report(attr, kInUnsearched, msg::kInUnsearched);
                return false;
            }
            Report(attr, kTargetMissing, msg::kTargetMissing);
            return false;
    }

    auto position_of = [&](std::u16string_view path) {
        return run.Cache ? run.Cache->FindPath(paths, path) : FindInList(paths, path);
    };
    // A file is its own one candidate, looked up without a copy.
    std::int32_t position = is_file ? position_of(t) : -1;
    const std::u16string* hit = is_file ? &t : nullptr;
    for (const std::u16string& candidate : candidates) {
        if (position >= 0) break;
        position = position_of(candidate);
        hit = &candidate;
    }

    if (position < 0) {
        const bool inside_by_name =
            VornFileList::CompareFileNames(std::u16string_view(t).substr(0, set.LocalPath.size()),
                                           set.LocalPath) == 0;
        // Below the base directory by name, but through a symbolic link that leads out of it:
        // the search did not enter it, so the target is judged as one outside the base.
        const bool outside_by_link = inside_by_name && !platform::Fs().IsWithin(t, set.LocalPath);
        if (outside_by_link && !is_file) {
            for (const std::u16string& candidate : candidates) {
                if (kind_of(candidate) == VornFilePath::PathKind::File) {
                    is_file = true;
                    break;
                }
            }
        }
        if (!is_file) {
            attr.Code = kVerified;
            if (set.AlertDirListing != 0) {
                Report(attr, kDirectoryListing,
                       std::u16string(msg::kNoDefaultDocument1) +
                           std::u16string(msg::kNoDefaultDocument2));
            }
            if (!anchor.empty()) {
                Report(attr, kAnchorOnBareDirectory,
                       std::u16string(msg::kAnchorOnBareDirectory1) +
                           std::u16string(msg::kAnchorOnBareDirectory2));
            }
        } else if (run.Unsearched && VornFileList::InUnsearched(*run.Unsearched, t)) {
            Report(attr, kInUnsearched, msg::kInUnsearched);
        } else if (inside_by_name && !outside_by_link) {
            // Inside the base directory, so the search must have left it out on purpose.
            Report(attr, kTargetIgnored, msg::kTargetIgnored);
        } else if (!anchor.empty()) {
            Report(attr, kOutsideWithAnchor,
                   std::u16string(msg::kOutsideBaseDir1) + std::u16string(msg::kOutsideBaseDir2));
        } else {
            attr.Code = kOutsideBaseDir;
        }
        return false;
    }

    const std::u16string& found = *hit;
    const std::int32_t target_index = paths[static_cast<std::size_t>(position)].FileIndex;
    if (target_index < 0 || static_cast<std::size_t>(target_index) >= files.size())
        return Failed(attr);
    FileEntry& target = files[static_cast<std::size_t>(target_index)];

    if (anchor.empty()) {
        attr.Target.assign(found);
    } else {
        attr.Target.assign({found, u"#", anchor});
    }

    // The lookup ignores letter case; this is where a difference below the base directory is
    // told. The base directory itself is compared as the user typed it, so it is left out.
    if (run.Options->FileNameCaseSensitive == 1) {
        const std::size_t n = set.LocalPath.size();
        if (After(found, n) != After(paths[static_cast<std::size_t>(position)].Path, n))
            Report(attr, kCaseMismatch, msg::kCaseMismatch);
    }

    if (anchor.empty()) {
        attr.Code = kVerified;
        CountFileLink(run, target, static_cast<std::size_t>(target_index));
        return false;
    }
    if (default_document && !separator_before_hash) {
        Report(attr, kNoSeparatorBeforeHash,
               std::u16string(msg::kNoSeparatorBeforeHash1) +
                   std::u16string(msg::kNoSeparatorBeforeHash2));
    }

    std::u16string_view reason;
    std::int32_t code = 0;
    switch (target.Status) {
        case ScanOk:
            if (modern) {
                if (anchor.find(u'%') != anchor.npos) {
                    std::u16string decoded;
                    if (WebText::PercentDecode(anchor, WebText::kUtf8, decoded) &&
                        !HasAnchor(run, target_index, anchor) &&
                        HasAnchor(run, target_index, decoded))
                        anchor = std::move(decoded);
                }
                // '#top' is the top of the page unless the page names an anchor so.
                if (IsTop(anchor) && !HasAnchor(run, target_index, anchor)) {
                    attr.Code = kVerified;
                    CountFileLink(run, target, static_cast<std::size_t>(target_index));
                    return false;
                }
            }
            // A failed lookup would leave a Code below 10, which the log reads as never verified.
            if (LookupAnchor(run, target_index, anchor, attr)) return Failed(attr);
            return false;
        case ScanNotHtml:
            code = kTargetNotHtml;
            reason = msg::kNotHtmlTarget;
            break;
        case ScanReadFailed:
            code = kTargetUnreadable;
            reason = msg::kUnreadableTarget;
            break;
        default:
            code = kTargetUnparsable;
            reason = msg::kUnparsableTarget;
            break;
    }
    Report(attr, code,
           std::u16string(reason) + std::u16string(msg::kCannotSearchAnchor) +
               std::u16string(msg::kFileItselfReached));
    return false;
} catch (...) {
    return Failed(attr);
}

void AddLinkCounts(FileTable& files, const LinkCounts& counts) {
    for (std::size_t i = 0; i < counts.Files.size() && i < files.size(); ++i)
        files[i].LinkCount += counts.Files[i];
    for (std::size_t i = 0; i < counts.Anchors.size() && i < files.size(); ++i) {
        std::vector<AnchorEntry>& anchors = files[i].Anchors;
        for (std::size_t k = 0; k < counts.Anchors[i].size() && k < anchors.size(); ++k)
            anchors[k].LinkCount += counts.Anchors[i][k];
    }
}

std::int32_t NormalizeList(std::vector<std::u16string>& list) try {
    std::vector<std::u16string> kept;
    std::unordered_set<std::u16string> seen;
    for (const std::u16string& entry : list) {
        std::u16string trimmed = VornFilePath::TrimBlanksAndQuotes(entry);
        if (trimmed.empty()) continue;
        // The first spelling of a name survives; later ones equal to it once folded go.
        if (!seen.insert(VornFileList::FoldCase(trimmed)).second) continue;
        kept.push_back(std::move(trimmed));
    }
    const auto count = static_cast<std::int32_t>(kept.size());
    if (kept.empty()) kept.emplace_back();
    list = std::move(kept);
    return count;
} catch (...) {
    return -1;
}

}  // namespace HtmlLink
