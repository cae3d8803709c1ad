// The panel's launcher reaching the installed editor: its desktop entry as installed, the program
// found on the PATH, a private session bus. A running editor is brought forward and not started
// twice; a second start hands it the new printer's address and ends.
#include <AddressBook.h>
#include <AddressBookEditorLauncher.h>
#include <Bundle.h>
#include <ModalRun.h>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>

#include <PrivateSessionBus.h>
#include <WaitUntil.h>
#include <gtest/gtest.h>

namespace df = com::velmora::cps::print::pde::tarncrest::directfax;
namespace pf = df::platform;
using df::testing::waitUntil;

namespace {

const QString kIdentifier = QStringLiteral("com.velmora.AddressBookEditor");
const QString kEditorDir = QStringLiteral(DIRECTFAX_BINARY_DIR "/tools/addressbook-editor");

class EditorLaunchTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test_editor_launch";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QApplication(argc, argv);
        bus = new PrivateSessionBus;
        home = new QTemporaryDir;
        // The editor as installed: its desktop entry in the applications folder, the program on the PATH.
        qputenv("XDG_DATA_HOME", home->filePath(QStringLiteral("data")).toUtf8());
        qputenv("XDG_DATA_DIRS", home->filePath(QStringLiteral("system")).toUtf8());
        qputenv("PATH", (kEditorDir + QLatin1Char(':') + qEnvironmentVariable("PATH")).toUtf8());
        QDir().mkpath(home->filePath(QStringLiteral("data/applications")));
        QFile::copy(
            QStringLiteral(DIRECTFAX_SOURCE_DIR "/data/com.velmora.AddressBookEditor.desktop"),
            home->filePath(QStringLiteral("data/applications/com.velmora.AddressBookEditor.desktop")));
        books = QFile::decodeName(AbifGADFile_GetFileDirectory());
        df::addressbook::createBook((books + QStringLiteral("/Office")).toStdString(), kAbifFileComputer);
    }

    static void TearDownTestSuite() {
        delete bus;
        delete home;
    }

    void SetUp() override {
        ASSERT_TRUE(bus->isRunning());
        bundle = pf::Bundle::open(QStringLiteral(DIRECTFAX_BUNDLE_DIR));
        ASSERT_TRUE(bundle);
    }

    void TearDown() override {
        if (const uint pid = editorPid())
            ::kill(pid_t(pid), SIGTERM);
        EXPECT_TRUE(waitUntil([] { return editorPid() == 0; }));
    }

    static uint editorPid() {
        QDBusConnectionInterface* names = QDBusConnection::sessionBus().interface();
        return names->isServiceRegistered(kIdentifier).value() ? names->servicePid(kIdentifier).value() : 0;
    }

    static QString editorState(const char* property) {
        QDBusInterface state(kIdentifier, QStringLiteral("/com/velmora/AddressBookEditor"), kIdentifier);
        return state.property(property).toString();
    }

    void launch(const std::optional<QString>& address) {
        df::AddressBookEditorLauncher::launchAddressBook(bundle.get(), address, editorPath);
    }

    static inline PrivateSessionBus* bus = nullptr;
    static inline QTemporaryDir* home = nullptr;
    static inline QString books;
    std::shared_ptr<pf::Bundle> bundle;
    std::optional<QString> editorPath;
    pf::ScriptedModalDriver modal;
};

TEST_F(EditorLaunchTest, ALaunchReachesTheOneRunningEditor) {
    // The printer's address still unknown: started by its identifier, the computer's books shown.
    launch(std::nullopt);
    ASSERT_TRUE(waitUntil([] { return editorPid() != 0; }));
    const uint first = editorPid();
    ASSERT_TRUE(waitUntil(
        [] { return editorState("CurrentBook") == QStringLiteral("computer:") + books + "/Office"; }));
    EXPECT_EQ(editorState("Request"), QStringLiteral("computer"));

    // Running: brought forward only, whatever the address.
    launch(QStringLiteral("192.0.2.7"));
    EXPECT_EQ(editorState("Request"), QStringLiteral("computer"));
    EXPECT_EQ(editorPid(), first);

    // A second start hands its arguments, as the panel passes them, to the running copy and ends.
    for (const auto& [arguments, request] :
         {std::pair{QStringList{"-DFAXConnectionType NET", "-DFAXAddress 192.0.2.7"},
                    "printer:NET:192.0.2.7"},
          std::pair{QStringList{"-DFAXConnectionType USB"}, "printer:USB"}}) {
        SCOPED_TRACE(request);
        QProcess second;
        second.start(kEditorDir + QStringLiteral("/directfax-addressbook-editor"), arguments);
        ASSERT_TRUE(second.waitForFinished(10000));
        EXPECT_EQ(second.exitCode(), 0);
        EXPECT_TRUE(waitUntil([&] { return editorState("Request") == QLatin1String(request); }));
        EXPECT_EQ(editorPid(), first);
    }
    EXPECT_TRUE(modal.alerts().empty());
}

} // namespace
