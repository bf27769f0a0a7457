#pragma once
// Target names: how a selected file's new name is built from where it lay.
// The relative folder uses "\" as its separator ("a\b\" two levels down),
// and the naming works on it exactly as written.

#include <QString>
#include <QStringView>

namespace tarnwick {

// 32 upper-case hexadecimal digits of the MD5 digest of text's ASCII bytes.
QString MakeHashName(QStringView text);

// The folder names of the relative folder, deepest first, each followed by
// delimiter; blanks survive the comma-text split through the space token.
QString MakeReverseName(QStringView relativeFolder, QStringView delimiter);

// The target path for naming mode iCombMode; the empty text for a mode
// other than 0, 1 and 2. newFolder is joined with "/".
QString BuildTargetPath(int iCombMode, QStringView newFolder, QStringView delimiter,
                        QStringView relativeFolder, QStringView name);

} // namespace tarnwick
