#include "fuzz/FuzzInput.h"

#include "platform/Cp932.h"

namespace fuzz {

std::u16string Text(std::string_view bytes) { return platform::Cp932ToUtf16(bytes); }

}  // namespace fuzz
