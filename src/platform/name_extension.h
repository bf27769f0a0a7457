#pragma once
// The extension rule, for names and texts alike: the last of the characters
// '.', '\' and ':' decides; when it is a '.', the extension runs from there
// to the end, dot included; otherwise there is none. For a path, the rule
// applies to the part after its last '/'.

#include <QStringView>
#include <cstddef>
#include <string_view>

namespace tarnwick {

// Where the extension of s[0..n) starts, or n when it has none.
template <class TChar>
constexpr std::size_t ExtensionStart(const TChar* s, std::size_t n) {
    for (std::size_t i = n; i-- > 0;) {
        if (s[i] == TChar('.'))
            return i;
        if (s[i] == TChar('\\') || s[i] == TChar(':'))
            break;
    }
    return n;
}

// The extension of a name (bytes as the file system has them, or text).
inline std::string_view NameExtension(std::string_view name) {
    return name.substr(ExtensionStart(name.data(), name.size()));
}
inline QStringView NameExtension(QStringView name) {
    return name.sliced(static_cast<qsizetype>(
        ExtensionStart(name.utf16(), static_cast<std::size_t>(name.size()))));
}

// The extension of the last part of a path, after its last '/'.
inline QStringView PathExtension(QStringView path) {
    return NameExtension(path.sliced(path.lastIndexOf(u'/') + 1));
}

} // namespace tarnwick
