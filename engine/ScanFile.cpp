#include "engine/ScanFile.h"
#include "platform/Chars.h"

#include <algorithm>
#include <array>

#include "engine/LinkTags.h"
#include "engine/VornHtml.h"
#include "lib/VornCharSet.h"
#include "lib/VornFileList.h"
#include "lib/VornText.h"
#include "engine/Warnings.h"

namespace HtmlLink {

namespace {

using VornHtml::ItemList;

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
    for (std::size_t i = 0; i + 3 < item.size(); ++i) {
        const char16_t c = item[i];
        if ((IsBlank(c) || c == u'"' || c == u'\'') && IsI(item[i + 1]) && IsD(item[i + 2]) &&
            (IsBlank(item[i + 3]) || item[i + 3] == u'=')) {
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

// Index of the tag in LinkTags, or -1. The name is lower-cased into a stack buffer: this runs
// for most tags of a page.
std::int32_t FindTableTag(std::u16string_view name) {
    if (name.empty() || name.size() > kMaxTableName || LinkTagNames.empty()) return -1;
    std::array<char16_t, kMaxTableName> buffer;
    for (std::size_t i = 0; i < name.size(); ++i) buffer[i] = AsciiLower(name[i]);
    const std::int32_t found = VornText::SortedSearch(
        LinkTagNames, std::u16string_view(buffer.data(), name.size()), 0,
        static_cast<std::int32_t>(LinkTagNames.size()) - 1, VornText::CompareMode::Exact);
    return (found >= 0 && found < static_cast<std::int32_t>(LinkTags.size())) ? found : -1;
}

bool IsTableAttribute(std::int32_t def_index, std::u16string_view name) {
    for (const LinkAttrDef& attr : LinkTags[def_index].Attrs) {
        if (EqualsIgnoringAsciiCase(name, attr.Name)) return true;
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

struct KeptAttr {
    std::u16string_view name;
    std::u16string_view value;
    std::int32_t value_line;
};

// Per-call scratch, reused across the items of one file so that the item loop allocates only
// for what it keeps.
struct Scratch {
    ItemList parts;
    std::vector<KeptAttr> kept;
};

bool KeepTag(FileEntry& entry, std::u16string_view name, std::int32_t def_index, std::int32_t line,
             const ItemList& parts, std::size_t count, Scratch& scratch) {
    scratch.kept.clear();
    std::int32_t attr_line = line;
    if (count > 2 && !AddBreaks(attr_line, parts[2])) return false;
    for (std::size_t k = 3; k < count; ++k) {
        const std::u16string_view part = parts[k];
        std::u16string_view attr_name, separator, value;
        if (VornHtml::SplitAttribute(part, attr_name, separator, value) == 1 &&
            (IsIdName(attr_name) || (def_index >= 0 && IsTableAttribute(def_index, attr_name)))) {
            std::int32_t value_line = attr_line;
            if (!AddBreaks(value_line, separator)) return false;
            scratch.kept.push_back({attr_name, value, value_line});
        }
        if (!AddBreaks(attr_line, part)) return false;
    }

    TagEntry tag;
    tag.Name = name;
    tag.DefIndex = def_index;
    tag.Line = line;
    // Sized exactly: a site keeps millions of these and never adds to them later.
    tag.Attrs.reserve(scratch.kept.size());
    for (const KeptAttr& kept : scratch.kept) {
        AttrEntry attr;
        attr.Name = kept.name;
        attr.Value = kept.value;
        attr.Line = line;
        attr.ValueLine = kept.value_line;
        AppendEntry(tag.Attrs, std::move(attr));
    }
    AppendEntry(entry.Tags, std::move(tag));
    return true;
}

// Takes the items of one file as they are cut, keeping what may carry a link or an anchor.
class ItemScanner final : public VornHtml::ItemSink {
public:
    explicit ItemScanner(FileEntry& entry) : entry_(entry) {}

    // True once a routine of the tokenizer failed; tags kept until then stay.
    bool Failed() const { return failed_; }

    bool Item(std::u16string_view item) override {
        if (!Scan(item)) failed_ = true;
        return !failed_;
    }

private:
    bool Scan(std::u16string_view item) {
        // Only what SplitTag accepts can be kept, so text runs and comments, the bulk of a page,
        // go straight to the line count.
        if (LooksLikeTag(item)) {
            std::u16string_view name;
            std::int32_t def_index = -1;
            if (may_be_table_tag_(item)) {
                name = VornHtml::GetTagName(item);
                def_index = FindTableTag(name);
            }
            if (def_index >= 0 || MayCarryId(item)) {
                ItemList& parts = scratch_.parts;
                parts.assign(1, std::u16string_view());
                const std::int32_t slots = VornHtml::SplitTag(item, parts);
                // The item was checked to be a tag, so 0 here is a failure, not markup to pass
                // over.
                if (slots <= 0) return false;
                const std::size_t count = std::min<std::size_t>(slots, parts.size());

                bool keep = true;
                if (def_index < 0) {
                    keep = false;
                    for (std::size_t k = 3; k < count && !keep; ++k) keep = StartsWithId(parts[k]);
                    if (keep) name = VornHtml::GetTagName(item);
                }
                if (keep && count > 1 && EqualsIgnoringAsciiCase(parts[1], u"meta")) {
                    keep = IsRefresh(parts, count);
                }
                if (keep && !KeepTag(entry_, name, def_index, line_, parts, count, scratch_)) {
                    return false;
                }
            }
        }
        return AddBreaks(line_, item);
    }

    FileEntry& entry_;
    Scratch scratch_;
    const TagInitials may_be_table_tag_;
    std::int32_t line_ = 1;
    bool failed_ = false;
};

std::uint8_t Unknown(FileEntry& entry) noexcept {
    entry.Status = ScanUnknownError;
    AddWarning(entry.Warnings, kFileScanFailed, msg::kScanUnknown);
    return ScanUnknownError;
}

}  // namespace

std::uint8_t ScanFile(FileEntry& entry, const std::vector<std::u16string>& html_like_patterns) try {
    entry.Anchors = {};
    entry.Tags = {};
    entry.Warnings = {};

    if (!IsHtmlFile(entry.Path, html_like_patterns)) {
        entry.Status = ScanNotHtml;
        return ScanNotHtml;
    }

    std::u16string text;
    if (VornCharSet::DecodeTextFile(entry.Path, text) > VornCharSet::kShiftJis) {
        entry.Status = ScanReadFailed;
        AddWarning(entry.Warnings, kFileReadFailed, msg::kReadFailed);
        return ScanReadFailed;
    }

    // The items are scanned as they are cut, so a large file never holds a list of them.
    entry.Status = ScanOk;
    ItemScanner scanner(entry);
    if (!VornHtml::CutItemsTo(text, scanner) && !scanner.Failed()) {
        entry.Tags = {};
        entry.Status = ScanCutFailed;
        AddWarning(entry.Warnings, kFileCutFailed, msg::kCutFailed);
        return ScanCutFailed;
    }
    // The table of a large site lives until the next run; give back the growth reserve.
    entry.Tags.shrink_to_fit();
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
