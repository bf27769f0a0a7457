#pragma once
// Copying cells of the grid as tab-separated text, as spreadsheets paste it:
// the selection's bounding rectangle, one line per row, cells separated by a
// tab. A cell holding a tab, a line break or a quotation mark is put in
// quotation marks with each of its quotation marks doubled, so that it
// reads back as one cell. Ctrl+C on the grid copies the selection this way.

#include <QObject>
#include <QString>

class QAbstractItemModel;
class QItemSelection;
class QTableView;

namespace tarnwick::ui {

QString TabSeparatedCell(const QString& text);

// The cells of selection's bounding rectangle; cells inside it that are not
// selected are empty. Lines end with "\n"; empty when nothing is selected.
QString SelectionAsTabSeparated(const QAbstractItemModel& model, const QItemSelection& selection);

// Puts text on the clipboard.
void CopyToClipboard(const QString& text);

class TGridClipboard : public QObject {
    Q_OBJECT
public:
    explicit TGridClipboard(QTableView* grid);

    // Copies the grid's selection (or its current cell when nothing is
    // selected); false when there was nothing to copy.
    bool CopySelection();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTableView* FGrid;
};

} // namespace tarnwick::ui
