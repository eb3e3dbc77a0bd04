#pragma once
// The records every part of a run reads: the check set and the application-wide settings.
// The settings file that stores them is settings/SettingsFile.h.
#include <cstdint>
#include <string>
#include <vector>

#include "lib/StringList.h"

struct CheckSet {
    std::u16string Name;
    std::u16string LocalPath;
    std::u16string Url;
    StringList DefaultDocument{u""};
    StringList HtmlFilePattern{u""};
    StringList HtmlFileLikePattern{u""};  // HtmlFilePattern made into match patterns
    std::uint8_t AllowBackSlash = 0;
    std::uint8_t AllowLocalFullPath = 0;
    std::uint8_t CheckMailTo = 0;
    std::uint8_t CheckBaseDirOver = 0;
    std::uint8_t AlertDirListing = 0;
    std::uint8_t StrictAnchorDescription = 0;
    std::uint8_t AlertIgnoredFile = 0;
    std::uint8_t AlertIgnoredNameAnchor = 0;
    std::uint8_t AlertIgnoredIdAnchor = 0;
    std::uint8_t FileAttribute = 0;
    std::uint8_t FilePatternXEnabled = 0;
    StringList FilePatternX{u""};
    std::uint8_t DirAttribute = 0;
    std::uint8_t DirPatternXEnabled = 0;
    StringList DirPatternX{u""};

    bool operator==(const CheckSet&) const = default;
};

// The values with which a new check set starts.
CheckSet NewCheckSet();

// The table of check sets in list order; the first entry with an empty Name ends it.
using CheckSets = std::vector<CheckSet>;

struct Settings {
    std::int32_t SetId = 0;
    std::u16string LogFileDirectory;
    std::uint8_t LogFileIncrement = 0;
    std::uint8_t LogType = 0;  // 0 text, 1 CSV, 2 tab-separated
    std::uint8_t AlwaysLogRemoteLink = 0;
    std::uint8_t TrimLogPath = 1;
    std::uint8_t UseSlashLogPath = 1;
    std::uint8_t FileNameCaseSensitive = 1;
};
