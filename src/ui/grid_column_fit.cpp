#include "ui/grid_column_fit.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>

namespace tarnwick::ui {

TGridColumnFit::TGridColumnFit(QTableView* grid)
    : QObject(grid), FGrid(grid), FViewport(grid->viewport()) {
    FViewport->installEventFilter(this);
}

int TGridColumnFit::HalfWidth() const {
    // The viewport follows the grid's size only once the grid has laid itself
    // out, which a hidden grid does not do: work it out from the grid.
    int visible = FGrid->contentsRect().width();
    const QScrollBar* bar = FGrid->verticalScrollBar();
    const bool barShown = FGrid->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn ||
                          (FGrid->verticalScrollBarPolicy() == Qt::ScrollBarAsNeeded &&
                           bar->maximum() > bar->minimum());
    if (barShown) {
        const int extent = FGrid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bar);
        visible -= extent;
    }
    return std::max(visible, 0) / 2;
}

void TGridColumnFit::Fit() {
    Apply(HalfWidth());
}

void TGridColumnFit::Apply(int width) {
    QHeaderView* header = FGrid->horizontalHeader();
    header->setDefaultSectionSize(width);
    for (int col = 0; col < header->count(); ++col)
        header->resizeSection(col, width);
    FiFitted = width;
}

bool TGridColumnFit::Dragged() const {
    const QHeaderView* header = FGrid->horizontalHeader();
    for (int col = 0; col < header->count(); ++col)
        if (header->sectionSize(col) != FiFitted)
            return true;
    return false;
}

bool TGridColumnFit::eventFilter(QObject* watched, QEvent* event) {
    // The viewport also has events while the grid is being destroyed: look at
    // nothing of the grid before the event is known to be the one wanted.
    if (event->type() == QEvent::Resize && watched == FViewport && FiFitted >= 0 && !Dragged()) {
        const int half = FViewport->width() / 2;
        if (half != FiFitted)
            Apply(half);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tarnwick::ui
