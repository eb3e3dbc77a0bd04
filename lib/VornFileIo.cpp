#include "lib/VornFileIo.h"

#include "platform/Cp932.h"
#include "platform/FileSystem.h"

namespace VornFileIo {

std::uint8_t ReadTextFile(std::u16string_view path, std::u16string& text, std::uint8_t raw) try {
    text.clear();
    std::string bytes;
    if (!platform::Fs().ReadFile(path, bytes)) return 0;
    if (raw == 0) {
        text = platform::Cp932ToUtf16(bytes);
        return 1;
    }
    // Little-endian pairs; an odd last byte is a unit of its own so that no byte is lost.
    text.resize((bytes.size() + 1) / 2);
    for (size_t i = 0; i < text.size(); ++i) {
        const auto lo = static_cast<unsigned char>(bytes[2 * i]);
        const auto hi = 2 * i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[2 * i + 1]) : 0;
        text[i] = static_cast<char16_t>(lo | hi << 8);
    }
    return 1;
} catch (...) {
    text.clear();
    return 0;
}

std::uint8_t WriteTextFile(std::u16string_view path, std::u16string_view text, std::uint8_t raw,
                           std::uint8_t append) try {
    std::string bytes;
    if (raw == 0) {
        bytes = platform::Utf16ToCp932(text);
    } else {
        bytes.resize(text.size() * 2);
        for (size_t i = 0; i < text.size(); ++i) {
            bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
            bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
        }
    }
    return platform::Fs().WriteFile(path, bytes, append != 0) ? 1 : 0;
} catch (...) {
    return 0;
}

bool WriteFileReplacing(std::u16string_view path, std::string_view bytes) {
    return WriteFileReplacing(path, std::span<const std::string_view>(&bytes, 1));
}

bool WriteFileReplacing(std::u16string_view path, std::span<const std::string_view> pieces) try {
    if (path.empty()) return false;
    const std::u16string temp = std::u16string(path) + u".tmp";
    platform::FileSystem& fs = platform::Fs();
    bool written = fs.WriteFile(temp, pieces.empty() ? std::string_view() : pieces[0], false);
    for (std::size_t k = 1; k < pieces.size() && written; ++k)
        written = fs.WriteFile(temp, pieces[k], true);
    if (written && fs.Replace(temp, path)) return true;
    fs.Remove(temp);
    return false;
} catch (...) {
    return false;
}

}  // namespace VornFileIo
