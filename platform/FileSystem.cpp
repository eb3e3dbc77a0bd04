#include "platform/FileSystem.h"

#include "platform/FileNameCompare.h"
#include "platform/HostPath.h"

namespace platform {
namespace {

FileSystem* installed = nullptr;

}  // namespace

FileSystem& Fs() { return installed ? *installed : HostFs(); }

ScopedFileSystem::ScopedFileSystem(FileSystem& fs) : previous_(installed) { installed = &fs; }

ScopedFileSystem::~ScopedFileSystem() { installed = previous_; }

bool FileSystem::IsWithin(std::u16string_view path, std::u16string_view directory) {
    std::vector<std::u16string> inner, outer;
    bool inner_absolute = false, outer_absolute = false;
    if (!SplitDrivePath(path, inner, inner_absolute) ||
        !SplitDrivePath(directory, outer, outer_absolute) || inner_absolute != outer_absolute ||
        inner.size() < outer.size())
        return false;
    for (size_t i = 0; i < outer.size(); ++i) {
        if (!SameFileName(inner[i], outer[i])) return false;
    }
    DirEntry e;
    return Stat(path, e) && Stat(directory, e);
}

bool MatchFileWildcard(std::u16string_view name, std::u16string_view wildcard) {
    if (wildcard == u"*" || wildcard == u"*.*") return true;
    const std::u16string n = platform::FoldCase(name);
    const std::u16string w = platform::FoldCase(wildcard);
    size_t ni = 0, wi = 0, star_w = std::u16string::npos, star_n = 0;
    while (ni < n.size()) {
        if (wi < w.size() && w[wi] == u'*') {
            star_w = ++wi;
            star_n = ni;
        } else if (wi < w.size() && (w[wi] == u'?' || w[wi] == n[ni])) {
            ++wi;
            ++ni;
        } else if (star_w != std::u16string::npos) {
            wi = star_w;
            ni = ++star_n;
        } else {
            return false;
        }
    }
    while (wi < w.size() && w[wi] == u'*') ++wi;
    return wi == w.size();
}

void SplitListing(std::u16string_view listing, std::u16string& dir, std::u16string& wildcard) {
    size_t cut = listing.find_last_of(u"\\/");
    if (cut == listing.npos && listing.size() >= 2 && listing[1] == u':') cut = 1;
    if (cut == listing.npos) {
        dir.clear();
        wildcard = listing;
    } else {
        dir = listing.substr(0, cut + 1);
        wildcard = listing.substr(cut + 1);
    }
}

}  // namespace platform
