// The Address Book Editor launcher with a stand-in editor that records its arguments: a desktop
// entry in a private data folder, and a private session bus on which a test connection plays
// the running editor.
#include <AddressBookEditorLauncher.h>
#include <Bundle.h>
#include <ModalRun.h>
#include <Workspace.h>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <PrivateSessionBus.h>
#include <WaitUntil.h>
#include <gtest/gtest.h>

namespace df = com::velmora::cps::print::pde::tarncrest::directfax;
namespace pf = df::platform;
using df::testing::waitUntil;

// The running editor as the session bus sees it.
class StandInEditorApplication : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    int activations = 0;

public slots:
    void Activate(const QVariantMap&) { ++activations; }
};

namespace {

const QString kEditorIdentifier = QStringLiteral("com.velmora.AddressBookEditor");

bool writeFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

QStringList capturedWarnings;
void captureWarning(QtMsgType, const QMessageLogContext&, const QString& message) {
    capturedWarnings << message;
}

class AddressBookEditorLauncherTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test_editor_launcher";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QApplication(argc, argv);
        // Before anything opens the session bus.
        bus = new PrivateSessionBus;
        busAddress = bus->address;
    }

    static void TearDownTestSuite() {
        delete bus;
        bus = nullptr;
    }

    void SetUp() override {
        ASSERT_FALSE(busAddress.isEmpty()) << "no private session bus";
        ASSERT_TRUE(data.isValid());
        qputenv("XDG_DATA_HOME", data.filePath(QStringLiteral("home")).toUtf8());
        qputenv("XDG_DATA_DIRS", data.filePath(QStringLiteral("system")).toUtf8());
        ASSERT_TRUE(QDir().mkpath(data.filePath(QStringLiteral("home/applications"))));
        ASSERT_TRUE(QDir().mkpath(data.filePath(QStringLiteral("runs"))));
        editor = data.filePath(QStringLiteral("bin/Address Book Editor"));
        ASSERT_TRUE(QDir().mkpath(data.filePath(QStringLiteral("bin"))));
        // One file per start, one argument per line, renamed into place once complete.
        ASSERT_TRUE(writeFile(
            editor, QStringLiteral("#!/bin/sh\n"
                                   "out='%1/run.'$$\n"
                                   "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$out.tmp\"\n"
                                   "mv \"$out.tmp\" \"$out.args\"\n")
                        .arg(data.filePath(QStringLiteral("runs")))
                        .toUtf8()));
        QFile(editor).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                     QFileDevice::ExeOwner);
        ASSERT_TRUE(
            writeDesktopEntry(QStringLiteral("[Desktop Entry]\nType=Application\nName=Address Book Editor\n"
                                             "Exec=\"%1\" %U\n")
                                  .arg(editor)));
        bundle = pf::Bundle::open(QStringLiteral(DIRECTFAX_BUNDLE_DIR));
        ASSERT_TRUE(bundle);
    }

    bool writeDesktopEntry(const QString& text) { return writeFile(desktopEntryPath(), text.toUtf8()); }
    QString desktopEntryPath() const {
        return data.filePath(QStringLiteral("home/applications/") + kEditorIdentifier +
                             QStringLiteral(".desktop"));
    }

    // The arguments of every start of the stand-in editor so far.
    QList<QStringList> runs() const {
        QList<QStringList> all;
        const QDir dir(data.filePath(QStringLiteral("runs")));
        for (const QString& name : dir.entryList({QStringLiteral("*.args")}, QDir::Files, QDir::Name)) {
            QFile file(dir.filePath(name));
            file.open(QIODevice::ReadOnly);
            QString text = QString::fromUtf8(file.readAll());
            text.chop(1);
            all << (text.isEmpty() && file.size() == 0 ? QStringList{} : text.split(QLatin1Char('\n')));
        }
        return all;
    }

    // Launches and answers the log lines it wrote.
    QStringList launch(const std::optional<QString>& printerAddress, std::optional<QString>& editorPath,
                       const pf::Bundle* from = nullptr) {
        capturedWarnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler(captureWarning);
        df::AddressBookEditorLauncher::launchAddressBook(from ? from : bundle.get(), printerAddress,
                                                         editorPath);
        qInstallMessageHandler(previous);
        return capturedWarnings;
    }

    static inline PrivateSessionBus* bus = nullptr;
    static inline QString busAddress;
    QTemporaryDir data;
    QString editor;
    std::shared_ptr<pf::Bundle> bundle;
    pf::ScriptedModalDriver modal;
};

TEST_F(AddressBookEditorLauncherTest, StartsTheEditorWithTheArgumentsOfTheConnection) {
    const QString failed = QStringLiteral("Failed to resolve the current printer URI!");
    struct {
        std::optional<QString> printerAddress;
        QStringList arguments;
        QStringList log;
    } const cases[] = {
        {QStringLiteral("fe80::1%en0"),
         {QStringLiteral("-DFAXConnectionType NET"), QStringLiteral("-DFAXAddress fe80::1%en0")},
         {}},
        {QStringLiteral(""), {QStringLiteral("-DFAXConnectionType USB")}, {}},
        // Unavailable: started through its identifier, without arguments.
        {std::nullopt, {}, {failed}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.printerAddress.value_or(QStringLiteral("(none)")).toStdString());
        const qsizetype before = runs().size();
        std::optional<QString> editorPath;
        EXPECT_EQ(launch(c.printerAddress, editorPath), c.log);
        EXPECT_EQ(editorPath, editor);
        ASSERT_TRUE(waitUntil([&] { return runs().size() > before; }));
        EXPECT_EQ(runs().constLast(), c.arguments);
    }
    EXPECT_TRUE(modal.alerts().empty());
}

TEST_F(AddressBookEditorLauncherTest, KeepsTheEditorPathOnceFound) {
    std::optional<QString> editorPath;
    launch(QStringLiteral("192.0.2.7"), editorPath);
    ASSERT_EQ(editorPath, editor);
    ASSERT_TRUE(waitUntil([&] { return runs().size() == 1; }));
    // Not looked up again: the entry may go, the stored path still serves.
    ASSERT_TRUE(QFile::remove(desktopEntryPath()));
    launch(QStringLiteral("192.0.2.7"), editorPath);
    ASSERT_TRUE(waitUntil([&] { return runs().size() == 2; }));
    // A stored path whose program has gone fails with the alert.
    ASSERT_TRUE(QFile::remove(editor));
    launch(QStringLiteral("192.0.2.7"), editorPath);
    ASSERT_EQ(modal.alerts().size(), 1u);
}

TEST_F(AddressBookEditorLauncherTest, AlertsWhenTheEditorCannotBeFound) {
    QTemporaryDir other;
    const QString otherBundle = other.filePath(QStringLiteral("NoEditor.plugin"));
    ASSERT_TRUE(QDir().mkpath(otherBundle + QStringLiteral("/Contents")));
    ASSERT_TRUE(writeFile(otherBundle + QStringLiteral("/Contents/Info.plist"),
                          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                          "<key>CFBundleIdentifier</key><string>com.velmora.test.NoEditor</string>"
                          "</dict></plist>\n"));
    const std::shared_ptr<pf::Bundle> withoutIdentifier = pf::Bundle::open(otherBundle);
    ASSERT_TRUE(withoutIdentifier);
    std::optional<QString> editorPath;
    launch(QStringLiteral("192.0.2.7"), editorPath, withoutIdentifier.get());

    // An entry without a program, then no entry at all.
    ASSERT_TRUE(writeDesktopEntry(QStringLiteral("[Desktop Entry]\nType=Application\nName=Editor\n")));
    launch(std::nullopt, editorPath);
    ASSERT_TRUE(QFile::remove(desktopEntryPath()));
    launch(QStringLiteral(""), editorPath);

    ASSERT_EQ(modal.alerts().size(), 3u);
    for (const pf::AlertRequest& alert : modal.alerts()) {
        EXPECT_EQ(alert.messageText, QStringLiteral("Address Book Editor not found."));
        EXPECT_EQ(alert.buttons, QStringList{QStringLiteral("OK")});
    }
    EXPECT_FALSE(editorPath);
    EXPECT_TRUE(runs().isEmpty());
}

TEST_F(AddressBookEditorLauncherTest, OnlyBringsARunningEditorForward) {
    QDBusConnection running = QDBusConnection::connectToBus(busAddress, QStringLiteral("stand-in editor"));
    ASSERT_TRUE(running.isConnected());
    StandInEditorApplication application;
    ASSERT_TRUE(running.registerObject(QStringLiteral("/com/velmora/AddressBookEditor"), &application,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(running.registerService(kEditorIdentifier));

    std::optional<QString> editorPath;
    launch(QStringLiteral("192.0.2.7"), editorPath);
    EXPECT_TRUE(waitUntil([&] { return application.activations == 1; }));
    // No path lookup, no second copy, no arguments.
    EXPECT_FALSE(editorPath);
    EXPECT_TRUE(runs().isEmpty());

    running.unregisterService(kEditorIdentifier);
    QDBusConnection::disconnectFromBus(QStringLiteral("stand-in editor"));
}

} // namespace

#include "AddressBookEditorLauncherTest.moc"
