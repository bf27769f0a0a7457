#include "comma_text.h"

namespace tarnwick {

namespace {
bool IsBlank(char16_t c) { return c >= 1 && c <= 32; }
} // namespace

QStringList SplitCommaText(QStringView text) {
    QStringList items;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && IsBlank(text[i].unicode()))
        ++i;
    while (i < n) {
        QString item;
        if (text[i] == u'"') {
            ++i;
            while (i < n) {
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        item.append(u'"');
                        i += 2;
                        continue;
                    }
                    ++i; // the closing quote
                    break;
                }
                item.append(text[i]);
                ++i;
            }
        } else {
            const qsizetype start = i;
            while (i < n && text[i] != u',' && !IsBlank(text[i].unicode()))
                ++i;
            item = text.mid(start, i - start).toString();
        }
        items.append(item);
        while (i < n && IsBlank(text[i].unicode()))
            ++i;
        if (i < n && text[i] == u',') {
            if (i == n - 1)
                items.append(QString());
            ++i;
            while (i < n && IsBlank(text[i].unicode()))
                ++i;
        }
    }
    return items;
}

} // namespace tarnwick
