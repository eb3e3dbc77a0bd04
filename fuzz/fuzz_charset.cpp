// Character-set detection and conversion: whatever the bytes, every routine ends, a failure
// leaves the buffer as it was, and decoding never drops a line break.
#include <cstdlib>

#include "fuzz/FuzzInput.h"
#include "lib/VornCharSet.h"
#include "platform/Cp932.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    using namespace VornCharSet;
    const std::uint8_t control = data[0];
    const std::string input(fuzz::Bytes(data + 1, size - 1));
    const std::uint8_t source = control % 5;           // 0..3 given, 4 detect
    const std::uint8_t style = (control >> 3) % 5;     // 0..3, 4 detect

    if (DetectCharSet(input) > 5) std::abort();
    std::int32_t count = 0;
    if (DetectLineBreak(input, (control >> 6) * 3, &count) > 4) std::abort();

    std::string buffer = input;
    std::uint8_t target = 3, line_break = style, detected = 0;
    const std::uint8_t code = ConvertCharSet(buffer, source, target, line_break, &detected);
    const bool failed = code == 99 || code >= 100;
    if (failed && buffer != input) std::abort();

    for (auto convert : {&EucToSjis, &JisToSjis}) {
        std::string b = input;
        if (convert(b, style % 4) != 0 && b != input) std::abort();
    }
    std::string b = input;
    if (ConvertLineBreaks(b, style) == 2 && b != input) std::abort();

    // Decoding keeps every LF and every CR.
    const std::u16string text = platform::Cp932ToUtf16(buffer);
    std::size_t bytes_breaks = 0, text_breaks = 0;
    for (char c : buffer) bytes_breaks += c == '\r' || c == '\n';
    for (char16_t c : text) text_breaks += c == u'\r' || c == u'\n';
    if (bytes_breaks != text_breaks) std::abort();
    return 0;
}
