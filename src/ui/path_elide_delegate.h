#pragma once
// Draws the result grid's cells: a path too long for its column loses its
// middle, so that the start of the folder and the file name both stay in
// sight; a marked row gets its kind's tint, and its first cell the kind's
// icon, in colours worked out from the view's own palette.

#include <QStyledItemDelegate>

namespace tarnwick::ui {

class TPathElideDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

} // namespace tarnwick::ui
