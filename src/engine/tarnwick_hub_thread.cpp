#include "tarnwick_hub_thread.h"

#include "engine/target_names.h"
#include "platform/error_text.h"
#include "platform/file_copy.h"
#include "platform/folder_listing.h"
#include "platform/name_codec.h"
#include "platform/name_extension.h"
#include "platform/temporary_file.h"

#include <stdexcept>

namespace {

// The extension filter's only case folding: A-Z to a-z, nothing else.
template <class TChar>
constexpr TChar LowerAsciiLetter(TChar c) {
    return (c >= TChar('A') && c <= TChar('Z')) ? TChar(c + ('a' - 'A')) : c;
}

QString LowerAsciiLetters(QString text) {
    for (QChar& c : text)
        c = QChar(LowerAsciiLetter(c.unicode()));
    return text;
}

} // namespace

// What one file's step shares with its hand-off.
struct TTarnwickHubThread::TWalkState {
    QString stSourcePath; // the folder's path, "/" and the entry's name
    QStringView srName;   // the entry's name as text, in stSourcePath
    QString stNewName;    // its target path
};

TTarnwickHubThread::TTarnwickHubThread(TTarnwickJobWindow* iMainForm, int imode)
    : FiMode(0), FiRow(0), FiCombMode(-1), FMainForm(iMainForm) {
    FMainForm->SetProgressBar1Position(0);
    FMainForm->SetGridRowCount(2);
    FstSourceFolder = FMainForm->Edit2Text();
    FstNewFolder = FMainForm->Edit3Text();
    FstFExtension = LowerAsciiLetters(FMainForm->Edit4Text());
    FiCombMode = FMainForm->ComboBox1ItemIndex();
    FstDelimiter = FMainForm->Edit5Text();
    FiMode = imode;
    FMainForm->ClearGridRow(1);

    FExtensionBytes = tarnwick::EncodeName(FstFExtension);
    // A filter that no file name can decode to selects nothing.
    FbExtensionMatchable = tarnwick::RoundTripsAsName(FstFExtension);
    FbVerify = FMainForm->VerifyCopies();
    FStop = FMainForm->StopFlag();
    FProgress = FMainForm->Progress();
    if (FProgress)
        FProgress->Reset();
}

TTarnwickHubThread::~TTarnwickHubThread() {
    wait();
}

void TTarnwickHubThread::Start() {
    start();
    if (!isRunning() && !isFinished()) {
        delete this;
        throw std::runtime_error("The copy job could not be started: no worker thread is available");
    }
}

QString TTarnwickHubThread::MakeHashName(const QString& text) {
    return tarnwick::MakeHashName(text);
}

QString TTarnwickHubThread::MakeReverseName(const QString& relativeFolder) const {
    return tarnwick::MakeReverseName(relativeFolder, FstDelimiter);
}

void TTarnwickHubThread::run() {
    Execute();
}

void TTarnwickHubThread::Execute() {
    connect(this, &QThread::finished, this, &QObject::deleteLater);
    try {
        OpenNewFolder();
        findFName(FstSourceFolder);
    } catch (...) {
        // Whatever went wrong, the window must come back to its idle state.
    }
    FSurvey.Close();
    try {
        FMainForm->RunOnMainThread([this] {
            TTarnwickJobWindow::TJobEnd end;
            end.bStopped = StopRequested();
            end.iRows = FiRow;
            FMainForm->JobEnded(end);
            FMainForm->SetProgressBar1Position(0);
            FMainForm->ButtonEnable(true);
        });
    } catch (...) {
    }
}

void TTarnwickHubThread::OpenNewFolder() {
    FSurvey.Examine(
        FstNewFolder, FstSourceFolder,
        [this](std::string_view name) { return ExtensionSelected(name); }, FStop);
    // Temporary files that killed or crashed runs left in the new folder go
    // before this job copies into it.
    if (FiMode == 3 && FSurvey.OpenError() == 0)
        tarnwick::RemoveStaleTemporaries(FSurvey.Folder());
}

bool TTarnwickHubThread::StopRequested() const {
    return FStop && FStop->load(std::memory_order_relaxed);
}

void TTarnwickHubThread::findFName(const QString& stDir) {
    // A copy must list each folder only when it gets there, after the copies
    // made so far; a simulation writes nothing, so its listing runs ahead.
    if (FiMode == 3)
        tarnwick::WalkFolders(stDir, *this);
    else
        tarnwick::WalkFoldersAhead(stDir, *this,
                                   [this](std::string_view name) { return ExtensionSelected(name); });
}

bool TTarnwickHubThread::ExtensionSelected(std::string_view name) const {
    if (FstFExtension.isEmpty())
        return true;
    if (!FbExtensionMatchable)
        return false;
    const std::string_view extension = tarnwick::NameExtension(name);
    if (extension.size() != FExtensionBytes.size())
        return false;
    for (size_t i = 0; i < extension.size(); ++i)
        if (LowerAsciiLetter(extension[i]) != FExtensionBytes[i])
            return false;
    return true;
}

void TTarnwickHubThread::WalkFile(const tarnwick::TWalkedFolder& folder, std::string_view name) {
    if (ExtensionSelected(name))
        HandleFile(folder, name);
}

QString TTarnwickHubThread::PrepareFile(const tarnwick::TWalkedFolder& folder,
                                        std::string_view name) const {
    return tarnwick::BuildTargetPath(FiCombMode, FstNewFolder, FstDelimiter, folder.relativeFolder,
                                     tarnwick::DecodeName(name));
}

void TTarnwickHubThread::WalkPreparedFile(const tarnwick::TWalkedFolder& folder,
                                          std::string_view name, QString&& prepared) {
    HandleFile(folder, name, prepared.isNull() ? nullptr : &prepared);
}

void TTarnwickHubThread::WalkUnlistedFolder(const QString& path, const QString& reason) {
    FMainForm->RunOnMainThread([this, &path, &reason] {
        FMainForm->ReportUnlistedFolder(path, reason);
    });
}

// The same in both job modes, from what the new folder held before the job
// and the rows before this one: a simulation foretells the copy.
TRowMark TTarnwickHubThread::DecideRowMark(const TWalkState& state) {
    return FSurvey.Judge(state.stNewName, FiRow + 1);
}

void TTarnwickHubThread::CopyRow(const tarnwick::TWalkedFolder& folder, std::string_view name,
                                 const TWalkState& state, TRowMark& mark) {
    tarnwick::TCopyOutcome outcome;
    if (FSurvey.OpenError() != 0) {
        outcome.reason = tarnwick::FailureText("cannot open the new folder", FSurvey.OpenError());
    } else {
        tarnwick::TCopySource source;
        outcome = tarnwick::OpenCopySource(folder.fd, name.data(), source);
        if (outcome.Ok()) {
            // The target is a name in the new folder: the path without the folder and its "/".
            const std::string target =
                tarnwick::EncodeName(QStringView(state.stNewName).sliced(FstNewFolder.size() + 1));
            const bool large = FProgress && source.Size() >= TJobProgress::kLargeFile;
            tarnwick::TCopyOptions options;
            options.stop = FStop;
            options.verify = FbVerify;
            if (FProgress)
                options.bytesCopied = &FProgress->uBytesCopied;
            if (large) {
                options.fileDone = &FProgress->uFileDone;
                FProgress->BeginLargeFile(state.stSourcePath, source.Size());
            }
            outcome = tarnwick::CopyFileReplacing(source, FSurvey.Folder(), target.c_str(), options);
            if (large)
                FProgress->EndLargeFile();
        }
    }
    if (!outcome.Ok()) {
        mark.bCopyFailed = true;
        mark.bCopyCancelled = outcome.status == tarnwick::TCopyOutcome::Stopped;
        mark.stReason = outcome.reason;
    }
}

void TTarnwickHubThread::HandleFile(const tarnwick::TWalkedFolder& folder, std::string_view name,
                                    QString* target) {
    TWalkState state;
    state.stSourcePath.reserve(folder.path.size() + 1 + qsizetype(name.size()));
    state.stSourcePath.append(folder.path).append(u'/');
    const qsizetype nameStart = state.stSourcePath.size();
    tarnwick::AppendDecodedName(state.stSourcePath, name);
    state.srName = QStringView(state.stSourcePath).sliced(nameStart);
    state.stNewName = target ? std::move(*target)
                             : tarnwick::BuildTargetPath(FiCombMode, FstNewFolder, FstDelimiter,
                                                         folder.relativeFolder, state.srName);
    const QString& sourcePath = state.stSourcePath;

    TRowMark mark = DecideRowMark(state);
    if (FiMode == 3 && !mark.NotCopied() && !mark.bCopyFailed)
        CopyRow(folder, name, state, mark);

    ++FiRow;
    if (FProgress)
        FProgress->iRows.store(FiRow, std::memory_order_relaxed);
    FMainForm->RunOnMainThread([this, &state, &sourcePath, &mark] {
        int position = FMainForm->ProgressBar1Position() + 1;
        if (position >= FMainForm->ProgressBar1Max())
            position = 1;
        FMainForm->SetProgressBar1Position(position);
        FMainForm->SetGridCell(0, FiRow, sourcePath);
        FMainForm->SetGridCell(1, FiRow, state.stNewName);
        if (!mark.IsEmpty())
            FMainForm->SetGridRowMark(FiRow, mark);
        FMainForm->SetGridRowCount(FiRow + 1);
    });
}
