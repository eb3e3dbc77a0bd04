#pragma once
// The HTML tokenizer: cuts a text into items (text runs, comments, tags) and a tag into parts.
// Items and parts are views into the text that was cut, which must outlive them. Positions are
// 1-based.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace VornHtml {

// A list of items or parts. Created by the caller with one empty slot.
using ItemList = std::vector<std::u16string_view>;

// Fills the last slot when it is empty, else grows the list by one. 0 done, 1 failure.
std::uint8_t AppendItem(ItemList& list, std::u16string_view text);
// Cuts into text runs, comments, end tags and start tags (quotes honoured); their concatenation
// is the text less a final '<'. Number of slots (at least 1); 0 when the list cannot grow.
std::int32_t CutItems(std::u16string_view text, ItemList& items);

// Receives the items of a text one at a time, in order, as they are cut.
class ItemSink {
public:
    virtual ~ItemSink() = default;
    // False stops the cutting.
    virtual bool Item(std::u16string_view item) = 0;
};

// Cuts the text as CutItems does, handing each item to the sink instead of keeping a list, so
// a large file never holds all its items at once. False when cutting failed or the sink
// stopped it.
bool CutItemsTo(std::u16string_view text, ItemSink& sink);
// '<', the name, then blank runs and attributes as written, then '>' if the item has it.
// Number of slots of the part list; 0 when the item is not a start or end tag, or on failure.
std::int32_t SplitTag(std::u16string_view item, ItemList& parts);
// 1 when the part is an attribute and was split (the value keeps its quotes); else 0, with the
// three outputs empty.
std::uint8_t SplitAttribute(std::u16string_view part, std::u16string_view& name,
                            std::u16string_view& separator, std::u16string_view& value);
// The tag name as written, without '<', '>' and a leading '/'.
std::u16string_view GetTagName(std::u16string_view item);
// First non-blank at or after start; 0 when none or start out of range.
std::int32_t SkipBlanks(std::int32_t start, std::u16string_view text);
// First blank (or '=' with the flag) at or after start; 0 when none or start out of range.
std::int32_t FindBlank(std::int32_t start, std::u16string_view text, bool with_equals);
// CR, LF and CR LF each count once; -1 on failure.
std::int32_t CountLineBreaks(std::u16string_view text);
// The value without one pair of matching outer quotes.
std::u16string_view Unquote(std::u16string_view value);

}  // namespace VornHtml
