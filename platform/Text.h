#pragma once
// Conversions at the edges of the engine: host bytes (UTF-8 file names, terminal, settings
// written as UTF-8) to and from the engine's UTF-16 text.
#include <string>
#include <string_view>

namespace platform {

// Decodes UTF-8. A byte that does not start or continue a valid sequence becomes the lone
// surrogate U+DC80 + byte, so any byte string survives the round trip through ToUtf8.
std::u16string FromUtf8(std::string_view bytes);

// Encodes UTF-16 as UTF-8. Lone surrogates U+DC80..U+DCFF become the byte they escape; other
// lone surrogates are written in the three-byte form so that nothing is lost or crashes.
std::string ToUtf8(std::u16string_view text);

}  // namespace platform
