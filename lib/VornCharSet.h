#pragma once
// Japanese character sets: detection from the bytes, conversion to Shift_JIS, line breaks, and
// the final decoding with code page 932. A byte buffer is a std::string of raw bytes.
#include <cstdint>
#include <string>
#include <string_view>

namespace VornCharSet {

// Encodings, as arguments and in results.
enum Encoding : std::uint8_t {
    kNoEncoding = 0,  // none determined: plain ASCII, or as much evidence for EUC-JP as Shift_JIS
    kIso2022Jp = 1,   // "JIS"
    kEucJp = 2,
    kShiftJis = 3,
    kDetectEncoding = 4,  // as a source: judge by the bytes
};
// What the bytes are when they are no Japanese text, or cannot be judged.
constexpr std::uint8_t kNotText = 4;
constexpr std::uint8_t kDetectFailed = 5;
// ConvertCharSet's results besides an encoding: a source given by the caller rather than
// detected, the step added when no line break changed, the base of a failed conversion (plus
// the encoding), and any other failure. DecodeTextFile's own: the base of a failed conversion.
constexpr std::uint8_t kGivenSource = 4;
constexpr std::uint8_t kLinesUnchanged = 5;
constexpr std::uint8_t kConversionFailed = 100;
constexpr std::uint8_t kDecodeFailed = 5;
constexpr std::uint8_t kCharSetFailure = 99;

// Line-break styles.
enum LineBreak : std::uint8_t {
    kKeepLineBreaks = 0,
    kCrOnly = 1,
    kLfOnly = 2,
    kCrLf = 3,
    kDetectLineBreak = 4,  // as an argument: the style of the first line break; in a result: mixed
};

// Reads, converts and decodes a whole file. Result 0..3 (encoding found or given), 4 not text
// or not determined, 5..7 conversion from JIS/EUC-JP/Shift_JIS failed, 99 unreadable (missing,
// a directory) or another failure. After a failed conversion `text` holds the unconverted bytes
// decoded as Shift_JIS; it is empty when the file could not be read. `detected_line_break`
// gets the style of the file's first line break once the file was read.
std::uint8_t DecodeTextFile(std::u16string_view path, std::u16string& text,
                            std::uint8_t source = kDetectEncoding, std::uint8_t line_break = kCrLf,
                            std::uint8_t* detected_line_break = nullptr) noexcept;

// Converts the buffer in place to `target` and normalises its line breaks (style 4 becomes the
// style of the first line break, written back to `line_break`). Returns the encoding converted
// from (1, 2); after line breaks only, the detected encoding (0, 3) when some line break
// changed and that + 5 when none did, or 4 and 9 when the source was given rather than
// detected; 104 not text, 105 detection failed, 100 + encoding when the conversion failed, 99
// bad style or other failure. The buffer is unchanged on failure. `detected_line_break`, unless
// it holds 255, gets the style of the first line break.
std::uint8_t ConvertCharSet(std::string& buffer, std::uint8_t source, std::uint8_t& target,
                            std::uint8_t& line_break,
                            std::uint8_t* detected_line_break = nullptr) noexcept;

// Judges the encoding by the bytes up to the 40th double-byte pair: a JIS escape before it
// gives 1, a byte 0x00..0x06 before it 4 (not text); else the evidence counts: 3, 2, or 0 for
// a tie. 5 on failure.
std::uint8_t DetectCharSet(std::string_view buffer) noexcept;

// Style 0..4 (4 for a mixture) of the first `maximum` line breaks (all of them when `maximum`
// is 0 or less); `count` gets how many were seen.
std::uint8_t DetectLineBreak(std::string_view buffer, std::int32_t maximum,
                             std::int32_t* count = nullptr) noexcept;

// 0 nothing changed, 1 some line break changed, 2 bad style or failure (buffer unchanged).
std::uint8_t ConvertLineBreaks(std::string& buffer, std::uint8_t style) noexcept;

// Convert to Shift_JIS in place and normalise line breaks (style 0..3). 0 converted, 1 bad
// style or malformed data (a character cut short by a line break or the end), buffer unchanged.
std::uint8_t EucToSjis(std::string& buffer, std::uint8_t style) noexcept;
std::uint8_t JisToSjis(std::string& buffer, std::uint8_t style) noexcept;

}  // namespace VornCharSet
