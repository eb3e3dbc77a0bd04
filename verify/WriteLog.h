#pragma once
// The log of a run: plain text, CSV or tab-separated, with CR LF.
#include <cstdint>
#include <string>
#include <string_view>

#include "verify/RunContext.h"

namespace HtmlLink {

// Writes the log (a temporary file beside it, renamed over the old log). Returns the number
// of warnings written, or -1 when composing or writing failed (an old log stays as it was).
// Code page 932 unless LogEncoding asks for UTF-8; characters code page 932 cannot hold are
// written as '?'. The files are composed and encoded on `threads` threads (0: one per core,
// none besides the calling one for a single file); the log is the same for any number.
std::int32_t WriteLog(const RunContext& run, std::u16string_view path, unsigned threads = 0);

// The log text itself, as WriteLog would write it before encoding; `count` gets the warnings.
// LogType 1 is CSV, 2 tab-separated, anything else plain text. False on failure (text empty).
bool ComposeLog(const RunContext& run, std::u16string& text, std::int32_t& count,
                unsigned threads = 0);

// The number of warnings WriteLog would write, or -1 on failure; no text of the log is kept
// beyond one thread's part at a time.
std::int32_t CountLogWarnings(const RunContext& run, unsigned threads = 0);

// A file's path as the log shows it (TrimLogPath, UseSlashLogPath).
std::u16string LogDisplayPath(std::u16string_view path, const CheckSet& set, const Settings& opts);

// The note the log adds to an attribute left unchecked (cancelled run, remote link), or empty.
std::u16string_view LogNote(const AttrEntry& attr, const RunContext& run);

// The target column of an attribute; empty when there is nothing to show, or on failure.
std::u16string TargetColumn(const AttrEntry& attr);

// -1, 0 or 1: heads folded, the rest compared exactly; 0 on failure.
std::int16_t CompareUrls(std::u16string_view a, std::u16string_view b);

}  // namespace HtmlLink
