#pragma once
// The file system as the engine sees it: Windows drive-form paths ('C:\site\a.htm'), names
// looked up without regard to letter case, attributes, and wildcard listings. Everything above
// platform/ reaches files only through Fs().
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Attribute bits as the Windows listing reports them.
enum Attribute : std::uint8_t {
    kReadOnly = 1,
    kHidden = 2,
    kSystem = 4,
    kDirectory = 16,
};

// A listing option beside the attribute bits of a mask: the caller wants directories only, so
// other entries may be left out without looking at them (they may also come back; callers
// still check kDirectory).
constexpr std::uint8_t kOnlyDirectories = 128;
// Another: the caller wants the names only, so entries need not be looked at: they may come
// without attributes or size, and then the mask does not sort them out (a name whose entry
// cannot be looked at, such as a dangling link, may come too).
constexpr std::uint8_t kNamesOnly = 64;

struct DirEntry {
    std::u16string Name;          // the entry's own name on disk, in its own letter case
    std::uint8_t Attributes = 0;  // Attribute bits
    std::int64_t Size = 0;        // length in bytes; 0 for directories
};

enum class ListResult : std::uint8_t {
    Ok = 0,           // listed (possibly nothing matched)
    PathNotFound = 1, // the directory does not exist, or names nothing (another drive)
    InvalidName = 2,  // the text cannot be a path
    Failed = 3,       // any other failure (no permission, I/O error)
    TooLong = 4,      // the path is longer than the system can name
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Lists the entries of the directory part of `listing` whose names match its last component,
    // a file-system wildcard ('*' any run, '?' one character, letter case ignored), as the
    // Windows listing does: entries with hidden or system attributes only when `mask` holds that
    // bit, directories only when `mask` holds kDirectory, read-only entries always. '.' and '..'
    // are never listed. Entries come in the order of CompareFileNames.
    virtual ListResult List(std::u16string_view listing, std::uint8_t mask,
                            std::vector<DirEntry>& out) = 0;

    // Looks a path up (letter case ignored; a trailing '\' is allowed for directories).
    // False when nothing of that name exists.
    virtual bool Stat(std::u16string_view path, DirEntry& out) = 0;

    // Reads a whole file. False (and `out` empty) when it is missing, a directory or unreadable.
    virtual bool ReadFile(std::u16string_view path, std::string& out) = 0;
    // ReadFile of a file that a listing has just shown to be a regular file: only the opened
    // file is looked at, which spares a second look-up of its path (a file swapped since the
    // listing for something else is still refused, once opened).
    virtual bool ReadListedFile(std::u16string_view path, std::string& out) {
        return ReadFile(path, out);
    }

    // Tells the system that a file will be read soon, so its blocks can be fetched while other
    // files are worked on. Nothing else happens; a file that cannot be found is left alone.
    // True when there was nothing to fetch: the file's start was in memory already.
    virtual bool Prefetch(std::u16string_view path) {
        (void)path;
        return true;
    }

    // Writes bytes to a file, creating it; append false cuts it first. False on any failure.
    virtual bool WriteFile(std::u16string_view path, std::string_view bytes, bool append) = 0;

    // Renames `from` over `to` in one step (the old `to` is replaced). False on failure.
    virtual bool Replace(std::u16string_view from, std::u16string_view to) = 0;

    // Removes a file. False on failure.
    virtual bool Remove(std::u16string_view path) = 0;

    // An identity of the directory that is the same for every path that reaches it (through
    // links too), so a walk can tell a directory it has entered already. Empty on failure.
    virtual std::string DirectoryIdentity(std::u16string_view path) = 0;

    // True when `path` really lies in `directory` or is it, after following symbolic links:
    // a link inside a site that leads elsewhere is not in the site. False when either cannot
    // be found. Without links (this default) the paths' components decide, letter case ignored.
    virtual bool IsWithin(std::u16string_view path, std::u16string_view directory);
};

// The file system in use: the host's unless a test installed another.
FileSystem& Fs();

// The host file system: drive C: is the host's root.
FileSystem& HostFs();

// Installs a file system for the lifetime of the object (tests).
class ScopedFileSystem {
public:
    explicit ScopedFileSystem(FileSystem& fs);
    ~ScopedFileSystem();
    ScopedFileSystem(const ScopedFileSystem&) = delete;
    ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;

private:
    FileSystem* previous_;
};

// Matches a name against a file-system wildcard ('*', '?'), letter case ignored as
// CompareFileNames ignores it. "*.*" matches every name, as on Windows.
bool MatchFileWildcard(std::u16string_view name, std::u16string_view wildcard);

// Splits a listing listing 'C:\dir\*.htm' into the directory ('C:\dir\') and the wildcard.
void SplitListing(std::u16string_view listing, std::u16string& dir, std::u16string& wildcard);

}  // namespace platform
