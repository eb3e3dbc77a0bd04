#include "lib/VornCharSet.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "lib/TextScan.h"
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

// Counts in blocks of 255 bytes with byte-wide sums, which the compiler vectorises: this pass
// sizes the output exactly and costs far less than growing it would.
LineBreakCounts CountLineBreaks(std::string_view buffer) {
    const unsigned char* p = Bytes(buffer);
    const std::size_t n = buffer.size();
    LineBreakCounts c;
    for (std::size_t base = 0; base < n; base += 255) {
        const unsigned char* q = p + base;
        const std::size_t m = std::min<std::size_t>(255, n - base);
        unsigned char cr = 0, lf = 0;
        for (std::size_t j = 0; j < m; ++j) {
            cr += q[j] == kCr;
            lf += q[j] == kLf;
        }
        c.cr += cr;
        c.lf += lf;
    }
    // Pairs (p[i - 1], p[i]) for i from 1: `prev` starts one byte behind `q`, so no pointer
    // ever points before the buffer.
    for (std::size_t base = 1; base < n; base += 255) {
        const unsigned char* prev = p + base - 1;
        const unsigned char* q = p + base;
        const std::size_t m = std::min<std::size_t>(255, n - base);
        unsigned char crlf = 0;
        for (std::size_t j = 0; j < m; ++j) crlf += (prev[j] == kCr) & (q[j] == kLf);
        c.crlf += crlf;
    }
    return c;
}

// The output of a conversion: sized once for the input and the line feeds that CR LF
// normalisation may add. The loops write through a local pointer (a member would be reloaded
// after every byte written through a char pointer). Every step writes no more bytes than it
// consumes except a lone line break becoming CR LF, so only that step checks the room.
class Output {
public:
    Output(std::size_t input_size, std::size_t growth) : growth_left_(growth) {
        bytes_.resize(input_size + growth);
    }

    char* Begin() { return bytes_.data(); }

    // Writes the line break at p[i] (a CR or an LF) in the style; returns the input bytes used.
    std::size_t PutLineBreak(const unsigned char* p, std::size_t i, std::size_t n,
                             std::uint8_t style, char*& o) {
        const bool pair = p[i] == kCr && i + 1 < n && p[i + 1] == kLf;
        switch (style) {
            case 1:
                *o++ = kCr;
                break;
            case 2:
                *o++ = kLf;
                break;
            case 3:
                if (!pair) Grow(o);
                *o++ = kCr;
                *o++ = kLf;
                break;
            default:
                *o++ = static_cast<char>(p[i]);
                if (pair) *o++ = kLf;
        }
        return pair ? 2 : 1;
    }

    void MoveTo(std::string& buffer, const char* end) {
        bytes_.resize(static_cast<std::size_t>(end - bytes_.data()));
        buffer.swap(bytes_);
    }

private:
    void Grow(char*& o) {
        if (growth_left_ > 0) {
            --growth_left_;
            return;
        }
        // Never taken while the count that sized the buffer is right; it keeps a miscount
        // from writing past the end.
        const std::size_t at = static_cast<std::size_t>(o - bytes_.data());
        const std::size_t more = bytes_.size() / 8 + 64;
        bytes_.resize(bytes_.size() + more);
        o = bytes_.data() + at;
        growth_left_ = more - 1;
    }

    std::string bytes_;
    std::size_t growth_left_;
};

// What a converter does with a byte; a table, since branching on ranges costs more.
enum Kind : std::uint8_t { kCopy, kBreak, kSingleShift, kLead };

struct EucTables {
    Kind kind[256]{};
    unsigned char first[256]{};
    unsigned char second[2][256]{};  // by the lead's parity; 0 for no EUC-JP second byte
};

constexpr EucTables MakeEucTables() {
    EucTables t;
    for (int b = 0; b < 256; ++b) {
        t.kind[b] = b == kCr || b == kLf     ? kBreak
                    : b == 0x8E              ? kSingleShift
                    : b >= 0xA1 && b <= 0xFE ? kLead
                                             : kCopy;
        if (b >= 0xA1 && b <= 0xFE) {
            t.first[b] = static_cast<unsigned char>(b <= 0xDE ? ((b - 0xA1) >> 1) + 0x81
                                                              : ((b - 0xDF) >> 1) + 0xE0);
            const int odd = b - 0x61;
            t.second[1][b] = static_cast<unsigned char>(odd > 0x7E ? odd + 1 : odd);
            t.second[0][b] = static_cast<unsigned char>(b - 2);
        }
    }
    return t;
}

constexpr EucTables kEuc = MakeEucTables();

struct JisTables {
    unsigned char first[256]{};      // 0 where the value would not fit a byte
    unsigned char second[2][256]{};  // by the first byte's parity; 0 likewise
};

constexpr JisTables MakeJisTables() {
    JisTables t;
    for (int c = 0; c < 256; ++c) {
        // Rounding down also below 0x21, where the halves are negative.
        const int first = c <= 0x5E ? ((c - 0x21) >> 1) + 0x81 : ((c - 0x5F) >> 1) + 0xE0;
        t.first[c] = static_cast<unsigned char>(first <= 0xFF ? first : 0);
        int odd = c + 0x1F;
        if (odd > 0x7E) ++odd;
        const int even = c + 0x7E;
        const bool line_break = c == kCr || c == kLf;
        t.second[1][c] = static_cast<unsigned char>(odd <= 0xFF && !line_break ? odd : 0);
        t.second[0][c] = static_cast<unsigned char>(even <= 0xFF && !line_break ? even : 0);
    }
    return t;
}

constexpr JisTables kJis = MakeJisTables();

inline bool IsLineBreak(unsigned char b) { return b == kCr || b == kLf; }

constexpr char16_t kReplacement = 0xFFFD;
// Read buffers and decoded texts above this many units are given back after a file: a huge page
// must not keep its memory for the rest of the run.
constexpr std::size_t kKeptStorage = std::size_t{1} << 22;

// A code page 932 character whose pair the code page lacks gives an ASCII second byte back to
// the text, as Cp932ToUtf16 does.
inline void PutPair(const platform::Cp932Tables& t, unsigned lead, unsigned char trail,
                    char16_t*& o) {
    const char16_t c = t.pair[lead << 8 | trail];
    *o++ = c;
    if (c == kReplacement && trail < 0x80) *o++ = trail;
}

// Decodes code page 932 bytes one at a time as a converter makes them; a lead byte waits for
// the next. Each byte put yields at most one character.
class Cp932Feed {
public:
    explicit Cp932Feed(const platform::Cp932Tables& t) : t_(t) {}

    bool Idle() const { return pending_ == 0; }

    void Put(unsigned char b, char16_t*& o) {
        if (pending_ != 0) {
            const unsigned lead = pending_;
            pending_ = 0;
            if (platform::IsCp932Trail(b)) {
                const char16_t c = t_.pair[lead << 8 | b];
                *o++ = c;
                if (!(c == kReplacement && b < 0x80)) return;
            } else {
                *o++ = kReplacement;
            }
        }
        if (platform::IsCp932Lead(b))
            pending_ = b;
        else
            *o++ = t_.single[b];
    }

    void Finish(char16_t*& o) {
        if (pending_ != 0) *o++ = kReplacement;
        pending_ = 0;
    }

private:
    const platform::Cp932Tables& t_;
    unsigned pending_ = 0;  // a lead byte is never 0
};

// Code page 932 with CR LF line breaks; `bad` gets where the first invalid sequence went.
char16_t* DecodeSjis(const unsigned char* p, std::size_t n, char16_t* o, char16_t** bad) {
    const platform::Cp932Tables& t = platform::Cp932Decoding();
    return TextScan::DecodeRuns(p, n, o, [&](std::size_t i, char16_t*& out) -> std::size_t {
        const unsigned char b = p[i];
        if (platform::IsCp932Lead(b) && i + 1 < n) {
            // The table holds U+FFFD for every second byte that is none, so a character found
            // is a whole valid pair; anything else takes the rules below.
            char16_t c = t.pair[b << 8 | p[i + 1]];
            if (c != kReplacement) {
                // Only lead bytes have pairs in the table, so the rest of a run of Japanese
                // text needs no test but the look-up.
                do {
                    *out++ = c;
                    i += 2;
                } while (i + 1 < n && (c = t.pair[p[i] << 8 | p[i + 1]]) != kReplacement);
                return i;
            }
        }
        if (!platform::IsCp932Lead(b)) {
            // Half-width katakana are the single bytes that are valid.
            if (bad && !*bad && !(b >= 0xA1 && b <= 0xDF)) *bad = out;
            *out++ = t.single[b];
            return i + 1;
        }
        if (i + 1 < n && platform::IsCp932Trail(p[i + 1])) {
            // An unmapped pair whose second byte is ASCII gives that byte back to the text.
            *out++ = kReplacement;
            return p[i + 1] < 0x80 ? i + 1 : i + 2;
        }
        if (bad && !*bad) *bad = out;
        *out++ = kReplacement;
        return i + 1;
    });
}

inline bool InRange(unsigned char b, unsigned lo, unsigned hi) { return b >= lo && b <= hi; }

// EUC-JP as EucToSjis converts it and code page 932 decodes the result; nullptr where the
// conversion fails. Bytes it copies unchanged may be lead bytes of code page 932, so those go
// through a Cp932Feed; the pairs it makes are always whole.
char16_t* DecodeEucStrict(const unsigned char* p, std::size_t n, char16_t* o) {
    const platform::Cp932Tables& t = platform::Cp932Decoding();
    Cp932Feed feed(t);
    std::size_t i = 0;
    while (i < n) {
        if (feed.Idle()) {
            const std::size_t run = TextScan::WidenAscii(p + i, n - i, o);
            i += run;
            o += run;
            if (i >= n) break;
        }
        const unsigned char b = p[i];
        switch (kEuc.kind[b]) {
            case kCopy:
                feed.Put(b, o);
                ++i;
                break;
            case kBreak:
                feed.Put(kCr, o);
                feed.Put(kLf, o);
                i += b == kCr && i + 1 < n && p[i + 1] == kLf ? 2 : 1;
                break;
            case kSingleShift:
                if (i + 1 >= n || IsLineBreak(p[i + 1])) return nullptr;
                feed.Put(p[i + 1], o);
                i += 2;
                break;
            case kLead:
                do {
                    const unsigned char lead = p[i];
                    if (i + 1 >= n) return nullptr;
                    const unsigned char second = kEuc.second[lead & 1][p[i + 1]];
                    if (second == 0) return nullptr;
                    if (feed.Idle()) {
                        PutPair(t, kEuc.first[lead], second, o);
                    } else {
                        feed.Put(kEuc.first[lead], o);
                        feed.Put(second, o);
                    }
                    i += 2;
                } while (i < n && kEuc.kind[p[i]] == kLead);
                break;
        }
    }
    feed.Finish(o);
    return o;
}

// EUC-JP as a browser reads it: an invalid sequence becomes one U+FFFD and never swallows the
// ASCII byte after it. `bad` gets where the first one went.
char16_t* DecodeEucLenient(const unsigned char* p, std::size_t n, char16_t* o, char16_t** bad) {
    const platform::Cp932Tables& t = platform::Cp932Decoding();
    return TextScan::DecodeRuns(p, n, o, [&](std::size_t i, char16_t*& out) -> std::size_t {
        const unsigned char b = p[i];
        const unsigned char next = i + 1 < n ? p[i + 1] : 0;
        if (InRange(b, 0xA1, 0xFE) && InRange(next, 0xA1, 0xFE)) {
            // Japanese text comes in runs of pairs.
            do {
                PutPair(t, kEuc.first[p[i]], kEuc.second[p[i] & 1][p[i + 1]], out);
                i += 2;
            } while (i + 1 < n && InRange(p[i], 0xA1, 0xFE) && InRange(p[i + 1], 0xA1, 0xFE));
            return i;
        }
        if (b == 0x8E && InRange(next, 0xA1, 0xDF)) {
            *out++ = t.single[next];  // half-width katakana
            return i + 2;
        }
        if (b == 0x8F && InRange(next, 0xA1, 0xFE) && i + 2 < n && InRange(p[i + 2], 0xA1, 0xFE)) {
            // JIS X 0212 is valid EUC-JP but has no place in code page 932.
            *out++ = kReplacement;
            return i + 3;
        }
        if (!*bad) *bad = out;
        *out++ = kReplacement;
        return i + 1;
    });
}

enum class JisMode { Ascii, TwoByte, Katakana };

// Takes the escape sequence at p[i] (an ESC) into `mode`; false when no known one stands there.
inline bool TakeJisEscape(const unsigned char* p, std::size_t i, std::size_t n, JisMode& mode) {
    if (i + 2 >= n) return false;
    const unsigned char c1 = p[i + 1], c2 = p[i + 2];
    if (c1 == '(' && (c2 == 'J' || c2 == 'B'))
        mode = JisMode::Ascii;
    else if (c1 == '$' && (c2 == 'B' || c2 == '@'))
        mode = JisMode::TwoByte;
    else if (c1 == '(' && c2 == 'I')
        mode = JisMode::Katakana;
    else
        return false;
    return true;
}

// ISO-2022-JP as JisToSjis converts it and code page 932 decodes the result; nullptr where the
// conversion fails.
char16_t* DecodeJis(const unsigned char* p, std::size_t n, char16_t* o) {
    const platform::Cp932Tables& t = platform::Cp932Decoding();
    Cp932Feed feed(t);
    JisMode mode = JisMode::Ascii;
    std::size_t i = 0;
    while (i < n) {
        if (mode == JisMode::Ascii && feed.Idle()) {
            const std::size_t run = TextScan::WidenAscii(p + i, n - i, o);
            i += run;
            o += run;
            if (i >= n) break;
        } else if (mode == JisMode::TwoByte && feed.Idle()) {
            // Runs of kanji and kana that map plainly; escapes, line breaks, the end and every
            // irregular pair take the rules below. The table has pairs of lead and second bytes
            // only, and an escape or a line break makes neither, so the look-up is the test.
            while (i + 1 < n) {
                const unsigned char first = kJis.first[p[i]];
                const unsigned char second = kJis.second[p[i] & 1][p[i + 1]];
                const char16_t c = t.pair[first << 8 | second];
                if (c == kReplacement) break;
                *o++ = c;
                i += 2;
            }
            if (i >= n) break;
        }
        const unsigned char b = p[i];
        if (b == kEsc && TakeJisEscape(p, i, n, mode)) {
            i += 3;
            continue;
        }
        if (IsLineBreak(b)) {
            feed.Put(kCr, o);
            feed.Put(kLf, o);
            i += b == kCr && i + 1 < n && p[i + 1] == kLf ? 2 : 1;
            continue;
        }
        if (mode == JisMode::Ascii) {
            feed.Put(b, o);
            ++i;
        } else if (mode == JisMode::Katakana) {
            if (b >= 0x80) return nullptr;
            feed.Put(static_cast<unsigned char>(b + 0x80), o);
            ++i;
        } else {
            if (i + 1 >= n) return nullptr;
            const unsigned char first = kJis.first[b];
            const unsigned char second = kJis.second[b & 1][p[i + 1]];
            if (first == 0 || second == 0) return nullptr;
            if (feed.Idle() && platform::IsCp932Lead(first) && platform::IsCp932Trail(second)) {
                PutPair(t, first, second, o);
            } else {
                feed.Put(first, o);
                feed.Put(second, o);
            }
            i += 2;
        }
    }
    feed.Finish(o);
    return o;
}

std::size_t Growth(std::string_view buffer, std::uint8_t style) {
    if (style != 3) return 0;
    const LineBreakCounts c = CountLineBreaks(buffer);
    return (c.cr - c.crlf) + (c.lf - c.crlf);
}

std::uint8_t MapToResult(std::uint8_t code, std::uint8_t source) {
    if (code <= kShiftJis) return code;
    if (code >= kLinesUnchanged && code <= kShiftJis + kLinesUnchanged)
        return static_cast<std::uint8_t>(code - kLinesUnchanged);
    // Line breaks only, with the encoding given by the caller: it was read as asked.
    if (code == kGivenSource || code == kGivenSource + kLinesUnchanged) return source;
    if (code == kConversionFailed + kNotText || code == kConversionFailed + kDetectFailed)
        return kNotText;
    if (code >= kConversionFailed + kIso2022Jp && code <= kConversionFailed + kShiftJis)
        return static_cast<std::uint8_t>(code - kConversionFailed - kIso2022Jp + kDecodeFailed);
    return kCharSetFailure;
}

}  // namespace

char16_t* TextBuffer::Prepare(std::size_t size) {
    size_ = 0;
    if (size > capacity_) {
        // Not zero filled: the decoders write every character they keep.
        data_.reset();
        capacity_ = size + size / 4;
        data_.reset(new char16_t[capacity_]);
    }
    return data_.get();
}

void TextBuffer::Assign(std::u16string_view text) {
    char16_t* o = Prepare(text.size());
    std::copy(text.begin(), text.end(), o);
    size_ = text.size();
}

void TextBuffer::Release(std::size_t keep) {
    if (capacity_ <= keep) return;
    data_.reset();
    capacity_ = size_ = 0;
}

bool DecodeToUtf16(std::string_view bytes, std::uint8_t encoding, TextBuffer& text,
                   std::size_t* first_bad) noexcept try {
    const unsigned char* p = Bytes(bytes);
    const std::size_t n = bytes.size();
    // Each byte yields at most two characters (a lone line break); the ASCII loop may write up
    // to sixteen beyond the end of what it keeps.
    char16_t* const begin = text.Prepare(2 * n + 16);
    char16_t* bad = nullptr;
    char16_t* end = nullptr;
    switch (encoding) {
        case kIso2022Jp:
            end = DecodeJis(p, n, begin);
            break;
        case kEucJp:
            end = first_bad ? DecodeEucLenient(p, n, begin, &bad) : DecodeEucStrict(p, n, begin);
            break;
        default:
            end = DecodeSjis(p, n, begin, first_bad ? &bad : nullptr);
            break;
    }
    if (first_bad) *first_bad = bad ? static_cast<std::size_t>(bad - begin) : kNoBadBytes;
    if (!end) return false;
    text.SetSize(static_cast<std::size_t>(end - begin));
    return true;
} catch (...) {
    text.Clear();
    return false;
}

std::uint8_t DecodeTextFile(std::u16string_view path, TextBuffer& text, bool listed) noexcept try {
    text.Clear();
    // Read into storage the thread keeps, so that a site's pages reuse one buffer.
    thread_local std::string bytes;
    struct Release {
        ~Release() {
            if (bytes.capacity() > kKeptStorage) std::string().swap(bytes);
        }
    } release;
    platform::FileSystem& fs = platform::Fs();
    if (!(listed ? fs.ReadListedFile(path, bytes) : fs.ReadFile(path, bytes)))
        return kCharSetFailure;
    const std::uint8_t encoding = DetectCharSet(bytes);
    if (encoding <= kShiftJis && DecodeToUtf16(bytes, encoding, text)) return encoding;
    // Not text, or a conversion that failed: the bytes as they are, as code page 932.
    text.Assign(platform::Cp932ToUtf16(bytes));
    return encoding > kShiftJis ? kNotText
                                : static_cast<std::uint8_t>(encoding - kIso2022Jp + kDecodeFailed);
} catch (...) {
    text.Clear();
    return kCharSetFailure;
}

std::uint8_t DecodeTextFile(std::u16string_view path, std::u16string& text, std::uint8_t source,
                            std::uint8_t line_break, std::uint8_t* detected_line_break) noexcept
    try {
    if (source == kDetectEncoding && line_break == kCrLf && !detected_line_break) {
        thread_local TextBuffer decoded;
        const std::uint8_t code = DecodeTextFile(path, decoded);
        text.assign(decoded.View());
        decoded.Release(kKeptStorage);
        return code;
    }
    // Released, not cleared: a large old text would otherwise stay while the new one is made.
    std::u16string().swap(text);
    std::string buffer;
    if (!platform::Fs().ReadFile(path, buffer)) return kCharSetFailure;
    std::uint8_t target = kShiftJis;
    std::uint8_t style = line_break;
    std::uint8_t found = 0;
    const std::uint8_t code =
        ConvertCharSet(buffer, source, target, style, detected_line_break ? &found : nullptr);
    text = platform::Cp932ToUtf16(buffer);
    if (detected_line_break) *detected_line_break = found;
    return MapToResult(code, source);
} catch (...) {
    text.clear();
    return kCharSetFailure;
}

std::uint8_t ConvertCharSet(std::string& buffer, std::uint8_t source, std::uint8_t& target,
                            std::uint8_t& line_break, std::uint8_t* detected_line_break) noexcept
    try {
    if (line_break == kDetectLineBreak || detected_line_break) {
        const std::uint8_t found = DetectLineBreak(buffer, 1);
        if (line_break == kDetectLineBreak) line_break = found;
        if (detected_line_break && *detected_line_break != 255) *detected_line_break = found;
    }
    bool detected = false;
    std::uint8_t encoding = source;
    if (target != kNoEncoding) {
        if (encoding == kDetectEncoding) {
            const std::uint8_t found = DetectCharSet(buffer);
            if (found > kShiftJis) return static_cast<std::uint8_t>(kConversionFailed + found);
            encoding = found;
            detected = true;
        }
        if (encoding != kNoEncoding && encoding != target) {
            std::uint8_t failed = 1;
            if (target == kShiftJis && encoding == kIso2022Jp)
                failed = JisToSjis(buffer, line_break);
            else if (target == kShiftJis && encoding == kEucJp)
                failed = EucToSjis(buffer, line_break);
            if (failed == 0) return encoding;
            return static_cast<std::uint8_t>(kConversionFailed +
                                             (detected ? encoding : DetectCharSet(buffer)));
        }
    }
    const std::uint8_t changed = ConvertLineBreaks(buffer, line_break);
    if (changed == 2) return kCharSetFailure;
    const std::uint8_t result = detected ? encoding : kGivenSource;
    return static_cast<std::uint8_t>(changed == 1 ? result : result + kLinesUnchanged);
} catch (...) {
    return kCharSetFailure;
}

std::uint8_t DetectCharSet(std::string_view buffer) noexcept try {
    const unsigned char* p = Bytes(buffer);
    const std::size_t n = buffer.size();
    std::int32_t sjis = 0, euc = 0, pairs = 0;
    std::size_t i = 0;
    while (i < n && pairs < kPairsJudged) {
        // Most of a page's head is ASCII markup, which tells nothing.
        i += TextScan::PlainSpan(p + i, n - i);
        if (i >= n) break;
        const unsigned char b = p[i];
        const unsigned char next = i + 1 < n ? p[i + 1] : 0;
        if (b <= 0x06) return kNotText;
        if (b == kEsc) {
            if (i + 2 < n) {
                const unsigned char c = p[i + 2];
                if ((next == '$' && (c == 'B' || c == '@')) ||
                    (next == '(' && (c == 'J' || c == 'B' || c == 'I')))
                    return kIso2022Jp;
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
    if (sjis > euc) return kShiftJis;
    if (euc > sjis) return kEucJp;
    return kNoEncoding;
} catch (...) {
    return kDetectFailed;
}

std::uint8_t DetectLineBreak(std::string_view buffer, std::int32_t maximum,
                             std::int32_t* count) noexcept try {
    const unsigned char* p = Bytes(buffer);
    const std::size_t n = buffer.size();
    std::int64_t total = 0;  // a file of more than 2^31 line breaks must not overflow it
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
    if (count) *count = static_cast<std::int32_t>(std::min<std::int64_t>(total, INT32_MAX));
    const int kinds = cr + lf + crlf;
    if (kinds == 0) return kKeepLineBreaks;
    if (kinds > 1) return kDetectLineBreak;
    return cr ? kCrOnly : lf ? kLfOnly : kCrLf;
} catch (...) {
    if (count) *count = 0;
    return kKeepLineBreaks;
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
    char* o = out.Begin();
    // Lines are copied whole between the line breaks that memchr finds.
    const unsigned char* next_cr = static_cast<const unsigned char*>(std::memchr(p, kCr, n));
    const unsigned char* next_lf = static_cast<const unsigned char*>(std::memchr(p, kLf, n));
    std::size_t i = 0;
    while (i < n) {
        if (next_cr && next_cr < p + i)
            next_cr = static_cast<const unsigned char*>(std::memchr(p + i, kCr, n - i));
        if (next_lf && next_lf < p + i)
            next_lf = static_cast<const unsigned char*>(std::memchr(p + i, kLf, n - i));
        const unsigned char* next = !next_cr   ? next_lf
                                    : !next_lf ? next_cr
                                               : std::min(next_cr, next_lf);
        const std::size_t stop = next ? static_cast<std::size_t>(next - p) : n;
        std::memcpy(o, p + i, stop - i);
        o += stop - i;
        i = stop;
        if (i < n) i += out.PutLineBreak(p, i, n, style, o);
    }
    out.MoveTo(buffer, o);
    return 1;
} catch (...) {
    return 2;
}

std::uint8_t EucToSjis(std::string& buffer, std::uint8_t style) noexcept try {
    if (style > 3) return 1;
    const unsigned char* p = Bytes(buffer);
    const std::size_t n = buffer.size();
    Output out(n, Growth(buffer, style));
    char* o = out.Begin();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        switch (kEuc.kind[b]) {
            case kCopy:
                *o++ = static_cast<char>(b);
                ++i;
                break;
            case kBreak:
                i += out.PutLineBreak(p, i, n, style, o);
                break;
            case kSingleShift:
                // The half-width katakana code is the Shift_JIS byte itself. Cut short by the end
                // or by a line break, it would make up a byte or eat the break.
                if (i + 1 >= n || IsLineBreak(p[i + 1])) return 1;
                *o++ = static_cast<char>(p[i + 1]);
                i += 2;
                break;
            case kLead:
                // Japanese text comes in runs of double-byte characters: an inner loop keeps the
                // branches predictable. A second byte outside 0xA1..0xFE is no EUC-JP character;
                // converting it anyway would swallow or invent ASCII bytes and line breaks.
                do {
                    const unsigned char lead = p[i];
                    if (i + 1 >= n) return 1;
                    const unsigned char second = kEuc.second[lead & 1][p[i + 1]];
                    if (second == 0) return 1;
                    o[0] = static_cast<char>(kEuc.first[lead]);
                    o[1] = static_cast<char>(second);
                    o += 2;
                    i += 2;
                } while (i < n && kEuc.kind[p[i]] == kLead);
                break;
        }
    }
    out.MoveTo(buffer, o);
    return 0;
} catch (...) {
    return 1;
}

std::uint8_t JisToSjis(std::string& buffer, std::uint8_t style) noexcept try {
    if (style > 3) return 1;
    const unsigned char* p = Bytes(buffer);
    const std::size_t n = buffer.size();
    Output out(n, Growth(buffer, style));
    char* o = out.Begin();
    JisMode mode = JisMode::Ascii;
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b == kEsc && TakeJisEscape(p, i, n, mode)) {
            i += 3;
            continue;
        }
        // Control characters keep their meaning whatever set is shifted in, so a line left
        // in two-byte or katakana mode still ends where it did.
        if (IsLineBreak(b)) {
            i += out.PutLineBreak(p, i, n, style, o);
            continue;
        }
        if (mode == JisMode::Ascii) {
            *o++ = static_cast<char>(b);
            ++i;
        } else if (mode == JisMode::Katakana) {
            if (b >= 0x80) return 1;
            *o++ = static_cast<char>(b + 0x80);
            ++i;
        } else {
            // A character cut short by the end or by a line break fails like one that does not
            // fit in Shift_JIS.
            if (i + 1 >= n) return 1;
            const unsigned char first = kJis.first[b];
            const unsigned char second = kJis.second[b & 1][p[i + 1]];
            if (first == 0 || second == 0) return 1;
            o[0] = static_cast<char>(first);
            o[1] = static_cast<char>(second);
            o += 2;
            i += 2;
        }
    }
    out.MoveTo(buffer, o);
    return 0;
} catch (...) {
    return 1;
}

}  // namespace VornCharSet
