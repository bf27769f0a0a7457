#include "cli_job_window.h"

TCliJobWindow::TCliJobWindow(QString source, QString newFolder, QString extension,
                             QString delimiter, int combMode)
    : FstSource(std::move(source)), FstNewFolder(std::move(newFolder)),
      FstExtension(std::move(extension)), FstDelimiter(std::move(delimiter)),
      FiCombMode(combMode) {
    FGrid.SetCell(0, 0, QStringLiteral("Source Folder"));
    FGrid.SetCell(1, 0, QStringLiteral("New Folder"));
}

void TCliJobWindow::SetGridRowCount(int rowCount) {
    FGrid.SetRowCount(rowCount);
    if (OnRow && rowCount > 2)
        OnRow(rowCount - 1);
}
