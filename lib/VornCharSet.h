#pragma once
// Japanese character sets: detection from the bytes, conversion to Shift_JIS, line breaks, and
// the final decoding with code page 932. A byte buffer is a std::string of raw bytes.
#include <cstdint>
#include <string>
#include <string_view>

namespace VornCharSet {

// Encodings: 0 none determined, 1 JIS, 2 EUC-JP, 3 Shift_JIS; 4 asks for detection.
// Line-break styles: 0 keep, 1 CR, 2 LF, 3 CR LF, 4 detect.

// Reads, converts and decodes a whole file. Result 0..3 (encoding found), 4 not text or not
// determined, 5..7 conversion from JIS/EUC-JP/Shift_JIS failed, 99 unreadable or other failure.
// `text` holds the decoded bytes for every result but 99.
std::uint8_t DecodeTextFile(std::u16string_view path, std::u16string& text,
                            std::uint8_t source = 4, std::uint8_t line_break = 3,
                            std::uint8_t* detected_line_break = nullptr);
// Converts the buffer in place; returns the internal code (0..9, 101..105, 99).
std::uint8_t ConvertCharSet(std::string& buffer, std::uint8_t source, std::uint8_t& target,
                            std::uint8_t& line_break, std::uint8_t* detected_line_break = nullptr);
// Encoding 0..3, 4 not text, 5 failure.
std::uint8_t DetectCharSet(std::string_view buffer);
// Line-break style 0..4 of the first `maximum` line breaks; `count` gets how many were seen.
std::uint8_t DetectLineBreak(std::string_view buffer, std::int32_t maximum,
                             std::int32_t* count = nullptr);
// 0 nothing changed, 1 some line break changed, 2 bad style or failure.
std::uint8_t ConvertLineBreaks(std::string& buffer, std::uint8_t style);
// 0 converted, 1 failure (buffer unchanged).
std::uint8_t EucToSjis(std::string& buffer, std::uint8_t style);
std::uint8_t JisToSjis(std::string& buffer, std::uint8_t style);

}  // namespace VornCharSet
