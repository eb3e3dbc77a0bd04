#include "lib/VornText.h"
#include "platform/Chars.h"

#include <limits>

#include "lib/VornFileList.h"

namespace VornText {
namespace {

constexpr size_t npos = std::u16string_view::npos;
constexpr size_t kMaxPosition = static_cast<size_t>(std::numeric_limits<std::int32_t>::max());

// Calls visit(offset) for every non-overlapping occurrence of a non-empty pattern, left to
// right. Knuth-Morris-Pratt keeps long patterns linear too; one character needs no table.
template <class Visit>
void ForEachOccurrence(std::u16string_view text, std::u16string_view pattern, Visit visit) {
    const size_t m = pattern.size();
    if (m == 0 || m > text.size()) return;
    if (m == 1) {
        for (size_t i = text.find(pattern[0]); i != npos; i = text.find(pattern[0], i + 1)) {
            visit(i);
        }
        return;
    }
    std::vector<size_t> border(m, 0);
    for (size_t i = 1, k = 0; i < m; ++i) {
        while (k > 0 && pattern[i] != pattern[k]) k = border[k - 1];
        if (pattern[i] == pattern[k]) ++k;
        border[i] = k;
    }
    for (size_t i = 0, k = 0; i < text.size(); ++i) {
        while (k > 0 && text[i] != pattern[k]) k = border[k - 1];
        if (text[i] == pattern[k]) ++k;
        if (k == m) {
            visit(i + 1 - m);
            k = 0;  // the next occurrence may not overlap this one
        }
    }
}

int Compare(std::u16string_view a, std::u16string_view b, CompareMode mode) noexcept {
    if (mode == CompareMode::Folded) return VornFileList::CompareFileNames(a, b);
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}


bool AllOf(std::u16string_view s, bool (*pred)(char16_t)) {
    for (char16_t c : s) {
        if (!pred(c)) return false;
    }
    return true;
}

bool IsStrictLabel(std::u16string_view label) {
    auto alnum = [](char16_t c) { return IsAsciiLetter(c) || IsAsciiDigit(c); };
    if (label.empty() || !alnum(label.front()) || !alnum(label.back())) return false;
    for (char16_t c : label) {
        if (!alnum(c) && c != u'-') return false;
    }
    return true;
}

// Value of a label of digits only; anything above 255 reads as 256, so no length overflows.
int OctetValue(std::u16string_view digits) {
    int v = 0;
    for (char16_t c : digits) {
        v = v * 10 + (c - u'0');
        if (v > 255) return 256;
    }
    return v;
}

}  // namespace

std::int32_t SortedSearch(const std::vector<std::u16string>& list, std::u16string_view key,
                          std::int32_t low, std::int32_t high, CompareMode mode) try {
    const auto size = static_cast<std::int64_t>(list.size());
    if (low < 0 || high < 0 || low >= size || high >= size) return -2;
    while (static_cast<std::int64_t>(low) + 1 < high) {
        // Round half to even, as the original arithmetic did, so probes land on the same rows.
        const std::int64_t sum = static_cast<std::int64_t>(low) + high;
        std::int64_t mid = sum / 2;
        if (sum % 2 != 0 && mid % 2 != 0) ++mid;
        const int c = Compare(key, list[static_cast<size_t>(mid)], mode);
        if (c == 0) return static_cast<std::int32_t>(mid);
        if (c > 0) {
            low = static_cast<std::int32_t>(mid);
        } else {
            high = static_cast<std::int32_t>(mid);
        }
    }
    if (Compare(list[static_cast<size_t>(low)], key, mode) == 0) return low;
    if (Compare(list[static_cast<size_t>(high)], key, mode) == 0) return high;
    return -1;
} catch (...) {
    return -2;
}

std::uint8_t SplitText(std::u16string_view text, std::u16string_view delimiter,
                       std::vector<std::u16string>& list, bool keep_empty) try {
    std::vector<std::u16string> pieces;
    if (text.empty()) {
        pieces.emplace_back();
    } else {
        size_t from = 0;
        auto take = [&](size_t to) {
            if (keep_empty || to > from) pieces.emplace_back(text.substr(from, to - from));
        };
        ForEachOccurrence(text, delimiter, [&](size_t at) {
            take(at);
            from = at + delimiter.size();
        });
        take(text.size());
        if (pieces.empty()) {
            list.assign(1, std::u16string());
            return 1;
        }
    }
    list.swap(pieces);
    return 0;
} catch (...) {
    try {
        list.assign(1, std::u16string());
    } catch (...) {
    }
    return 1;
}

std::u16string TabToCsv(std::u16string_view line) try {
    std::vector<std::u16string> fields;
    if (SplitText(line, u"\t", fields, true) != 0) return {};
    std::u16string out;
    out.reserve(line.size() + 3 * fields.size());
    for (std::u16string& field : fields) {
        if (Like(field, u"*[!0-9]*")) {
            if (ReplaceText(field, u"\"", u"\"\"") < 0) return {};
            out += u'"';
            out += field;
            out += u'"';
        } else {
            out += field;
        }
        out += u',';
    }
    out.pop_back();
    return out;
} catch (...) {
    return {};
}

std::int32_t ReplaceText(std::u16string& text, std::u16string_view search,
                         std::u16string_view replacement) try {
    if (search.empty() || search.size() > text.size() || search == replacement) return 0;
    // One pass into a new string: no occurrence makes the rest of the text move again.
    std::u16string out;
    size_t from = 0;
    size_t count = 0;
    ForEachOccurrence(text, search, [&](size_t at) {
        if (count == 0) out.reserve(text.size());
        out.append(text, from, at - from);
        out.append(replacement);
        from = at + search.size();
        ++count;
    });
    if (count == 0) return 0;
    if (count > kMaxPosition) return -1;
    out.append(text, from, npos);
    text.swap(out);
    return static_cast<std::int32_t>(count);
} catch (...) {
    return -1;
}

std::int32_t SkipRun(std::int32_t start, std::u16string_view text,
                     std::u16string_view character) try {
    if (text.empty() || start < 1 || static_cast<size_t>(start) > text.size()) return 0;
    if (character.empty()) return 1;
    size_t p = static_cast<size_t>(start) - 1;
    // A character argument longer than one never equals a single character of the text.
    if (character.size() == 1) {
        while (p < text.size() && text[p] == character[0]) ++p;
    }
    if (p + 1 > kMaxPosition) return 0;
    return static_cast<std::int32_t>(p + 1);
} catch (...) {
    return 0;
}

std::u16string FileUrlToPath(std::u16string_view text) try {
    std::u16string path(text);
    if (Like(path, u"[Ff][Ii][Ll][Ee]:*")) path.erase(0, 5);
    size_t a = path.find(u':');
    if (a == npos) a = path.find(u'|');
    if (a != npos) {
        // The drive separator needs its letter before it.
        if (a == 0) return {};
        path[a] = u':';
        path.erase(0, a - 1);
    }
    for (char16_t& c : path) {
        if (c == u'/') c = u'\\';
    }
    if (!path.empty() && path[0] == u'\\') {
        const size_t run = path.find_first_not_of(u'\\');
        const size_t length = run == npos ? path.size() : run;
        if (length > 2) path.erase(0, length - 2);
    }
    return path;
} catch (...) {
    return {};
}

bool IsHostName(std::u16string_view text, bool strict) try {
    if (text.find(u'.') == npos || text.find(u"..") != npos) return false;
    std::vector<std::u16string> labels;
    if (SplitText(text, u".", labels, false) != 0) return false;
    if (strict) {
        for (size_t k = 0; k + 1 < labels.size(); ++k) {
            if (!IsStrictLabel(labels[k])) return false;
        }
    }
    const std::u16string& last = labels.back();
    if (AllOf(last, [](char16_t c) { return IsAsciiLetter(c); })) return true;
    if (labels.size() != 4) return false;
    for (const std::u16string& label : labels) {
        if (!AllOf(label, [](char16_t c) { return IsAsciiDigit(c); }) || OctetValue(label) > 255) {
            return false;
        }
    }
    return true;
} catch (...) {
    return false;
}

std::int16_t CompareFolded(std::u16string_view a, std::u16string_view b) noexcept {
    return VornFileList::CompareFileNames(a, b);
}

std::uint8_t CopyStrings(std::vector<std::u16string>& destination,
                         const std::vector<std::u16string>& source) try {
    destination = source;
    return 0;
} catch (...) {
    return 1;
}

namespace {

// Tests one character against the set that starts just after '[' at `pos`. Sets `end` to the
// position after the closing ']'; returns false with end = npos for a set never closed.
bool MatchSet(char16_t c, std::u16string_view p, size_t pos, size_t& end) noexcept {
    bool negate = false;
    if (pos < p.size() && p[pos] == u'!') {
        negate = true;
        ++pos;
    }
    bool hit = false;
    bool first = true;
    while (pos < p.size()) {
        const char16_t lo = p[pos];
        // An empty set "[]" matches nothing ("[!]" anything).
        if (lo == u']') {
            end = pos + 1;
            return hit != negate;
        }
        if (pos + 2 < p.size() && p[pos + 1] == u'-' && p[pos + 2] != u']' && !(first && lo == u'-')) {
            const char16_t hi = p[pos + 2];
            if (lo <= c && c <= hi) hit = true;
            pos += 3;
        } else {
            if (lo == c) hit = true;
            ++pos;
        }
        first = false;
    }
    end = std::u16string_view::npos;
    return false;
}

// Matches one single-character element at `pi`; sets `next` past it. False on mismatch.
bool MatchOne(char16_t c, std::u16string_view p, size_t pi, size_t& next) noexcept {
    const char16_t e = p[pi];
    if (e == u'?') {
        next = pi + 1;
        return true;
    }
    if (e == u'#') {
        next = pi + 1;
        return IsAsciiDigit(c);
    }
    if (e == u'[') {
        size_t end = 0;
        const bool hit = MatchSet(c, p, pi + 1, end);
        if (end == std::u16string_view::npos) {
            next = p.size() + 1;  // malformed: nothing can match
            return false;
        }
        next = end;
        return hit;
    }
    next = pi + 1;
    return e == c;
}

// Counts the single-character elements of the pattern; false for a set never closed.
bool CountElements(std::u16string_view p, size_t& elements, bool& has_star) noexcept {
    elements = 0;
    has_star = false;
    for (size_t i = 0; i < p.size(); ++i) {
        if (p[i] == u'*') {
            has_star = true;
            continue;
        }
        ++elements;
        if (p[i] != u'[') continue;
        size_t end = 0;
        MatchSet(0, p, i + 1, end);
        if (end == std::u16string_view::npos) return false;
        i = end - 1;
    }
    return true;
}

}  // namespace

bool Like(std::u16string_view text, std::u16string_view pattern) noexcept {
    size_t elements = 0;
    bool has_star = false;
    if (!CountElements(pattern, elements, has_star)) return false;
    // Most tests (a tag name against "[Bb][Aa][Ss][Ee]") fail on the length alone.
    if (has_star ? elements > text.size() : elements != text.size()) return false;
    size_t ti = 0, pi = 0;
    size_t star_p = std::u16string_view::npos, star_t = 0;
    while (ti < text.size()) {
        if (pi < pattern.size() && pattern[pi] == u'*') {
            while (pi < pattern.size() && pattern[pi] == u'*') ++pi;
            star_p = pi;
            star_t = ti;
            continue;
        }
        size_t next = 0;
        if (pi < pattern.size() && MatchOne(text[ti], pattern, pi, next)) {
            ++ti;
            pi = next;
            continue;
        }
        // Each element matches exactly one character, so moving only the last '*' on by one
        // is enough: earlier stars could not place the rest anywhere the last one cannot.
        if (star_p == std::u16string_view::npos) return false;
        pi = star_p;
        ti = ++star_t;
    }
    while (pi < pattern.size() && pattern[pi] == u'*') ++pi;
    return pi == pattern.size();
}

}  // namespace VornText
