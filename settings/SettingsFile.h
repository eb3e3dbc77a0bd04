#pragma once
// The settings file "mokuroku.ini": the application-wide settings, the main window's place and
// one section per check set. Code page 932 text with CR LF; when something cannot be held by
// that code page the file is UTF-8 with a byte-order mark instead, and both forms are read.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/Settings.h"

// The main window's share of the settings, so that the window can be attached after loading
// and the command-line checker can read the same file.
struct MainWindowState {
    // Position in twips. Put the centred position in before loading: a position in the file
    // replaces it.
    std::int32_t WindowTop = 0;
    std::int32_t WindowLeft = 0;
    // The position at the last resize in the normal state; saved instead of the current one
    // while the window is minimised or maximised (Normal false).
    std::int32_t LastNormalTop = 0;
    std::int32_t LastNormalLeft = 0;
    bool Normal = true;
    std::uint8_t LocalCheck = 1;             // the "ローカル リンク" box
    std::uint8_t RemoteCheck = 0;            // the "リモート リンク" box
    std::vector<std::u16string> TargetSets;  // the items of the list of check sets
    std::int32_t SelectedSet = -1;           // the selected item; -1 for none
    bool EditDeleteEnabled = false;          // the Edit and Delete buttons
};

enum class IniLineType : std::uint8_t {
    Failed = 0,
    Empty = 1,
    Section = 2,   // section set
    KeyValue = 3,  // key and value set
    Other = 4,     // key holds the whole line
};

enum class MigrateResult : std::uint8_t {
    Migrated = 0,    // an old file, taken over; it must not be read again
    Current = 1,     // the current format
    Unreadable = 2,  // the file could not be read, or taking it over failed half way
};

// "mokuroku.ini" beside the program when one is there (a portable copy), otherwise in
// "mokuroku\" of the user's configuration directory; the file is created by the first save.
std::u16string SettingsPath();

enum class LoadResult : std::uint8_t {
    Loaded = 0,      // also when a value that does not convert stopped the reading
    Missing = 1,     // no file at the path: the defaults hold
    Unreadable = 2,  // a directory, or a file that cannot be read or taken over: the defaults hold
};

// Fills the records from the file. `sets` is expected in its start-up state (one empty entry)
// and `window.TargetSets` empty. An empty log directory becomes the settings file's directory.
// A missing file leaves the defaults; a value that does not
// convert stops the reading there and keeps what was read. Never writes the file.
LoadResult LoadSettings(std::u16string_view settings_path, CheckSets& sets, Settings& settings,
                        MainWindowState& window);

// Takes over the file of an older release (one check set without sections, other key names).
MigrateResult MigrateOldSettings(std::u16string_view settings_path, CheckSets& sets,
                                 Settings& settings, MainWindowState& window);

// Rewrites the whole file: a temporary file beside it is renamed over the old one, so a failed
// save leaves the old file as it was. When the last load found the file there but could not
// read it as either format (unreadable, binary, cut off, a failed migration), the old file is
// first moved to 'mokuroku.ini.bak' ('mokuroku.ini.2.bak' and on when that exists). False on
// failure.
bool SaveSettings(std::u16string_view settings_path, const CheckSets& sets,
                  const Settings& settings, const MainWindowState& window);

// Cuts one line; all three outputs are emptied first.
IniLineType ParseIniLine(std::u16string_view line, std::u16string& section, std::u16string& key,
                         std::u16string& value);

// The elements joined by the separator; empty for an empty list or on failure.
std::u16string JoinList(const StringList& list, std::u16string_view separator);
