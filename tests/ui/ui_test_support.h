#pragma once
// What the window tests share: a fake for every dialog and message box, an
// event-loop spin with a deadline, and a reader for the settings file.

#include "ui/dialog_seam.h"

#include <QAbstractItemModel>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <vector>

struct TShownMessage {
    QString title;
    QString text;
    QMessageBox::Icon icon;
};

struct TFolderRequest {
    QString title;
    QString initialFolder;
};

struct TSaveRequest {
    QString initialDir;
    QStringList filters;
    int filterIndex;
    QString fileName;
};

// Records what the window shows and answers from a script; an unscripted
// picker or save dialog is cancelled.
class TFakeDialogs : public tarnwick::ui::TDialogSeam {
public:
    TFakeDialogs() : FGuard(this) {}

    std::vector<TShownMessage> messages;
    std::vector<TFolderRequest> folderRequests;
    // A null text cancels the picker.
    std::deque<QString> folderAnswers;
    std::vector<TSaveRequest> saveRequests;
    // Returns the chosen name and file type, or nothing to cancel.
    std::deque<std::optional<std::pair<QString, int>>> saveAnswers;

    void ShowMessage(QWidget*, const QString& title, const QString& text,
                     QMessageBox::Icon icon) override {
        messages.push_back({title, text, icon});
    }

    std::optional<QString> PickFolder(QWidget*, const QString& title,
                                      const QString& initialFolder) override {
        folderRequests.push_back({title, initialFolder});
        if (folderAnswers.empty())
            return std::nullopt;
        const QString answer = folderAnswers.front();
        folderAnswers.pop_front();
        if (answer.isNull())
            return std::nullopt;
        return answer;
    }

    bool PickSaveFile(QWidget*, tarnwick::ui::TSaveDialog& dialog) override {
        saveRequests.push_back(
            {dialog.InitialDir(), dialog.Filters(), dialog.FilterIndex(), dialog.FileName()});
        if (saveAnswers.empty() || !saveAnswers.front()) {
            if (!saveAnswers.empty())
                saveAnswers.pop_front();
            return false;
        }
        const auto [name, type] = *saveAnswers.front();
        saveAnswers.pop_front();
        dialog.SetFileName(name);
        dialog.SetFilterIndex(type);
        return true;
    }

private:
    tarnwick::ui::TScopedDialogSeam FGuard;
};

// Runs the event loop until condition holds; false when timeoutMs passed first.
bool SpinUntil(const std::function<bool()>& condition, int timeoutMs = 10000);

// The keys and values of the settings file's section ROOT.
std::map<QString, QString> ReadRootSection(const QString& path);

// Writes a settings file holding section ROOT with the given lines.
void WriteSettings(const QString& path, const QStringList& lines);

// The row signals a model gave: (first, last) of every insertion and removal,
// and how many dataChanged signals.
struct TRowSignals {
    std::vector<std::pair<int, int>> inserted;
    std::vector<std::pair<int, int>> removed;
    int changed = 0;
};
void RecordRowSignals(QAbstractItemModel* model, TRowSignals& into);
