#pragma once
// The one seam between the engine's UTF-16 text and Qt's: both are UTF-16, so nothing is lost.
#include <QString>
#include <string>
#include <string_view>

inline QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::u16string FromQString(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}
