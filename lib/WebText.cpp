#include "lib/WebText.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "lib/TextScan.h"
#include "lib/VornCharSet.h"
#include "platform/Chars.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

namespace WebText {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr std::size_t kNone = static_cast<std::size_t>(-1);
// A META charset stands in the head; no page puts it further down than this.
constexpr std::size_t kMetaWindow = 16384;

inline unsigned char At(std::string_view s, std::size_t i) {
    return static_cast<unsigned char>(s[i]);
}

bool InRange(unsigned char b, unsigned lo, unsigned hi) { return b >= lo && b <= hi; }

// Length of the valid UTF-8 sequence at i (1 for ASCII), or 0 when the bytes there are invalid.
std::size_t Utf8Length(std::string_view s, std::size_t i, char32_t* cp = nullptr) {
    const unsigned char b = At(s, i);
    if (b < 0x80) {
        if (cp) *cp = b;
        return 1;
    }
    std::size_t n;
    char32_t c;
    if (InRange(b, 0xC2, 0xDF)) {
        n = 2;
        c = b & 0x1F;
    } else if (InRange(b, 0xE0, 0xEF)) {
        n = 3;
        c = b & 0x0F;
    } else if (InRange(b, 0xF0, 0xF4)) {
        n = 4;
        c = b & 0x07;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        const unsigned char t = At(s, i + k);
        if ((t & 0xC0) != 0x80) return 0;
        c = c << 6 | (t & 0x3F);
    }
    // Overlong forms, surrogates and values beyond the last plane are invalid.
    if ((n == 3 && c < 0x800) || (n == 4 && (c < 0x10000 || c > 0x10FFFF)) ||
        (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    if (cp) *cp = c;
    return n;
}

void AppendCodePoint(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

// Whether the bytes read as UTF-8: some multi-byte sequences and no more than one invalid byte
// in eight of them, so that a UTF-8 page with a stray byte is still taken for UTF-8.
bool LooksLikeUtf8(std::string_view s) {
    // Judged on the first sequences, as the Japanese detection judges on its first pairs.
    constexpr std::size_t kJudged = 256;
    std::size_t valid = 0, invalid = 0;
    for (std::size_t i = 0; i < s.size() && valid + invalid < kJudged;) {
        if (At(s, i) < 0x80) {
            i += TextScan::AsciiSpan(reinterpret_cast<const unsigned char*>(s.data()) + i,
                                     s.size() - i);
            continue;
        }
        const std::size_t n = Utf8Length(s, i);
        if (n == 0) {
            ++invalid;
            ++i;
        } else {
            ++valid;
            i += n;
        }
    }
    return valid > 0 && invalid * 8 <= valid;
}

// EUC-JP through code page 932, as the Japanese conversion does, but an invalid sequence
// becomes one U+FFFD instead of failing the whole page.
std::size_t DecodeEucJp(std::string_view s, std::u16string& out) {
    std::size_t bad = kNone;
    // Code page 932 bytes are never more than the EUC-JP ones; written by index, since this
    // runs over every byte of a page.
    std::string sjis(s.size(), '\0');
    std::size_t o = 0;
    auto flush = [&] {
        const std::string_view done = std::string_view(sjis).substr(0, o);
        if (out.empty()) {
            out = platform::Cp932ToUtf16(done);
        } else {
            out += platform::Cp932ToUtf16(done);
        }
        o = 0;
    };
    const std::size_t n = s.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char b = At(s, i);
        if (b < 0x80) {
            sjis[o++] = static_cast<char>(b);
            ++i;
            continue;
        }
        const unsigned char t = i + 1 < n ? At(s, i + 1) : 0;
        if (InRange(b, 0xA1, 0xFE) && InRange(t, 0xA1, 0xFE)) {
            const unsigned first = b <= 0xDE ? (b - 0xA1) / 2 + 0x81 : (b - 0xDF) / 2 + 0xE0;
            unsigned second;
            if (b & 1) {
                second = t - 0x61;
                if (second > 0x7E) ++second;
            } else {
                second = t - 2;
            }
            sjis[o++] = static_cast<char>(first);
            sjis[o++] = static_cast<char>(second);
            i += 2;
        } else if (b == 0x8E && InRange(t, 0xA1, 0xDF)) {
            sjis[o++] = static_cast<char>(t);  // half-width katakana
            i += 2;
        } else if (b == 0x8F && InRange(t, 0xA1, 0xFE) && i + 2 < n &&
                   InRange(At(s, i + 2), 0xA1, 0xFE)) {
            // JIS X 0212 is valid EUC-JP but has no place in code page 932.
            flush();
            out += kReplacement;
            i += 3;
        } else {
            if (bad == kNone) bad = i;
            flush();
            out += kReplacement;
            ++i;
        }
    }
    flush();
    return bad;
}

// The first invalid sequence of a Shift_JIS page; the decoder itself already replaces them.
std::size_t FirstBadShiftJis(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        // Markup is mostly ASCII: pass over eight such bytes at a time.
        if (i + 8 <= s.size()) {
            std::uint64_t word;
            std::memcpy(&word, s.data() + i, 8);
            if ((word & 0x8080808080808080ULL) == 0) {
                i += 8;
                continue;
            }
        }
        const unsigned char b = At(s, i);
        if (b < 0x80 || InRange(b, 0xA1, 0xDF)) {
            ++i;
        } else if (InRange(b, 0x81, 0x9F) || InRange(b, 0xE0, 0xFC)) {
            const unsigned char t = i + 1 < s.size() ? At(s, i + 1) : 0;
            if (!(InRange(t, 0x40, 0x7E) || InRange(t, 0x80, 0xFC))) return i;
            i += 2;
        } else {
            return i;
        }
    }
    return kNone;
}

char16_t LowerAscii(char16_t c) { return AsciiLower(c); }

bool EqualsFolded(std::u16string_view a, std::u16string_view lower) {
    if (a.size() != lower.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != lower[i]) return false;
    }
    return true;
}

struct NamedRef {
    std::u16string_view name;
    char16_t value;
};

// The references a Japanese page writes in a URL or a title; the rest of the HTML list are
// letters no link needs.
constexpr NamedRef kNamedRefs[] = {
    {u"amp", u'&'},      {u"lt", u'<'},        {u"gt", u'>'},       {u"quot", u'"'},
    {u"apos", u'\''},    {u"nbsp", 0x00A0},    {u"copy", 0x00A9},   {u"reg", 0x00AE},
    {u"trade", 0x2122},  {u"yen", 0x00A5},     {u"euro", 0x20AC},   {u"sect", 0x00A7},
    {u"deg", 0x00B0},    {u"plusmn", 0x00B1},  {u"times", 0x00D7},  {u"divide", 0x00F7},
    {u"middot", 0x00B7}, {u"para", 0x00B6},    {u"laquo", 0x00AB},  {u"raquo", 0x00BB},
    {u"lsquo", 0x2018},  {u"rsquo", 0x2019},   {u"ldquo", 0x201C},  {u"rdquo", 0x201D},
    {u"ndash", 0x2013},  {u"mdash", 0x2014},   {u"hellip", 0x2026}, {u"bull", 0x2022},
    {u"shy", 0x00AD},    {u"iexcl", 0x00A1},   {u"iquest", 0x00BF}, {u"cent", 0x00A2},
    {u"pound", 0x00A3},  {u"curren", 0x00A4},  {u"brvbar", 0x00A6}, {u"uml", 0x00A8},
    {u"ordf", 0x00AA},   {u"not", 0x00AC},     {u"macr", 0x00AF},   {u"sup2", 0x00B2},
    {u"sup3", 0x00B3},   {u"acute", 0x00B4},   {u"micro", 0x00B5},  {u"cedil", 0x00B8},
    {u"sup1", 0x00B9},   {u"ordm", 0x00BA},    {u"frac14", 0x00BC}, {u"frac12", 0x00BD},
    {u"frac34", 0x00BE}, {u"Agrave", 0x00C0},  {u"Aacute", 0x00C1}, {u"Auml", 0x00C4},
    {u"Ccedil", 0x00C7}, {u"Eacute", 0x00C9},  {u"Ouml", 0x00D6},   {u"Uuml", 0x00DC},
    {u"szlig", 0x00DF},  {u"agrave", 0x00E0},  {u"aacute", 0x00E1}, {u"auml", 0x00E4},
    {u"ccedil", 0x00E7}, {u"egrave", 0x00E8},  {u"eacute", 0x00E9}, {u"ouml", 0x00F6},
    {u"uuml", 0x00FC},   {u"tilde", 0x02DC},   {u"dagger", 0x2020}, {u"Dagger", 0x2021},
    {u"permil", 0x2030}, {u"larr", 0x2190},    {u"rarr", 0x2192},   {u"uarr", 0x2191},
    {u"darr", 0x2193},   {u"hearts", 0x2665},  {u"ensp", 0x2002},   {u"emsp", 0x2003},
    {u"thinsp", 0x2009}, {u"zwnj", 0x200C},    {u"zwj", 0x200D},    {u"lrm", 0x200E},
    {u"rlm", 0x200F},    {u"num", u'#'},       {u"percnt", u'%'},   {u"sol", u'/'},
    {u"colon", u':'},    {u"semi", u';'},      {u"equals", u'='},   {u"quest", u'?'},
    {u"commat", u'@'},   {u"lowbar", u'_'},    {u"period", u'.'},   {u"comma", u','},
    {u"excl", u'!'},     {u"dollar", u'$'},    {u"lpar", u'('},     {u"rpar", u')'},
    {u"ast", u'*'},      {u"plus", u'+'},      {u"tab", u'\t'},     {u"NewLine", u'\n'},
};

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// The reference at `amp` ('&'): its length through ';' and its text, or 0 when it is none.
std::size_t ReadReference(std::u16string_view v, std::size_t amp, std::u16string& text) {
    const std::size_t semi = v.find(u';', amp + 1);
    if (semi == v.npos || semi == amp + 1 || semi - amp > 32) return 0;
    const std::u16string_view body = v.substr(amp + 1, semi - amp - 1);
    if (body[0] == u'#') {
        const bool hex = body.size() > 1 && (body[1] == u'x' || body[1] == u'X');
        const std::size_t from = hex ? 2 : 1;
        if (from >= body.size()) return 0;
        char32_t c = 0;
        for (std::size_t k = from; k < body.size(); ++k) {
            const int d = hex ? HexValue(body[k]) : (body[k] >= u'0' && body[k] <= u'9' ? body[k] - u'0' : -1);
            if (d < 0) return 0;
            c = c * (hex ? 16 : 10) + static_cast<char32_t>(d);
            if (c > 0x10FFFF) c = 0x110000;  // saturate; replaced below
        }
        // What a browser puts for a number that names no character.
        if (c == 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
        text.clear();
        AppendCodePoint(text, c);
        return semi - amp + 1;
    }
    for (const NamedRef& ref : kNamedRefs) {
        if (body == ref.name) {
            text.assign(1, ref.value);
            return semi - amp + 1;
        }
    }
    return 0;
}

}  // namespace

PageEncoding StylesheetCharset(std::string_view bytes) noexcept try {
    constexpr std::string_view kRule = "@charset \"";
    if (!bytes.starts_with(kRule)) return kAscii;
    const std::size_t close = bytes.find('"', kRule.size());
    if (close == std::string_view::npos || close - kRule.size() > 40) return kAscii;
    std::u16string label;
    for (std::size_t k = kRule.size(); k < close; ++k) label += static_cast<char16_t>(At(bytes, k));
    return CharsetByName(label);
} catch (...) {
    return kAscii;
}

PageEncoding CharsetByName(std::u16string_view label) noexcept try {
    while (!label.empty() && (IsBlank(label.front()) || label.front() == u'"' || label.front() == u'\''))
        label.remove_prefix(1);
    while (!label.empty() && (IsBlank(label.back()) || label.back() == u'"' || label.back() == u'\''))
        label.remove_suffix(1);
    static constexpr std::u16string_view kUtf8Names[] = {u"utf-8", u"utf8", u"unicode-1-1-utf-8"};
    static constexpr std::u16string_view kSjisNames[] = {
        u"shift_jis", u"shift-jis", u"sjis",  u"x-sjis",   u"ms_kanji",
        u"csshiftjis", u"windows-31j", u"cp932", u"ms932", u"x-ms-cp932"};
    static constexpr std::u16string_view kEucNames[] = {u"euc-jp", u"eucjp", u"x-euc-jp",
                                                        u"euc_jp", u"cseucpkdfmtjapanese"};
    static constexpr std::u16string_view kJisNames[] = {u"iso-2022-jp", u"csiso2022jp", u"jis",
                                                        u"iso2022jp"};
    for (auto n : kUtf8Names) if (EqualsFolded(label, n)) return kUtf8;
    for (auto n : kSjisNames) if (EqualsFolded(label, n)) return kShiftJis;
    for (auto n : kEucNames) if (EqualsFolded(label, n)) return kEucJp;
    for (auto n : kJisNames) if (EqualsFolded(label, n)) return kJis;
    return kAscii;
} catch (...) {
    return kAscii;
}

PageEncoding MetaCharset(std::string_view bytes) noexcept try {
    const std::string_view head = bytes.substr(0, std::min(bytes.size(), kMetaWindow));
    std::string lower(head);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    for (std::size_t meta = lower.find("<meta"); meta != std::string::npos;
         meta = lower.find("<meta", meta + 5)) {
        const std::size_t end = lower.find('>', meta);
        const std::string_view tag = std::string_view(lower).substr(
            meta, end == std::string::npos ? std::string::npos : end - meta);
        const std::size_t at = tag.find("charset");
        if (at == std::string_view::npos) continue;
        std::size_t i = at + 7;
        while (i < tag.size() && (tag[i] == ' ' || tag[i] == '\t')) ++i;
        if (i >= tag.size() || tag[i] != '=') continue;
        ++i;
        while (i < tag.size() && (tag[i] == ' ' || tag[i] == '\t' || tag[i] == '"' || tag[i] == '\'')) ++i;
        std::size_t j = i;
        while (j < tag.size() && tag[j] != '"' && tag[j] != '\'' && tag[j] != ';' && tag[j] != ' ' &&
               tag[j] != '/' && tag[j] != '\t')
            ++j;
        std::u16string label;
        for (std::size_t k = i; k < j; ++k) label += static_cast<char16_t>(static_cast<unsigned char>(tag[k]));
        return CharsetByName(label);
    }
    return kAscii;
} catch (...) {
    return kAscii;
}

namespace {

// UTF-8 with CR LF line breaks; `bad` gets where the first invalid byte went.
char16_t* DecodeUtf8(std::string_view s, char16_t* o, char16_t** bad) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    return TextScan::DecodeRuns(p, s.size(), o, [&](std::size_t i, char16_t*& out) -> std::size_t {
        char32_t c;
        const std::size_t length = Utf8Length(s, i, &c);
        if (length == 0) {
            if (!*bad) *bad = out;
            *out++ = kReplacement;
            return i + 1;
        }
        if (c < 0x10000) {
            *out++ = static_cast<char16_t>(c);
        } else {
            c -= 0x10000;
            out[0] = static_cast<char16_t>(0xD800 + (c >> 10));
            out[1] = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
            out += 2;
        }
        return i + length;
    });
}

DecodedPage DecodeView(std::string_view bytes, VornCharSet::TextBuffer& text) {
    text.Clear();
    DecodedPage page;
    const bool bom =
        bytes.size() >= 3 && At(bytes, 0) == 0xEF && At(bytes, 1) == 0xBB && At(bytes, 2) == 0xBF;
    if (bom) bytes.remove_prefix(3);
    PageEncoding encoding = bom ? kUtf8 : StylesheetCharset(bytes);
    if (encoding == kAscii) {
        if (LooksLikeUtf8(bytes)) {
            encoding = kUtf8;
        } else {
            const std::uint8_t found = VornCharSet::DetectCharSet(bytes);
            if (found > VornCharSet::kShiftJis) return page;
            encoding = static_cast<PageEncoding>(found);
            if (encoding == kAscii) encoding = MetaCharset(bytes);
        }
    }
    std::size_t bad = VornCharSet::kNoBadBytes;
    if (encoding == kUtf8) {
        // Each byte yields at most two characters (a lone line break); the ASCII loop may write
        // up to sixteen beyond the end of what it keeps.
        char16_t* const begin = text.Prepare(2 * bytes.size() + 16);
        char16_t* first = nullptr;
        char16_t* const end = DecodeUtf8(bytes, begin, &first);
        text.SetSize(static_cast<std::size_t>(end - begin));
        if (first) bad = static_cast<std::size_t>(first - begin);
    } else if (encoding == kJis) {
        // Seven-bit text: a stray byte cannot hide the rest, so the conversion stays strict.
        if (!VornCharSet::DecodeToUtf16(bytes, VornCharSet::kIso2022Jp, text)) {
            text.Clear();
            return page;
        }
    } else if (!VornCharSet::DecodeToUtf16(bytes, encoding, text, &bad)) {
        text.Clear();
        return page;
    }
    page.Encoding = encoding;
    if (bad != VornCharSet::kNoBadBytes) {
        // Every line break before it is a CR LF now.
        const std::u16string_view before = text.View().substr(0, bad);
        page.FirstBadLine =
            1 + static_cast<std::int32_t>(std::count(before.begin(), before.end(), u'\n'));
    }
    return page;
}

// Pages are read into storage the thread keeps; a huge one gives it back afterwards.
constexpr std::size_t kKeptBytes = std::size_t{1} << 22;

}  // namespace

DecodedPage DecodeBytes(std::string bytes, std::u16string& text) noexcept try {
    VornCharSet::TextBuffer decoded;
    const DecodedPage page = DecodeView(bytes, decoded);
    text.assign(decoded.View());
    return page;
} catch (...) {
    text.clear();
    return DecodedPage{};
}

DecodedPage DecodePage(std::u16string_view path, VornCharSet::TextBuffer& text,
                       bool listed) noexcept try {
    thread_local std::string bytes;
    struct Release {
        ~Release() {
            if (bytes.capacity() > kKeptBytes) std::string().swap(bytes);
        }
    } release;
    platform::FileSystem& fs = platform::Fs();
    if (!(listed ? fs.ReadListedFile(path, bytes) : fs.ReadFile(path, bytes))) {
        text.Clear();
        return DecodedPage{};
    }
    return DecodeView(bytes, text);
} catch (...) {
    text.Clear();
    return DecodedPage{};
}

DecodedPage DecodePage(std::u16string_view path, std::u16string& text) noexcept try {
    VornCharSet::TextBuffer decoded;
    const DecodedPage page = DecodePage(path, decoded);
    text.assign(decoded.View());
    return page;
} catch (...) {
    text.clear();
    return DecodedPage{};
}

std::u16string DecodeCharRefs(std::u16string_view value) {
    std::size_t amp = value.find(u'&');
    if (amp == value.npos) return std::u16string(value);
    std::u16string out(value.substr(0, amp));
    std::u16string piece;
    while (amp != value.npos) {
        const std::size_t n = ReadReference(value, amp, piece);
        std::size_t next;
        if (n == 0) {
            out += u'&';
            next = amp + 1;
        } else {
            out += piece;
            next = amp + n;
        }
        amp = value.find(u'&', next);
        out += value.substr(next, amp == value.npos ? value.npos : amp - next);
    }
    return out;
}

bool PercentDecode(std::u16string_view text, PageEncoding encoding, std::u16string& out) {
    const bool utf8 = encoding == kUtf8;
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            bytes += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if (utf8) {
            bytes += platform::ToUtf8(text.substr(i, 1 + (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size())));
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) ++i;
        } else if (encoding == kEucJp) {
            return false;  // no EUC-JP encoder: such a link is read as UTF-8 or not at all
        } else {
            bool lossless = true;
            bytes += platform::Utf16ToCp932(text.substr(i, 1), &lossless);
            if (!lossless) return false;
        }
    }
    out.clear();
    if (utf8) {
        for (std::size_t i = 0; i < bytes.size();) {
            char32_t c;
            const std::size_t n = Utf8Length(bytes, i, &c);
            if (n == 0) return false;
            AppendCodePoint(out, c);
            i += n;
        }
        return true;
    }
    if (encoding == kEucJp) {
        if (DecodeEucJp(bytes, out) != kNone) return false;
        return out.find(kReplacement) == std::u16string::npos;
    }
    if (FirstBadShiftJis(bytes) != kNone) return false;
    out = platform::Cp932ToUtf16(bytes);
    return out.find(kReplacement) == std::u16string::npos;
}

}  // namespace WebText
