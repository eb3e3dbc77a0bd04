#pragma once
// Whole text files, read and written in one piece.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace VornFileIo {

// 1 read, 0 failed (text empty). raw 0 decodes code page 932; raw 1 packs the bytes two to a
// text unit.
std::uint8_t ReadTextFile(std::u16string_view path, std::u16string& text, std::uint8_t raw);
// 1 written, 0 failed. raw 0 encodes in code page 932; raw 1 writes the bytes of the units.
std::uint8_t WriteTextFile(std::u16string_view path, std::u16string_view text, std::uint8_t raw,
                           std::uint8_t append);

// Writes the bytes to a temporary file beside `path` and renames it over `path`, so a failed
// write never leaves a cut-short file under the old name. False on failure, with the old file
// (if any) as it was.
bool WriteFileReplacing(std::u16string_view path, std::string_view bytes);
// The same with the bytes given in pieces, written one after the other.
bool WriteFileReplacing(std::u16string_view path, std::span<const std::string_view> pieces);

}  // namespace VornFileIo
