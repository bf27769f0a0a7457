#pragma once
// One copy job: a snapshot of the window's inputs, a worker thread that walks
// the source folder depth first, names every selected file, copies it in job
// mode 3, and hands every result row to the main thread, which writes it into
// the window's grid. One last hand-off resets the progress bar and enables
// the window's inputs again. A started job owns itself and is destroyed once
// its run has ended.

#include "engine/job_window.h"
#include "engine/new_folder_survey.h"

#include <QString>
#include <QThread>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class TTarnwickHubThread : public QThread {
    Q_OBJECT
public:
    // Runs on the main thread: resets the progress bar and the grid, takes the
    // snapshot, and leaves the worker suspended until Start.
    TTarnwickHubThread(TTarnwickJobWindow* iMainForm, int imode);
    static TTarnwickHubThread* Create(TTarnwickJobWindow* iMainForm, int imode) {
        return new TTarnwickHubThread(iMainForm, imode);
    }
    ~TTarnwickHubThread() override;

    // Starts the worker; nobody may use the job afterwards. When the worker
    // cannot be started the job is destroyed and std::runtime_error is thrown.
    void Start();

    static QString MakeHashName(const QString& text);
    QString MakeReverseName(const QString& relativeFolder) const;

protected:
    void run() override;

private:
    struct TWalkState;
    struct TFolderId {
        std::uint64_t device;
        std::uint64_t inode;
    };

    void Execute();
    void findFName(const QString& stDir);
    void WalkFolder(const QString& stDir, const std::string& dirBytes,
                    const QString& relativeFolder);
    void HandleFile(TWalkState& state, const QString& relativeFolder);
    bool StopRequested() const;
    bool ExtensionSelected(const std::string& name) const;

    std::int32_t FiMode;
    std::int32_t FiRow;
    QString FstSourceFolder;
    QString FstNewFolder;
    QString FstFExtension;
    QString FstDelimiter;
    std::int32_t FiCombMode;
    TTarnwickJobWindow* FMainForm;

    // Worker-side helpers, not part of the snapshot.
    std::string FExtensionBytes; // FstFExtension as name bytes
    bool FbExtensionMatchable = true;
    std::vector<TFolderId> FAncestors; // the folders on the current path
    TNewFolderSurvey FSurvey; // the new folder as the job found it
    const std::atomic<bool>* FStop = nullptr;
    TJobProgress* FProgress = nullptr;
};
