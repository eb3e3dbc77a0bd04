#pragma once
// Path syntax and resolution, path and name validation with their messages, and log file names.
// Paths are Windows paths; positions are 1-based as in the rest of the system.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace VornFilePath {

enum class PathKind : std::uint8_t { None = 0, File = 1, Directory = 2 };
enum class ResolveResult : std::uint8_t { Resolved = 0, AboveRoot = 1, Failed = 128 };
enum class OpenResult : std::uint8_t { Opened = 0, NotAFile = 1, Failed = 2 };

struct PathSplit {
    std::u16string Head, Directory, Name;
};

// 'windows', 'temp'/'tmp', 'desktop', 'mydocument(s)'/'my document(s)' (any case): the folder
// ending with '\'; any other word, or a failure, gives the empty string.
std::u16string GetSpecialDirectory(std::u16string_view folder_word);
// The last of '/' and '\' in the path, else its last ':', else empty.
std::u16string GetPathDelimiter(std::u16string_view path);
// The path made absolute (drive, or the program's directory for relative paths); empty on failure.
std::u16string GetFullPath(std::u16string_view path);
// The extension from the last '.' of the whole text, with its dot; `base` gets the rest.
std::u16string SplitExtension(std::u16string_view file_name, std::u16string& base);
// None, File or Directory; None for an empty path or any failure. A name with '*' or '?' is
// looked up as it is.
PathKind GetPathKind(std::u16string_view path) noexcept;
// Elements first..last (clamped to the list) joined by the separator; empty on failure.
std::u16string JoinStrings(const std::vector<std::u16string>& list, std::u16string_view separator,
                           std::int32_t first, std::int32_t last);
// Every separator of the other kind replaced by `wanted` ("/" or anything else for "\").
std::u16string ConvertDelimiter(std::u16string_view path, std::u16string_view wanted);
// Resolves a leading './' or '../' link against the base components (other links are joined to
// them as they are). AboveRoot when '..' climbs past the root; `resolved` is emptied on failure.
ResolveResult ResolveRelativePath(std::u16string_view head, const std::vector<std::u16string>& base,
                                  std::u16string_view relative, std::u16string_view separator,
                                  std::u16string& resolved);
// The head and base pieces of ResolveRelativePath cut once, for the many links resolved against
// one page's directory: each link then costs a copy of what it keeps and no list of pieces.
class RelativeBase {
public:
    RelativeBase() = default;
    RelativeBase(std::u16string_view head, const std::vector<std::u16string>& base);
    // ResolveRelativePath(head, base, relative, separator, resolved).
    ResolveResult Resolve(std::u16string_view relative, std::u16string_view separator,
                          std::u16string& resolved) const noexcept;

private:
    // The head and the first `pieces` pieces joined by the separator, and one more after them
    // when `trailing`.
    void AppendBase(std::u16string& out, std::size_t pieces, std::u16string_view separator,
                    bool trailing) const;

    std::u16string joined_;          // the head, then each piece followed by a separator
    std::vector<std::size_t> ends_;  // where each piece ends in joined_
    std::size_t head_ = 0;
};
// Position of the n-th occurrence of `search` at or after `start`, or 0.
std::int32_t InStrNth(std::int32_t start, std::u16string_view text, std::u16string_view search,
                      std::int32_t n);
// Head, directory (ending with the separator) and name; an empty separator is detected. All
// three are empty on failure or for a separator longer than one character.
PathSplit SplitPath(std::u16string_view path, std::u16string_view separator);
// Number of pieces; 0 (list untouched) for an empty text or a delimiter longer than one character.
std::int32_t SplitString(std::u16string_view text, std::u16string_view delimiter,
                         std::vector<std::u16string>& list);
// The value without leading and trailing tab, space and '"'.
std::u16string TrimBlanksAndQuotes(std::u16string_view value);

// Name check code 0..8 of one file or directory name.
std::uint8_t CheckName(std::u16string_view name, bool forbid_separator_marks, bool forbid_wildcards);
// Path check code: 0..5, 100 + name code for a directory, 200 + name code for the file name.
std::int32_t CheckPathName(std::u16string_view path, bool forbid_separator_marks,
                           bool forbid_wildcards_in_directories, bool forbid_wildcards_in_name);
// The message of a path code (name_level false) or a name code (true); empty for 0.
std::u16string GetPathErrorMessage(std::int32_t code, bool name_level);
// A numbered or suffixed name that does not exist yet; empty on failure or past 9 digits.
std::u16string MakeUniqueFileName(std::u16string_view path_template, std::u16string_view separator,
                                  int digits, std::u16string_view new_extension,
                                  std::u16string_view directory = {},
                                  std::optional<std::int64_t> first_number = std::nullopt);
// The highest serial of `digits` digits in use after `prefix`, as digits; empty when none.
std::u16string FindLastSerial(std::u16string_view prefix, int digits, std::u16string_view extension);
// Hands an existing file, with its directory, to the installed shell. NotAFile when the path is
// no existing file; Failed without a shell or when the shell refuses.
OpenResult OpenDocument(std::u16string_view file);

}  // namespace VornFilePath
