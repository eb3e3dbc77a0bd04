#include "lib/Like.h"
#include "lib/Chars.h"

namespace VornText {
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
