#include "engine/VornHtml.h"
#include "platform/Chars.h"

#include <limits>

#include "lib/TextScan.h"

namespace VornHtml {
namespace {

constexpr size_t npos = std::u16string_view::npos;
constexpr size_t kMaxPosition = static_cast<size_t>(std::numeric_limits<std::int32_t>::max());

constexpr bool IsQuote(char16_t c) { return c == u'"' || c == u'\''; }

// 0-based helpers; npos for "none" and for a start at or past the end.
size_t SkipBlanksAt(std::u16string_view text, size_t start) {
    for (size_t p = start; p < text.size(); ++p) {
        if (!IsBlank(text[p])) return p;
    }
    return npos;
}

size_t FindBlankAt(std::u16string_view text, size_t start, bool with_equals) {
    for (size_t p = start; p < text.size(); ++p) {
        if (IsBlank(text[p]) || (with_equals && text[p] == u'=')) return p;
    }
    return npos;
}

std::int32_t ToPosition(size_t offset) {
    return offset == npos || offset + 1 > kMaxPosition ? 0 : static_cast<std::int32_t>(offset + 1);
}

// The first "-->" at or after `from`, or npos.
size_t FindCommentEnd(std::u16string_view text, size_t from) {
    const size_t n = text.size();
    for (size_t at = from; n >= 3 && at <= n - 3; ++at) {
        at = TextScan::FindChar(text.data(), n - 2, at, u'-');
        if (at == TextScan::kNotFound) return npos;
        if (text[at + 1] == u'-' && text[at + 2] == u'>') return at;
    }
    return npos;
}

size_t Find(std::u16string_view text, size_t from, char16_t c) {
    const size_t at = TextScan::FindChar(text.data(), text.size(), from, c);
    return at == TextScan::kNotFound ? npos : at;
}

// AppendItem's rule, inline for the loop that splits every tag; it throws where AppendItem fails.
inline void PutItem(ItemList& list, std::u16string_view text) {
    if (!list.empty() && list.back().empty()) {
        list.back() = text;
    } else {
        list.push_back(text);
    }
}

}  // namespace

std::uint8_t AppendItem(ItemList& list, std::u16string_view text) try {
    PutItem(list, text);
    return 0;
} catch (...) {
    return 1;
}

bool CutItemsTo(std::u16string_view text, ItemSink& sink) try {
    const size_t n = text.size();
    size_t scan = 0;
    // A '<' that starts no markup waits to join the next text run; it is always the character
    // just before `scan`, so every item stays one contiguous piece of the text.
    bool pending = false;
    auto append = [&](size_t from, size_t to) { return sink.Item(text.substr(from, to - from)); };

    // Every search starts where the last one stopped, or ends the cutting when it finds nothing,
    // so each character is looked at once whatever the markup.
    for (;;) {
        const size_t i = Find(text, scan, u'<');
        if (i == npos) break;
        const size_t run = pending ? scan - 1 : scan;
        if (run < i && !append(run, i)) return false;
        pending = false;

        if (i + 3 < n && text[i + 1] == u'!' && text[i + 2] == u'-' && text[i + 3] == u'-') {
            const size_t b = FindCommentEnd(text, i);
            if (b == npos) {
                scan = i;
                break;
            }
            if (!append(i, b + 3)) return false;
            scan = b + 3;
            continue;
        }
        if (i + 1 < n && text[i + 1] == u'/') {
            // Quotes do not protect a '>' in an end tag.
            const size_t b = Find(text, i, u'>');
            if (b == npos) {
                scan = i;
                break;
            }
            if (!append(i, b + 1)) return false;
            scan = b + 1;
            continue;
        }
        if (i + 1 < n && IsAsciiLetter(text[i + 1])) {
            size_t pos = i + 2;
            size_t end = npos;  // the '>' that closes the tag
            for (;;) {
                // A '>' or a quote outside quotes; then the quote that closes it.
                const size_t d = TextScan::FindAny(text.data(), n, pos, u'>', u'"', u'\'');
                if (d == TextScan::kNotFound) break;
                if (text[d] == u'>') {
                    end = d;
                    break;
                }
                const size_t close = Find(text, d + 1, text[d]);
                if (close == npos) break;
                pos = close + 1;
            }
            if (end == npos) {
                // No '>' closes it: the rest of the text is this one tag.
                if (!append(i, n)) return false;
                scan = n;
                break;
            }
            if (!append(i, end + 1)) return false;
            scan = end + 1;
            continue;
        }
        pending = true;
        scan = i + 1;
    }
    // A '<' that is the last character is dropped here: the scan has already passed it.
    return !(scan < n && !append(pending ? scan - 1 : scan, n));
} catch (...) {
    return false;
}

std::int32_t CutItems(std::u16string_view text, ItemList& items) try {
    if (items.empty()) items.emplace_back();
    struct ToList final : ItemSink {
        explicit ToList(ItemList& list) : list_(list) {}
        bool Item(std::u16string_view item) override { return AppendItem(list_, item) == 0; }
        ItemList& list_;
    } sink(items);
    if (!CutItemsTo(text, sink) || items.size() > kMaxPosition) return 0;
    return static_cast<std::int32_t>(items.size());
} catch (...) {
    return 0;
}

std::int32_t SplitTag(std::u16string_view item, ItemList& parts) try {
    if (item.size() < 2 || item[0] != u'<' || !(item[1] == u'/' || IsAsciiLetter(item[1]))) {
        return 0;
    }
    const bool closed = item.back() == u'>';
    const std::u16string_view body = closed ? item.substr(0, item.size() - 1) : item;
    auto append = [&](size_t from, size_t to) {
        PutItem(parts, body.substr(from, to - from));
        return true;
    };
    if (!append(0, 1)) return 0;
    size_t pos = 1;
    if (FindBlankAt(body, 1, false) != npos) {
        for (;;) {
            const size_t b = SkipBlanksAt(body, pos);
            if (b == npos) break;
            // The blank run before the token; empty before the tag name and between
            // attributes written together, and then the token fills the slot it leaves.
            if (!append(pos, b)) return 0;
            pos = b;
            size_t d = FindBlankAt(body, b, true);
            if (d == npos) break;
            if (IsBlank(body[d])) {
                pos = d;
                const size_t e = SkipBlanksAt(body, d);
                if (e == npos) {
                    if (!append(b, d)) return 0;
                    break;
                }
                if (body[e] != u'=') {
                    if (!append(b, d)) return 0;
                    continue;
                }
                d = e;
            }
            const size_t v = SkipBlanksAt(body, d + 1);
            if (v == npos) {
                pos = b;
                break;
            }
            size_t end = npos;
            if (IsQuote(body[v])) {
                const size_t q = Find(body, v + 1, body[v]);
                if (q != npos) end = q + 1;
            } else {
                end = FindBlankAt(body, v + 1, false);
            }
            if (end == npos) {
                pos = b;
                break;
            }
            if (!append(b, end)) return 0;
            pos = end;
        }
    }
    if (pos < body.size() && !append(pos, body.size())) return 0;
    if (closed) PutItem(parts, item.substr(item.size() - 1));
    if (parts.size() > kMaxPosition) return 0;
    return static_cast<std::int32_t>(parts.size());
} catch (...) {
    return 0;
}

std::uint8_t SplitAttribute(std::u16string_view part, std::u16string_view& name,
                            std::u16string_view& separator, std::u16string_view& value) {
    name = separator = value = {};
    if (part.empty() || IsBlank(part[0]) || part[0] == u'>' || part[0] == u'<') return 0;
    const size_t a = FindBlankAt(part, 0, true);
    if (a == npos) {
        name = part;
        return 1;
    }
    name = part.substr(0, a);
    const size_t c = part[a] == u'=' ? a : SkipBlanksAt(part, a);
    const size_t v = c == npos ? npos : SkipBlanksAt(part, c + 1);
    if (v == npos) {
        separator = part.substr(a);
    } else {
        separator = part.substr(a, v - a);
        value = part.substr(v);
    }
    return 1;
}

std::u16string_view GetTagName(std::u16string_view item) {
    if (!item.empty() && item.front() == u'<') item.remove_prefix(1);
    if (!item.empty() && item.back() == u'>') item.remove_suffix(1);
    if (!item.empty() && item.front() == u'/') item.remove_prefix(1);
    const size_t blank = FindBlankAt(item, 0, false);
    return blank == npos ? item : item.substr(0, blank);
}

std::int32_t SkipBlanks(std::int32_t start, std::u16string_view text) {
    if (start < 1 || static_cast<size_t>(start) > text.size()) return 0;
    return ToPosition(SkipBlanksAt(text, static_cast<size_t>(start) - 1));
}

std::int32_t FindBlank(std::int32_t start, std::u16string_view text, bool with_equals) {
    if (start < 1 || static_cast<size_t>(start) > text.size()) return 0;
    return ToPosition(FindBlankAt(text, static_cast<size_t>(start) - 1, with_equals));
}

std::int32_t CountLineBreaks(std::u16string_view text) {
    // Every CR is a break, and so is every LF that does not complete a CR LF pair.
    const size_t count = TextScan::CountBreaks(text.data(), text.size());
    return count > kMaxPosition ? -1 : static_cast<std::int32_t>(count);
}

std::u16string_view Unquote(std::u16string_view value) {
    if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

}  // namespace VornHtml
