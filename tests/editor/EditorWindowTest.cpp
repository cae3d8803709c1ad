// The editor's window without a display, its questions answered through the modal seam: unsaved
// changes on closing, a book changed by another program while changes of ours are open, and the
// printer's book read from the device emulator, written back, and refused when the printer's book
// changed meanwhile.
#include "EmulatorProcess.h"

#include <AddressBook.h>
#include <DeviceTransfer.h>
#include <EditorWindow.h>
#include <ModalRun.h>

#include <QApplication>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>

#include "EditorTestSupport.h"
#include <WaitUntil.h>

#include <gtest/gtest.h>

namespace df = com::velmora::cps::print::pde::tarncrest::directfax;
namespace ab = df::addressbook;
using df::testing::bookEntry;
using df::testing::bookGroup;
namespace pf = df::platform;
using df::editor::EditorEntry;
using df::editor::EditorWindow;
using df::editor::LaunchRequest;

namespace {

EditorEntry entry(const char* name, const char* fax) {
    EditorEntry e;
    e.name = QString::fromLatin1(name);
    e.faxNumber = QString::fromLatin1(fax);
    return e;
}

std::string names(const ab::Book& book) {
    std::string text;
    for (const auto& e : book.entries)
        text += e.name + ";";
    return text;
}

class EditorWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test_editor_window";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QApplication(argc, argv);
        home = new QTemporaryDir;
        qputenv("XDG_DATA_HOME", home->path().toUtf8());
    }
    static void TearDownTestSuite() { delete home; }

    // The password dialog of the next reading answered with `password`.
    void answerPassword(const char* password) {
        modal.queueModalStep([password](QWidget* dialog) {
            dialog->findChild<QLineEdit*>(QStringLiteral("passwordField"))
                ->setText(QString::fromLatin1(password));
            pf::ModalRun::stopModalWithCode(pf::NSModalResponseOK);
        });
    }

    static inline QTemporaryDir* home = nullptr;
    pf::ScriptedModalDriver modal;
};

TEST_F(EditorWindowTest, AsksBeforeUnsavedChangesOrAnotherProgramsAreLost) {
    const std::string path = home->filePath(QStringLiteral("Office")).toStdString();
    ab::createBook(path, kAbifFileComputer);
    EditorWindow window;
    window.show();
    ASSERT_TRUE(window.openBook(QString::fromStdString(path)));
    ASSERT_EQ(window.book().addEntry(entry("Mine", "0310")), std::nullopt);

    // In place, the fax number takes what the job dialog's field takes.
    auto* table = window.findChild<QTableView*>(QStringLiteral("entryTable"));
    const QModelIndex fax = table->model()->index(0, 1);
    std::unique_ptr<QWidget> editor(table->itemDelegate()->createEditor(table->viewport(), {}, fax));
    auto* field = qobject_cast<QLineEdit*>(editor.get());
    ASSERT_TRUE(field);
    table->itemDelegate()->setEditorData(field, fax);
    field->insert(QStringLiteral("+4"));
    field->insert(QStringLiteral("#1"));
    EXPECT_EQ(field->text(), QStringLiteral("0310#1"));

    // Closing: Cancel keeps the window and the change.
    modal.queueAlertAnswer(pf::NSAlertThirdButtonReturn);
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.book().isModified());

    // Another program writes the book: we keep ours, and Save asks before replacing theirs.
    modal.queueAlertAnswer(pf::NSAlertSecondButtonReturn);
    ab::addToBook(path, {bookEntry(0, "Theirs", "0311")}, {});
    ASSERT_TRUE(df::testing::waitUntil([&] { return modal.alerts().size() == 2; }, 5000));
    modal.queueAlertAnswer(pf::NSAlertThirdButtonReturn);
    EXPECT_FALSE(window.saveBook());
    EXPECT_EQ(names(ab::readBook(path)), "Theirs;");
    modal.queueAlertAnswer(pf::NSAlertFirstButtonReturn);
    EXPECT_TRUE(window.saveBook());
    EXPECT_EQ(names(ab::readBook(path)), "Mine;");
    EXPECT_TRUE(window.close());
    EXPECT_EQ(modal.unscriptedAlerts(), 0);
}

TEST_F(EditorWindowTest, ReadsAndWritesThePrintersBookRefusingAConflict) {
    const std::filesystem::path json = home->filePath(QStringLiteral("printer.json")).toStdString();
    df::testing::writeJsonBook(json, {{{1, "Anna", "0301"}}, {{"Team", {1}}}});
    df::testing::EmulatorProcess emulator;
    std::string error;
    ASSERT_TRUE(emulator.start({"--book", json.string(), "--port", "0", "--password", "4711"},
                               home->filePath(QStringLiteral("log")).toStdString(), error))
        << error;
    qputenv("ABIF_DEVICE_PORT", QByteArray::number(emulator.port()));
    const LaunchRequest printer{LaunchRequest::Kind::NetworkPrinter, QStringLiteral("127.0.0.1"), {}};
    const ab::DeviceConnection device{false, "127.0.0.1"};
    EditorWindow window;
    window.show();

    answerPassword("4712");
    modal.queueAlertAnswer(pf::NSAlertFirstButtonReturn);
    window.handle(printer);
    ASSERT_EQ(modal.alerts().size(), 1u);
    EXPECT_EQ(modal.alerts()[0].informativeText, QStringLiteral("The printer refused the password."));
    EXPECT_EQ(window.currentBook(), QString());

    answerPassword("4711");
    window.handle(printer);
    ASSERT_EQ(window.currentBook(), QStringLiteral("printer:NET:127.0.0.1"));
    ASSERT_EQ(window.book().entries().size(), 1u);
    ASSERT_EQ(window.book().addEntry(entry("Bob", "0302")), std::nullopt);

    // Someone else writes the printer's book first: nothing of ours is written.
    const ab::DeviceBookCopy other = ab::readDeviceBook(device, "4711");
    ab::Book theirs = other.book;
    theirs.entries.push_back(bookEntry(9, "Carl", "0309"));
    ab::writeDeviceBook(device, "4711", theirs, other.revision);
    modal.queueAlertAnswer(pf::NSAlertSecondButtonReturn);
    EXPECT_FALSE(window.saveBook());
    EXPECT_EQ(modal.alerts().back().messageText,
              QStringLiteral("The printer's address book was changed since it was read."));
    EXPECT_EQ(names(ab::readDeviceBook(device, "4711").book), "Anna;Carl;");

    // Read again, the change made again, written.
    modal.queueAlertAnswer(pf::NSAlertFirstButtonReturn);
    answerPassword("4711");
    EXPECT_FALSE(window.saveBook());
    ASSERT_EQ(window.book().entries().size(), 2u);
    ASSERT_EQ(window.book().addEntry(entry("Bob", "0302")), std::nullopt);
    EXPECT_TRUE(window.saveBook());
    EXPECT_EQ(names(ab::readDeviceBook(device, "4711").book), "Anna;Carl;Bob;");
    EXPECT_EQ(modal.unscriptedAlerts(), 0);
    qunsetenv("ABIF_DEVICE_PORT");
}

} // namespace
