#pragma once
// The recursive file search and the string lists it is built from. A string list never has
// zero elements: an empty list is one empty string.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lib/StringList.h"
#include "platform/FileNameCompare.h"

namespace VornFileList {

using ::StringList;
// The one comparison of file names belongs to this module; it is implemented below the library,
// because the file system's own name lookup must agree with it.
using platform::CompareFileNames;
using platform::FoldCase;
using platform::SameFileName;

// A directory the search met but could not list, so the files below it are unknown.
struct UnsearchedDirectory {
    std::u16string Path;  // ending with '\'
    bool TooLong = false; // the path is too long for the system; otherwise it could not be read
    bool operator==(const UnsearchedDirectory&) const = default;
};
using UnsearchedList = std::vector<UnsearchedDirectory>;

// Number of files found, or -1 failure (file list emptied), -2 base directory missing, -3
// directory walk failed. With sort on: the base directory's files, then each subdirectory's,
// directories in path order, each directory's files by path. An unreadable directory adds
// nothing to the files and is added to `unsearched` when given.
// `sizes`, when given, gets each file's size as the listing gave it, parallel to `files`, so
// that nothing has to look at the files again for their sizes.
std::int32_t FindFiles(StringList& files, std::u16string_view base_directory,
                       const StringList& file_patterns, const StringList& file_ignore,
                       std::uint8_t file_mask, const StringList& directory_patterns,
                       const StringList& directory_ignore, std::uint8_t directory_mask,
                       bool recurse, bool sort, UnsearchedList* unsearched = nullptr,
                       std::vector<std::int64_t>* sizes = nullptr);
// Directory entries added (each ending with '\', the start first), 0 when the start does not
// exist, -1 failure (list restored). A directory that cannot be listed is kept but adds no
// subdirectories; a directory reached a second time (a link) is left out, and so is one whose
// real place (links followed) lies outside the start. Directories that cannot be listed are
// also added to `unsearched` when given.
std::int32_t CollectDirectories(StringList& list, std::u16string_view start,
                                const StringList& patterns, const StringList& ignore,
                                std::uint8_t mask, bool recurse,
                                UnsearchedList* unsearched = nullptr);
// True when the path lies in one of the directories (letter case ignored).
bool InUnsearched(const UnsearchedList& unsearched, std::u16string_view path) noexcept;
// Files added, or -1 (list restored) when the directory cannot be listed.
std::int32_t CollectFiles(StringList& list, std::u16string_view directory,
                          const StringList& patterns, const StringList& ignore, std::uint8_t mask);
// True when a file or directory of that name exists (trailing '\' ignored).
bool PathExists(std::u16string_view path);
// 0 done, 1 failure.
std::uint8_t AppendString(StringList& list, std::u16string_view text);
// Sorts first..last by CompareFileNames. 0 done, 1 failure (bounds outside the list).
std::uint8_t SortStrings(StringList& list, std::int32_t first, std::int32_t last);
// Sorts first..end and drops strings identical code unit for code unit (the order of what is
// left is not kept, as in RemoveEmptyStrings). Duplicates removed, or -1.
std::int32_t SortUnique(StringList& list, std::int32_t first);
// Removes the empty strings from first on, filling each hole with the last non-empty string.
// Entries removed, or -1 (first negative).
std::int32_t RemoveEmptyStrings(StringList& list, std::int32_t first);
// A stored wildcard made into a match pattern that ignores the case of half-width letters
// ('*.BAK' gives '*.[Bb][Aa][Kk]'; '[' and '#' stand for themselves). Empty on failure.
std::u16string MakeMatchPattern(std::u16string_view stored);
// Each stored wildcard made into a match pattern (MakeMatchPattern). 0 done, 1 failure.
std::uint8_t ToLikePatterns(StringList& output, const StringList& wildcards);
// Sum of the files' sizes (empty elements count nothing), or -1 when any size cannot be read.
std::int64_t GetTotalFileSize(const StringList& files);

// Head and directory of the path, ending with the separator; empty on failure.
std::u16string GetDirectoryPart(std::u16string_view path, std::u16string_view separator);
// A check-set name made into a valid file name ("_" when nothing usable is left).
std::u16string MakeSafeFileName(std::u16string_view text);

}  // namespace VornFileList
