#include "ui/dialog_seam.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTreeView>
#include <QWidget>

namespace tarnwick::ui {

TSaveDialog::TSaveDialog(QObject* parent) : QObject(parent) {}

bool TSaveDialog::Execute(QWidget* owner) {
    return Dialogs().PickSaveFile(owner, *this);
}

QPoint CentredOnMonitor(const QRect& monitor, const QSize& dialog) {
    // Integer division in C++ truncates toward zero, also for a dialog larger
    // than the monitor.
    return QPoint(monitor.left() + (monitor.width() - dialog.width()) / 2,
                  monitor.top() + (monitor.height() - dialog.height()) / 2);
}

namespace {

// Moves a dialog, keeping its size, to the centre of the monitor nearest to
// the owner window just before it appears.
class TCentreOnShow : public QObject {
public:
    explicit TCentreOnShow(QWidget* owner) : FOwner(owner) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* dialog = static_cast<QWidget*>(watched);
            QScreen* screen = FOwner != nullptr ? FOwner->screen() : nullptr;
            if (screen == nullptr)
                screen = QGuiApplication::primaryScreen();
            if (screen != nullptr)
                dialog->move(CentredOnMonitor(screen->geometry(), dialog->frameGeometry().size()));
        }
        return false;
    }

private:
    QWidget* FOwner;
};

// Wide enough for the size, type and date columns of the file list.
constexpr QSize kDialogSize(780, 460);

// The file list's name column takes what the others leave, so that sizes,
// types and dates show whole.
void WidenFileListColumns(QFileDialog& dialog) {
    for (QTreeView* list : dialog.findChildren<QTreeView*>()) {
        QHeaderView* header = list->header();
        if (header->count() < 4)
            continue;
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        header->resizeSection(1, 90);
        header->resizeSection(2, 120);
        header->resizeSection(3, 150);
    }
}

class TQtDialogs : public TDialogSeam {
public:
    void ShowMessage(QWidget* owner, const QString& title, const QString& text,
                     QMessageBox::Icon icon) override {
        QMessageBox box(icon, title, text, QMessageBox::Ok, owner);
        box.exec();
    }

    std::optional<QString> PickFolder(QWidget* owner, const QString& title,
                                      const QString& initialFolder) override {
        QFileDialog dialog(owner, title);
        // Qt's own dialog: it offers a new-folder button and a name box, and
        // it can be placed where the window wants it.
        dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setDirectory(initialFolder.isEmpty() ? QDir::homePath() : initialFolder);
        dialog.resize(kDialogSize);
        WidenFileListColumns(dialog);
        TCentreOnShow centre(owner);
        dialog.installEventFilter(&centre);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        const QStringList chosen = dialog.selectedFiles();
        if (chosen.isEmpty())
            return std::nullopt;
        return chosen.first();
    }

    bool PickSaveFile(QWidget* owner, TSaveDialog& state) override {
        QFileDialog dialog(owner);
        dialog.setOptions(QFileDialog::DontConfirmOverwrite | QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setSizeGripEnabled(true);
        dialog.resize(kDialogSize);
        WidenFileListColumns(dialog);
        dialog.setNameFilters(state.Filters());
        if (state.FilterIndex() >= 0 && state.FilterIndex() < state.Filters().size())
            dialog.selectNameFilter(state.Filters().at(state.FilterIndex()));
        if (!state.InitialDir().isEmpty())
            dialog.setDirectory(state.InitialDir());
        // The name confirmed last time is offered again, in its own folder.
        if (!state.FileName().isEmpty())
            dialog.selectFile(state.FileName());
        if (dialog.exec() != QDialog::Accepted)
            return false;
        const QStringList chosen = dialog.selectedFiles();
        if (chosen.isEmpty())
            return false;
        state.SetFileName(chosen.first());
        const int index = state.Filters().indexOf(dialog.selectedNameFilter());
        if (index >= 0)
            state.SetFilterIndex(index);
        return true;
    }
};

TQtDialogs& QtDialogs() {
    static TQtDialogs dialogs;
    return dialogs;
}

TDialogSeam* gInstalled = nullptr;

} // namespace

TDialogSeam& Dialogs() {
    return gInstalled != nullptr ? *gInstalled : QtDialogs();
}

TScopedDialogSeam::TScopedDialogSeam(TDialogSeam* seam) : FPrevious(gInstalled) {
    gInstalled = seam;
}

TScopedDialogSeam::~TScopedDialogSeam() {
    gInstalled = FPrevious;
}

} // namespace tarnwick::ui
