#include "tarnwick_hub_thread.h"

#include "engine/target_names.h"
#include "platform/directory_test.h"
#include "platform/file_copy.h"
#include "platform/folder_listing.h"
#include "platform/name_codec.h"

#include <QHash>
#include <stdexcept>

namespace {

QString LowerAsciiLetters(QString text) {
    for (QChar& c : text)
        if (c.unicode() >= u'A' && c.unicode() <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    return text;
}

char LowerAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c; }

} // namespace

// What one folder's walk shares with its per-file hand-off.
struct TTarnwickHubThread::TWalkState {
    QString stNewName;            // target path of the current file
    const tarnwick::FolderEntry* sr = nullptr; // the current entry
    QString srName;               // its name as text
    QString stDir;                // the walked folder's path
    std::string dirBytes;         // the same path as the file system has it
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
        findFName(FstSourceFolder);
    } catch (...) {
        // Whatever went wrong, the window must come back to its idle state.
    }
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

bool TTarnwickHubThread::StopRequested() const {
    return FStop && FStop->load(std::memory_order_relaxed);
}

void TTarnwickHubThread::findFName(const QString& stDir) {
    FAncestors.clear();
    FSurvey.Examine(FstNewFolder, FstSourceFolder,
                    [this](const std::string& name) { return ExtensionSelected(name); }, FStop);
    WalkFolder(stDir, tarnwick::EncodeName(stDir), QString());
}

bool TTarnwickHubThread::ExtensionSelected(const std::string& name) const {
    if (FstFExtension.isEmpty())
        return true;
    if (!FbExtensionMatchable)
        return false;
    const size_t mark = name.find_last_of(".\\:");
    if (mark == std::string::npos || name[mark] != '.')
        return false;
    if (name.size() - mark != FExtensionBytes.size())
        return false;
    for (size_t i = 0; i < FExtensionBytes.size(); ++i)
        if (LowerAsciiLetter(name[mark + i]) != FExtensionBytes[i])
            return false;
    return true;
}

void TTarnwickHubThread::WalkFolder(const QString& stDir, const std::string& dirBytes,
                                    const QString& relativeFolder) {
    if (StopRequested())
        return;
    const tarnwick::DirectoryProbe probe = tarnwick::ProbeDirectory(dirBytes);
    if (!probe.isDirectory)
        return;

    // A folder that is one of its own ancestors (through a link) is not entered again.
    bool pushed = false;
    if (probe.known) {
        for (const TFolderId& id : FAncestors)
            if (id.device == probe.device && id.inode == probe.inode)
                return;
        FAncestors.push_back({static_cast<std::uint64_t>(probe.device),
                              static_cast<std::uint64_t>(probe.inode)});
        pushed = true;
    }
    struct PopOnExit {
        std::vector<TFolderId>& ancestors;
        bool active;
        ~PopOnExit() {
            if (active)
                ancestors.pop_back();
        }
    } pop{FAncestors, pushed};

    // All entries are read before any is handled, so files this job writes
    // into the folder are not picked up by this listing.
    std::vector<tarnwick::FolderEntry> entries;
    if (!tarnwick::ListFolder(dirBytes, entries))
        return;

    TWalkState state;
    state.stDir = stDir;
    state.dirBytes = dirBytes;

    for (const tarnwick::FolderEntry& entry : entries) {
        if (StopRequested())
            return;
        state.sr = &entry;
        if (entry.kind == tarnwick::EntryKind::Folder) {
            if (entry.name.empty() || entry.name[0] == '.')
                continue;
            const QString name = tarnwick::DecodeName(entry.name);
            WalkFolder(stDir + u'/' + name, dirBytes + '/' + entry.name,
                       relativeFolder + name + u'\\');
        } else if (ExtensionSelected(entry.name)) {
            HandleFile(state, relativeFolder);
        }
    }
}

void TTarnwickHubThread::HandleFile(TWalkState& state, const QString& relativeFolder) {
    const tarnwick::FolderEntry& entry = *state.sr;
    state.srName = tarnwick::DecodeName(entry.name);
    state.stNewName = tarnwick::BuildTargetPath(FiCombMode, FstNewFolder, FstDelimiter,
                                                relativeFolder, state.srName);
    const QString sourcePath = state.stDir + u'/' + state.srName;

    // Judged before anything is copied, the same way in both job modes.
    TRowMark mark = FSurvey.Judge(state.stNewName, FiRow + 1);
    if (FiMode == 3 && !mark.NotCopied()) {
        const tarnwick::CopyOutcome outcome = tarnwick::CopyFileReplacing(
            state.dirBytes + '/' + entry.name, tarnwick::EncodeName(state.stNewName), FStop);
        if (!outcome.ok()) {
            mark.bCopyFailed = true;
            mark.stReason = outcome.reason;
        }
    }

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
