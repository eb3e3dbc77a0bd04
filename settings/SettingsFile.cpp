#include "settings/SettingsFile.h"

#include <mutex>
#include <set>

#include "lib/Convert.h"
#include "lib/VornFileIo.h"
#include "lib/VornFileList.h"
#include "lib/VornFilePath.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/HostPath.h"
#include "platform/Program.h"
#include "platform/Text.h"

namespace {

constexpr std::u16string_view kFileName = u"mokuroku.ini";
constexpr std::u16string_view kSettingsSection = u"Settings";
constexpr std::u16string_view kCheckSetSection = u"Check Set";
constexpr std::u16string_view kCheckSetHeader = u"[Check Set - ";
constexpr std::u16string_view kCrLf = u"\r\n";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The single check set an old file describes.
constexpr std::u16string_view kMigratedName = u"チェック セット 1";

// The keys of a check-set section in the order they are written.
struct CheckSetKey {
    std::u16string_view key;
    std::u16string CheckSet::*text = nullptr;
    StringList CheckSet::*list = nullptr;
    std::uint8_t CheckSet::*byte = nullptr;
};
const CheckSetKey kCheckSetKeys[] = {
    {u"LocalPath", &CheckSet::LocalPath},
    {u"Url", &CheckSet::Url},
    {u"DefaultDocument", nullptr, &CheckSet::DefaultDocument},
    {u"HtmlFilePattern", nullptr, &CheckSet::HtmlFilePattern},
    {u"AllowBackSlash", nullptr, nullptr, &CheckSet::AllowBackSlash},
    {u"AllowLocalFullPath", nullptr, nullptr, &CheckSet::AllowLocalFullPath},
    {u"CheckMailTo", nullptr, nullptr, &CheckSet::CheckMailTo},
    {u"CheckBaseDirOver", nullptr, nullptr, &CheckSet::CheckBaseDirOver},
    {u"AlertDirListing", nullptr, nullptr, &CheckSet::AlertDirListing},
    {u"StrictAnchorDescription", nullptr, nullptr, &CheckSet::StrictAnchorDescription},
    {u"AlertIgnoredFile", nullptr, nullptr, &CheckSet::AlertIgnoredFile},
    {u"AlertIgnoredNameAnchor", nullptr, nullptr, &CheckSet::AlertIgnoredNameAnchor},
    {u"AlertIgnoredIdAnchor", nullptr, nullptr, &CheckSet::AlertIgnoredIdAnchor},
    {u"FileAttribute", nullptr, nullptr, &CheckSet::FileAttribute},
    {u"FilePatternXEnabled", nullptr, nullptr, &CheckSet::FilePatternXEnabled},
    {u"FilePatternX", nullptr, &CheckSet::FilePatternX},
    {u"DirAttribute", nullptr, nullptr, &CheckSet::DirAttribute},
    {u"DirPatternXEnabled", nullptr, nullptr, &CheckSet::DirPatternXEnabled},
    {u"DirPatternX", nullptr, &CheckSet::DirPatternX},
    {u"ModernHtml", nullptr, nullptr, &CheckSet::ModernHtml},
};

// The 8-bit settings after LogFileDirectory, in the order they are written.
struct SettingsByteKey {
    std::u16string_view key;
    std::uint8_t Settings::*byte;
};
const SettingsByteKey kSettingsByteKeys[] = {
    {u"LogFileIncrement", &Settings::LogFileIncrement},
    {u"LogType", &Settings::LogType},
    {u"AlwaysLogRemoteLink", &Settings::AlwaysLogRemoteLink},
    {u"TrimLogPath", &Settings::TrimLogPath},
    {u"UseSlashLogPath", &Settings::UseSlashLogPath},
    {u"FileNameCaseSensitive", &Settings::FileNameCaseSensitive},
};

std::u16string_view TrimSpaces(std::u16string_view s) {
    while (!s.empty() && s.front() == u' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == u' ') s.remove_suffix(1);
    return s;
}

bool ToByte(std::u16string_view text, std::uint8_t& out) {
    std::int64_t v = 0;
    if (!ParseDecimal(text, v) || v < 0 || v > 255) return false;
    out = static_cast<std::uint8_t>(v);
    return true;
}

bool ToLong(std::u16string_view text, std::int32_t& out) {
    std::int64_t v = 0;
    if (!ParseDecimal(text, v) || v < INT32_MIN || v > INT32_MAX) return false;
    out = static_cast<std::int32_t>(v);
    return true;
}

// A byte-order mark means UTF-8 (written when code page 932 could not hold every value).
bool ReadSettingsText(std::u16string_view path, std::u16string& text) {
    std::string bytes;
    if (!platform::Fs().ReadFile(path, bytes)) return false;
    if (bytes.starts_with(kUtf8Bom)) {
        text = platform::FromUtf8(std::string_view(bytes).substr(kUtf8Bom.size()));
    } else {
        text = platform::Cp932ToUtf16(bytes);
    }
    return true;
}

// Settings files that were there but could not be read as either format (unreadable, binary,
// cut off, a failed migration). The first save over one keeps the old file beside it, so
// whatever the user had is never lost to a file written from defaults.
class DamagedFiles {
public:
    void Add(std::u16string_view path) {
        std::lock_guard lock(mutex_);
        paths_.emplace(path);
    }
    bool Take(std::u16string_view path) {
        std::lock_guard lock(mutex_);
        return paths_.erase(std::u16string(path)) != 0;
    }

private:
    std::mutex mutex_;
    std::set<std::u16string> paths_;
};

DamagedFiles& Damaged() {
    static DamagedFiles files;
    return files;
}

// Text that no settings file holds: NUL or other control bytes, or bytes that did not decode.
bool LooksBinary(std::u16string_view text) {
    for (char16_t c : text) {
        if ((c < 0x20 && c != u'\t' && c != u'\r' && c != u'\n') || c == 0xFFFD ||
            (c >= 0xDC80 && c <= 0xDCFF))
            return true;
    }
    return false;
}

// 'mokuroku.ini.bak', else 'mokuroku.ini.2.bak', '.3.bak' and on: a name not taken yet.
std::u16string BackupName(std::u16string_view path) {
    std::u16string name = std::u16string(path) + u".bak";
    for (int n = 2; VornFilePath::GetPathKind(name) != VornFilePath::PathKind::None && n < 10000;
         ++n)
        name = std::u16string(path) + u"." + ToDecimal(n) + u".bak";
    return name;
}

// Code page 932 when it gives the text back unchanged, else UTF-8 with a byte-order mark, so
// that a value such as '/home/josé/site' survives the next start.
std::string EncodeSettings(std::u16string_view text) {
    bool lossless = false;
    std::string bytes = platform::Utf16ToCp932(text, &lossless);
    if (lossless && platform::Cp932ToUtf16(bytes) == text) return bytes;
    return std::string(kUtf8Bom) + platform::ToUtf8(text);
}

// Whole lines, leading blanks skipped. Reading comma-delimited items instead would cut a value
// such as 'C:\site,old' at its comma. Stops when `f` returns false and returns that.
template <class F>
bool ForEachLine(std::u16string_view text, F&& f) {
    std::size_t pos = 0;
    const std::size_t n = text.size();
    while (pos < n) {
        while (pos < n && (text[pos] == u' ' || text[pos] == u'\t')) ++pos;
        std::size_t end = text.find_first_of(u"\r\n", pos);
        if (end == text.npos) end = n;
        if (!f(text.substr(pos, end - pos))) return false;
        if (end + 1 < n && text[end] == u'\r' && text[end + 1] == u'\n') ++end;
        pos = end + 1;
    }
    return true;
}

class Loader {
public:
    Loader(CheckSets& sets, Settings& settings, MainWindowState& window)
        : sets_(sets), settings_(settings), window_(window) {}

    // False ends the reading.
    bool Line(std::u16string_view line) {
        switch (ParseIniLine(line, section_, key_, value_)) {
            case IniLineType::Failed:
                return false;
            case IniLineType::Section:
                if (section_.starts_with(kCheckSetSection)) AddCheckSet();
                current_ = section_;
                return true;
            case IniLineType::KeyValue:
                if (current_.starts_with(kCheckSetSection)) return CheckSetValue();
                if (current_ == kSettingsSection) return SettingsValue();
                return true;
            default:
                return true;
        }
    }

private:
    void AddCheckSet() {
        ++last_;
        if (sets_.size() <= static_cast<std::size_t>(last_)) sets_.resize(last_ + 1);
        CheckSet& s = sets_[last_];
        s.DefaultDocument = {u""};
        s.HtmlFilePattern = {u""};
        s.HtmlFileLikePattern = {u""};
        s.FilePatternX = {u""};
        s.DirPatternX = {u""};
        const std::size_t dash = section_.find(u'-');
        if (dash == section_.npos) {
            s.Name = section_;
        } else {
            std::u16string_view name = std::u16string_view(section_).substr(dash + 1);
            while (!name.empty() && name.front() == u' ') name.remove_prefix(1);
            s.Name = name;
        }
        window_.TargetSets.push_back(s.Name);
        window_.EditDeleteEnabled = true;
    }

    bool CheckSetValue() {
        CheckSet& s = sets_[last_];
        for (const CheckSetKey& k : kCheckSetKeys) {
            if (key_ != k.key) continue;
            if (k.text) {
                s.*k.text = k.text == &CheckSet::LocalPath ? platform::ToDriveForm(value_) : value_;
            } else if (k.list) {
                VornFilePath::SplitString(value_, u";", s.*k.list);
                if (k.list == &CheckSet::HtmlFilePattern &&
                    VornFileList::ToLikePatterns(s.HtmlFileLikePattern, s.HtmlFilePattern) != 0) {
                    return false;
                }
            } else {
                return ToByte(value_, s.*k.byte);
            }
            return true;
        }
        return true;
    }

    bool SettingsValue() {
        if (key_ == u"WindowTop") return ToLong(value_, window_.WindowTop);
        if (key_ == u"WindowLeft") return ToLong(value_, window_.WindowLeft);
        if (key_ == u"SetId") return ToLong(value_, settings_.SetId);
        if (key_ == u"LocalCheck") return ToByte(value_, window_.LocalCheck);
        if (key_ == u"RemoteCheck") return ToByte(value_, window_.RemoteCheck);
        if (key_ == u"LogFileDirectory") {
            settings_.LogFileDirectory = platform::ToDriveForm(value_);
            return true;
        }
        for (const SettingsByteKey& k : kSettingsByteKeys) {
            if (key_ == k.key) return ToByte(value_, settings_.*k.byte);
        }
        if (key_ == u"LogEncoding") {
            // A key newer than the rest of the file: a value this release does not know must
            // not cost the check sets that follow it.
            std::uint8_t v = 0;
            settings_.LogEncoding = ToByte(value_, v) && v <= kLogEncodingUtf8 ? v
                                                                               : kLogEncodingInvalid;
        }
        return true;
    }

    CheckSets& sets_;
    Settings& settings_;
    MainWindowState& window_;
    std::int32_t last_ = -1;
    std::u16string current_, section_, key_, value_;
};

}  // namespace

std::u16string SettingsPath() {
    std::u16string dir = platform::ProgramDirectory();
    if (dir.empty() || dir.back() != u'\\') dir += u'\\';
    const std::u16string beside = dir + std::u16string(kFileName);
    // A copy that carries its own settings file is portable; an installed program never writes
    // beside itself.
    if (VornFilePath::GetPathKind(beside) == VornFilePath::PathKind::File) return beside;
    const std::u16string config = platform::UserConfigDirectory();
    if (config.empty()) return beside;
    return config + u"mokuroku\\" + std::u16string(kFileName);
}

IniLineType ParseIniLine(std::u16string_view line, std::u16string& section, std::u16string& key,
                         std::u16string& value) try {
    section.clear();
    key.clear();
    value.clear();
    while (!line.empty() && (line.back() == u'\n' || line.back() == u'\r')) line.remove_suffix(1);
    if (!line.empty() && line.front() == u'[') {
        std::u16string_view s = TrimSpaces(line.substr(1));
        if (!s.empty() && s.back() == u']') s = TrimSpaces(s.substr(0, s.size() - 1));
        section = s;
        return IniLineType::Section;
    }
    if (line.empty()) return IniLineType::Empty;
    const std::size_t p = line.find(u'=');
    if (p == line.npos) {
        key = line;
        return IniLineType::Other;
    }
    key = TrimSpaces(line.substr(0, p));
    value = line.substr(p + 1);
    return IniLineType::KeyValue;
} catch (...) {
    section.clear();
    key.clear();
    value.clear();
    return IniLineType::Failed;
}

std::u16string JoinList(const StringList& list, std::u16string_view separator) try {
    if (list.empty()) return {};
    std::size_t total = separator.size() * (list.size() - 1);
    for (const auto& e : list) total += e.size();
    std::u16string out;
    out.reserve(total);
    out += list[0];
    for (std::size_t i = 1; i < list.size(); ++i) {
        out += separator;
        out += list[i];
    }
    return out;
} catch (...) {
    return {};
}

MigrateResult MigrateOldSettings(std::u16string_view settings_path, CheckSets& sets,
                                 Settings& settings, MainWindowState& window) try {
    std::u16string text;
    if (!ReadSettingsText(settings_path, text)) return MigrateResult::Unreadable;
    if (text.find(u"AlwaysLogRemoteLink") != text.npos &&
        text.find(u"FileNameCaseSensitive") != text.npos) {
        return MigrateResult::Current;
    }

    if (sets.empty()) sets.emplace_back();
    CheckSet& s = sets[0];
    settings.SetId = 0;
    s.Name = kMigratedName;
    s.FileAttribute = 1;
    s.FilePatternXEnabled = 1;
    s.FilePatternX = {u"*.bak", u"*.log"};
    s.DirAttribute = 1;
    s.DirPatternXEnabled = 0;
    s.DirPatternX = {u""};
    s.Url.clear();
    s.HtmlFilePattern = {u"*.*htm*"};
    s.HtmlFileLikePattern = {u"*.*[Hh][Tt][Mm]*"};
    s.AllowBackSlash = 0;
    s.AllowLocalFullPath = 0;
    s.CheckMailTo = 1;
    s.CheckBaseDirOver = 1;
    s.AlertDirListing = 1;
    s.StrictAnchorDescription = 0;
    s.AlertIgnoredFile = 1;
    s.AlertIgnoredNameAnchor = 0;
    s.AlertIgnoredIdAnchor = 0;
    window.TargetSets.push_back(s.Name);
    window.SelectedSet = static_cast<std::int32_t>(window.TargetSets.size()) - 1;
    window.EditDeleteEnabled = true;

    std::u16string section, key, value;
    const bool ok = ForEachLine(text, [&](std::u16string_view line) {
        const IniLineType type = ParseIniLine(line, section, key, value);
        if (type == IniLineType::Failed) return false;
        if (type != IniLineType::KeyValue) return true;
        if (key == u"WindowLeft") return ToLong(value, window.WindowLeft);
        if (key == u"WindowTop") return ToLong(value, window.WindowTop);
        if (key == u"DefaultPath") {
            s.LocalPath = platform::ToDriveForm(value);
        } else if (key == u"DefaultDocument") {
            s.DefaultDocument = {value};
        } else if (key == u"LogAppearence") {
            std::uint8_t v = 0;
            if (!ToByte(value, v)) return false;
            settings.TrimLogPath = settings.UseSlashLogPath = v == 1 ? 0 : 1;
        } else if (key == u"CeseSensitive") {
            std::uint8_t v = 0;
            if (!ToByte(value, v) || v > 1) return false;
            settings.FileNameCaseSensitive = static_cast<std::uint8_t>(1 - v);
        }
        return true;
    });
    return ok ? MigrateResult::Migrated : MigrateResult::Unreadable;
} catch (...) {
    return MigrateResult::Unreadable;
}

LoadResult LoadSettings(std::u16string_view settings_path, CheckSets& sets, Settings& settings,
                        MainWindowState& window) try {
    window.LocalCheck = 1;
    window.RemoteCheck = 0;
    settings.LogFileDirectory.clear();
    settings.LogFileIncrement = 0;
    settings.LogType = 0;
    settings.AlwaysLogRemoteLink = 0;
    settings.TrimLogPath = 1;
    settings.UseSlashLogPath = 1;
    settings.FileNameCaseSensitive = 1;
    settings.LogEncoding = kLogEncodingCp932;
    if (sets.empty()) sets.emplace_back();

    switch (VornFilePath::GetPathKind(settings_path)) {
        case VornFilePath::PathKind::None:
            return LoadResult::Missing;
        case VornFilePath::PathKind::Directory:
            return LoadResult::Unreadable;
        case VornFilePath::PathKind::File:
            break;
    }
    // A half migrated file is not read a second time as a current one: its check set is in the
    // table and the list already, and reading sections on top would make them disagree.
    switch (MigrateOldSettings(settings_path, sets, settings, window)) {
        case MigrateResult::Migrated: {
            // Taken over as an old file, but binary, or a current file cut before its keys:
            // the next save must not erase what it held.
            std::u16string old;
            if (!ReadSettingsText(settings_path, old) || LooksBinary(old) ||
                old.find(u"[Settings]") != old.npos || old.find(kCheckSetHeader) != old.npos)
                Damaged().Add(settings_path);
            return LoadResult::Loaded;
        }
        case MigrateResult::Unreadable:
            Damaged().Add(settings_path);
            return LoadResult::Unreadable;
        case MigrateResult::Current:
            break;
    }
    std::u16string text;
    if (!ReadSettingsText(settings_path, text)) {
        Damaged().Add(settings_path);
        return LoadResult::Unreadable;
    }
    if (LooksBinary(text)) Damaged().Add(settings_path);
    Loader loader(sets, settings, window);
    if (!ForEachLine(text, [&](std::u16string_view line) { return loader.Line(line); })) {
        Damaged().Add(settings_path);
        return LoadResult::Loaded;
    }

    if (window.TargetSets.empty()) {
        settings.SetId = 0;
    } else {
        const auto last = static_cast<std::int32_t>(window.TargetSets.size()) - 1;
        if (settings.SetId < 0) settings.SetId = 0;
        if (settings.SetId > last) settings.SetId = last;
        window.SelectedSet = settings.SetId;
    }
    // Logs go beside the settings file: the program's own directory may not be writable.
    if (settings.LogFileDirectory.empty())
        settings.LogFileDirectory = VornFileList::GetDirectoryPart(settings_path, u"\\");
    if (settings.LogFileDirectory.empty()) settings.LogFileDirectory = platform::ProgramDirectory();
    if (settings.LogFileDirectory.back() != u'\\') settings.LogFileDirectory += u'\\';
    return LoadResult::Loaded;
} catch (...) {
    return LoadResult::Unreadable;
}

bool SaveSettings(std::u16string_view settings_path, const CheckSets& sets,
                  const Settings& settings, const MainWindowState& window) try {
    std::u16string t;
    auto line = [&t](std::u16string_view key, std::u16string_view value) {
        t += key;
        t += u'=';
        t += value;
        t += kCrLf;
    };
    t += u"[Settings]";
    t += kCrLf;
    line(u"WindowTop", ToDecimal(window.Normal ? window.WindowTop : window.LastNormalTop));
    line(u"WindowLeft", ToDecimal(window.Normal ? window.WindowLeft : window.LastNormalLeft));
    line(u"SetId", ToDecimal(settings.SetId));
    line(u"LocalCheck", ToDecimal(window.LocalCheck));
    line(u"RemoteCheck", ToDecimal(window.RemoteCheck));
    line(u"LogFileDirectory", settings.LogFileDirectory);
    for (const SettingsByteKey& k : kSettingsByteKeys) line(k.key, ToDecimal(settings.*k.byte));
    // Written only when chosen, so files of users who never chose it stay as they were.
    if (settings.LogEncoding == kLogEncodingUtf8) line(u"LogEncoding", u"1");
    t += kCrLf;

    for (const CheckSet& s : sets) {
        if (s.Name.empty()) break;
        t += kCheckSetHeader;
        t += s.Name;
        t += u']';
        t += kCrLf;
        for (const CheckSetKey& k : kCheckSetKeys) {
            if (k.text) {
                line(k.key, s.*k.text);
            } else if (k.list) {
                line(k.key, JoinList(s.*k.list, u";"));
            } else {
                line(k.key, ToDecimal(s.*k.byte));
            }
        }
        t += kCrLf;
    }
    const std::string bytes = EncodeSettings(t);
    if (Damaged().Take(settings_path) &&
        VornFilePath::GetPathKind(settings_path) == VornFilePath::PathKind::File) {
        // Moved rather than copied: a file that could not be read may not copy either.
        const std::u16string backup = BackupName(settings_path);
        if (!platform::Fs().Replace(settings_path, backup)) {
            Damaged().Add(settings_path);
            return false;
        }
        if (!VornFileIo::WriteFileReplacing(settings_path, bytes)) {
            platform::Fs().Replace(backup, settings_path);
            Damaged().Add(settings_path);
            return false;
        }
        return true;
    }
    return VornFileIo::WriteFileReplacing(settings_path, bytes);
} catch (...) {
    return false;
}
