#include "lib/VornCharSet.h"

#include "platform/Cp932.h"
#include "platform/FileSystem.h"

namespace VornCharSet {
namespace {

constexpr unsigned char kCr = '\r';
constexpr unsigned char kLf = '\n';
constexpr unsigned char kEsc = 0x1B;
constexpr std::int32_t kPairsJudged = 40;

inline const unsigned char* Bytes(std::string_view s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

struct LineBreakCounts {
    std::size_t cr = 0, lf = 0, crlf = 0;
};

// Branch-free so that the compiler vectorises it: this pass sizes the output buffer exactly,
// which is cheaper than growing it.
LineBreakCounts CountLineBreaks(std::string_view buffer) {
    const unsigned char* p = Bytes(buffer);
    const std::size_t n = buffer.size();
    LineBreakCounts c;
    for (std::size_t i = 0; i < n; ++i) {
        c.cr += p[i] == kCr;
        c.lf += p[i] == kLf;
    }
    for (std::size_t i = 1; i < n; ++i) c.crlf += (p[i - 1] == kCr) & (p[i] == kLf);
    return c;
}

// The output of a conversion: sized once for the input and the line feeds that CR LF
// normalisation may add, written through a raw pointer. Every step writes no more bytes than
// it consumes except a lone line break becoming CR LF, so only that step checks the room.
class Output {
public:
    Output(std::size_t input_size, std::size_t growth) : growth_left_(growth) {
        bytes_.resize(input_size + growth);
        p_ = bytes_.data();
    }

    void Put(unsigned char b) { p_[k_++] = static_cast<char>(b); }
    void Put(unsigned char a, unsigned char b) {
        p_[k_] = static_cast<char>(a);
        p_[k_ + 1] = static_cast<char>(b);
        k_ += 2;
    }

    // Writes the line break at p[i] (a CR or an LF) in the style; returns the input bytes used.
    std::size_t PutLineBreak(const unsigned char* p, std::size_t i, std::size_t n,
                             std::uint8_t style) {
        const bool cr = p[i] == kCr;
        const bool pair = cr && i + 1 < n && p[i + 1] == kLf;
        switch (style) {
        case 1: Put(kCr); break;
        case 2: Put(kLf); break;
        case 3:
            if (!pair) Grow();
            Put(kCr, kLf);
            break;
        default:
            if (pair) Put(kCr, kLf);
            else Put(p[i]);
        }
        return pair ? 2 : 1;
    }

    void MoveTo(std::string& buffer) {
        bytes_.resize(k_);
        buffer.swap(bytes_);
    }

private:
    void Grow() {
        if (growth_left_ > 0) {
            --growth_left_;
            return;
        }
        // Only when the estimate was short; it is exact for every input met so far.
        const std::size_t more = bytes_.size() / 8 + 64;
        bytes_.resize(bytes_.size() + more);
        p_ = bytes_.data();
        growth_left_ = more - 1;
    }

    std::string bytes_;
    char* p_ = nullptr;
    std::size_t k_ = 0;
    std::size_t growth_left_;
};

std::size_t Growth(std::string_view buffer, std::uint8_t style) {
    if (style != 3) return 0;
    const LineBreakCounts c = CountLineBreaks(buffer);
    return (c.cr - c.crlf) + (c.lf - c.crlf);
}

inline bool IsLineBreak(unsigned char b) { return b == kCr || b == kLf; }

std::uint8_t MapToResult(std::uint8_t code, std::uint8_t source) {
    switch (code) {
    case 0: case 5: return 0;
    case 1: case 6: return 1;
    case 2: case 7: return 2;
    case 3: case 8: return 3;
    // Line breaks only, with the encoding given by the caller: it was read as asked.
    case 4: case 9: return source;
    case 104: case 105: return 4;
    case 101: return 5;
    case 102: return 6;
    case 103: return 7;
    default: return 99;
    }
}

}  // namespace

std::uint8_t DecodeTextFile(std::u16string_view path, std::u16string& text, std::uint8_t source,
                            std::uint8_t line_break,
                            std::uint8_t* detected_line_break) noexcept try {
    text.clear();
    std::string buffer;
    if (!platform::Fs().ReadFile(path, buffer)) return 99;
    std::uint8_t target = 3;
    std::uint8_t style = line_break;
    std::uint8_t found = 0;
    const std::uint8_t code =
        ConvertCharSet(buffer, source, target, style, detected_line_break ? &found : nullptr);
    text = platform::Cp932ToUtf16(buffer);
    if (detected_line_break) *detected_line_break = found;
    return MapToResult(code, source);
} catch (...) {
    text.clear();
    return 99;
}

std::uint8_t ConvertCharSet(std::string& buffer, std::uint8_t source, std::uint8_t& target,
                            std::uint8_t& line_break,
                            std::uint8_t* detected_line_break) noexcept try {
    if (line_break == 4 || detected_line_break) {
        const std::uint8_t found = DetectLineBreak(buffer, 1);
        if (line_break == 4) line_break = found;
        if (detected_line_break && *detected_line_break != 255) *detected_line_break = found;
    }
    bool detected = false;
    std::uint8_t encoding = source;
    if (target != 0) {
        if (encoding == 4) {
            const std::uint8_t found = DetectCharSet(buffer);
            if (found > 3) return static_cast<std::uint8_t>(100 + found);
            encoding = found;
            detected = true;
        }
        if (encoding != 0 && encoding != target) {
            std::uint8_t failed = 1;
            if (target == 3 && encoding == 1) failed = JisToSjis(buffer, line_break);
            else if (target == 3 && encoding == 2) failed = EucToSjis(buffer, line_break);
            if (failed == 0) return encoding;
            return static_cast<std::uint8_t>(100 + (detected ? encoding : DetectCharSet(buffer)));
        }
    }
    const std::uint8_t changed = ConvertLineBreaks(buffer, line_break);
    if (changed == 2) return 99;
    if (detected) return static_cast<std::uint8_t>(changed == 1 ? encoding : encoding + 5);
    return changed == 1 ? 4 : 9;
} catch (...) {
    return 99;
}

std::uint8_t DetectCharSet(std::string_view buffer) noexcept try {
    const unsigned char* p = Bytes(buffer);
    const std::size_t n = buffer.size();
    std::int32_t sjis = 0, euc = 0, pairs = 0;
    std::size_t i = 0;
    while (i < n && pairs < kPairsJudged) {
        const unsigned char b = p[i];
        const unsigned char next = i + 1 < n ? p[i + 1] : 0;
        if (b <= 0x06) return 4;
        if (b == kEsc) {
            if (i + 2 < n) {
                const unsigned char c = p[i + 2];
                if ((next == '$' && (c == 'B' || c == '@')) ||
                    (next == '(' && (c == 'J' || c == 'B' || c == 'I')))
                    return 1;
            }
        } else if (b >= 0x81 && b <= 0x9F) {
            if (next >= 0x40 && next <= 0xFC && next != 0x7F) {
                ++sjis;
                ++pairs;
                ++i;
            }
        } else if ((b >= 0xA1 && b <= 0xDF) || b == 0xFD || b == 0xFE) {
            if (next >= 0xA1 && next <= 0xFE) {
                ++euc;
                ++pairs;
                ++i;
            }
        } else if (b >= 0xE0 && b <= 0xFC) {
            // With 0xA1..0xFE after it the pair is valid in both; the second byte then gets
            // its own turn as a lead.
            if (next >= 0x40 && next <= 0xA0) {
                ++sjis;
                ++pairs;
                ++i;
            }
        }
        ++i;
    }
    if (sjis > euc) return 3;
    if (euc > sjis) return 2;
    return 0;
} catch (...) {
    return 5;
}

std::uint8_t DetectLineBreak(std::string_view buffer, std::int32_t maximum,
                             std::int32_t* count) noexcept try {
    const unsigned char* p = Bytes(buffer);
    const std::size_t n = buffer.size();
    std::int32_t total = 0;
    bool cr = false, lf = false, crlf = false;
    for (std::size_t i = 0; i < n && (maximum <= 0 || total < maximum); ++i) {
        if (p[i] == kCr) {
            if (i + 1 < n && p[i + 1] == kLf) {
                crlf = true;
                ++i;
            } else {
                cr = true;
            }
            ++total;
        } else if (p[i] == kLf) {
            lf = true;
            ++total;
        }
    }
    if (count) *count = total;
    const int kinds = cr + lf + crlf;
    if (kinds == 0) return 0;
    if (kinds > 1) return 4;
    return cr ? 1 : lf ? 2 : 3;
} catch (...) {
    if (count) *count = 0;
    return 0;
}

std::uint8_t ConvertLineBreaks(std::string& buffer, std::uint8_t style) noexcept try {
    if (style == 0) return 0;
    if (style > 3) return 2;
    // Most files already have the style asked for: find that out without copying them.
    const LineBreakCounts c = CountLineBreaks(buffer);
    const std::size_t lone = (c.cr - c.crlf) + (c.lf - c.crlf);
    const bool changes = style == 1 ? c.lf > 0 : style == 2 ? c.cr > 0 : lone > 0;
    if (!changes) return 0;

    const unsigned char* p = Bytes(buffer);
    const std::size_t n = buffer.size();
    Output out(n, style == 3 ? lone : 0);
    std::size_t i = 0;
    while (i < n) {
        if (IsLineBreak(p[i])) {
            i += out.PutLineBreak(p, i, n, style);
        } else {
            out.Put(p[i]);
            ++i;
        }
    }
    out.MoveTo(buffer);
    return 1;
} catch (...) {
    return 2;
}

std::uint8_t EucToSjis(std::string& buffer, std::uint8_t style) noexcept try {
    if (style > 3) return 1;
    const unsigned char* p = Bytes(buffer);
    const std::size_t n = buffer.size();
    Output out(n, Growth(buffer, style));
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            if (IsLineBreak(b)) {
                i += out.PutLineBreak(p, i, n, style);
                continue;
            }
            out.Put(b);
            ++i;
        } else if (b == 0x8E) {
            // Single shift 2: the half-width katakana code is the Shift_JIS byte itself. Cut
            // short by the end or by a line break, it would make up a byte or eat the break.
            if (i + 1 >= n || IsLineBreak(p[i + 1])) return 1;
            out.Put(p[i + 1]);
            i += 2;
        } else if (b <= 0xA0 || b == 0xFF) {
            out.Put(b);
            ++i;
        } else {
            // A second byte outside 0xA1..0xFE is no EUC-JP character; converting it anyway
            // would swallow or invent ASCII bytes and line breaks.
            const unsigned char t = i + 1 < n ? p[i + 1] : 0;
            if (t < 0xA1 || t == 0xFF) return 1;
            const int first = b <= 0xDE ? ((b - 0xA1) >> 1) + 0x81 : ((b - 0xDF) >> 1) + 0xE0;
            int second;
            if (b & 1) {
                second = t - 0x61;
                if (second > 0x7E) ++second;
            } else {
                second = t - 2;
            }
            out.Put(static_cast<unsigned char>(first), static_cast<unsigned char>(second));
            i += 2;
        }
    }
    out.MoveTo(buffer);
    return 0;
} catch (...) {
    return 1;
}

std::uint8_t JisToSjis(std::string& buffer, std::uint8_t style) noexcept try {
    if (style > 3) return 1;
    enum class Mode { Ascii, TwoByte, Katakana };
    const unsigned char* p = Bytes(buffer);
    const std::size_t n = buffer.size();
    Output out(n, Growth(buffer, style));
    Mode mode = Mode::Ascii;
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b == kEsc && i + 2 < n) {
            const unsigned char c1 = p[i + 1], c2 = p[i + 2];
            bool known = true;
            if (c1 == '(' && (c2 == 'J' || c2 == 'B')) mode = Mode::Ascii;
            else if (c1 == '$' && (c2 == 'B' || c2 == '@')) mode = Mode::TwoByte;
            else if (c1 == '(' && c2 == 'I') mode = Mode::Katakana;
            else known = false;
            if (known) {
                i += 3;
                continue;
            }
        }
        // Control characters keep their meaning whatever set is shifted in, so a line left
        // in two-byte or katakana mode still ends where it did.
        if (IsLineBreak(b)) {
            i += out.PutLineBreak(p, i, n, style);
            continue;
        }
        if (mode == Mode::Ascii) {
            out.Put(b);
            ++i;
        } else if (mode == Mode::Katakana) {
            if (b >= 0x80) return 1;
            out.Put(static_cast<unsigned char>(b + 0x80));
            ++i;
        } else {
            if (i + 1 >= n || IsLineBreak(p[i + 1])) return 1;
            const unsigned char d = p[i + 1];
            const int first = b <= 0x5E ? ((b - 0x21) >> 1) + 0x81 : ((b - 0x5F) >> 1) + 0xE0;
            int second;
            if (b & 1) {
                second = d + 0x1F;
                if (second > 0x7E) ++second;
            } else {
                second = d + 0x7E;
            }
            if (first > 0xFF || second > 0xFF) return 1;
            out.Put(static_cast<unsigned char>(first), static_cast<unsigned char>(second));
            i += 2;
        }
    }
    out.MoveTo(buffer);
    return 0;
} catch (...) {
    return 1;
}

}  // namespace VornCharSet
