#pragma once
// The drive form: inside the program the host's root '/' is drive C:, and '/home/u/a.htm' is
// 'C:\home\u\a.htm'. No other drive and no network name exists.
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The user's home directory as a host path without a final '/' (empty for the root itself):
// HOME, or the password database's entry when HOME is unset or empty, or the root.
std::string HomeDirectory();

// What a person or a file hands the program: an absolute host path ('/a/b'), '~' or '~/a' is
// turned into drive form; anything else (already drive form, relative) is returned unchanged.
std::u16string ToDriveForm(std::u16string_view text);

// A path from the command line made absolute in drive form: host paths as ToDriveForm, relative
// ones against the process's current directory; '.' and '..' components are folded away.
std::u16string ToAbsoluteDriveForm(std::u16string_view text);

// A drive-form path ('C:\a\b', 'C:/a', '\a\b', 'C:', or relative 'a\b') as a host path.
// False for another drive, a network name, or text no host path can hold (a NUL character).
bool DriveToHost(std::u16string_view path, std::string& host);

// An absolute host path (bytes) in drive form.
std::u16string HostToDrive(std::string_view host);

// A '\' in a Linux name would separate in drive form: it is carried as this private-use
// character and written back as '\' ('/site/a\b.htm' is 'C:\site\a\uF05Cb.htm').
inline constexpr char16_t kNameBackslash = u'\uF05C';
// One name as the host holds it, in drive form, and back.
std::u16string NameFromHost(std::string_view name);
std::string NameToHost(std::u16string_view name);

// Cuts a drive-form path into its components ('.' and '..' kept, empty ones dropped).
// `absolute` tells whether it starts at the root of C:. False as DriveToHost.
bool SplitDrivePath(std::u16string_view path, std::vector<std::u16string>& components,
                    bool& absolute);

}  // namespace platform
