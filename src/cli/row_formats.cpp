#include "row_formats.h"

#include "engine/csv_export.h"
#include "platform/name_codec.h"

#include <QByteArray>

namespace tarnwick {

namespace {

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The position of the first code unit that is half of no pair, or -1.
qsizetype FirstLoneSurrogate(QStringView text) {
    const char16_t* p = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!IsHigh(p[i]) && !IsLow(p[i]))
            continue;
        if (IsHigh(p[i]) && i + 1 < text.size() && IsLow(p[i + 1])) {
            ++i;
            continue;
        }
        return i;
    }
    return -1;
}

bool NeedsEscape(unsigned char c) { return c < 0x20 || c == '"' || c == '\\'; }

// Escapes what JSON requires in out[from..]; the bytes are valid UTF-8.
void EscapeFrom(std::string& out, size_t from) {
    size_t i = from;
    while (i < out.size() && !NeedsEscape(static_cast<unsigned char>(out[i])))
        ++i;
    if (i == out.size())
        return;
    const std::string rest = out.substr(i);
    out.resize(i);
    static const char kHex[] = "0123456789abcdef";
    for (const char ch : rest) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (!NeedsEscape(c)) {
            out.push_back(ch);
            continue;
        }
        out.push_back('\\');
        switch (c) {
        case '"': out.push_back('"'); break;
        case '\\': out.push_back('\\'); break;
        case '\n': out.push_back('n'); break;
        case '\r': out.push_back('r'); break;
        case '\t': out.push_back('t'); break;
        case '\b': out.push_back('b'); break;
        case '\f': out.push_back('f'); break;
        default:
            out.append("u00");
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
}

void AppendKey(std::string& out, const char* key) {
    out.append(",\"").append(key).append("\":");
}

// "key":"text" and, for a name that is not valid UTF-8, "key_bytes":"base64".
void AppendName(std::string& out, const char* key, const QString& text) {
    AppendKey(out, key);
    if (AppendJsonString(out, text))
        return;
    const std::string bytes = EncodeName(text);
    AppendKey(out, (std::string(key) + "_bytes").c_str());
    out.push_back('"');
    out.append(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()))
                   .toBase64()
                   .constData());
    out.push_back('"');
}

} // namespace

bool AppendJsonString(std::string& out, QStringView text) {
    out.push_back('"');
    const size_t start = out.size();
    qsizetype lone = FirstLoneSurrogate(text);
    if (lone < 0) {
        AppendEncodedName(out, text);
    } else {
        QString clean = text.toString();
        while (lone >= 0) {
            clean[lone] = QChar(0xFFFD);
            const qsizetype next = FirstLoneSurrogate(QStringView(clean).mid(lone + 1));
            lone = next < 0 ? -1 : lone + 1 + next;
        }
        AppendEncodedName(out, clean);
    }
    EscapeFrom(out, start);
    out.push_back('"');
    return FirstLoneSurrogate(text) < 0;
}

const char* NotCopiedKey(TNotCopied reason) {
    switch (reason) {
    case TNotCopied::No: break;
    case TNotCopied::SourceFile: return "source_file";
    case TNotCopied::NameTooLong: return "name_too_long";
    case TNotCopied::RefusedCharacter: return "refused_character";
    case TNotCopied::TargetIsFolder: return "target_is_folder";
    case TNotCopied::NoNamingMode: return "no_naming_mode";
    }
    return "no";
}

TRowFormatter::TRowFormatter(TOutputFormat format, bool withByteOrderMark)
    : FeFormat(format), FbByteOrderMark(withByteOrderMark) {}

void TRowFormatter::Begin(std::string& out) {
    if (FeFormat != TOutputFormat::Csv)
        return;
    if (FbByteOrderMark)
        out.append("\xEF\xBB\xBF");
    AppendCsvLine(out, u"Source Folder", u"New Folder");
}

void TRowFormatter::Row(std::string& out, int row, const QString& source, const QString& target,
                        const TRowMark* mark) {
    switch (FeFormat) {
    case TOutputFormat::Csv:
        AppendCsvLine(out, source, target);
        return;
    case TOutputFormat::Null:
        AppendEncodedName(out, source);
        out.push_back('\0');
        AppendEncodedName(out, target);
        out.push_back('\0');
        return;
    case TOutputFormat::Json:
        break;
    }
    out.append("{\"row\":").append(std::to_string(row));
    AppendName(out, "source", source);
    AppendName(out, "target", target);
    if (mark) {
        if (mark->iRepeatsRow > 0) {
            AppendKey(out, "repeats_row");
            out.append(std::to_string(mark->iRepeatsRow));
        }
        if (mark->bReplacesFile) {
            AppendKey(out, "replaces_file");
            out.append("true");
        }
        if (mark->NotCopied()) {
            AppendKey(out, "not_copied");
            out.push_back('"');
            out.append(NotCopiedKey(mark->eNotCopied));
            out.push_back('"');
        }
        if (mark->bCopyFailed) {
            AppendKey(out, "copy_failed");
            out.append("true");
        }
        if (mark->bCopyCancelled) {
            AppendKey(out, "copy_cancelled");
            out.append("true");
        }
        if (!mark->stReason.isEmpty()) {
            AppendKey(out, "reason");
            AppendJsonString(out, mark->stReason);
        }
    }
    out.append("}\n");
}

void TRowFormatter::End(std::string& out, int rows) {
    if (FeFormat == TOutputFormat::Csv && rows == 0)
        AppendCsvLine(out, QStringView(), QStringView()); // the grid's empty first row
}

} // namespace tarnwick
