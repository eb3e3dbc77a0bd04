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
    // 1 = pages are read as today's sites are written (UTF-8, character references,
    // percent-encoding, HTML5 links, stylesheets). 0 for sets stored before the flag existed,
    // so that their results stay as they were.
    std::uint8_t ModernHtml = 0;

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
    // The log's text encoding: 0 code page 932, 1 UTF-8 (CSV with a byte-order mark for
    // spreadsheets). Absent from files that never chose UTF-8; kLogEncodingInvalid when the file
    // holds something else, which writes code page 932 as 0 does.
    std::uint8_t LogEncoding = 0;
};

constexpr std::uint8_t kLogEncodingCp932 = 0;
constexpr std::uint8_t kLogEncodingUtf8 = 1;
constexpr std::uint8_t kLogEncodingInvalid = 255;
