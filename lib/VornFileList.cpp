#include "lib/VornFileList.h"
#include "platform/Chars.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "lib/Parallel.h"
#include "lib/VornText.h"
#include "platform/FileSystem.h"

namespace VornFileList {
namespace {

constexpr std::uint8_t kSpecialBits = platform::kReadOnly | platform::kHidden | platform::kSystem;

// Index at which the next appended string lands: a free last element is filled first.
std::size_t LandingPosition(const StringList& list) {
    if (list.empty()) return 0;
    return list.back().empty() ? list.size() - 1 : list.size();
}

// Appending only ever fills the free slot or grows the list, so cutting back to the old size
// (and clearing the slot again) restores the list exactly, without keeping a copy of it.
struct RestorePoint {
    std::size_t size;
    bool free_slot;
    explicit RestorePoint(const StringList& list)
        : size(list.size()), free_slot(!list.empty() && list.back().empty()) {}
    void Restore(StringList& list) const noexcept try {
        list.resize(size);
        if (free_slot) list.back().clear();
        if (list.empty()) list.emplace_back();
    } catch (...) {
    }
};

// The empty list: one empty element. Reuses the storage, so it cannot fail once the list has
// held anything.
void MakeEmpty(StringList& list) noexcept try {
    list.resize(1);
    list.front().clear();
} catch (...) {
}

void Append(StringList& list, std::u16string&& text) {
    if (list.empty() || !list.back().empty())
        list.push_back(std::move(text));
    else
        list.back() = std::move(text);
}

std::u16string WithSeparator(std::u16string_view directory) {
    std::u16string d(directory);
    if (d.empty() || d.back() != u'\\') d += u'\\';
    return d;
}

bool Ignored(std::u16string_view name, const StringList& ignore) {
    if (ignore.empty() || ignore.front().empty()) return false;
    for (const std::u16string& pattern : ignore) {
        if (VornText::Like(name, pattern)) return true;
    }
    return false;
}

// The listing already leaves these out; checked again so that the masks mean the same whatever
// the file system does.
bool AdmittedByMask(std::uint8_t attributes, std::uint8_t mask) {
    if ((attributes & platform::kHidden) && !(mask & platform::kHidden)) return false;
    if ((attributes & platform::kSystem) && !(mask & platform::kSystem)) return false;
    return true;
}

// A total order: CompareFileNames first, code units only between names it calls equal, so the
// result never depends on the input order and identical strings end up side by side.
bool Before(const std::u16string& a, const std::u16string& b) noexcept {
    const int c = CompareFileNames(a, b);
    return c != 0 ? c < 0 : a < b;
}

// A file the listing admitted, with the size the listing gave for it.
struct ListedFile {
    std::u16string Path;
    std::int64_t Size;
};

std::int32_t CollectFilesListed(StringList& list, std::u16string_view directory,
                                const StringList& patterns, const StringList& ignore,
                                std::uint8_t mask, std::vector<ListedFile>* listed);

// What the listing of one directory found, before it joins the others.
struct DirectoryFiles {
    StringList Files{1};
    std::vector<ListedFile> Listed;
    std::vector<std::int64_t> Sizes;  // of Files, slot by slot
    std::int32_t Added = -1;
    bool Failed = false;
};

void FillSizes(const StringList& files, std::size_t first, std::vector<ListedFile>& listed,
               std::vector<std::int64_t>& sizes);

}  // namespace

std::int32_t FindFiles(StringList& files, std::u16string_view base_directory,
                       const StringList& file_patterns, const StringList& file_ignore,
                       std::uint8_t file_mask, const StringList& directory_patterns,
                       const StringList& directory_ignore, std::uint8_t directory_mask,
                       bool recurse, bool sort, UnsearchedList* unsearched,
                       std::vector<std::int64_t>* sizes) try {
    if (files.empty()) files.emplace_back();
    if (sizes) sizes->clear();
    StringList directories(1);
    if (!PathExists(base_directory)) return -2;
    const std::u16string base = WithSeparator(base_directory);
    if (recurse) {
        if (CollectDirectories(directories, base, directory_patterns, directory_ignore,
                               directory_mask, true, unsearched) < 0)
            return -3;
        if (sort &&
            SortStrings(directories, 0, static_cast<std::int32_t>(directories.size()) - 1)) {
            MakeEmpty(files);
            return -1;
        }
    } else {
        directories.front() = base;
    }
    // Each directory is listed, sorted and given its sizes on its own, on every core, and the
    // lists join in the order of the directories: the result is the same as one directory after
    // the other.
    std::vector<DirectoryFiles> per(directories.size());
    const auto list_one = [&](std::size_t d) noexcept {
        DirectoryFiles& out = per[d];
        // Only when the base vanished after the test above; "" would mean the drive's root.
        if (directories[d].empty()) return;
        try {
            out.Added = CollectFilesListed(out.Files, directories[d], file_patterns, file_ignore,
                                           file_mask, sizes ? &out.Listed : nullptr);
            if (out.Added >= 2 && sort &&
                SortStrings(out.Files, 0, static_cast<std::int32_t>(out.Files.size()) - 1))
                out.Failed = true;
            if (sizes && !out.Failed) FillSizes(out.Files, 0, out.Listed, out.Sizes);
        } catch (...) {
            out.Failed = true;
        }
    };
    parallel::OnThreads(directories.size(), std::min(parallel::ThreadCount(0), 4u), list_one);
    std::int32_t total = 0;
    for (DirectoryFiles& d : per) {
        if (d.Failed) {
            MakeEmpty(files);
            if (sizes) sizes->clear();
            return -1;
        }
        if (d.Added < 0) continue;
        for (std::size_t k = 0; k < d.Files.size(); ++k) {
            if (d.Files[k].empty()) continue;
            Append(files, std::move(d.Files[k]));
            if (sizes) {
                sizes->resize(files.size(), 0);
                sizes->back() = d.Sizes[k];
            }
        }
        total += d.Added;
        d = DirectoryFiles();
    }
    if (sizes) sizes->resize(files.size(), 0);
    return total;
} catch (...) {
    MakeEmpty(files);
    if (sizes) sizes->clear();
    return -1;
}

namespace {

// A subdirectory one listing found, with the identity the walk checks it against.
struct FoundDirectory {
    std::u16string Path;
    std::string Id;
};

// What listing one directory found, before the walk takes it in.
struct DirectoryListing {
    std::vector<FoundDirectory> Found;
    platform::ListResult Result = platform::ListResult::Ok;
    bool Failed = false;
};

// Lists `directory` under every pattern, as far as the first listing that fails, and looks at
// each subdirectory found: everything of the walk that does not depend on the others.
void ListDirectory(DirectoryListing& out, const std::u16string& directory,
                   const std::u16string& root, const StringList& patterns,
                   const StringList& ignore, std::uint8_t mask) noexcept try {
    platform::FileSystem& fs = platform::Fs();
    const std::uint8_t list_mask = (mask & kSpecialBits) | platform::kDirectory;
    std::vector<platform::DirEntry> entries;
    for (const std::u16string& pattern : patterns) {
        out.Result = fs.List(directory + pattern, list_mask | platform::kOnlyDirectories, entries);
        if (out.Result != platform::ListResult::Ok) return;
        for (const platform::DirEntry& e : entries) {
            if (e.Name.empty() || e.Name.front() == u'.') continue;
            if (!(e.Attributes & platform::kDirectory)) continue;
            if (!AdmittedByMask(e.Attributes, mask) || Ignored(e.Name, ignore)) continue;
            std::u16string path = directory + e.Name + u'\\';
            // A link to a place outside the start ('/', '..', another site) is not entered: its
            // files belong to no search of this tree.
            std::string id = fs.DirectoryIdentity(path);
            // One that cannot be looked at is kept, so that its listing fails and is told.
            if (!id.empty() && !fs.IsWithin(path, root)) continue;
            out.Found.push_back({std::move(path), std::move(id)});
        }
    }
} catch (...) {
    out.Failed = true;
}

}  // namespace

std::int32_t CollectDirectories(StringList& list, std::u16string_view start,
                                const StringList& patterns, const StringList& ignore,
                                std::uint8_t mask, bool recurse, UnsearchedList* unsearched) {
    const RestorePoint restore(list);
    const std::size_t unsearched_before = unsearched ? unsearched->size() : 0;
    const auto fail = [&] {
        restore.Restore(list);
        if (unsearched) unsearched->resize(unsearched_before);
        return -1;
    };
    try {
        const std::size_t first = LandingPosition(list);
        if (!PathExists(start)) {
            if (list.empty()) list.emplace_back();
            return 0;
        }
        platform::FileSystem& fs = platform::Fs();
        // Directories already entered, so that a link back up the tree is not walked again.
        std::unordered_set<std::string> entered;
        const std::u16string root = WithSeparator(start);
        if (std::string id = fs.DirectoryIdentity(root); !id.empty()) entered.insert(std::move(id));
        Append(list, std::u16string(root));
        // Level by level: the directories of a level are listed side by side, and what they
        // found is taken in one directory after the other, in the walk's order, so the list
        // and the directories entered are those of a walk of one directory at a time.
        for (std::size_t current = LandingPosition(list) - 1; current < list.size();) {
            const std::size_t level_end = recurse ? list.size() : current + 1;
            std::vector<DirectoryListing> listings(level_end - current);
            parallel::OnThreads(listings.size(), std::min(parallel::ThreadCount(0), 4u),
                                [&](std::size_t k) noexcept {
                                    ListDirectory(listings[k], list[current + k], root,
                                                  patterns, ignore, mask);
                                });
            for (std::size_t k = 0; k < listings.size(); ++k, ++current) {
                const DirectoryListing& listing = listings[k];
                if (listing.Failed) return fail();
                const std::size_t subdirectories = list.size();
                for (const FoundDirectory& d : listing.Found) {
                    if (!d.Id.empty() && !entered.insert(d.Id).second) continue;
                    list.push_back(d.Path);
                }
                if (listing.Result != platform::ListResult::Ok) {
                    // Unreadable or gone: it contributes nothing, the walk goes on; what could
                    // not be read is told, so its files are not silently missing.
                    list.resize(subdirectories);
                    if (unsearched && listing.Result != platform::ListResult::PathNotFound)
                        unsearched->push_back({list[current],
                                               listing.Result == platform::ListResult::TooLong});
                    continue;
                }
                if (list.size() - subdirectories >= 2 &&
                    SortUnique(list, static_cast<std::int32_t>(subdirectories)) < 0)
                    return fail();
            }
            if (!recurse) break;
        }
        return static_cast<std::int32_t>(list.size() - first);
    } catch (...) {
        return fail();
    }
}

bool InUnsearched(const UnsearchedList& unsearched, std::u16string_view path) noexcept {
    for (const UnsearchedDirectory& d : unsearched) {
        if (path.size() >= d.Path.size() &&
            CompareFileNames(path.substr(0, d.Path.size()), d.Path) == 0)
            return true;
    }
    return false;
}

namespace {

std::int32_t CollectFilesListed(StringList& list, std::u16string_view directory,
                                const StringList& patterns, const StringList& ignore,
                                std::uint8_t mask, std::vector<ListedFile>* listed) {
    const RestorePoint restore(list);
    try {
        if (directory.empty()) return -1;
        const std::size_t first = LandingPosition(list);
        const std::u16string dir = WithSeparator(directory);
        platform::FileSystem& fs = platform::Fs();
        std::vector<platform::DirEntry> entries;
        std::int32_t count = 0;
        for (const std::u16string& pattern : patterns) {
            if (fs.List(dir + pattern, mask & kSpecialBits, entries) != platform::ListResult::Ok) {
                restore.Restore(list);
                return -1;
            }
            for (const platform::DirEntry& e : entries) {
                if (e.Name.empty() || e.Name.front() == u'.') continue;
                if (e.Attributes & platform::kDirectory) continue;
                if (!AdmittedByMask(e.Attributes, mask) || Ignored(e.Name, ignore)) continue;
                Append(list, dir + e.Name);
                if (listed) listed->push_back({list.back(), e.Size});
                ++count;
            }
        }
        if (count >= 2) {
            const std::int32_t removed = SortUnique(list, static_cast<std::int32_t>(first));
            if (removed < 0) {
                restore.Restore(list);
                return -1;
            }
            count -= removed;
            if (list.front().empty()) count = 0;
        }
        if (list.empty()) list.emplace_back();
        return count;
    } catch (...) {
        restore.Restore(list);
        return -1;
    }
}

// The sizes of files[first..] looked up by exact path among what the listing gave: the sorts
// move the paths, and names equal but for letter case must still get their own sizes.
void FillSizes(const StringList& files, std::size_t first, std::vector<ListedFile>& listed,
               std::vector<std::int64_t>& sizes) {
    std::sort(listed.begin(), listed.end(),
              [](const ListedFile& a, const ListedFile& b) { return a.Path < b.Path; });
    sizes.resize(files.size(), 0);
    for (std::size_t k = first; k < files.size(); ++k) {
        const auto it = std::lower_bound(
            listed.begin(), listed.end(), files[k],
            [](const ListedFile& a, const std::u16string& path) { return a.Path < path; });
        sizes[k] = it != listed.end() && it->Path == files[k] ? it->Size : 0;
    }
}

}  // namespace

std::int32_t CollectFiles(StringList& list, std::u16string_view directory,
                          const StringList& patterns, const StringList& ignore, std::uint8_t mask) {
    return CollectFilesListed(list, directory, patterns, ignore, mask, nullptr);
}

bool PathExists(std::u16string_view path) try {
    while (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
    if (path.empty()) return false;
    platform::DirEntry e;
    return platform::Fs().Stat(path, e);
} catch (...) {
    return false;
}

std::uint8_t AppendString(StringList& list, std::u16string_view text) try {
    Append(list, std::u16string(text));
    return 0;
} catch (...) {
    return 1;
}

std::uint8_t SortStrings(StringList& list, std::int32_t first, std::int32_t last) try {
    if (first < 0 || last >= static_cast<std::int64_t>(list.size())) return 1;
    if (last <= first) return 0;
    // Listings arrive in this order already; checking first spares the sort.
    const auto begin = list.begin() + first;
    const auto end = list.begin() + last + 1;
    if (!std::is_sorted(begin, end, Before)) std::sort(begin, end, Before);
    return 0;
} catch (...) {
    return 1;
}

std::int32_t SortUnique(StringList& list, std::int32_t first) try {
    if (list.empty()) list.emplace_back();
    const auto upper = static_cast<std::int32_t>(list.size()) - 1;
    first = std::clamp(first, 0, upper);
    if (SortStrings(list, first, upper)) return -1;
    // Only the very same text is a duplicate: Linux holds 'a.htm' and 'A.htm' side by side as
    // two files, and both must be searched.
    std::int32_t removed = 0;
    std::size_t current = static_cast<std::size_t>(first);
    for (std::size_t i = current + 1; i < list.size(); ++i) {
        if (list[i] == list[current]) {
            list[i].clear();
            ++removed;
        } else {
            current = i;
        }
    }
    if (RemoveEmptyStrings(list, first) < 0) return -1;
    return removed;
} catch (...) {
    return -1;
}

std::int32_t RemoveEmptyStrings(StringList& list, std::int32_t first) try {
    if (list.empty()) {
        list.emplace_back();
        return 0;
    }
    if (first < 0) return -1;
    const std::size_t old_size = list.size();
    const auto lower = static_cast<std::size_t>(first);
    std::size_t end = old_size;  // one past the last element that may still be non-empty
    auto drop_trailing = [&] {
        while (end > lower && list[end - 1].empty()) --end;
    };
    drop_trailing();
    for (std::size_t i = lower; i < end; ++i) {
        if (!list[i].empty()) continue;
        list[i] = std::move(list[end - 1]);
        list[end - 1].clear();
        --end;
        drop_trailing();
    }
    list.resize(end);
    if (list.empty()) list.emplace_back();
    return static_cast<std::int32_t>(old_size - list.size());
} catch (...) {
    return -1;
}

std::u16string MakeMatchPattern(std::u16string_view stored) try {
    std::u16string out;
    out.reserve(stored.size() * 4);
    for (const char16_t c : stored) {
        if (c == u'[') {
            out += u"[[]";
        } else if (c == u'#') {
            out += u"[#]";
        } else if (IsAsciiLetter(c)) {
            out += u'[';
            out += AsciiUpper(c);
            out += AsciiLower(c);
            out += u']';
        } else {
            out += c;
        }
    }
    return out;
} catch (...) {
    return {};
}

std::int64_t GetTotalFileSize(const StringList& files) try {
    platform::FileSystem& fs = platform::Fs();
    std::int64_t total = 0;
    platform::DirEntry e;
    for (const std::u16string& file : files) {
        if (file.empty()) continue;  // the free slot of a list names no file
        if (!fs.Stat(file, e)) return -1;
        total += e.Size;
    }
    return total;
} catch (...) {
    return -1;
}

std::uint8_t ToLikePatterns(std::vector<std::u16string>& output,
                            const std::vector<std::u16string>& wildcards) try {
    std::vector<std::u16string> patterns;
    patterns.reserve(wildcards.size());
    for (const std::u16string& wildcard : wildcards) {
        patterns.push_back(VornFileList::MakeMatchPattern(wildcard));
    }
    output = std::move(patterns);
    return 0;
} catch (...) {
    return 1;
}

}  // namespace VornFileList
