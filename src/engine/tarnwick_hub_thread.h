#pragma once
// One copy job: a snapshot of the window's inputs, a worker thread that walks
// the source folder depth first, names every selected file, copies it in job
// mode 3, and hands every result row to the main thread, which writes it into
// the window's grid. One last hand-off resets the progress bar and enables
// the window's inputs again. A started job owns itself and is destroyed once
// its run has ended.

#include "engine/folder_walk.h"
#include "engine/job_window.h"
#include "engine/new_folder_survey.h"
#include "engine/walk_ahead.h"

#include <QString>
#include <QThread>
#include <cstdint>
#include <string>
#include <string_view>

class TTarnwickHubThread : public QThread, private tarnwick::TAheadWalkVisitor {
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

    void Execute();
    void OpenNewFolder();
    void findFName(const QString& stDir);
    // One selected file: its row's mark is decided first, then (in job mode
    // 3, unless the mark says otherwise) the file is copied, then the row is
    // handed to the main thread.
    // target: the file's target path when it was built ahead, or null.
    void HandleFile(const tarnwick::TWalkedFolder& folder, std::string_view name,
                    QString* target = nullptr);
    TRowMark DecideRowMark(const TWalkState& state);
    void CopyRow(const tarnwick::TWalkedFolder& folder, std::string_view name,
                 const TWalkState& state, TRowMark& mark);
    bool StopRequested() const;
    bool ExtensionSelected(std::string_view name) const;

    // The walk's calls.
    bool WalkStopRequested() const override { return StopRequested(); }
    void WalkFile(const tarnwick::TWalkedFolder& folder, std::string_view name) override;
    void WalkUnlistedFolder(const QString& path, const QString& reason) override;
    // A simulation's naming, done on the listing thread from the snapshot.
    QString PrepareFile(const tarnwick::TWalkedFolder& folder, std::string_view name) const override;
    void WalkPreparedFile(const tarnwick::TWalkedFolder& folder, std::string_view name,
                          QString&& prepared) override;

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
    bool FbVerify = false;       // read every copy back before it replaces its target
    const std::atomic<bool>* FStop = nullptr;
    TJobProgress* FProgress = nullptr;

    // The new folder as the job found it, examined once on the worker before
    // the walk: every row is judged against it, and copies are made relative
    // to the folder it holds open.
    TNewFolderSurvey FSurvey;
};
