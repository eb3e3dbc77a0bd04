#include "engine/ScanFile.h"
#include "platform/Chars.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>

#include "engine/LinkTags.h"
#include "engine/VornHtml.h"
#include "lib/TextScan.h"
#include "lib/VornCharSet.h"
#include "lib/VornFileList.h"
#include "lib/VornText.h"
#include "lib/WebText.h"
#include "lib/Convert.h"
#include "engine/Warnings.h"

namespace HtmlLink {

namespace {

using VornHtml::ItemList;

// Decoded text above this many characters is given back after its file.
constexpr std::size_t kKeptText = std::size_t{1} << 22;

// Longer than every name of the table, so a longer tag name is known absent without a search.
constexpr std::size_t kMaxTableName = 16;

bool IsI(char16_t c) { return c == u'I' || c == u'i'; }
bool IsD(char16_t c) { return c == u'D' || c == u'd'; }

// What SplitTag accepts; anything else is text, a comment or other markup.
bool LooksLikeTag(std::u16string_view item) {
    return item.size() >= 2 && item[0] == u'<' && (item[1] == u'/' || IsAsciiLetter(item[1]));
}

// The whole-item test: a blank or quote, then "id" in any case, then a blank or "=". Scanned
// directly because it runs over every tag outside the table.
bool MayCarryId(std::u16string_view item) {
    const std::size_t n = item.size();
    // The 'd' is rarer than the blanks and quotes: look for it, then around it.
    for (std::size_t d = TextScan::FindAny(item.data(), n, 2, u'd', u'D', u'D');
         d != TextScan::kNotFound && d + 1 < n;
         d = TextScan::FindAny(item.data(), n, d + 1, u'd', u'D', u'D')) {
        const char16_t c = item[d - 2];
        if ((IsBlank(c) || c == u'"' || c == u'\'') && IsI(item[d - 1]) &&
            (IsBlank(item[d + 1]) || item[d + 1] == u'=')) {
            return true;
        }
    }
    return false;
}

// A part that begins with "id" in any case and then a blank or "=".
bool StartsWithId(std::u16string_view part) {
    return part.size() >= 3 && IsI(part[0]) && IsD(part[1]) &&
           (IsBlank(part[2]) || part[2] == u'=');
}

bool IsIdName(std::u16string_view name) { return name.size() == 2 && IsI(name[0]) && IsD(name[1]); }

bool EqualsIgnoringAsciiCase(std::u16string_view text, std::u16string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (AsciiLower(text[i]) != lower[i]) return false;
    }
    return true;
}

// Index of the tag in LinkTags, or -1. The name is lower-cased into a stack buffer and looked
// for among the names of its initial only: this runs for most tags of a page. Each thread keeps
// where each initial's names stand and works it out again when the table changes.
class TableTags {
public:
    TableTags() {
        if (built_ && names_ == LinkTagNames) return;
        names_ = LinkTagNames;
        first_.fill(0);
        end_.fill(0);
        // The names ascend, so each initial's stand together; a range is at worst too wide.
        for (std::size_t k = names_.size(); k-- > 0;) {
            const char16_t c = names_[k].empty() ? 0 : names_[k][0];
            if (c >= 128) continue;
            if (end_[c] == 0) end_[c] = static_cast<std::int32_t>(k + 1);
            first_[c] = static_cast<std::int32_t>(k);
        }
        built_ = true;
    }

    std::int32_t Find(std::u16string_view name) const {
        if (name.empty() || name.size() > kMaxTableName) return -1;
        std::array<char16_t, kMaxTableName> buffer;
        for (std::size_t i = 0; i < name.size(); ++i) buffer[i] = AsciiLower(name[i]);
        const std::u16string_view lower(buffer.data(), name.size());
        if (lower[0] >= 128) return -1;
        for (std::int32_t k = first_[lower[0]]; k < end_[lower[0]]; ++k) {
            if (names_[k] == lower) return k < static_cast<std::int32_t>(LinkTags.size()) ? k : -1;
        }
        return -1;
    }

private:
    static inline thread_local std::vector<std::u16string> names_;
    static inline thread_local std::array<std::int32_t, 128> first_{};
    static inline thread_local std::array<std::int32_t, 128> end_{};
    static inline thread_local bool built_ = false;
};

bool IsTableAttribute(std::int32_t def_index, std::u16string_view name) {
    for (const LinkAttrDef& attr : LinkTags[def_index].Attrs) {
        if (EqualsIgnoringAsciiCase(name, attr.Name)) return true;
    }
    return false;
}

// Links of today's HTML that the tag table lacks, kept when the check set reads pages as
// today's sites write them. A map's name is kept so that usemap="#name" finds it as an anchor.
struct ModernAttr {
    std::u16string_view tag;
    std::u16string_view attr;
};
constexpr ModernAttr kModernAttrs[] = {
    {u"audio", u"src"},      {u"blockquote", u"cite"},  {u"del", u"cite"},
    {u"img", u"srcset"},     {u"img", u"usemap"},       {u"input", u"src"},
    {u"input", u"usemap"},   {u"ins", u"cite"},         {u"link", u"imagesrcset"},
    {u"map", u"name"},       {u"object", u"usemap"},    {u"q", u"cite"},
    {u"source", u"src"},     {u"source", u"srcset"},    {u"track", u"src"},
    {u"video", u"poster"},   {u"video", u"src"},
};

// Whether a tag name beginning so may be one of them. Most tags of a page are not: p, div,
// span, td, li, h1.
bool MayBeModernInitial(char16_t c) {
    switch (AsciiLower(c)) {
        case u'a': case u'b': case u'd': case u'i': case u'l': case u'm': case u'o': case u'q':
        case u's': case u't': case u'v':
            return true;
        default:
            return false;
    }
}

// For each initial, the lengths of the tag names above that begin with it: most kept tags
// ('a', 'p') are told apart without a comparison.
constexpr std::array<std::uint16_t, 26> kModernLengths = [] {
    std::array<std::uint16_t, 26> lengths{};
    for (const ModernAttr& m : kModernAttrs)
        lengths[static_cast<std::size_t>(m.tag[0] - u'a')] |=
            static_cast<std::uint16_t>(1u << m.tag.size());
    return lengths;
}();

bool IsModernTag(std::u16string_view name) {
    if (name.empty() || name.size() > 10 || !IsAsciiLetter(name[0])) return false;
    if (((kModernLengths[static_cast<std::size_t>(AsciiLower(name[0]) - u'a')] >> name.size()) &
         1u) == 0)
        return false;
    for (const ModernAttr& m : kModernAttrs) {
        if (EqualsIgnoringAsciiCase(name, m.tag)) return true;
    }
    return false;
}

bool IsModernAttr(std::u16string_view tag, std::u16string_view attr) {
    for (const ModernAttr& m : kModernAttrs) {
        if (EqualsIgnoringAsciiCase(tag, m.tag) && EqualsIgnoringAsciiCase(attr, m.attr)) return true;
    }
    return false;
}

bool IsSrcset(std::u16string_view attr) {
    return EqualsIgnoringAsciiCase(attr, u"srcset") || EqualsIgnoringAsciiCase(attr, u"imagesrcset");
}

// The URLs of a srcset, as a browser cuts them: a URL runs to the next blank, and commas
// that end it separate it from the next candidate; descriptors ('2x', '640w') run to the
// next comma outside parentheses.
std::vector<std::u16string_view> SrcsetCandidates(std::u16string_view v) {
    std::vector<std::u16string_view> urls;
    std::size_t i = 0;
    while (i < v.size()) {
        while (i < v.size() && (IsBlank(v[i]) || v[i] == u',')) ++i;
        if (i >= v.size()) break;
        std::size_t end = i;
        while (end < v.size() && !IsBlank(v[end])) ++end;
        std::u16string_view url = v.substr(i, end - i);
        i = end;
        if (url.ends_with(u',')) {
            while (url.ends_with(u',')) url.remove_suffix(1);
        } else {
            int depth = 0;
            while (i < v.size() && !(v[i] == u',' && depth == 0)) {
                if (v[i] == u'(') ++depth;
                if (v[i] == u')' && depth > 0) --depth;
                ++i;
            }
        }
        if (!url.empty()) urls.push_back(url);
    }
    return urls;
}

// A url(...) or @import of a stylesheet: the kind (the name it is logged under), the value as
// written (quotes included) and where it stands in the text.
struct CssRef {
    std::u16string_view name;
    std::u16string_view value;
    std::size_t offset;
};

bool FoldedAt(std::u16string_view text, std::size_t at, std::u16string_view lower) {
    return at + lower.size() <= text.size() &&
           EqualsIgnoringAsciiCase(text.substr(at, lower.size()), lower);
}

// The value of url( at `open` (just after the parenthesis): quoted as written, or the bare text
// up to ')' without the blanks around it. `end` gets the position after it.
std::u16string_view CssUrlValue(std::u16string_view css, std::size_t open, std::size_t& end) {
    std::size_t j = open;
    while (j < css.size() && IsBlank(css[j])) ++j;
    if (j < css.size() && (css[j] == u'"' || css[j] == u'\'')) {
        const std::size_t close = css.find(css[j], j + 1);
        const std::size_t stop = close == css.npos ? css.size() : close + 1;
        end = stop;
        return css.substr(j, stop - j);
    }
    const std::size_t close = css.find(u')', j);
    std::size_t stop = close == css.npos ? css.size() : close;
    end = stop;
    while (stop > j && IsBlank(css[stop - 1])) --stop;
    return css.substr(j, stop - j);
}

// The url(...) references and @import rules of a stylesheet, skipping comments and strings.
std::vector<CssRef> CssRefs(std::u16string_view css) {
    std::vector<CssRef> refs;
    const std::size_t n = css.size();
    for (std::size_t i = 0; i < n;) {
        const char16_t c = css[i];
        if (c == u'/' && i + 1 < n && css[i + 1] == u'*') {
            const std::size_t close = css.find(u"*/", i + 2);
            i = close == css.npos ? n : close + 2;
        } else if (c == u'@' && FoldedAt(css, i + 1, u"import")) {
            std::size_t j = i + 7;
            while (j < n && IsBlank(css[j])) ++j;
            std::size_t end = j;
            if (j < n && (css[j] == u'"' || css[j] == u'\'')) {
                const std::size_t close = css.find(css[j], j + 1);
                end = close == css.npos ? n : close + 1;
                refs.push_back({u"@import", css.substr(j, end - j), j});
            } else if (FoldedAt(css, j, u"url(")) {
                const std::u16string_view value = CssUrlValue(css, j + 4, end);
                refs.push_back({u"@import", value, j});
            }
            i = std::max(end, i + 1);
        } else if (c == u'"' || c == u'\'') {
            const std::size_t close = css.find(c, i + 1);
            i = close == css.npos ? n : close + 1;
        } else if ((c == u'u' || c == u'U') && FoldedAt(css, i, u"url(") &&
                   (i == 0 || !(IsAsciiLetter(css[i - 1]) || css[i - 1] == u'-'))) {
            std::size_t end;
            const std::u16string_view value = CssUrlValue(css, i + 4, end);
            refs.push_back({u"url", value, i});
            i = std::max(end, i + 1);
        } else {
            ++i;
        }
    }
    return refs;
}

// Whether a tag may hold url( in a style attribute; cheap enough for every tag of a page.
bool MayHoldCssUrl(std::u16string_view item) {
    for (std::size_t at = TextScan::FindChar(item.data(), item.size(), 0, u'(');
         at != TextScan::kNotFound; at = TextScan::FindChar(item.data(), item.size(), at + 1, u'(')) {
        if (at >= 3 && FoldedAt(item, at - 3, u"url")) return true;
    }
    return false;
}

bool IsStyleName(std::u16string_view name) { return EqualsIgnoringAsciiCase(name, u"style"); }

// An input's src is loaded only for type="image".
bool IsImageInput(const ItemList& parts, std::size_t count) {
    for (std::size_t k = 3; k < count; ++k) {
        std::u16string_view name, separator, value;
        if (VornHtml::SplitAttribute(parts[k], name, separator, value) == 1 &&
            EqualsIgnoringAsciiCase(name, u"type") &&
            EqualsIgnoringAsciiCase(VornHtml::Unquote(value), u"image"))
            return true;
    }
    return false;
}

// A meta tag counts only as a refresh.
bool IsRefresh(const ItemList& parts, std::size_t count) {
    constexpr std::u16string_view kHttpEquiv = u"http-equiv";
    for (std::size_t k = 3; k < count; ++k) {
        const std::u16string_view part = parts[k];
        if (part.size() < kHttpEquiv.size() ||
            !EqualsIgnoringAsciiCase(part.substr(0, kHttpEquiv.size()), kHttpEquiv)) {
            continue;
        }
        std::u16string_view name, separator, value;
        if (VornHtml::SplitAttribute(part, name, separator, value) != 1) continue;
        if (EqualsIgnoringAsciiCase(VornHtml::Unquote(value), u"refresh")) return true;
    }
    return false;
}

// Adds the line breaks of a piece of the text. False when counting failed: the scan then fails
// rather than shift every later line number.
bool AddBreaks(std::int32_t& counter, std::u16string_view text) {
    const std::int32_t n = VornHtml::CountLineBreaks(text);
    if (n < 0) return false;
    counter += n;
    return true;
}

// Which second characters of a tag item match LinkTagPattern. Items reach the test only when
// their second character is an ASCII letter or '/', so the ASCII answers, worked out with the
// matcher itself whenever the pattern changes, give the matcher's result without running it
// for every tag.
class TagInitials {
public:
    TagInitials() {
        if (pattern_ == LinkTagPattern && built_) return;
        char16_t probe[2] = {u'<', 0};
        for (char16_t c = 0; c < 128; ++c) {
            probe[1] = c;
            match_[c] = VornText::Like(std::u16string_view(probe, 2), LinkTagPattern);
        }
        pattern_ = LinkTagPattern;
        built_ = true;
    }
    bool operator()(std::u16string_view item) const {
        return item.size() >= 2 && item[0] == u'<' && item[1] < 128 && match_[item[1]];
    }

private:
    static inline thread_local std::array<bool, 128> match_{};
    static inline thread_local std::u16string pattern_;
    static inline thread_local bool built_ = false;
};

// The lines on which places of a text stand, asked for in order: counted on from the last place
// asked for, so each piece of the text is counted once, and only up to the last place wanted.
class LineCounter {
public:
    LineCounter(const char16_t* from, std::int32_t line) : counted_(from), line_(line) {}
    // False when the count would overflow: the scan then fails rather than shift every later
    // line number.
    bool At(const char16_t* at, std::int32_t& line) {
        const std::size_t breaks =
            TextScan::CountBreaks(counted_, static_cast<std::size_t>(at - counted_));
        if (breaks > static_cast<std::size_t>(INT32_MAX - line_)) return false;
        line_ += static_cast<std::int32_t>(breaks);
        counted_ = at;
        line = line_;
        return true;
    }

private:
    const char16_t* counted_;
    std::int32_t line_;
};

// The name VornHtml::SplitAttribute gives an attribute part: up to its first blank or '='.
// Empty for a part it does not split (a blank run, '>'), which carries no attribute either.
std::u16string_view AttributeName(std::u16string_view part) {
    if (part.empty() || IsBlank(part[0]) || part[0] == u'>' || part[0] == u'<') return {};
    std::size_t end = 0;
    while (end < part.size() && !IsBlank(part[end]) && part[end] != u'=') ++end;
    return part.substr(0, end);
}

// The slot the append rule gives a new tag, emptied, so that the tag is built where it stays
// rather than moved there. Its name comes last: a tag left half built by a failure is a free
// slot.
TagEntry& NewTag(std::vector<TagEntry>& tags) {
    if (!tags.empty() && !InUse(tags.back())) {
        tags.back() = TagEntry{};
        return tags.back();
    }
    return tags.emplace_back();
}

struct KeptAttr {
    std::u16string_view name;
    std::u16string_view value;
    std::int32_t value_line;
};

// A kept attribute whose value is still to be stored: views into the page stay valid until
// its scan ends.
struct PendingValue {
    std::uint32_t tag;
    std::uint32_t attr;
    std::u16string_view text;
};

// Per-call scratch, reused across the items of one file so that the item loop allocates only
// for what it keeps.
struct Scratch {
    ItemList parts;
    std::vector<KeptAttr> kept;
    std::vector<PendingValue> values;
    std::vector<TableText::Assignment> batch;
};

// Stores the pending values of the file's tags together (TableText::AssignEach): most values
// are looked up in a table far larger than the processor's cache.
void StoreValues(FileEntry& entry, Scratch& scratch) {
    scratch.batch.clear();
    for (const PendingValue& v : scratch.values)
        scratch.batch.push_back({&entry.Tags[v.tag].Attrs[v.attr].Value, v.text});
    scratch.values.clear();
    TableText::AssignEach(scratch.batch, false);
    scratch.batch.clear();
}

// The values of a file's kept tags are stored in batches of this many.
constexpr std::size_t kValueBatch = 1024;

bool KeepTag(FileEntry& entry, std::u16string_view name, std::int32_t def_index, std::int32_t line,
             const ItemList& parts, std::size_t count, Scratch& scratch, bool modern,
             bool style_urls) {
    scratch.kept.clear();
    const bool modern_tag = modern && IsModernTag(name);
    const bool no_input_src =
        modern_tag && EqualsIgnoringAsciiCase(name, u"input") && !IsImageInput(parts, count);
    // The parts lie one after the other in the item, and no CR LF pair spans two of them, so
    // the lines counted over them are the lines counted part by part. The name has none.
    LineCounter lines(count > 2 ? parts[2].data() : nullptr, line);
    for (std::size_t k = 3; k < count; ++k) {
        const std::u16string_view part = parts[k];
        // The name decides; most attributes (title, class) are passed over without splitting.
        const std::u16string_view attr_name = AttributeName(part);
        if (attr_name.empty()) continue;
        const bool table =
            IsIdName(attr_name) || (def_index >= 0 && IsTableAttribute(def_index, attr_name));
        const bool added = !table && modern_tag && IsModernAttr(name, attr_name) &&
                           !(no_input_src && EqualsIgnoringAsciiCase(attr_name, u"src"));
        const bool style = !table && !added && style_urls && IsStyleName(attr_name);
        if (!table && !added && !style) continue;
        std::u16string_view split_name, separator, value;
        VornHtml::SplitAttribute(part, split_name, separator, value);
        if (table || added) {
            std::int32_t value_line = 0;
            // Where the value begins (a name alone has no separator to point at).
            const char16_t* const value_at = part.data() + attr_name.size() + separator.size();
            if (!lines.At(value_at, value_line)) return false;
            if (added && IsSrcset(attr_name)) {
                // Each candidate is a link of its own, shown with its URL as the value.
                for (std::u16string_view url : SrcsetCandidates(VornHtml::Unquote(value)))
                    scratch.kept.push_back({attr_name, url, value_line});
            } else {
                scratch.kept.push_back({attr_name, value, value_line});
            }
        } else {
            // Each url() of the style is a link of its own, on its own line.
            const std::u16string_view css = VornHtml::Unquote(value);
            for (const CssRef& ref : CssRefs(css)) {
                std::int32_t value_line = 0;
                if (!lines.At(css.data() + ref.offset, value_line)) return false;
                scratch.kept.push_back({attr_name, ref.value, value_line});
            }
        }
    }

    // A tag kept for today's links alone that carries none of them is nothing to check.
    if ((modern_tag || style_urls) && scratch.kept.empty() && def_index < 0) return true;

    TagEntry& tag = NewTag(entry.Tags);
    tag.DefIndex = static_cast<std::int16_t>(def_index);  // LinkTags has a few dozen rows
    tag.Line = line;
    // Sized exactly: a site keeps millions of these and never adds to them later.
    tag.Attrs.reserve(scratch.kept.size());
    const auto tag_index = static_cast<std::uint32_t>(&tag - entry.Tags.data());
    for (const KeptAttr& kept : scratch.kept) {
        AttrEntry attr;
        attr.Name = kept.name;
        attr.ValueLine = kept.value_line;
        const AttrEntry& added = AppendEntry(tag.Attrs, std::move(attr));
        scratch.values.push_back(
            {tag_index, static_cast<std::uint32_t>(&added - tag.Attrs.data()), kept.value});
    }
    tag.Name = name;
    if (scratch.values.size() >= kValueBatch) StoreValues(entry, scratch);
    return true;
}

// Keeps every url() and @import of a stylesheet text that begins on `line`, each as a tag of
// its own named "style", so that it is logged on its own line.
bool ScanStylesheet(FileEntry& entry, std::u16string_view css, std::int32_t line) {
    std::size_t counted = 0;
    for (const CssRef& ref : CssRefs(css)) {
        if (!AddBreaks(line, css.substr(counted, ref.offset - counted))) return false;
        counted = ref.offset;
        TagEntry tag;
        tag.Name = u"style";
        tag.Line = line;
        AttrEntry attr;
        attr.Name = ref.name;
        attr.Value = ref.value;
        attr.ValueLine = line;
        tag.Attrs.push_back(std::move(attr));
        AppendEntry(entry.Tags, std::move(tag));
    }
    return true;
}

bool IsStylesheetFile(std::u16string_view path) {
    return path.size() >= 4 && EqualsIgnoringAsciiCase(path.substr(path.size() - 4), u".css");
}

// Takes the items of one file as they are cut, keeping what may carry a link or an anchor.
class ItemScanner final : public VornHtml::ItemSink {
public:
    ItemScanner(FileEntry& entry, std::u16string_view text, Scratch& scratch, bool modern)
        : entry_(entry), scratch_(scratch), lines_(text.data(), 1), modern_(modern) {}

    // True once a routine of the tokenizer failed; tags kept until then stay.
    bool Failed() const { return failed_; }
    bool Stopped() const { return stopped_; }

    bool Item(std::u16string_view item) override {
        if (Stopping(items_)) {
            stopped_ = true;
            return false;
        }
        if (!Scan(item)) failed_ = true;
        return !failed_;
    }

private:
    // The line on which `at` stands; the text is counted only up to the last item kept.
    bool LineAt(const char16_t* at, std::int32_t& line) { return lines_.At(at, line); }

    bool Scan(std::u16string_view item) {
        // Only what SplitTag accepts can be kept, so text runs and comments, the bulk of a page,
        // are passed over; the line count takes them in when the next tag is kept.
        if (LooksLikeTag(item)) {
            std::u16string_view name;
            std::int32_t def_index = -1;
            if (may_be_table_tag_(item)) {
                name = VornHtml::GetTagName(item);
                def_index = table_tags_.Find(name);
            }
            bool modern_tag = false;
            if (modern_ && def_index < 0 && MayBeModernInitial(item[1])) {
                name = VornHtml::GetTagName(item);
                modern_tag = IsModernTag(name);
            }
            const bool style_urls = modern_ && MayHoldCssUrl(item);
            if (def_index >= 0 || modern_tag || style_urls || MayCarryId(item)) {
                ItemList& parts = scratch_.parts;
                parts.assign(1, std::u16string_view());
                const std::int32_t slots = VornHtml::SplitTag(item, parts);
                // The item was checked to be a tag, so 0 here is a failure, not markup to pass
                // over.
                if (slots <= 0) return false;
                const std::size_t count = std::min<std::size_t>(slots, parts.size());

                bool keep = true;
                if (def_index < 0 && !modern_tag && !style_urls) {
                    keep = false;
                    for (std::size_t k = 3; k < count && !keep; ++k) keep = StartsWithId(parts[k]);
                    if (keep) name = VornHtml::GetTagName(item);
                } else if (name.empty()) {
                    name = VornHtml::GetTagName(item);
                }
                if (keep && count > 1 && EqualsIgnoringAsciiCase(parts[1], u"meta")) {
                    keep = IsRefresh(parts, count);
                }
                std::int32_t line = 0;
                if (keep && !(LineAt(item.data(), line) &&
                              KeepTag(entry_, name, def_index, line, parts, count, scratch_,
                                      modern_, style_urls))) {
                    return false;
                }
            }
            // The text after <style> up to its end tag is a stylesheet.
            in_style_ = modern_ && item[1] != u'/' && EqualsIgnoringAsciiCase(name, u"style");
        } else if (in_style_) {
            std::int32_t line = 0;
            if (!(LineAt(item.data(), line) && ScanStylesheet(entry_, item, line))) return false;
        }
        return true;
    }

    FileEntry& entry_;
    Scratch& scratch_;
    const TagInitials may_be_table_tag_;
    const TableTags table_tags_;
    LineCounter lines_;
    bool failed_ = false;
    bool stopped_ = false;
    std::size_t items_ = 0;
    bool modern_ = false;
    bool in_style_ = false;
};

// A file's tags grow in storage its thread keeps, and move once into a list of their exact size
// when the scan ends: the table of a large site lives until the next run, and neither the
// growth nor a shrinking copy is paid for each file.
class KeptTags {
public:
    explicit KeptTags(FileEntry& entry) : entry_(entry) {
        growing_.clear();
        entry_.Tags.swap(growing_);
    }
    KeptTags(const KeptTags&) = delete;
    KeptTags& operator=(const KeptTags&) = delete;

    ~KeptTags() {
        std::vector<TagEntry> exact;
        try {
            exact.reserve(entry_.Tags.size());
        } catch (...) {
            return;  // the tags stay where they grew
        }
        std::move(entry_.Tags.begin(), entry_.Tags.end(), std::back_inserter(exact));
        entry_.Tags.swap(growing_);
        growing_.clear();
        entry_.Tags = std::move(exact);
        if (growing_.capacity() > kKeptTagRoom) std::vector<TagEntry>().swap(growing_);
    }

private:
    // Enough for nearly every page; a larger storage is given back after its file.
    static constexpr std::size_t kKeptTagRoom = 4096;
    static inline thread_local std::vector<TagEntry> growing_;
    FileEntry& entry_;
};

std::uint8_t Unknown(FileEntry& entry) noexcept {
    entry.Status = ScanUnknownError;
    AddWarning(entry.Warnings, kFileScanFailed, msg::kScanUnknown);
    return ScanUnknownError;
}

}  // namespace

std::uint8_t ScanFile(FileEntry& entry, const std::vector<std::u16string>& html_like_patterns,
                      bool modern) try {
    entry.Anchors = {};
    entry.Tags = {};
    entry.Warnings = {};

    const bool stylesheet = modern && !IsHtmlFile(entry.Path, html_like_patterns) &&
                            IsStylesheetFile(entry.Path);
    if (!stylesheet && !IsHtmlFile(entry.Path, html_like_patterns)) {
        entry.Status = ScanNotHtml;
        return ScanNotHtml;
    }

    // Decoded into storage the thread keeps from file to file; the items are views into it.
    thread_local VornCharSet::TextBuffer decoded;
    struct Release {
        ~Release() { decoded.Release(kKeptText); }
    } release;
    bool readable;
    if (modern) {
        const WebText::DecodedPage page = WebText::DecodePage(entry.Path, decoded, true);
        readable = page.Encoding != WebText::kUnreadable;
        entry.Encoding = page.Encoding;
        if (readable && page.FirstBadLine > 0) {
            AddWarning(entry.Warnings, kFileBadBytes,
                       std::u16string(msg::kBadBytes1) + ToDecimal(page.FirstBadLine) +
                           std::u16string(msg::kBadBytes2));
        }
    } else {
        readable = VornCharSet::DecodeTextFile(entry.Path, decoded, true) <= VornCharSet::kShiftJis;
    }
    if (!readable) {
        entry.Status = ScanReadFailed;
        AddWarning(entry.Warnings, kFileReadFailed, msg::kReadFailed);
        return ScanReadFailed;
    }

    const std::u16string_view text = decoded.View();
    const KeptTags kept_tags(entry);
    if (stylesheet) {
        entry.Status = ScanOk;
        return ScanStylesheet(entry, text, 1) ? std::uint8_t{ScanOk} : Unknown(entry);
    }

    // The items are scanned as they are cut, so a large file never holds a list of them.
    entry.Status = ScanOk;
    thread_local Scratch scratch;
    scratch.values.clear();
    // Values still pending when the scan fails are stored on the way out, as far as they can be.
    struct StoreOnFailure {
        FileEntry& entry;
        ~StoreOnFailure() {
            try {
                StoreValues(entry, scratch);
            } catch (...) {
                scratch.values.clear();
            }
        }
    } store_on_failure{entry};
    ItemScanner scanner(entry, text, scratch, modern);
    const bool cut = VornHtml::CutItemsTo(text, scanner);
    if (scanner.Stopped() || (!cut && !scanner.Failed())) scratch.values.clear();
    StoreValues(entry, scratch);
    if (scanner.Stopped()) {
        entry.Tags = {};
        entry.Anchors = {};
        return ScanOk;
    }
    if (!cut && !scanner.Failed()) {
        entry.Tags = {};
        entry.Status = ScanCutFailed;
        AddWarning(entry.Warnings, kFileCutFailed, msg::kCutFailed);
        return ScanCutFailed;
    }
    return scanner.Failed() ? Unknown(entry) : std::uint8_t{ScanOk};
} catch (...) {
    return Unknown(entry);
}

bool IsHtmlFile(std::u16string_view path, const std::vector<std::u16string>& patterns) try {
    const std::size_t cut = path.find_last_of(u"\\/");
    const std::u16string_view name = cut == path.npos ? path : path.substr(cut + 1);
    for (const std::u16string& pattern : patterns) {
        if (VornText::Like(name, pattern)) return true;
    }
    return false;
} catch (...) {
    return false;
}

}  // namespace HtmlLink
