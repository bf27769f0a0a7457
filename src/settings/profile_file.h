#pragma once
// Tarnwick's own profile (INI) file routines: read one value with a default,
// write one value, flush.
//
// The file, as these routines read and write it:
//
// - Lines end with LF; a CR before the LF is tolerated on reading (and kept
//   in a line that a write rewrites). A UTF-8 byte-order mark at the very
//   start of the file is skipped.
// - A section line starts, after optional blanks (space, tab), with "["; the
//   section's name runs to the first "]" and loses the blanks around it;
//   whatever follows the "]" is ignored. A "[" without "]" is no section line.
// - A key line is a line with "=" whose text before the first "=", without
//   the blanks around it, is not empty. The value is every byte after that
//   "=" up to the line end, exactly: values are never trimmed and quotes are
//   never stripped, so a value the program wrote reads back as written. Only
//   names lose their blanks, so that a hand-edited "TOP = 5" is still the
//   key TOP (with the value " 5").
// - Lines whose first non-blank character is ";" or "#" are comments. Comments,
//   blank lines, key lines without "=", key lines before the first section and
//   any other line (binary data included) are ignored on reading and kept
//   byte for byte on writing.
// - Section and key names match when they are equal apart from the letter
//   case of A-Z; no other folding.
// - A section that appears twice is the first one: reads and writes use only
//   the first matching section line and its lines; a later section line of
//   the same name and its lines are kept as they stand. Within a section the
//   first matching key line counts.
// - The file is UTF-8. Texts are encoded and decoded with the lossless name
//   codec (see platform/name_codec.h), so a value holding bytes that are not
//   UTF-8 (a folder name, say) reads as lone surrogates and is written back as
//   the same bytes.
//
// Writing:
// - a key that exists: its value is replaced in its line (the bytes up to and
//   including the "=" and the line's own end stay as they are);
// - a new key: a new line after the last non-blank line of its section;
// - a new section: a section line and the key line at the end of the file;
// - an absent (or empty) file: created holding the section line and the key
//   line;
// - an empty value keeps (or creates) the key with nothing after "=".
// A write that cannot be stored as one line fails: a value holding CR or LF,
// a key name that is empty, has blanks around it, holds "=", CR or LF or
// starts with "[", ";" or "#", a section name that is empty, has blanks around
// it or holds "]", CR or LF.
//
// Every write reads the whole file, applies the change and replaces the file
// atomically: the new content goes to a temporary file in the same folder,
// is synced to disk and renamed over the old file, so the file is always
// either its old or its new content. A symbolic link at the path is followed
// and its target replaced; an existing file keeps its permission bits. A
// file that exists but cannot be read, is not a regular file or may not be
// written by this process is never replaced: the write fails instead.
//
// Paths are texts decoded with the name codec, such as ExecutablePath()
// gives; they are encoded back to the exact bytes, which Qt's own file
// classes cannot do for names that are not UTF-8.

#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// The longest text a read gives, in UTF-16 code units.
inline constexpr qsizetype kProfileReadLimit = 2047;

// The value of key in section of the file at path, or def when the file,
// the section or the key is absent or the file cannot be read. The result is
// cut to kProfileReadLimit code units (one fewer where the cut would split a
// surrogate pair).
QString ReadProfileString(const QString& path, const QString& section, const QString& key,
                          const QString& def);

// Stores value under key in section of the file at path by the rules above.
// False when the change cannot be stored or the file cannot be replaced; the
// file is then as it was.
bool WriteProfileString(const QString& path, const QString& section, const QString& key,
                        const QString& value);

// Every write is complete when it returns, so there is nothing to flush.
bool FlushProfile(const QString& path);

// The rules above on a file's content, without any file access.

// The value bytes of key in section, or nothing when absent.
std::optional<std::string> FindProfileValue(std::string_view content, std::string_view section,
                                            std::string_view key);

// The content after storing value under key in section, or nothing when the
// names or the value cannot be stored.
std::optional<std::string> SetProfileValue(std::string_view content, std::string_view section,
                                           std::string_view key, std::string_view value);

} // namespace tarnwick
