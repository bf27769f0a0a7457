#pragma once
// The comma-text split: items separated by commas, blanks (U+0001..U+0020)
// around items dropped, a blank inside an unquoted item ending it, and
// double quotes quoting an item that starts with one.

#include <QString>
#include <QStringList>
#include <QStringView>

namespace tarnwick {

QStringList SplitCommaText(QStringView text);

} // namespace tarnwick
