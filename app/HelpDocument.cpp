#include "app/HelpDocument.h"

#include <cstdint>

#include "platform/FileSystem.h"
#include "platform/Text.h"

namespace app {

namespace {

constexpr std::u16string_view kInstalledDir = uR"(share\mokuroku\)";

bool IsFile(const std::u16string& path) {
    platform::DirEntry entry;
    return platform::Fs().Stat(path, entry) && (entry.Attributes & platform::kDirectory) == 0;
}

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f'; }

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

char16_t Lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c - u'A' + u'a') : c; }

std::u16string LowerAscii(std::u16string_view s) {
    std::u16string out(s);
    for (char16_t& c : out) c = Lower(c);
    return out;
}

// One markup item: a start or end tag, or a comment or declaration (empty name).
struct Tag {
    std::size_t begin = 0, end = 0;  // the item is html[begin, end)
    std::u16string name;             // lower case
    bool closing = false;
    std::u16string_view attrs;
};

// Reads the markup item that starts at `at` (html[at] == '<'). False when the '<' is plain text
// or the item never ends.
bool TagAt(std::u16string_view html, std::size_t at, Tag& tag) {
    tag = Tag();
    tag.begin = at;
    std::u16string_view rest = html.substr(at);
    if (rest.substr(0, 4) == u"<!--") {
        const std::size_t close = rest.find(u"-->", 4);
        if (close == rest.npos) return false;
        tag.end = at + close + 3;
        return true;
    }
    std::size_t i = 1;
    if (i < rest.size() && rest[i] == u'/') {
        tag.closing = true;
        ++i;
    }
    if (i >= rest.size() || !(IsAsciiLetter(rest[i]) || (!tag.closing && rest[i] == u'!'))) {
        return false;
    }
    const bool declaration = rest[i] == u'!';
    const std::size_t name_begin = i;
    while (i < rest.size() && !IsSpace(rest[i]) && rest[i] != u'>' && rest[i] != u'/') ++i;
    if (!declaration) tag.name = LowerAscii(rest.substr(name_begin, i - name_begin));
    const std::size_t attrs_begin = i;
    // A '>' inside a quoted value does not end the tag.
    char16_t quote = 0;
    for (; i < rest.size(); ++i) {
        const char16_t c = rest[i];
        if (quote != 0) {
            if (c == quote) quote = 0;
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u'>') {
            tag.attrs = rest.substr(attrs_begin, i - attrs_begin);
            tag.end = at + i + 1;
            return true;
        }
    }
    return false;
}

bool NextTag(std::u16string_view html, std::size_t from, Tag& tag) {
    for (std::size_t at = html.find(u'<', from); at != html.npos; at = html.find(u'<', at + 1)) {
        if (TagAt(html, at, tag)) return true;
    }
    return false;
}

// The value of an attribute of a start tag (names compared without letter case); empty when
// absent. Values are returned as written, entities and all.
std::u16string AttrValue(std::u16string_view attrs, std::u16string_view wanted) {
    std::size_t i = 0;
    while (i < attrs.size()) {
        while (i < attrs.size() && (IsSpace(attrs[i]) || attrs[i] == u'/')) ++i;
        const std::size_t name_begin = i;
        while (i < attrs.size() && !IsSpace(attrs[i]) && attrs[i] != u'=' && attrs[i] != u'/') ++i;
        const std::u16string name = LowerAscii(attrs.substr(name_begin, i - name_begin));
        while (i < attrs.size() && IsSpace(attrs[i])) ++i;
        std::u16string_view value;
        if (i < attrs.size() && attrs[i] == u'=') {
            ++i;
            while (i < attrs.size() && IsSpace(attrs[i])) ++i;
            if (i < attrs.size() && (attrs[i] == u'"' || attrs[i] == u'\'')) {
                const char16_t quote = attrs[i++];
                const std::size_t close = attrs.find(quote, i);
                const std::size_t stop = close == attrs.npos ? attrs.size() : close;
                value = attrs.substr(i, stop - i);
                i = close == attrs.npos ? attrs.size() : close + 1;
            } else {
                const std::size_t value_begin = i;
                while (i < attrs.size() && !IsSpace(attrs[i])) ++i;
                value = attrs.substr(value_begin, i - value_begin);
            }
        }
        if (!name.empty() && name == wanted) return std::u16string(value);
        if (name.empty() && i == name_begin) ++i;  // a stray character; step over it
    }
    return {};
}

bool HasClass(const Tag& tag, std::u16string_view wanted) {
    const std::u16string classes = AttrValue(tag.attrs, u"class");
    std::size_t i = 0;
    while (i < classes.size()) {
        while (i < classes.size() && IsSpace(classes[i])) ++i;
        const std::size_t begin = i;
        while (i < classes.size() && !IsSpace(classes[i])) ++i;
        if (i > begin && std::u16string_view(classes).substr(begin, i - begin) == wanted) return true;
    }
    return false;
}

// The end of the element whose start tag is `open`: the begin and end of its end tag, counting
// nested elements of the same name. Without an end tag, the element runs to the end of `html`.
void FindElementEnd(std::u16string_view html, const Tag& open, std::size_t& content_end,
                    std::size_t& after) {
    int depth = 1;
    Tag tag;
    for (std::size_t pos = open.end; NextTag(html, pos, tag); pos = tag.end) {
        if (tag.name != open.name) continue;
        depth += tag.closing ? -1 : 1;
        if (depth == 0) {
            content_end = tag.begin;
            after = tag.end;
            return;
        }
    }
    content_end = after = html.size();
}

// The plain text of the first element of that name (and class, unless empty); empty when none.
std::u16string ElementText(std::u16string_view html, std::u16string_view name,
                           std::u16string_view with_class) {
    Tag tag;
    for (std::size_t pos = 0; NextTag(html, pos, tag); pos = tag.end) {
        if (tag.closing || tag.name != name) continue;
        if (!with_class.empty() && !HasClass(tag, with_class)) continue;
        std::size_t content_end = 0, after = 0;
        FindElementEnd(html, tag, content_end, after);
        return HtmlToPlainText(html.substr(tag.end, content_end - tag.end));
    }
    return {};
}

// 'w41' gives 41; anything else -1.
int EntryNumber(std::u16string_view id) {
    if (id.size() < 2 || id.size() > 4 || id[0] != u'w') return -1;
    int n = 0;
    for (char16_t c : id.substr(1)) {
        if (c < u'0' || c > u'9') return -1;
        n = n * 10 + (c - u'0');
    }
    return n;
}

// The heading reads 'N: message'; the number is already the entry's.
std::u16string WithoutNumber(const std::u16string& heading) {
    std::size_t i = 0;
    while (i < heading.size() && heading[i] >= u'0' && heading[i] <= u'9') ++i;
    if (i == 0 || i >= heading.size() || heading[i] != u':') return heading;
    ++i;
    while (i < heading.size() && heading[i] == u' ') ++i;
    return heading.substr(i);
}

void AppendCodePoint(std::u16string& out, std::uint32_t cp) {
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out += char16_t(0xD800 + (cp >> 10));
        out += char16_t(0xDC00 + (cp & 0x3FF));
    } else {
        out += char16_t(cp);
    }
}

// Decodes the entity at text[at] == '&' into `out`; returns the length used, 0 when it is no
// entity this reader knows (the '&' then stands for itself).
std::size_t DecodeEntity(std::u16string_view text, std::size_t at, std::u16string& out) {
    const std::size_t semi = text.find(u';', at);
    if (semi == text.npos || semi - at > 32) return 0;
    const std::u16string_view body = text.substr(at + 1, semi - at - 1);
    struct Named {
        std::u16string_view name;
        char16_t c;
    };
    static constexpr Named kNamed[] = {{u"amp", u'&'},  {u"lt", u'<'},   {u"gt", u'>'},
                                       {u"quot", u'"'}, {u"apos", u'\''}, {u"nbsp", u'\u00A0'}};
    for (const Named& n : kNamed) {
        if (body == n.name) {
            out += n.c;
            return semi - at + 1;
        }
    }
    if (body.size() < 2 || body[0] != u'#') return 0;
    const bool hex = body[1] == u'x' || body[1] == u'X';
    const std::u16string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty()) return 0;
    std::uint32_t cp = 0;
    for (char16_t c : digits) {
        int d = -1;
        if (c >= u'0' && c <= u'9') d = c - u'0';
        else if (hex && c >= u'a' && c <= u'f') d = c - u'a' + 10;
        else if (hex && c >= u'A' && c <= u'F') d = c - u'A' + 10;
        if (d < 0) return 0;
        cp = cp * (hex ? 16 : 10) + std::uint32_t(d);
        if (cp > 0x10FFFF) cp = 0x110000;  // stays out of range without overflowing
    }
    AppendCodePoint(out, cp);
    return semi - at + 1;
}

}  // namespace

std::u16string FindHelpDocument(std::u16string_view program_dir) try {
    std::u16string dir(program_dir);
    if (dir.empty()) return {};
    if (dir.back() != u'\\' && dir.back() != u'/') dir += u'\\';
    const std::u16string beside = dir + std::u16string(kHelpFileName);
    if (IsFile(beside)) return beside;
    const std::size_t last = dir.find_last_of(u"\\/", dir.size() - 2);
    if (dir.size() < 2 || last == dir.npos) return {};
    const std::u16string installed =
        dir.substr(0, last + 1) + std::u16string(kInstalledDir) + std::u16string(kHelpFileName);
    if (IsFile(installed)) return installed;
    return {};
} catch (...) {
    return {};
}

std::u16string HtmlToPlainText(std::u16string_view html) try {
    std::u16string decoded;
    decoded.reserve(html.size());
    Tag tag;
    for (std::size_t i = 0; i < html.size();) {
        const char16_t c = html[i];
        if (c == u'<' && TagAt(html, i, tag)) {
            // A line break separates words; other tags are inline and add nothing.
            if (tag.name == u"br") decoded += u' ';
            i = tag.end;
        } else if (c == u'&') {
            const std::size_t used = DecodeEntity(html, i, decoded);
            if (used == 0) decoded += c;
            i += used == 0 ? 1 : used;
        } else {
            decoded += c;
            ++i;
        }
    }
    std::u16string out;
    out.reserve(decoded.size());
    bool blank = false;
    for (char16_t c : decoded) {
        if (IsSpace(c)) {
            blank = !out.empty();
        } else {
            if (blank) out += u' ';
            blank = false;
            out += c;
        }
    }
    return out;
} catch (...) {
    return {};
}

std::map<int, WarningHelp> ReadWarningHelp(std::u16string_view html) try {
    std::map<int, WarningHelp> entries;
    Tag tag;
    for (std::size_t pos = 0; NextTag(html, pos, tag);) {
        pos = tag.end;
        if (tag.closing || tag.name != u"div" || !HasClass(tag, u"warning")) continue;
        const int number = EntryNumber(AttrValue(tag.attrs, u"id"));
        if (number < 0) continue;
        std::size_t content_end = 0, after = 0;
        FindElementEnd(html, tag, content_end, after);
        const std::u16string_view content = html.substr(tag.end, content_end - tag.end);
        WarningHelp& entry = entries[number];
        entry.Message = WithoutNumber(ElementText(content, u"h3", u""));
        entry.Meaning = ElementText(content, u"p", u"meaning");
        entry.Action = ElementText(content, u"p", u"action");
        pos = after;
    }
    return entries;
} catch (...) {
    return {};
}

bool LoadWarningHelp(std::u16string_view path, std::map<int, WarningHelp>& entries) try {
    entries.clear();
    std::string bytes;
    if (!platform::Fs().ReadFile(path, bytes)) return false;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    entries = ReadWarningHelp(platform::FromUtf8(bytes));
    return true;
} catch (...) {
    entries.clear();
    return false;
}

}  // namespace app
