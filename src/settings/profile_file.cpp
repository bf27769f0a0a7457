#include "settings/profile_file.h"

#include "platform/name_codec.h"
#include "platform/replacing_file.h"
#include "platform/unique_fd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tarnwick {

namespace {

// ---------------------------------------------------------------------------
// The line rules, on bytes. Nothing here decodes text, so lines that are not
// UTF-8 pass through untouched.

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char FoldAZ(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Equal apart from the letter case of A-Z. Bytes of multi-byte UTF-8
// sequences are all >= 0x80, so folding bytes folds exactly A-Z.
bool NamesMatch(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldAZ(a[i]) != FoldAZ(b[i]))
            return false;
    }
    return true;
}

enum class LineKind { Section, Key, Other };

struct TLine {
    size_t begin = 0;   // the line's first byte
    size_t textEnd = 0; // end of its text: before the CR LF, LF or final CR
    size_t end = 0;     // after its LF (the content's end for an unended last line)
    LineKind kind = LineKind::Other;
    std::string_view name; // section or key name, blanks removed
    size_t valueBegin = 0; // key lines: the byte after the "="
    bool blank = true;     // nothing but blanks in the text
};

TLine ClassifyLine(std::string_view content, size_t begin, size_t textEnd, size_t end) {
    TLine line;
    line.begin = begin;
    line.textEnd = textEnd;
    line.end = end;
    size_t textBegin = begin;
    if (begin == 0 && content.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        textBegin = std::min(kByteOrderMark.size(), textEnd);
    const std::string_view text = content.substr(textBegin, textEnd - textBegin);

    size_t lead = 0;
    while (lead < text.size() && IsBlank(text[lead]))
        ++lead;
    if (lead == text.size())
        return line;
    line.blank = false;

    const char first = text[lead];
    if (first == '[') {
        const size_t close = text.find(']', lead + 1);
        if (close != std::string_view::npos) {
            line.kind = LineKind::Section;
            line.name = TrimBlanks(text.substr(lead + 1, close - lead - 1));
        }
        return line;
    }
    if (first == ';' || first == '#')
        return line;
    const size_t eq = text.find('=');
    if (eq == std::string_view::npos)
        return line;
    const std::string_view name = TrimBlanks(text.substr(0, eq));
    if (name.empty())
        return line;
    line.kind = LineKind::Key;
    line.name = name;
    line.valueBegin = textBegin + eq + 1;
    return line;
}

std::vector<TLine> SplitLines(std::string_view content) {
    std::vector<TLine> lines;
    size_t begin = 0;
    while (begin < content.size()) {
        const size_t lf = content.find('\n', begin);
        const size_t end = (lf == std::string_view::npos) ? content.size() : lf + 1;
        size_t textEnd = (lf == std::string_view::npos) ? content.size() : lf;
        if (textEnd > begin && content[textEnd - 1] == '\r')
            --textEnd;
        lines.push_back(ClassifyLine(content, begin, textEnd, end));
        begin = end;
    }
    return lines;
}

// The first section line named section and the line after its last line.
struct TSectionSpan {
    size_t header = 0;
    size_t endLine = 0;
};

std::optional<TSectionSpan> FindSection(const std::vector<TLine>& lines, std::string_view section) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != LineKind::Section || !NamesMatch(lines[i].name, section))
            continue;
        size_t end = i + 1;
        while (end < lines.size() && lines[end].kind != LineKind::Section)
            ++end;
        return TSectionSpan{i, end};
    }
    return std::nullopt;
}

std::optional<size_t> FindKey(const std::vector<TLine>& lines, const TSectionSpan& span,
                              std::string_view key) {
    for (size_t i = span.header + 1; i < span.endLine; ++i) {
        if (lines[i].kind == LineKind::Key && NamesMatch(lines[i].name, key))
            return i;
    }
    return std::nullopt;
}

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

bool StorableSection(std::string_view section) {
    return !section.empty() && TrimBlanks(section) == section && !HasLineBreak(section) &&
           section.find(']') == std::string_view::npos;
}

bool StorableKey(std::string_view key) {
    return !key.empty() && TrimBlanks(key) == key && !HasLineBreak(key) &&
           key.find('=') == std::string_view::npos && key.front() != '[' && key.front() != ';' &&
           key.front() != '#';
}

// ---------------------------------------------------------------------------
// File access on the exact bytes of the path.

enum class ReadStatus { Read, Absent, Failed };

// Reads the whole regular file at path. A path with no file (or a parent
// that is not a folder) is Absent; anything else that is not a readable
// regular file is Failed. O_NONBLOCK keeps a FIFO at the path from blocking.
ReadStatus ReadWholeFile(const std::string& path, std::string& content) {
    content.clear();
    const TUniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!file.IsOpen())
        return (errno == ENOENT || errno == ENOTDIR) ? ReadStatus::Absent : ReadStatus::Failed;
    struct stat st {};
    if (::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return ReadStatus::Failed;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(file.Get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return ReadStatus::Failed;
        }
        if (got == 0)
            return ReadStatus::Read;
        content.append(buffer, static_cast<size_t>(got));
    }
}

QString CutToReadLimit(QString text) {
    if (text.size() <= kProfileReadLimit)
        return text;
    qsizetype n = kProfileReadLimit;
    if (text.at(n - 1).isHighSurrogate() && text.at(n).isLowSurrogate())
        --n;
    text.truncate(n);
    return text;
}

} // namespace

std::optional<std::string> FindProfileValue(std::string_view content, std::string_view section,
                                            std::string_view key) {
    const std::vector<TLine> lines = SplitLines(content);
    const std::optional<TSectionSpan> span = FindSection(lines, section);
    if (!span)
        return std::nullopt;
    const std::optional<size_t> at = FindKey(lines, *span, key);
    if (!at)
        return std::nullopt;
    const TLine& line = lines[*at];
    return std::string(content.substr(line.valueBegin, line.textEnd - line.valueBegin));
}

std::optional<std::string> SetProfileValue(std::string_view content, std::string_view section,
                                           std::string_view key, std::string_view value) {
    if (!StorableSection(section) || !StorableKey(key) || HasLineBreak(value))
        return std::nullopt;

    std::string keyLine;
    keyLine.reserve(key.size() + value.size() + 2);
    keyLine.append(key).append("=").append(value).append("\n");

    const std::vector<TLine> lines = SplitLines(content);
    const std::optional<TSectionSpan> span = FindSection(lines, section);
    std::string out;
    out.reserve(content.size() + keyLine.size() + section.size() + 3);

    if (!span) {
        out.append(content);
        if (!out.empty() && out.back() != '\n')
            out.append("\n");
        out.append("[").append(section).append("]\n").append(keyLine);
        return out;
    }

    if (const std::optional<size_t> at = FindKey(lines, *span, key)) {
        const TLine& line = lines[*at];
        out.append(content.substr(0, line.valueBegin));
        out.append(value);
        out.append(content.substr(line.textEnd));
        return out;
    }

    size_t last = span->header;
    for (size_t i = span->header + 1; i < span->endLine; ++i) {
        if (!lines[i].blank)
            last = i;
    }
    const size_t insertAt = lines[last].end;
    out.append(content.substr(0, insertAt));
    if (out.back() != '\n')
        out.append("\n");
    out.append(keyLine);
    out.append(content.substr(insertAt));
    return out;
}

QString ReadProfileString(const QString& path, const QString& section, const QString& key,
                          const QString& def) {
    std::string content;
    if (ReadWholeFile(EncodeName(path), content) != ReadStatus::Read)
        return CutToReadLimit(def);
    const std::optional<std::string> value =
        FindProfileValue(content, EncodeName(section), EncodeName(key));
    return CutToReadLimit(value ? DecodeName(*value) : def);
}

bool WriteProfileString(const QString& path, const QString& section, const QString& key,
                        const QString& value) {
    if (path.isEmpty())
        return false;
    const std::string target = EncodeName(path);
    std::string content;
    if (ReadWholeFile(target, content) == ReadStatus::Failed)
        return false; // never replace what could not be read
    const std::optional<std::string> updated =
        SetProfileValue(content, EncodeName(section), EncodeName(key), EncodeName(value));
    if (!updated)
        return false;
    TReplacingFile file;
    return file.Open(target) && file.Write(*updated) && file.Commit();
}

bool FlushProfile(const QString& path) {
    Q_UNUSED(path);
    return true;
}

} // namespace tarnwick
