#pragma once
// Text as today's sites write it: UTF-8 pages and META charset declarations, pages with stray
// bytes, character references in attribute values and percent-encoded links. Used only by
// check sets that ask for it (ModernHtml), so the readings of older sets stay as they were.
#include <cstdint>
#include <string>
#include <string_view>

#include "lib/VornCharSet.h"

namespace WebText {

// The encoding a page was read in; the three Japanese ones keep VornCharSet's numbers.
enum PageEncoding : std::uint8_t {
    kAscii = 0,  // no evidence either way; read as code page 932 like before
    kJis = 1,
    kEucJp = 2,
    kShiftJis = 3,
    kUtf8 = 8,
    kUnreadable = 99,  // missing, not text, or a conversion that cannot go on
};

struct DecodedPage {
    PageEncoding Encoding = kUnreadable;
    // The line of the first byte sequence that is invalid in the page's encoding; 0 for none.
    // Each such sequence became one U+FFFD and no ASCII byte after it was lost.
    std::int32_t FirstBadLine = 0;
};

// Reads and decodes a whole page with every line break made CR LF. A byte-order mark, or valid
// UTF-8 with multi-byte sequences, makes it UTF-8; otherwise the Japanese detection decides,
// and a META charset decides where the bytes leave the choice open.
DecodedPage DecodePage(std::u16string_view path, std::u16string& text) noexcept;
// The same into a reused buffer. `listed`: a listing has just shown the file to be a regular
// one (platform::FileSystem::ReadListedFile).
DecodedPage DecodePage(std::u16string_view path, VornCharSet::TextBuffer& text,
                       bool listed = false) noexcept;
// The same over bytes already read.
DecodedPage DecodeBytes(std::string bytes, std::u16string& text) noexcept;

// The encoding named by a META charset declaration in the first bytes of the page, or kAscii.
PageEncoding MetaCharset(std::string_view bytes) noexcept;
// The encoding an @charset rule at the very start of a stylesheet names, or kAscii.
PageEncoding StylesheetCharset(std::string_view bytes) noexcept;
// The encoding of a charset label (UTF-8, Shift_JIS, EUC-JP, ISO-2022-JP and their aliases,
// letter case ignored), or kAscii when it is none of them.
PageEncoding CharsetByName(std::u16string_view label) noexcept;

// Decodes the character references of an attribute value as a browser does: &amp; &lt; &gt;
// &quot; &apos;, numeric ones and the common named ones. A reference it does not know, or one
// without its ';', stays as written.
std::u16string DecodeCharRefs(std::u16string_view value);

// Decodes %XX sequences, reading the bytes in the encoding given (UTF-8, EUC-JP, or else code
// page 932). False when the result is not valid in it; `out` is then unusable.
bool PercentDecode(std::u16string_view text, PageEncoding encoding, std::u16string& out);

}  // namespace WebText
