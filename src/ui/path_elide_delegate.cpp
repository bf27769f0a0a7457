#include "ui/path_elide_delegate.h"

#include "ui/mark_style.h"
#include "ui/result_grid_model.h"

namespace tarnwick::ui {

void TPathElideDelegate::initStyleOption(QStyleOptionViewItem* option,
                                         const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    option->textElideMode = Qt::ElideMiddle;
    const auto kind = static_cast<TMarkKind>(index.data(TResultGridModel::MarkKindRole).toInt());
    if (kind == TMarkKind::None)
        return;
    option->backgroundBrush = MarkBackground(kind, option->palette);
    if (index.column() == 0) {
        option->features |= QStyleOptionViewItem::HasDecoration;
        option->icon = MarkIcon(kind, option->palette);
        option->decorationSize = QSize(14, 14); // rows are 20 pixels high
    }
}

} // namespace tarnwick::ui
