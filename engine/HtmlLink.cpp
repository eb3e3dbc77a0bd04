#include "engine/HtmlLink.h"

namespace HtmlLink {

bool AddWarning(WarningList& list, std::int32_t code, std::u16string_view text) noexcept try {
    AppendEntry(list, WarningEntry{code, std::u16string(text)});
    return false;
} catch (...) {
    return true;
}

}  // namespace HtmlLink
