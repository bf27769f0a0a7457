#pragma once
// The US-ASCII conversion that MD5 naming hashes: U+0000..U+007F keep their
// value; a character whose compatibility decomposition starts with an ASCII
// character becomes that character (é -> e, fullwidth Ａ -> A); every other
// character, lone surrogates included, becomes '?'. A surrogate pair is one
// character and gives one byte.

#include <QByteArray>
#include <QStringView>

namespace tarnwick {

QByteArray ToAsciiBestFit(QStringView text);

// The same conversion written to out, which must hold text.size() bytes;
// returns the number of bytes written.
qsizetype ToAsciiBestFit(QStringView text, char* out);

} // namespace tarnwick
