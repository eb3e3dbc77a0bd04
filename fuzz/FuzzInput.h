#pragma once
// Helpers shared by the fuzz targets: the input cut into lines or named parts, and text made
// from bytes the way a page or a name would reach the engine.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

inline std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Lines cut at LF; at most `limit` of them, so one input cannot ask for unbounded work.
inline std::vector<std::string_view> Lines(std::string_view input, std::size_t limit = 64) {
    std::vector<std::string_view> out;
    while (out.size() < limit) {
        const std::size_t cut = input.find('\n');
        out.push_back(input.substr(0, cut));
        if (cut == input.npos) break;
        input.remove_prefix(cut + 1);
    }
    return out;
}

// Text from bytes as code page 932 decodes them.
std::u16string Text(std::string_view bytes);

}  // namespace fuzz
