#pragma once
// Lossless conversion between file names as the kernel stores them (bytes)
// and the program's texts (UTF-16). Valid UTF-8 decodes as usual; every byte
// that is not part of a valid UTF-8 sequence becomes a lone surrogate
// U+DC80..U+DCFF, and encoding turns such a surrogate back into its byte, so
// EncodeName(DecodeName(b)) == b for every byte string b.

#include <QString>
#include <QStringView>
#include <string>
#include <string_view>

namespace tarnwick {

QString DecodeName(std::string_view bytes);
// The same, appended to out.
void AppendDecodedName(QString& out, std::string_view bytes);

// Appends the bytes of text to out. A lone surrogate outside U+DC80..U+DCFF
// (no decoded name holds one) is written as U+FFFD.
void AppendEncodedName(std::string& out, QStringView text);

inline std::string EncodeName(QStringView text) {
    std::string out;
    AppendEncodedName(out, text);
    return out;
}

// True when EncodeName followed by DecodeName gives text back unchanged.
bool RoundTripsAsName(QStringView text);

} // namespace tarnwick
