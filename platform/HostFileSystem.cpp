// The host file system behind drive C:. Names are looked up as Windows looks them up: the exact
// name first, then any entry equal under CompareFileNames (the first in sorted order).
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/FileNameCompare.h"
#include "platform/FileSystem.h"
#include "platform/HostPath.h"
#include "platform/Text.h"

namespace platform {
namespace {

using platform::CompareFileNames;

bool HasWildcard(std::u16string_view s) { return s.find_first_of(u"*?") != s.npos; }

// A dangling symbolic link names nothing, as a missing file does: it is neither listed nor found.
bool StatFollow(const std::string& path, struct stat& st) { return ::stat(path.c_str(), &st) == 0; }

std::string Join(const std::string& dir, const std::string& name) {
    if (dir == ".") return name;
    if (!dir.empty() && dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

// Finds the entry of `dir` that stands for `name`: exact first, else the first equal one.
bool FindChild(const std::string& dir, const std::u16string& name, std::string& found) {
    const std::string exact = NameToHost(name);
    struct stat st;
    if (exact == "." || exact == ".." || ::lstat(Join(dir, exact).c_str(), &st) == 0) {
        found = exact;
        return true;
    }
    DIR* d = ::opendir(dir.c_str());
    if (!d) return false;
    bool hit = false;
    std::u16string best;
    while (dirent* e = ::readdir(d)) {
        const std::u16string candidate = NameFromHost(e->d_name);
        if (!platform::SameFileName(candidate, name)) continue;
        if (!hit || candidate < best) {
            best = candidate;
            found = e->d_name;
            hit = true;
        }
    }
    ::closedir(d);
    return hit;
}

// Host path of an existing entry; false when some component does not exist.
bool Resolve(std::u16string_view path, std::string& host) {
    std::vector<std::u16string> parts;
    bool absolute = false;
    if (!SplitDrivePath(path, parts, absolute)) return false;
    std::string direct;
    if (!DriveToHost(path, direct)) return false;
    struct stat st;
    if (::lstat(direct.c_str(), &st) == 0) {
        host = direct;
        return true;
    }
    std::string cur = absolute ? "/" : ".";
    for (const std::u16string& part : parts) {
        std::string name;
        if (!FindChild(cur, part, name)) return false;
        cur = Join(cur, name);
    }
    host = cur;
    return true;
}

// Host path for a file that may not exist yet: its directory resolved, its name kept unless an
// entry of another letter case already stands for it.
bool ResolveForWrite(std::u16string_view path, std::string& host) {
    if (Resolve(path, host)) return true;
    std::vector<std::u16string> parts;
    bool absolute = false;
    if (!SplitDrivePath(path, parts, absolute) || parts.empty()) return false;
    const std::u16string name = parts.back();
    std::u16string dir = absolute ? u"C:\\" : u"";
    for (size_t i = 0; i + 1 < parts.size(); ++i) dir += parts[i] + u"\\";
    std::string host_dir = absolute ? "/" : ".";
    if (!dir.empty() && !Resolve(dir, host_dir)) return false;
    host = Join(host_dir, NameToHost(name));
    return true;
}

std::uint8_t AttributesOf(const struct stat& st) {
    std::uint8_t a = 0;
    if (S_ISDIR(st.st_mode)) a |= kDirectory;
    if (!(st.st_mode & S_IWUSR)) a |= kReadOnly;
    return a;
}

bool Admitted(std::uint8_t attributes, std::uint8_t mask) {
    if ((attributes & kDirectory) && !(mask & kDirectory)) return false;
    if ((attributes & kHidden) && !(mask & kHidden)) return false;
    if ((attributes & kSystem) && !(mask & kSystem)) return false;
    return true;
}

class HostFileSystem final : public FileSystem {
public:
    ListResult List(std::u16string_view listing, std::uint8_t mask,
                    std::vector<DirEntry>& out) override try {
        out.clear();
        std::u16string dir, wildcard;
        SplitListing(listing, dir, wildcard);
        if (HasWildcard(dir) || listing.find(u'\0') != listing.npos) return ListResult::InvalidName;
        // A name written as it is on disk costs one call, which is what link verification
        // asks for most of the time.
        std::string direct;
        struct stat st;
        if (!wildcard.empty() && !HasWildcard(wildcard) && wildcard != u"." && wildcard != u".." &&
            DriveToHost(listing, direct) && ::stat(direct.c_str(), &st) == 0) {
            DirEntry e{wildcard, AttributesOf(st), S_ISDIR(st.st_mode) ? 0 : st.st_size};
            if (Admitted(e.Attributes, mask)) out.push_back(std::move(e));
            return ListResult::Ok;
        }
        std::string host_dir;
        if (std::string plain; DriveToHost(dir, plain) && plain.size() >= PATH_MAX)
            return ListResult::TooLong;
        if (dir.empty()) {
            host_dir = ".";
        } else if (!Resolve(dir, host_dir)) {
            // Another drive or a network name fails as a missing path does.
            return ListResult::PathNotFound;
        }
        if (wildcard.empty()) return ListResult::Ok;
        if (!HasWildcard(wildcard)) {
            // A plain name: one lookup instead of reading the directory.
            std::string name;
            if (FindChild(host_dir, wildcard, name) && name != "." && name != ".." &&
                StatFollow(Join(host_dir, name), st)) {
                DirEntry e{NameFromHost(name), AttributesOf(st), S_ISDIR(st.st_mode) ? 0 : st.st_size};
                if (Admitted(e.Attributes, mask)) out.push_back(std::move(e));
            }
            return ListResult::Ok;
        }
        DIR* d = ::opendir(host_dir.c_str());
        if (!d) {
            if (errno == ENAMETOOLONG) return ListResult::TooLong;
            return (errno == ENOENT || errno == ENOTDIR) ? ListResult::PathNotFound
                                                         : ListResult::Failed;
        }
        while (dirent* ent = ::readdir(d)) {
            const std::string raw = ent->d_name;
            if (raw == "." || raw == "..") continue;
            // The entry's type from the directory itself spares a call for every file when
            // only directories are wanted; a link or an unknown type is looked at.
            if ((mask & kOnlyDirectories) && ent->d_type != DT_DIR && ent->d_type != DT_LNK &&
                ent->d_type != DT_UNKNOWN)
                continue;
            std::u16string name = NameFromHost(raw);
            if (!MatchFileWildcard(name, wildcard)) continue;
            if (mask & kNamesOnly) {
                out.push_back({std::move(name), 0, 0});
                continue;
            }
            // Relative to the open directory, so an entry whose whole path is too long for the
            // system is still seen (and then told as a directory that cannot be searched).
            if (::fstatat(::dirfd(d), raw.c_str(), &st, 0) != 0) continue;  // gone, or dangling
            DirEntry e{std::move(name), AttributesOf(st), S_ISDIR(st.st_mode) ? 0 : st.st_size};
            if (Admitted(e.Attributes, mask)) out.push_back(std::move(e));
        }
        ::closedir(d);
        std::sort(out.begin(), out.end(), [](const DirEntry& a, const DirEntry& b) {
            const int c = CompareFileNames(a.Name, b.Name);
            return c != 0 ? c < 0 : a.Name < b.Name;
        });
        return ListResult::Ok;
    } catch (...) {
        out.clear();
        return ListResult::Failed;
    }

    bool Stat(std::u16string_view path, DirEntry& out) override try {
        std::string host;
        struct stat st;
        const bool direct = DriveToHost(path, host) && ::stat(host.c_str(), &st) == 0;
        if (!direct && (!Resolve(path, host) || !StatFollow(host, st))) return false;
        const size_t slash = host.find_last_of('/');
        out.Name = NameFromHost(slash == host.npos ? host : host.substr(slash + 1));
        out.Attributes = AttributesOf(st);
        out.Size = S_ISDIR(st.st_mode) ? 0 : st.st_size;
        return true;
    } catch (...) {
        return false;
    }

    bool ReadFile(std::u16string_view path, std::string& out) override {
        return Read(path, out, true);
    }
    bool ReadListedFile(std::u16string_view path, std::string& out) override {
        return Read(path, out, false);
    }

    // Only regular files are read: a FIFO, socket or device could block or never end. The file
    // is looked at before it is opened (opening some devices has effects of its own) unless a
    // listing has just done so, opened without blocking, looked at again through the descriptor
    // in case it was swapped, and read up to the size it had then.
    bool Read(std::u16string_view path, std::string& out, bool look_first) try {
        struct stat st;
        const int fd = OpenRegular(path, look_first, st);
        if (fd < 0) {
            out.clear();
            return false;
        }
        // Sized from the length `out` has: a buffer reused from file to file is then filled
        // with zeros only where it grows, before the read writes over them.
        out.resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        bool ok = true;
        while (done < out.size()) {
            const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) ok = false;
            if (n <= 0) break;  // an error, or the file shrank while it was read
            done += static_cast<size_t>(n);
        }
        ::close(fd);
        out.resize(ok ? done : 0);
        return ok;
    } catch (...) {
        out.clear();
        return false;
    }

    // A descriptor of the regular file at `path`, with its `st`; -1 for anything else.
    int OpenRegular(std::u16string_view path, bool look_first, struct stat& st) {
        std::string host;
        const auto open_to_read = [](const std::string& at) {
            return ::open(at.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        };
        int fd = -1;
        if (look_first) {
            if (!(DriveToHost(path, host) && ::stat(host.c_str(), &st) == 0) &&
                !(Resolve(path, host) && ::stat(host.c_str(), &st) == 0))
                return -1;
            if (!S_ISREG(st.st_mode)) return -1;
            fd = open_to_read(host);
        } else {
            if (DriveToHost(path, host)) fd = open_to_read(host);
            if (fd < 0 && Resolve(path, host)) fd = open_to_read(host);
        }
        if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
            ::close(fd);
            return -1;
        }
        return fd;
    }

    // Opened as ReadFile opens, and only regular files, so prefetching never blocks or touches a
    // device. A read that must not wait tells whether the file is in memory already.
    bool Prefetch(std::u16string_view path) override try {
        std::string host;
        struct stat st;
        if (!DriveToHost(path, host) || ::stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            return true;
        const int fd = ::open(host.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) return true;
        bool in_memory = true;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
            char first;
            iovec one{&first, 1};
            if (::preadv2(fd, &one, 1, 0, RWF_NOWAIT) < 0 && errno == EAGAIN) {
                in_memory = false;
                ::posix_fadvise(fd, 0, st.st_size, POSIX_FADV_WILLNEED);
            }
        }
        ::close(fd);
        return in_memory;
    } catch (...) {
        return true;
    }

    bool WriteFile(std::u16string_view path, std::string_view bytes, bool append) override try {
        std::string host;
        if (!ResolveForWrite(path, host)) return false;
        const int fd = ::open(host.c_str(),
                              O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC), 0666);
        if (fd < 0) return false;
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                ::close(fd);
                return false;
            }
            done += static_cast<size_t>(n);
        }
        return ::close(fd) == 0;
    } catch (...) {
        return false;
    }

    bool Replace(std::u16string_view from, std::u16string_view to) override try {
        std::string host_from, host_to;
        if (!Resolve(from, host_from) || !ResolveForWrite(to, host_to)) return false;
        return ::rename(host_from.c_str(), host_to.c_str()) == 0;
    } catch (...) {
        return false;
    }

    bool Remove(std::u16string_view path) override try {
        std::string host;
        if (!Resolve(path, host)) return false;
        return ::unlink(host.c_str()) == 0;
    } catch (...) {
        return false;
    }

    bool IsWithin(std::u16string_view path, std::u16string_view directory) override try {
        std::string host_path, host_dir;
        if (!Resolve(path, host_path) || !Resolve(directory, host_dir)) return false;
        char* real_path = ::realpath(host_path.c_str(), nullptr);
        char* real_dir = ::realpath(host_dir.c_str(), nullptr);
        bool within = false;
        if (real_path && real_dir) {
            const std::string_view p = real_path, d = real_dir;
            within = p.starts_with(d) &&
                     (p.size() == d.size() || d.back() == '/' || p[d.size()] == '/');
        }
        std::free(real_path);
        std::free(real_dir);
        return within;
    } catch (...) {
        return false;
    }

    std::string DirectoryIdentity(std::u16string_view path) override try {
        std::string host;
        struct stat st;
        if (!Resolve(path, host) || ::stat(host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return {};
        return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
    } catch (...) {
        return {};
    }
};

}  // namespace

FileSystem& HostFs() {
    static HostFileSystem fs;
    return fs;
}

}  // namespace platform
