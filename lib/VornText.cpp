#include "lib/VornText.h"
#include "lib/Chars.h"

#include <limits>

#include "lib/FileNameCompare.h"

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

}  // namespace VornText
