#include "name_codec.h"

namespace tarnwick {

namespace {

// Length of the valid UTF-8 sequence at s[i], or 0 when the byte there does
// not start one (overlong forms, surrogates and values past U+10FFFF are not valid).
int ValidSequenceLength(std::string_view s, size_t i, char32_t& cp) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    const size_t left = s.size() - i;
    auto cont = [&](size_t k) { return (b(k) & 0xC0) == 0x80; };
    if (c >= 0xC2 && c <= 0xDF) {
        if (left < 2 || !cont(i + 1))
            return 0;
        cp = (char32_t(c & 0x1F) << 6) | (b(i + 1) & 0x3F);
        return 2;
    }
    if (c >= 0xE0 && c <= 0xEF) {
        if (left < 3)
            return 0;
        const unsigned char c1 = b(i + 1);
        const unsigned char lo = (c == 0xE0) ? 0xA0 : 0x80;
        const unsigned char hi = (c == 0xED) ? 0x9F : 0xBF;
        if (c1 < lo || c1 > hi || !cont(i + 2))
            return 0;
        cp = (char32_t(c & 0x0F) << 12) | (char32_t(c1 & 0x3F) << 6) | (b(i + 2) & 0x3F);
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (left < 4)
            return 0;
        const unsigned char c1 = b(i + 1);
        const unsigned char lo = (c == 0xF0) ? 0x90 : 0x80;
        const unsigned char hi = (c == 0xF4) ? 0x8F : 0xBF;
        if (c1 < lo || c1 > hi || !cont(i + 2) || !cont(i + 3))
            return 0;
        cp = (char32_t(c & 0x07) << 18) | (char32_t(c1 & 0x3F) << 12) |
             (char32_t(b(i + 2) & 0x3F) << 6) | (b(i + 3) & 0x3F);
        return 4;
    }
    return 0;
}

} // namespace

void AppendDecodedName(QString& out, std::string_view s) {
    const qsizetype base = out.size();
    out.resize(base + static_cast<qsizetype>(s.size())); // never more code units than bytes
    char16_t* const start = reinterpret_cast<char16_t*>(out.data()) + base;
    char16_t* d = start;
    size_t i = 0;
    // ASCII, the usual name, widened without a question.
    unsigned high = 0;
    for (const char ch : s)
        high |= static_cast<unsigned char>(ch);
    if (high < 0x80) {
        for (const char ch : s)
            *d++ = static_cast<unsigned char>(ch);
        return;
    }
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            *d++ = c;
            ++i;
            continue;
        }
        char32_t cp = 0;
        const int n = ValidSequenceLength(s, i, cp);
        if (n == 0) {
            *d++ = static_cast<char16_t>(0xDC00 + c);
            ++i;
        } else if (cp >= 0x10000) {
            cp -= 0x10000;
            *d++ = static_cast<char16_t>(0xD800 + (cp >> 10));
            *d++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
            i += static_cast<size_t>(n);
        } else {
            *d++ = static_cast<char16_t>(cp);
            i += static_cast<size_t>(n);
        }
    }
    out.truncate(base + (d - start));
}

QString DecodeName(std::string_view s) {
    QString out;
    AppendDecodedName(out, s);
    return out;
}

void AppendEncodedName(std::string& out, QStringView text) {
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    const size_t base = out.size();
    out.resize(base + static_cast<size_t>(n) * 3); // at most three bytes per code unit
    char* d = out.data() + base;
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = p[i];
        if (c < 0x80) {
            *d++ = static_cast<char>(c);
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (p[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            *d++ = static_cast<char>(c - 0xDC00);
            continue;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x800) {
            *d++ = static_cast<char>(0xC0 | (c >> 6));
            *d++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *d++ = static_cast<char>(0xE0 | (c >> 12));
            *d++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *d++ = static_cast<char>(0x80 | (c & 0x3F));
        } else { // four bytes for two code units
            *d++ = static_cast<char>(0xF0 | (c >> 18));
            *d++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            *d++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *d++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out.resize(static_cast<size_t>(d - out.data()));
}

bool RoundTripsAsName(QStringView text) {
    return DecodeName(EncodeName(text)) == text;
}

} // namespace tarnwick
