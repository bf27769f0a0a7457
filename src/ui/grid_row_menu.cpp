#include "ui/grid_row_menu.h"

#include "ui/desktop_seam.h"
#include "ui/grid_clipboard.h"
#include "ui/result_grid_model.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QTableView>

namespace tarnwick::ui {

TGridRowMenu::TGridRowMenu(QTableView* grid, TResultGridModel* model, TGridClipboard* clipboard)
    : QObject(grid), FGrid(grid), FViewport(grid->viewport()), FModel(model),
      FClipboard(clipboard) {
    grid->setContextMenuPolicy(Qt::DefaultContextMenu);
    grid->installEventFilter(this);
    FViewport->installEventFilter(this);
}

QMenu* TGridRowMenu::MenuFor(int gridRow, QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("GridRowMenu"));
    const QString source = FModel->Grid().Cell(0, gridRow);
    const QString target = FModel->Grid().Cell(1, gridRow);

    const auto addCopy = [menu](const QString& caption, const QString& path) {
        QAction* action = menu->addAction(caption, menu, [path] { CopyToClipboard(path); });
        action->setEnabled(!path.isEmpty());
    };
    const auto addOpen = [menu](const QString& caption, const QString& path) {
        const QString folder = FolderOfPath(path);
        QAction* action =
            menu->addAction(caption, menu, [folder] { Desktop().OpenUrl(LocalFileUrl(folder)); });
        action->setEnabled(!folder.isEmpty());
    };
    addCopy(QStringLiteral("Copy &Source Path"), source);
    addCopy(QStringLiteral("Copy &Target Path"), target);
    menu->addSeparator();
    addOpen(QStringLiteral("Open S&ource Folder"), source);
    addOpen(QStringLiteral("Open T&arget Folder"), target);
    menu->addSeparator();
    QAction* copyCells = menu->addAction(QStringLiteral("&Copy Selected Cells"), menu,
                                         [this] { FClipboard->CopySelection(); });
    copyCells->setShortcut(QKeySequence::Copy); // shown as a hint; the grid handles the key
    return menu;
}

void TGridRowMenu::Popup(int gridRow, const QPoint& globalPos) {
    if (gridRow < 1 || gridRow >= FModel->GridRowCount())
        return;
    if (FShown)
        FShown->close();
    QMenu* menu = MenuFor(gridRow, FGrid);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    FShown = menu;
    menu->popup(globalPos);
}

bool TGridRowMenu::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ContextMenu || (watched != FGrid && watched != FViewport))
        return QObject::eventFilter(watched, event);
    auto* menuEvent = static_cast<QContextMenuEvent*>(event);
    QModelIndex index;
    QPoint at;
    if (menuEvent->reason() == QContextMenuEvent::Mouse) {
        const QPoint inViewport =
            watched == FViewport ? menuEvent->pos() : FViewport->mapFrom(FGrid, menuEvent->pos());
        index = FGrid->indexAt(inViewport);
        at = menuEvent->globalPos();
        // The row pointed at becomes the current one, unless it is selected already.
        if (index.isValid() && !FGrid->selectionModel()->isSelected(index))
            FGrid->setCurrentIndex(index);
    } else {
        index = FGrid->currentIndex();
        if (index.isValid()) {
            const QRect cell = FGrid->visualRect(index);
            at = FGrid->viewport()->mapToGlobal(cell.bottomLeft());
        }
    }
    if (index.isValid())
        Popup(index.row() + 1, at);
    event->accept();
    return true;
}

} // namespace tarnwick::ui
