// The application object (desktop entry name, version, icon) and the default
// error box: its text rule, errors escaping event handlers and signal
// handlers, and failed settings writes at creation and at exit.

#include "fixture_tree.h"
#include "ui/error_box.h"
#include "ui/uMain_Tarnwick.h"
#include "ui_test_support.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QLineEdit>
#include <QSettings>
#include <QTableView>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/mount.h>
#include <tarnwick/build_config.h>

namespace {

TEST(Application, NamesItsDesktopEntryVersionAndIcon) {
    const QString id = QGuiApplication::desktopFileName();
    EXPECT_EQ(id, TARNWICK_APP_ID);
    EXPECT_EQ(QCoreApplication::applicationVersion(), TARNWICK_VERSION);
    // The desktop entry of that name says the same icon, and the window
    // class that X gives the window (the application's name).
    QSettings entry(QStringLiteral(TARNWICK_SOURCE_DIR "/data/") + id + ".desktop",
                    QSettings::IniFormat);
    ASSERT_EQ(entry.status(), QSettings::NoError);
    entry.beginGroup("Desktop Entry");
    EXPECT_EQ(entry.value("Icon").toString(), id);
    EXPECT_EQ(entry.value("StartupWMClass").toString(), QCoreApplication::applicationName());
    // No icon theme here has it: the icon built into the program stands in.
    const QIcon icon = QApplication::windowIcon();
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
    TFakeDialogs dialogs;
    TFixtureTree tree;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    EXPECT_EQ(w.windowIcon().cacheKey(), icon.cacheKey());
}

TEST(ErrorBox, FullStopRule) {
    const std::pair<const char*, const char*> cases[] = {
        {"disk full", "disk full."},
        {"done.", "done."},
        {"what!", "what!"},
        {"a-", "a-"},
        {"a/", "a/."},
        {"", ""},
        {"x)", "x)"},
        {"0", "0."},
    };
    for (const auto& [message, shown] : cases)
        EXPECT_EQ(tarnwick::ui::ErrorBoxText(QString::fromUtf8(message)), QString::fromUtf8(shown))
            << message;
    EXPECT_EQ(tarnwick::ui::ErrorBoxText(QStringLiteral("/x に書き込めません")),
              QStringLiteral("/x に書き込めません."));
}

class TThrowingObject : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User)
            throw std::runtime_error("handler failed");
        return QObject::event(e);
    }
};

TEST(ErrorBox, AnErrorEscapingAnEventHandlerIsShownAndTheProgramGoesOn) {
    TFakeDialogs dialogs;
    TThrowingObject target;
    QEvent sent(QEvent::User);
    QCoreApplication::sendEvent(&target, &sent);
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    for (const TShownMessage& m : dialogs.messages) {
        EXPECT_EQ(m.title, "Tarnwick Hub");
        EXPECT_EQ(m.text, "handler failed.");
        EXPECT_EQ(m.icon, QMessageBox::Critical);
    }
}

TEST(ErrorBox, GuardedHandlerReportsWhatEscapesIt) {
    TFakeDialogs dialogs;
    tarnwick::ui::Guarded([] { throw std::runtime_error("picker broke."); });
    tarnwick::ui::Guarded([] { throw 42; });
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text, "picker broke.");
    EXPECT_EQ(dialogs.messages[1].title, "Tarnwick Hub");
    EXPECT_FALSE(dialogs.messages[1].text.isEmpty());
}

TEST(ErrorBox, FailedSettingsWriteAtExitIsShownAndTheExitCompletes) {
    TFixtureTree tree;
    tree.Dir("conf");
    const QString ini = tree.PathText("conf/tarnwick.ini");
    // Every key there, so that creating the window writes nothing.
    WriteSettings(ini, {"TOP=0", "LEFT=0", "WIDTH=600", "HEIGHT=300", "SOURCE_FOLDER=",
                        "NEW_FOLDER=", "FILE_EXTENSION_NAME=", "COPY_TYPE_COMBOBOX=0"});
    TFakeDialogs dialogs;
    {
        TfmTarnwickHub w(ini);
        EXPECT_TRUE(dialogs.messages.empty());
        w.Edit4->setText(".jpg");
        ASSERT_TRUE(QDir(tree.PathText("conf")).removeRecursively()); // no place to write
    }
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "Tarnwick Hub");
    EXPECT_EQ(dialogs.messages[0].text, ini + QStringLiteral(" に書き込めません."));
    EXPECT_EQ(dialogs.messages[0].icon, QMessageBox::Critical);
}

TEST(ErrorBox, FailedSettingsWriteAtCreationIsShownAndTheWindowStillWorks) {
    TFixtureTree tree;
    const QString ini = tree.PathText("missing-folder/tarnwick.ini");
    TFakeDialogs dialogs;
    {
        TfmTarnwickHub w(ini);
        // Reading a text key that is not there writes its default back, and
        // that write fails.
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].title, "Tarnwick Hub");
        EXPECT_EQ(dialogs.messages[0].text, ini + QStringLiteral(" に書き込めません."));
        EXPECT_EQ(w.ComboBox1->count(), 3);
        EXPECT_EQ(w.ComboBox1->currentIndex(), 0) << "no mode stored: MD5(hash)";
        EXPECT_EQ(w.Grid().Cell(0, 0), "Source Folder");
        EXPECT_EQ(w.StringGrid1->model()->headerData(1, Qt::Horizontal).toString(), "New Folder");
        EXPECT_EQ(w.frameGeometry().size(), QSize(600, 300));
    }
    // The exit tries to store the settings and shows that failure too.
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1].text, ini + QStringLiteral(" に書き込めません."));
}

// A settings folder on a tmpfs mounted read-only, holding the given file:
// every read works, every write fails.
class TReadOnlySettings {
public:
    explicit TReadOnlySettings(const QStringList& lines) {
        tree.Dir("ro");
        folder = tree.Path("ro");
        if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0)
            return;
        mounted = true;
        WriteSettings(tree.PathText("ro/tarnwick.ini"), lines);
        readOnly = ::mount("tmpfs", folder.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    ~TReadOnlySettings() {
        if (mounted)
            ::umount2(folder.c_str(), MNT_DETACH);
    }
    bool Ready() const { return mounted && readOnly; }
    QString Ini() const { return tree.PathText("ro/tarnwick.ini"); }

private:
    TFixtureTree tree;
    std::string folder;
    bool mounted = false;
    bool readOnly = false;
};

TEST(ErrorBox, FailedSettingsStepsAtCreationLeaveEveryReadableValueInPlace) {
    // Two text keys missing: reading them writes them back, which fails. The
    // rest is there to be read; no naming mode is stored.
    TFixtureTree folders;
    folders.Dir("photos");
    TReadOnlySettings settings({"TOP=40", "LEFT=30", "WIDTH=700", "HEIGHT=450",
                                "SOURCE_FOLDER=" + folders.PathText("photos"),
                                "FILE_EXTENSION_NAME=.jpg"});
    if (!settings.Ready())
        GTEST_SKIP() << "mounting a read-only tmpfs is not allowed here";
    TFakeDialogs dialogs;
    {
        TfmTarnwickHub w(settings.Ini());
        // One box, for the first failure only.
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].title, "Tarnwick Hub");
        EXPECT_EQ(dialogs.messages[0].text, settings.Ini() + QStringLiteral(" に書き込めません."));
        EXPECT_EQ(w.frameGeometry(), QRect(30, 40, 700, 450));
        EXPECT_EQ(w.Edit2->text(), folders.PathText("photos"));
        EXPECT_EQ(w.Edit3->text(), "");
        EXPECT_EQ(w.Edit4->text(), ".jpg");
        EXPECT_EQ(w.ComboBox1->currentIndex(), 0);
        EXPECT_EQ(w.ComboBox1->currentText(), "MD5(hash)");
        EXPECT_FALSE(w.Edit5->isVisibleTo(&w));
    }
    EXPECT_EQ(dialogs.messages.size(), 2u) << "the exit's failed write is shown as well";
}

} // namespace
