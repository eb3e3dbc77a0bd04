#include "platform/HostPath.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/Chars.h"
#include "platform/Text.h"

namespace platform {

std::string HomeDirectory() {
    std::string home;
    if (const char* h = std::getenv("HOME"); h && *h) {
        home = h;
    } else {
        // As a login shell would: HOME may be missing under cron, sudo or a bare container.
        passwd entry{};
        passwd* found = nullptr;
        std::vector<char> buffer(16384);
        if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
            found->pw_dir && found->pw_dir[0] == '/')
            home = found->pw_dir;
    }
    // Joined with '/' later, so '/' itself must not leave a '//' that reads as a network name.
    while (!home.empty() && home.back() == '/') home.pop_back();
    return home;
}

std::u16string ToDriveForm(std::u16string_view text) {
    std::u16string host;
    if (!text.empty() && text[0] == u'/' && !(text.size() > 1 && text[1] == u'/')) {
        host = text;
    } else if (text == u"~" || (text.size() >= 2 && text[0] == u'~' && text[1] == u'/')) {
        host = FromUtf8(HomeDirectory()) + std::u16string(text.substr(1));
        if (host.empty()) host = u"/";
    } else {
        return std::u16string(text);
    }
    std::u16string out = u"C:";
    for (char16_t c : host) out.push_back(c == u'/' ? u'\\' : c == u'\\' ? kNameBackslash : c);
    if (out == u"C:") out += u'\\';
    return out;
}

bool SplitDrivePath(std::u16string_view path, std::vector<std::u16string>& components,
                    bool& absolute) {
    components.clear();
    absolute = false;
    if (path.find(u'\0') != path.npos) return false;
    std::u16string_view rest = path;
    if (rest.size() >= 2 && IsAsciiLetter(rest[0]) && rest[1] == u':') {
        if (rest[0] != u'C' && rest[0] != u'c') return false;
        rest.remove_prefix(2);
        // 'C:foo' is relative to the drive's current directory, which is the process's; a bare
        // 'C:' is taken as the root.
        absolute = rest.empty() || IsPathSeparator(rest[0]);
    } else if (rest.size() >= 2 && IsPathSeparator(rest[0]) && IsPathSeparator(rest[1])) {
        return false;  // network names name nothing
    } else if (!rest.empty() && IsPathSeparator(rest[0])) {
        absolute = true;
    }
    size_t i = 0;
    while (i < rest.size()) {
        while (i < rest.size() && IsPathSeparator(rest[i])) ++i;
        size_t j = i;
        while (j < rest.size() && !IsPathSeparator(rest[j])) ++j;
        if (j > i) components.emplace_back(rest.substr(i, j - i));
        i = j;
    }
    return true;
}

bool DriveToHost(std::u16string_view path, std::string& host) {
    host.clear();
    std::vector<std::u16string> parts;
    bool absolute = false;
    if (!SplitDrivePath(path, parts, absolute)) return false;
    if (absolute) host = "/";
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) host += '/';
        host += NameToHost(parts[i]);
    }
    if (host.empty()) host = ".";
    return true;
}

std::u16string NameFromHost(std::string_view name) {
    std::u16string out = FromUtf8(name);
    for (char16_t& c : out)
        if (c == u'\\') c = kNameBackslash;
    return out;
}

std::string NameToHost(std::u16string_view name) {
    std::string out = ToUtf8(name);
    // U+F05C is EF 81 9C in UTF-8.
    for (size_t at = out.find("\xEF\x81\x9C"); at != out.npos; at = out.find("\xEF\x81\x9C", at))
        out.replace(at, 3, 1, '\\');
    return out;
}

std::u16string HostToDrive(std::string_view host) { return ToDriveForm(FromUtf8(host)); }

std::u16string ToAbsoluteDriveForm(std::u16string_view text) {
    std::u16string drive = ToDriveForm(text);
    const bool has_drive = drive.size() >= 2 && IsAsciiLetter(drive[0]) && drive[1] == u':';
    const bool rooted = !drive.empty() && IsPathSeparator(drive[0]);
    if (!has_drive && !rooted) {
        char buf[4096];
        const std::u16string cwd = ::getcwd(buf, sizeof buf) ? FromUtf8(buf) : u"/";
        drive = ToDriveForm(cwd + u"/" + drive);
    }
    std::vector<std::u16string> parts;
    bool absolute = false;
    if (has_drive && (drive[0] != u'C' && drive[0] != u'c')) return drive;  // names nothing
    if (!SplitDrivePath(drive, parts, absolute) || !absolute) return drive;
    std::vector<std::u16string> kept;
    for (auto& p : parts) {
        if (p == u".") continue;
        if (p == u"..") {
            if (!kept.empty()) kept.pop_back();
            continue;
        }
        kept.push_back(std::move(p));
    }
    std::u16string out = u"C:";
    for (const auto& p : kept) out += u"\\" + p;
    if (kept.empty() || (!drive.empty() && IsPathSeparator(drive.back()))) out += u'\\';
    return out;
}

}  // namespace platform
