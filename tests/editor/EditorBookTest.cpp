// The editor's book without a display: the checks of every field at its edges, every edit undone
// and redone, saving all or nothing, and a change by another program noticed.
#include <AddressBook.h>
#include <BookTableModels.h>
#include <EditorBook.h>
#include <LaunchRequest.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>

#include "EditorTestSupport.h"
#include <WaitUntil.h>

#include <gtest/gtest.h>

namespace df = com::velmora::cps::print::pde::tarncrest::directfax;
namespace ab = df::addressbook;
using df::editor::EditorBook;
using df::editor::EditorEntry;
using df::editor::EntryField;
using df::editor::LaunchRequest;
using df::testing::bookEntry;
using df::testing::bookGroup;

namespace {

// The book as one text: entries in order with every field, groups with their members' names.
std::string snapshot(const EditorBook& book) {
    std::string text;
    for (const auto& e : book.entries())
        text += (e.name + "|" + e.faxNumber + "|" + e.company + "|" + e.note + "\n").toStdString();
    for (const auto& g : book.groups()) {
        text += "[" + g.name.toStdString() + ":";
        for (uint16_t id : g.members)
            text += " " + book.entries()[size_t(book.entryIndex(id))].name.toStdString();
        text += "]\n";
    }
    return text;
}

QByteArray digest(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

class EditorBookTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test_editor_book";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
    }

    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        path = folder.filePath(QStringLiteral("Office"));
        ab::createBook(path.toStdString(), kAbifFileComputer,
                       {bookEntry(1, "Anna", "0301", "Berger GmbH", "mornings"), bookEntry(2, "Carl", "0302"),
                        bookEntry(3, "Eva", "0303")},
                       {bookGroup("Sales", {1, 2})});
        ASSERT_FALSE(book.open(path));
    }

    uint16_t idOf(const char* name) const {
        for (const auto& e : book.entries())
            if (e.name == QLatin1String(name))
                return e.id;
        return 0;
    }

    QTemporaryDir folder;
    QString path;
    EditorBook book;
};

TEST(EditorBookChecks, TakeWhatTheJobDialogTakesUpToEachLimit) {
    const QString a32(32, QLatin1Char('a')), a33(33, QLatin1Char('a'));
    struct {
        EntryField field;
        QString text;
        bool taken;
    } const cases[] = {
        {EntryField::Name, a32, true},
        {EntryField::Name, a33, false},
        {EntryField::Name, QString(), false},
        {EntryField::Name, QStringLiteral("M\u00fcller"), false},
        {EntryField::FaxNumber, QStringLiteral("0-9#*:="), true},
        {EntryField::FaxNumber, QString(50, QLatin1Char('1')), true},
        {EntryField::FaxNumber, QString(51, QLatin1Char('1')), false},
        {EntryField::FaxNumber, QStringLiteral("+49 30"), false},
        {EntryField::FaxNumber, QString(), false},
        {EntryField::Company, QString(64, QChar(0x00e9)), true},
        {EntryField::Company, QString(65, QLatin1Char('c')), false},
        {EntryField::Company, QStringLiteral("a\nb"), false},
        {EntryField::Note, QString(254, QLatin1Char('n')), true},
        {EntryField::Note, QString(255, QLatin1Char('n')), false},
        {EntryField::Note, QStringLiteral("two\nlines"), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(!EditorBook::checkField(c.field, c.text), c.taken);
    }
    EXPECT_TRUE(EditorBook::checkGroupName(a32) == std::nullopt);
    EXPECT_FALSE(EditorBook::checkGroupName(a33) == std::nullopt);
}

TEST_F(EditorBookTest, EveryEditIsUndoneAndRedoneWhole) {
    const std::string start = snapshot(book);
    struct {
        const char* what;
        std::function<std::optional<QString>()> edit;
        std::string after;
    } const cases[] = {
        {"add an entry",
         [&] {
             return book.addEntry({0, "Zoe", "0309", "", "new"});
         },
         start.substr(0, start.find('[')) + "Zoe|0309||new\n[Sales: Anna Carl]\n"},
        {"change a fax number",
         [&] { return book.setEntryField(idOf("Carl"), EntryField::FaxNumber, "0399"); },
         "Anna|0301|Berger GmbH|mornings\nCarl|0399||\nEva|0303||\n[Sales: Anna Carl]\n"},
        {"remove an entry, also from its group",
         [&] {
             book.removeEntries({idOf("Anna")});
             return std::nullopt;
         },
         "Carl|0302||\nEva|0303||\n[Sales: Carl]\n"},
        {"add a group", [&] { return book.addGroup("Board"); }, start + "[Board:]\n"},
        {"rename a group", [&] { return book.renameGroup(0, "Sales EU"); },
         start.substr(0, start.find('[')) + "[Sales EU: Anna Carl]\n"},
        {"add members, one already in",
         [&] {
             return book.addMembers(0, {idOf("Eva"), idOf("Anna")});
         },
         start.substr(0, start.find('[')) + "[Sales: Anna Carl Eva]\n"},
        {"remove a member",
         [&] {
             book.removeMembers(0, {idOf("Anna")});
             return std::nullopt;
         },
         start.substr(0, start.find('[')) + "[Sales: Carl]\n"},
        {"remove a group",
         [&] {
             book.removeGroup(0);
             return std::nullopt;
         },
         start.substr(0, start.find('['))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(c.edit(), std::nullopt);
        EXPECT_EQ(snapshot(book), c.after);
        EXPECT_TRUE(book.isModified());
        book.undoStack()->undo();
        EXPECT_EQ(snapshot(book), start);
        EXPECT_FALSE(book.isModified());
        book.undoStack()->redo();
        EXPECT_EQ(snapshot(book), c.after);
        book.undoStack()->undo();
    }
}

TEST_F(EditorBookTest, RefusedEditsChangeNothing) {
    const std::string start = snapshot(book);
    // A name and fax number pair the book holds, a field the checker refuses, a group over the
    // computer's 35 members, and a group name of 33 characters.
    EXPECT_TRUE(book.addEntry({0, "Anna", "0301", "", ""}));
    EXPECT_TRUE(book.setEntryField(idOf("Carl"), EntryField::Name, "Anna") == std::nullopt);
    EXPECT_TRUE(book.setEntryField(idOf("Carl"), EntryField::FaxNumber, "0301"));
    EXPECT_TRUE(book.setEntryField(idOf("Eva"), EntryField::FaxNumber, "+49"));
    EXPECT_TRUE(book.renameGroup(0, QString(33, QLatin1Char('g'))));
    book.undoStack()->undo(); // the rename of Carl to Anna
    std::vector<uint16_t> many;
    for (int i = 0; i < 33; ++i) {
        ASSERT_EQ(book.addEntry({0, QStringLiteral("M%1").arg(i), "0305", "", ""}), std::nullopt);
        many.push_back(book.entries().back().id);
    }
    EXPECT_EQ(book.addMembers(0, many), std::nullopt); // 2 + 33 = 35
    many.push_back(idOf("Eva"));
    book.undoStack()->undo();
    EXPECT_TRUE(book.addMembers(0, many)); // 36: refused whole
    EXPECT_EQ(book.groups()[0].members.size(), 2u);
    while (book.undoStack()->canUndo())
        book.undoStack()->undo();
    EXPECT_EQ(snapshot(book), start);
}

TEST_F(EditorBookTest, SavesAllOrNothing) {
    ASSERT_EQ(book.setEntryField(idOf("Anna"), EntryField::Note, "afternoons"), std::nullopt);
    ASSERT_EQ(book.addEntry({0, "Zoe", "0309", "", ""}), std::nullopt);
    book.removeEntries({idOf("Carl")});
    const std::string edited = snapshot(book);
    const QByteArray before = digest(path);

    // The new file is complete, but it cannot take the old one's place.
    EditorBook::replaceFile = [](const char*, const char*) { return -1; };
    QString error;
    EXPECT_EQ(book.save(&error), EditorBook::SaveResult::Failed);
    EditorBook::replaceFile = nullptr;
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(digest(path), before);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("Office")});
    EXPECT_TRUE(book.isModified());

    ASSERT_EQ(book.save(&error), EditorBook::SaveResult::Saved) << error.toStdString();
    EXPECT_FALSE(book.isModified());
    EditorBook reread;
    ASSERT_FALSE(reread.open(path));
    EXPECT_EQ(snapshot(reread), edited);
}

TEST_F(EditorBookTest, NoticesAnotherProgramsChangeAndNeverOverwritesItUnasked) {
    int told = 0;
    QObject::connect(&book, &EditorBook::externalChange, [&told] { ++told; });
    ASSERT_EQ(book.addEntry({0, "Mine", "0310", "", ""}), std::nullopt);
    ab::addToBook(path.toStdString(), {bookEntry(0, "Theirs", "0311")}, {});
    ASSERT_TRUE(df::testing::waitUntil([&] { return told > 0; }, 5000));
    EXPECT_TRUE(book.changedOnDisk());

    QString error;
    const QByteArray theirs = digest(path);
    EXPECT_EQ(book.save(&error), EditorBook::SaveResult::ChangedOnDisk);
    EXPECT_EQ(digest(path), theirs);
    // Reloading takes theirs; saving over it is the user's choice.
    ASSERT_FALSE(book.revert());
    EXPECT_NE(snapshot(book).find("Theirs"), std::string::npos);
    EXPECT_EQ(snapshot(book).find("Mine"), std::string::npos);
    ASSERT_EQ(book.addEntry({0, "Mine", "0310", "", ""}), std::nullopt);
    EXPECT_EQ(book.save(&error), EditorBook::SaveResult::Saved);
    // Our own save is no change by another program.
    QCoreApplication::processEvents();
    EXPECT_FALSE(book.changedOnDisk());
}

TEST_F(EditorBookTest, SearchesNamesInTheDialogsArrangement) {
    df::editor::EntryTableModel table(book);
    const auto names = [&table] {
        QStringList shown;
        for (int row = 0; row < table.rowCount(); ++row)
            shown << table.index(row, 0).data().toString();
        return shown;
    };
    EXPECT_EQ(names(), (QStringList{"Eva", "Carl", "Anna"}));
    table.setSearchText(QStringLiteral("A"));
    EXPECT_EQ(names(), (QStringList{"Eva", "Carl", "Anna"}));
    table.setSearchText(QStringLiteral("an"));
    EXPECT_EQ(names(), QStringList{"Anna"});
    // An edit through the table is an undoable edit of the book.
    EXPECT_TRUE(table.setData(table.index(0, 1), QStringLiteral("0377")));
    EXPECT_FALSE(table.setData(table.index(0, 1), QStringLiteral("+49")));
    EXPECT_EQ(book.entries()[size_t(book.entryIndex(idOf("Anna")))].faxNumber, QStringLiteral("0377"));
}

TEST_F(EditorBookTest, EntriesDraggedOntoAGroupBecomeItsMembersUpToItsLimit) {
    df::editor::EntryTableModel table(book);
    df::editor::GroupTableModel groups(book);
    QStringList refusals;
    QObject::connect(&groups, &df::editor::GroupTableModel::refused,
                     [&](const QString& why) { refusals << why; });
    // Eva (row 0 of the arrangement) onto "Sales": one undoable edit.
    std::unique_ptr<QMimeData> drag(table.mimeData({table.index(0, 0), table.index(0, 1)}));
    EXPECT_TRUE(groups.dropMimeData(drag.get(), Qt::CopyAction, -1, -1, groups.index(0, 0)));
    EXPECT_EQ(snapshot(book).substr(snapshot(book).find('[')), "[Sales: Anna Carl Eva]\n");
    book.undoStack()->undo();
    // All 36 entries, one more than the group holds: the whole drop is refused and said why.
    for (int i = 0; i < 33; ++i)
        ASSERT_EQ(book.addEntry({0, QStringLiteral("M%1").arg(i), "0305", "", ""}), std::nullopt);
    QModelIndexList all;
    for (int row = 0; row < table.rowCount(); ++row)
        all << table.index(row, 0);
    drag.reset(table.mimeData(all));
    EXPECT_FALSE(groups.dropMimeData(drag.get(), Qt::CopyAction, -1, -1, groups.index(0, 0)));
    EXPECT_EQ(refusals.size(), 1);
    EXPECT_EQ(book.groups()[0].members.size(), 2u);
}

TEST(LaunchArguments, AreReadAsThePanelAndAShellPassThem) {
    using K = LaunchRequest::Kind;
    struct {
        QStringList arguments;
        std::optional<LaunchRequest> request;
    } const cases[] = {
        {{}, LaunchRequest{}},
        {{"-DFAXConnectionType NET", "-DFAXAddress fe80::1%eth0"},
         LaunchRequest{K::NetworkPrinter, "fe80::1%eth0", {}}},
        {{"-DFAXConnectionType", "NET", "-DFAXAddress", "192.0.2.7"},
         LaunchRequest{K::NetworkPrinter, "192.0.2.7", {}}},
        {{"-DFAXConnectionType USB"}, LaunchRequest{K::UsbPrinter, {}, {}}},
        {{"Office"}, LaunchRequest{K::ComputerBooks, {}, {"Office"}}},
        {{"-DFAXConnectionType NET"}, std::nullopt},
        {{"-DFAXAddress 192.0.2.7"}, std::nullopt},
        {{"-DFAXConnectionType SERIAL"}, std::nullopt},
        {{"-DFAXConnectionType"}, std::nullopt},
        {{"--frobnicate"}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(',')).toStdString());
        const auto parsed = df::editor::parseLaunchArguments(c.arguments);
        EXPECT_EQ(parsed.request, c.request);
        EXPECT_EQ(parsed.problem.isEmpty(), c.request.has_value());
    }
}

} // namespace
