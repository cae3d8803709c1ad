// The fax-job dialog: the destination rules, starting and cancelling, the reset at opening, the
// address-book file list, the address-book actions, and a randomized run of the dialog's
// operations.
#include "AbifTestSupport.h"
#include "FrameTestSupport.h"

#include <AddressBookController.h>
#include <FaxSettingController.h>

#include <HelpViewer.h>
#include <ModalRun.h>
#include <SystemInfo.h>
#include <UtilityFunctions.h>
#include <UtilityService.h>

#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <random>

namespace faxjob_test {
namespace {

using namespace frame_test;

// The dialog loaded from the assembled bundle, with an address-book folder of its own and a home
// directory outside any sandbox.
class FaxDialogTest : public WidgetTest {
protected:
    void SetUp() override {
        WidgetTest::SetUp();
        ASSERT_TRUE(dataHome.isValid());
        savedDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
        setHome(QStringLiteral("/home/tester"));
        bundle = directFaxBundle();
        ASSERT_TRUE(bundle);
        QString error;
        controller = df::FaxSettingController::loadInterfaceFile(*bundle, objects, &error);
        ASSERT_NE(controller, nullptr) << error.toStdString();
        controller->setBundle(bundle);
    }
    void TearDown() override {
        objects.clear();
        if (savedDataHome.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", savedDataHome);
        setHome({});
        WidgetTest::TearDown();
    }
    // The home directory the sandbox test sees; empty: the real one.
    void setHome(const QString& home) {
        pf::SystemInfo::setHomeDirectorySource(
            home.isEmpty() ? pf::SystemInfo::TextSource() : [home] { return std::optional<QString>(home); });
        df::UtilityService::resetSandboxedForTesting();
    }
    // Types a destination and presses "Add".
    void addTyped(const QString& name, const QString& number) {
        controller->setAddressName(name);
        controller->setAddressPhoneNumber(number);
        controller->addAddressInfo();
    }
    // The destination list as "name/number", in arranged order.
    QStringList destinations() const {
        QStringList result;
        for (const df::AddressInformation& item : controller->addressArrayController()->arrangedObjects())
            result.append(item.name() + QLatin1Char('/') + item.phoneNumber());
        return result;
    }

    QTemporaryDir dataHome;
    QByteArray savedDataHome;
    std::shared_ptr<pf::Bundle> bundle;
    std::vector<std::unique_ptr<QObject>> objects;
    df::FaxSettingController* controller = nullptr;
};

QStringList alertMessages(const pf::ScriptedModalDriver& driver) {
    QStringList messages;
    for (const pf::AlertRequest& alert : driver.alerts())
        messages.append(alert.messageText);
    return messages;
}

QPushButton* button(QWidget* window, const char* name) {
    QPushButton* found = window->findChild<QPushButton*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

TEST_F(FaxDialogTest, TheThirtyFirstDestinationIsRefusedWithAnAlert) {
    pf::ScriptedModalDriver driver;
    for (int i = 0; i < 29; ++i)
        addTyped(QStringLiteral("Name %1").arg(i), QStringLiteral("0%1").arg(i));
    addTyped(QStringLiteral("Last"), QStringLiteral("30"));
    EXPECT_TRUE(driver.alerts().empty());
    EXPECT_EQ(controller->addressArrayController()->count(), 30);

    addTyped(QStringLiteral("One more"), QStringLiteral("31"));
    ASSERT_EQ(driver.alerts().size(), 1u);
    EXPECT_EQ(driver.alerts()[0].messageText, QStringLiteral("No More Destination"));
    EXPECT_EQ(driver.alerts()[0].buttons, QStringList({"OK"}));
    EXPECT_EQ(controller->addressArrayController()->count(), 30);
    EXPECT_EQ(controller->addressName(), QStringLiteral("One more")); // the fields keep their text
    EXPECT_EQ(controller->addressPhoneNumber(), QStringLiteral("31"));
}

TEST_F(FaxDialogTest, TheFieldsTakeTheirLongestTextAndNotOneUnitMore) {
    const struct {
        const char* field;
        QChar unit;
        int longest;
    } fields[] = {
        {"addressNameTextField", QLatin1Char('N'), 32},
        {"addressPhoneNumberTextField", QLatin1Char('5'), 50},
        {"passwordTextField", QLatin1Char('9'), 4},
    };
    pf::ScriptedModalDriver driver;
    driver.queueModalStep([&](QWidget* window) {
        for (const auto& f : fields) {
            auto* field = window->findChild<QLineEdit*>(QLatin1String(f.field));
            ASSERT_NE(field, nullptr) << f.field;
            for (const int length : {f.longest, f.longest + 1}) {
                field->clear();
                field->insert(QString(length, f.unit)); // as a paste goes through the field's checker
                EXPECT_EQ(field->text().size(), length == f.longest ? length : 0) << f.field << " " << length;
            }
        }
        button(window, "stopButton")->click();
    });
    controller->createDialog();
    EXPECT_EQ(driver.unscriptedModalRuns(), 0);
}

TEST_F(FaxDialogTest, DuplicatesAreAskedForAndComparedExactly) {
    const struct {
        const char* second;
        std::optional<pf::NSModalResponse> answer; // none: no question expected
        QStringList list;
        QString fieldsAfter;
    } cases[] = {
        {"Ann", pf::NSAlertFirstButtonReturn, {"Ann/123", "Ann/123"}, ""},
        {"Ann", pf::NSAlertSecondButtonReturn, {"Ann/123"}, "Ann"},
        {"ann", std::nullopt, {"Ann/123", "ann/123"}, ""},
    };
    for (const auto& c : cases) {
        pf::ScriptedModalDriver driver;
        controller->addressArrayController()->removeAllObjects();
        addTyped(QStringLiteral("Ann"), QStringLiteral("123"));
        if (c.answer)
            driver.queueAlertAnswer(*c.answer);
        addTyped(QString::fromUtf8(c.second), QStringLiteral("123"));
        EXPECT_EQ(destinations(), c.list) << c.second;
        EXPECT_EQ(controller->addressName(), c.fieldsAfter) << c.second;
        if (c.answer) {
            ASSERT_EQ(driver.alerts().size(), 1u);
            EXPECT_EQ(driver.alerts()[0].messageText, QStringLiteral("Duplicated Address Found"));
            EXPECT_EQ(driver.alerts()[0].informativeText,
                      QStringLiteral("Add the same address to destinations?"));
            EXPECT_EQ(driver.alerts()[0].buttons, QStringList({"OK", "Cancel"}));
        } else {
            EXPECT_TRUE(driver.alerts().empty());
        }
    }
}

TEST_F(FaxDialogTest, StartingWithAnEmptyListOffersTheTypedNumber) {
    const struct {
        QString typed;
        std::optional<pf::NSModalResponse> answer;
        QStringList alerts;
        bool sends;
    } cases[] = {
        {"555", pf::NSAlertFirstButtonReturn, {"Characters added to Fax Number"}, true},
        {"555",
         pf::NSAlertSecondButtonReturn,
         {"Characters added to Fax Number", "No Sender Specified"},
         false},
        {"", std::nullopt, {"No Sender Specified"}, false},
    };
    for (const auto& c : cases) {
        controller->addressArrayController()->removeAllObjects();
        pf::ScriptedModalDriver driver;
        if (c.answer)
            driver.queueAlertAnswer(*c.answer);
        bool stillOpen = false;
        driver.queueModalStep([&](QWidget* window) {
            controller->setAddressPhoneNumber(c.typed);
            button(window, "startButton")->click();
            stillOpen = pf::ModalRun::modalWindow() == window && window->isVisible();
            if (stillOpen)
                button(window, "stopButton")->click();
        });
        controller->createDialog();
        EXPECT_EQ(alertMessages(driver), c.alerts) << c.typed.toStdString();
        EXPECT_EQ(stillOpen, !c.sends);
        EXPECT_EQ(controller->isSending(), c.sends);
        EXPECT_EQ(destinations(), c.sends ? QStringList({"/555"}) : QStringList());
        EXPECT_EQ(driver.unscriptedModalRuns(), 0);
    }
    EXPECT_EQ(controller->faxSettingPanel()->windowTitle(), QStringLiteral("Fax Transmission"));
}

TEST_F(FaxDialogTest, SendingKeepsTheListCancellingOrClosingEmptiesIt) {
    pf::ScriptedModalDriver driver;
    driver.queueModalStep([&](QWidget* window) {
        addTyped(QStringLiteral("Ann"), QStringLiteral("1"));
        addTyped(QStringLiteral("Bob"), QStringLiteral("2"));
        controller->setPassword(QStringLiteral("12"));
        controller->setDelayedPrint(1);
        controller->setAddressName(QStringLiteral("typed, not added"));
        button(window, "startButton")->click();
    });
    controller->createDialog();
    EXPECT_TRUE(controller->isSending());
    EXPECT_EQ(destinations(), QStringList({"Bob/2", "Ann/1"}));

    // The next dialog shows the destinations again, with fresh fields.
    QStringList shown;
    driver.queueModalStep([&](QWidget* window) {
        shown = destinations();
        EXPECT_EQ(window->findChild<QLineEdit*>(QStringLiteral("addressNameTextField"))->text(), QString());
        EXPECT_EQ(controller->password(), QString());
        EXPECT_EQ(controller->delayedPrint(), 0);
        EXPECT_LE(qAbs(controller->delayedTime().secsTo(QDateTime::currentDateTime())), 60);
        button(window, "stopButton")->click();
    });
    controller->createDialog();
    EXPECT_EQ(shown, QStringList({"Bob/2", "Ann/1"}));
    EXPECT_FALSE(controller->isSending());
    EXPECT_TRUE(destinations().isEmpty());

    // Closing the window some other way is a cancel too, also after a job that was sent.
    driver.queueModalStep([&](QWidget* window) {
        addTyped(QStringLiteral("Cy"), QStringLiteral("3"));
        button(window, "startButton")->click();
    });
    controller->createDialog();
    ASSERT_TRUE(controller->isSending());
    driver.queueModalStep([](QWidget* window) { window->close(); });
    controller->createDialog();
    EXPECT_FALSE(controller->isSending());
    EXPECT_TRUE(destinations().isEmpty());
}

TEST_F(FaxDialogTest, EditingAndDeletingFollowTheSelection) {
    pf::ScriptedModalDriver driver;
    addTyped(QStringLiteral("Ann"), QStringLiteral("1"));
    addTyped(QStringLiteral("Bob"), QStringLiteral("2"));
    addTyped(QStringLiteral("Cy"), QStringLiteral("3"));
    df::DestinationList* list = controller->addressArrayController();
    QWidget* window = controller->faxSettingPanel();
    const auto state = [&] {
        return std::tuple(controller->canEditAddress(), controller->canDeleteAddress(),
                          button(window, "editAddressButton")->isEnabled(),
                          button(window, "deleteAddressButton")->isEnabled());
    };
    list->setSelectionIndexes({0, 2});
    EXPECT_EQ(state(), std::tuple(false, true, false, true));
    list->setSelectionIndexes({});
    EXPECT_EQ(state(), std::tuple(false, false, false, false));
    EXPECT_FALSE(controller->canAddToAddressFile());
    // Clicking a row of the table is a selection too.
    window->findChild<QTableView*>(QStringLiteral("addressTableView"))->selectRow(1);
    EXPECT_EQ(state(), std::tuple(true, true, true, true));

    controller->editAddressInfo();
    EXPECT_EQ(controller->addressName(), QStringLiteral("Bob"));
    EXPECT_EQ(window->findChild<QLineEdit*>(QStringLiteral("addressPhoneNumberTextField"))->text(),
              QStringLiteral("2"));
    EXPECT_EQ(destinations(), QStringList({"Cy/3", "Ann/1"}));
    list->setSelectionIndexes({0, 1});
    controller->deleteAddressInfo();
    EXPECT_TRUE(destinations().isEmpty());
    EXPECT_EQ(state(), std::tuple(false, false, false, false));
    EXPECT_TRUE(driver.alerts().empty());
}

TEST_F(FaxDialogTest, AddressBookFilesAreListedAtOpeningExceptInASandbox) {
    const QString folder = dataHome.path() + QStringLiteral("/velmora/directfax/addressbooks");
    ASSERT_TRUE(QDir().mkpath(folder));
    QStringList many;
    for (int i = 0; i < 1001; ++i)
        many.append(QStringLiteral("f%1.dfab").arg(i, 4, 10, QLatin1Char('0')));
    const QStringList manyListed = many.mid(0, 1000);
    const struct {
        QStringList files;
        const char* home;
        QStringList listed;
        bool available;
    } cases[] = {
        {{"b.dfab", "a.dfab"}, "/home/tester", {"a.dfab", "b.dfab"}, true},
        {{}, "/home/tester", {}, true}, // no files: the availability stays as it was
        {{"c.dfab"}, "/Users/tester/Library/Containers/id/Data", {}, true},
        {{}, "/Users/tester/Library/Containers/id/Data", {}, true},
        {many, "/home/tester", manyListed, true}, // a flooded folder is listed only in part
    };
    for (const auto& c : cases) {
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        for (const QString& name : c.files) {
            QFile file(folder + QLatin1Char('/') + name);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        setHome(QString::fromUtf8(c.home));
        pf::ScriptedModalDriver driver;
        QStringList listed, paths, popup;
        int selected = -2;
        driver.queueModalStep([&](QWidget* window) {
            for (const df::AddressFile& file : controller->addressFileList()->arrangedObjects()) {
                listed.append(file.name);
                paths.append(file.path);
            }
            selected = controller->addressFileList()->selectionIndex();
            popup = items(window->findChild<QComboBox*>(QStringLiteral("addressFilePopup")));
            button(window, "stopButton")->click();
        });
        controller->createDialog();
        EXPECT_EQ(listed, c.listed) << c.home;
        EXPECT_EQ(popup, c.listed);
        EXPECT_EQ(selected, c.listed.isEmpty() ? -1 : 0);
        if (!listed.isEmpty()) {
            EXPECT_EQ(paths.first(), folder + QLatin1Char('/') + c.listed.first());
        }
        EXPECT_EQ(controller->isAddressFileAvailable(), c.available) << c.home;
    }
}

// Many random runs of the dialog's operations never give more than 30 destinations, a list out
// of its arrangement, or a duplicate that was let in without the question.
TEST_F(FaxDialogTest, RandomOperationSequencesKeepTheListsRules) {
    pf::ScriptedModalDriver driver;
    df::DestinationList* list = controller->addressArrayController();
    std::mt19937 random(20261209);
    const QStringList names = {"", "ann", "Ann", "ANN", "bob", "Bob", "zed"};
    const QStringList numbers = {"1", "12", "2", "#*"};
    const auto pick = [&](const QStringList& from) { return from[random() % from.size()]; };
    const auto sorts = df::DestinationList::destinationSortDescriptors();
    const auto keysOf = [](const df::AddressInformation& item) {
        return [&item](const QString& key) { return item.valueForKey(key).toString(); };
    };

    for (int sequence = 0; sequence < 10000; ++sequence) {
        list->removeAllObjects();
        // Start from up to 30 destinations so that the limit is reached often.
        const int start = random() % 31;
        for (int i = 0; i < start; ++i)
            list->addObject({QStringLiteral("filler %1").arg(i), QStringLiteral("0")});
        for (int step = 0; step < 8; ++step) {
            const size_t alertsBefore = driver.alerts().size();
            const int countBefore = list->count();
            QString name = pick(names), number = pick(numbers);
            const bool wasThere = list->indexOfAddress(name, number) >= 0;
            const pf::NSModalResponse answer =
                random() % 2 ? pf::NSAlertFirstButtonReturn : pf::NSAlertSecondButtonReturn;
            driver.unscriptedAlertAnswer = answer;
            switch (random() % 4) {
            case 0:
            case 1:
                addTyped(name, number);
                if (list->count() > countBefore && wasThere) {
                    ASSERT_EQ(driver.alerts().size(), alertsBefore + 1);
                    ASSERT_EQ(driver.alerts().back().messageText, QStringLiteral("Duplicated Address Found"));
                    ASSERT_EQ(answer, pf::NSAlertFirstButtonReturn);
                }
                break;
            case 2:
                list->setSelectionIndexes({static_cast<int>(random() % 31), static_cast<int>(random() % 31)});
                controller->deleteAddressInfo();
                break;
            default:
                list->setSelectionIndex(random() % 31);
                controller->editAddressInfo();
                break;
            }
            ASSERT_LE(list->count(), df::kMaxDestinationCount);
            const auto& items = list->arrangedObjects();
            for (int i = 1; i < items.size(); ++i)
                ASSERT_FALSE(
                    df::DestinationList::arrangedBefore(sorts, keysOf(items[i]), keysOf(items[i - 1])))
                    << sequence << ": " << i;
        }
    }
}

// Renders the dialog into DIRECTFAX_SCREENSHOT (a PNG path) for the documentation.
TEST_F(FaxDialogTest, Screenshot) {
    const QString path = qEnvironmentVariable("DIRECTFAX_SCREENSHOT");
    if (path.isEmpty())
        GTEST_SKIP() << "set DIRECTFAX_SCREENSHOT to a PNG path";
    pf::ScriptedModalDriver driver;
    bool saved = false;
    driver.queueModalStep([&](QWidget* window) {
        addTyped(QStringLiteral("Velmora Sales"), QStringLiteral("0301234567"));
        addTyped(QStringLiteral("Head Office"), QStringLiteral("0409876543"));
        addTyped(QStringLiteral("Ann Example"), QStringLiteral("0891112223"));
        controller->setAddressName(QStringLiteral("Bob Example"));
        controller->setAddressPhoneNumber(QStringLiteral("030-5550100"));
        controller->addressArrayController()->setSelectionIndex(1);
        window->resize(window->sizeHint().expandedTo(QSize(560, 520)));
        saved = window->grab().save(path);
        button(window, "stopButton")->click();
    });
    controller->createDialog();
    EXPECT_TRUE(saved) << path.toStdString();
}

} // namespace
} // namespace faxjob_test

namespace faxjob_test {
namespace {

TEST_F(FaxDialogTest, HelpShowsTheFaxTransmissionPageOfTheBook) {
    const auto ppd = openFixturePpd(QStringLiteral("fax_no_index.ppd"));
    controller->setPPD(ppd.get());
    QList<QUrl> shown;
    pf::HelpViewer::setUrlHandler([&](const QUrl& url) {
        shown.append(url);
        return true;
    });
    pf::SystemInfo::setKernelReleaseSource([] { return std::optional<QString>(QStringLiteral("22.1.0")); });
    df::resetOSMinorVersionForTesting();
    button(controller->faxSettingPanel(), "helpButton")->click();
    pf::HelpViewer::setUrlHandler({});
    pf::SystemInfo::setKernelReleaseSource({});
    df::resetOSMinorVersionForTesting();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(
        shown[0].path().endsWith(QStringLiteral("/VelmoraDirectFaxHelp/set_check_fax_transmission.htm")))
        << shown[0].toString().toStdString();
}

TEST_F(FaxDialogTest, TheAddressBookButtonOpensTheAddressBookOnTheSharedList) {
    pf::ScriptedModalDriver driver;
    addTyped(QStringLiteral("Ann"), QStringLiteral("123"));
    df::AddressBookController* addressBook = controller->addressBookController();
    ASSERT_NE(addressBook, nullptr);
    EXPECT_EQ(addressBook->addressArrayController(), controller->addressArrayController());
    EXPECT_EQ(addressBook->addressFileList(), controller->addressFileList());
    driver.queueModalStep([](QWidget* window) {
        QPushButton* lookUp = button(window, "lookUpAddressBookButton");
        EXPECT_TRUE(lookUp->isEnabled());
        lookUp->click();
        button(window, "startButton")->click();
    });
    driver.queueModalStep([addressBook](QWidget*) {
        EXPECT_EQ(addressBook->view()->selectedTabIndex(), 0);
        addressBook->addressArrayController()->removeAllObjects();
        addressBook->cancelAddressSetting();
    });
    controller->createDialog();
    EXPECT_EQ(driver.modalRuns(), QStringList({"Fax Transmission", "Address Book"}));
    EXPECT_EQ(destinations(), QStringList({"Ann/123"})); // cancelled: the list as before
    EXPECT_TRUE(controller->isSending());
}

} // namespace
} // namespace faxjob_test

namespace faxjob_test {
namespace {

// The entries of an address-book file as "name/number", sorted.
QStringList fileEntries(const QString& path) {
    const abiftest::Contents contents = abiftest::readFile(path.toStdString());
    EXPECT_EQ(contents.result, 0) << path.toStdString();
    QStringList entries;
    for (const ABIF_MyFax& entry : contents.entries)
        entries.append(
            QString::fromStdU16String(abiftest::text(entry.bytes, ABIF_MYFAX_NAME, ABIF_MYFAX_NAME_SIZE)) +
            QLatin1Char('/') +
            QString::fromStdU16String(abiftest::text(entry.bytes, ABIF_MYFAX_PHONE, ABIF_MYFAX_PHONE_SIZE)));
    entries.sort();
    return entries;
}

TEST_F(FaxDialogTest, AddingToTheAddressBookFileStoresTheSelectionAllOrNothing) {
    const QString folder = QFile::decodeName(AbifGADFile_GetFileDirectory());
    const QString path = folder + QStringLiteral("/book");
    ASSERT_EQ(AbifGADFile_Create(QFile::encodeName(path).constData(), kAbifFileComputer), 0);
    ASSERT_EQ(abiftest::addEntries(path.toStdString(), {{u"Ann", u"123"}}), 0);
    const QString name32(32, QLatin1Char('N')), name33(33, QLatin1Char('N'));
    const QString number50(50, QLatin1Char('9')), number51(51, QLatin1Char('9'));
    const struct {
        QStringList selected; // "name/number", all selected
        bool fileSelected;
        const char* message;
        QStringList stored; // the file's entries afterwards
    } cases[] = {
        {{"Bob/5"}, false, "Cannot add to the file.", {"Ann/123"}},
        {{"Bob/5", "/6"}, true, "No name specified.", {"Ann/123"}},
        {{"Bob/5", name33 + "/7"}, true, "Cannot add to the file.", {"Ann/123"}},
        {{"Bob/5", "Cy/" + number51}, true, "Cannot add to the file.", {"Ann/123"}},
        {{"Bob/5", "Ann/123"}, true, "Address already exists.", {"Ann/123"}},
        {{"Bob/5", "Bob/5"}, true, "Added to Address Book.", {"Ann/123", "Bob/5"}},
        {{name32 + "/" + number50},
         true,
         "Added to Address Book.",
         {"Ann/123", "Bob/5", name32 + "/" + number50}},
    };
    df::DestinationList* list = controller->addressArrayController();
    df::AddressFileList* files = controller->addressFileList();
    controller->setIsAddressFileAvailable(true);
    QPushButton* add = button(controller->faxSettingPanel(), "addToAddressBookButton");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        list->removeAllObjects();
        QList<int> all;
        for (const QString& destination : c.selected) {
            const QStringList parts = destination.split(QLatin1Char('/'));
            list->addObject({parts[0], parts[1]});
            all.append(int(all.size()));
        }
        list->setSelectionIndexes(all);
        files->removeAllObjects();
        files->addObject({QStringLiteral("book"), path});
        files->setSelectionIndex(c.fileSelected ? 0 : -1);
        const QStringList before = destinations();

        pf::ScriptedModalDriver driver;
        ASSERT_TRUE(add->isEnabled());
        add->click();
        ASSERT_EQ(driver.alerts().size(), 1u);
        EXPECT_EQ(driver.alerts()[0].messageText, QString::fromUtf8(c.message));
        EXPECT_EQ(driver.alerts()[0].buttons, QStringList({"OK"}));
        // Only the success is no warning.
        EXPECT_EQ(driver.alerts()[0].style, std::string(c.message) == "Added to Address Book."
                                                ? pf::NSAlertStyleInformational
                                                : pf::NSAlertStyleWarning);
        EXPECT_EQ(fileEntries(path), c.stored);
        // The lists and their selections stay as they were.
        EXPECT_EQ(destinations(), before);
        EXPECT_EQ(list->selectionIndexes().size(), c.selected.size());
        EXPECT_EQ(std::pair(files->count(), files->selectionIndex()), std::pair(1, c.fileSelected ? 0 : -1));
        EXPECT_TRUE(controller->isAddressFileAvailable());
    }
    list->setSelectionIndexes({});
    EXPECT_FALSE(add->isEnabled());
}

// Every table of names and fax numbers (the job dialog's, the address book dialog's two tabs and
// destination list, the group sheet's members) gives the names the room, one line a row.
TEST_F(FaxDialogTest, EveryTableGivesTheNamesTheRoomOnOneLineARow) {
    controller->addressArrayController()->addObject({QStringLiteral("Zoe Zimmerman"), QStringLiteral("1")});
    QList<QTableView*> tables;
    for (const auto& object : objects)
        if (auto* window = qobject_cast<QWidget*>(object.get()))
            tables += window->findChildren<QTableView*>();
    ASSERT_EQ(tables.size(), 5);
    for (QTableView* table : tables) {
        SCOPED_TRACE(table->objectName().toStdString());
        QHeaderView* columns = table->horizontalHeader();
        QHeaderView* rows = table->verticalHeader();
        EXPECT_EQ(std::tuple(columns->sectionResizeMode(0), columns->sectionResizeMode(1),
                             columns->stretchLastSection(), table->wordWrap(), table->textElideMode()),
                  std::tuple(QHeaderView::Stretch, QHeaderView::Interactive, false, false, Qt::ElideRight));
        EXPECT_LT(rows->defaultSectionSize(), 2 * table->fontMetrics().lineSpacing());
        EXPECT_TRUE(rows->count() == 0 || rows->sectionResizeMode(0) == QHeaderView::Fixed);
        // Shown at the window's size (the device tab stays behind), the name column is the wide one.
        table->window()->show();
        EXPECT_TRUE(!table->isVisible() || columns->sectionSize(0) > columns->sectionSize(1));
        table->window()->hide();
    }
}

TEST(AddressBookStartFolder, IsTheFirstFourAndTheLastThreeComponents) {
    const struct {
        const char* folder;
        std::optional<QString> start;
    } cases[] = {
        {"/Users/name/Library/Containers/id/Data/Library/x/y/z", "/Users/name/Library/x/y/z"},
        {"/a/b/c/d/e/f", "/a/b/c/d/e/f"}, // seven components: the same folder
        {"/a//b/c/d/e/f/g/", "/a/b/c/e/f/g"},
        {"/a/b/c/d/e", std::nullopt}, // six components
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(df::addressBookStartFolder(QString::fromUtf8(c.folder)), c.start) << c.folder;
}

// Looking up an address book from the dialog: which tab opens, and when a sandboxed dialog first
// asks for address-book files.
TEST_F(FaxDialogTest, LookingUpAskForFilesOnlyInASandboxWithoutFiles) {
    QTemporaryDir base(QStringLiteral("/tmp/df-XXXXXX")); // six components to the address-book folder
    ASSERT_TRUE(base.isValid());
    const QString containerHome = base.path() + QStringLiteral("/Library/Containers/id/Data");
    const QString one = base.path() + QStringLiteral("/one"), two = base.path() + QStringLiteral("/two");
    for (const QString& file : {one, two})
        ASSERT_EQ(AbifGADFile_Create(QFile::encodeName(file).constData(), kAbifFileComputer), 0);
    const char* sandbox = "/Users/tester/Library/Containers/id/Data";
    const struct {
        const char* home;
        QString dataHome;
        const char* lookUp;
        std::optional<std::optional<QStringList>> panel; // none: no panel; else its answer
        int opened;                                      // tab shown; -1: the dialog stays closed
        QStringList listed;
    } cases[] = {
        {"/home/tester", containerHome, "lookUpAddressBookButton", std::nullopt, 0, {}},
        {sandbox, base.path(), "lookUpAddressBookButton", std::nullopt, 0, {}},
        {sandbox, containerHome, "lookUpAddressBookButton", std::optional<QStringList>(), -1, {}},
        {sandbox, containerHome, "lookUpAddressBookButton", QStringList({one, two}), 0, {"one", "two"}},
        {sandbox, containerHome, "lookUpDeviceDataButton", std::nullopt, 1, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.home) + " " + c.lookUp + " " + c.dataHome.toStdString());
        qputenv("XDG_DATA_HOME", c.dataHome.toUtf8());
        setHome(QString::fromUtf8(c.home));
        pf::ScriptedModalDriver driver;
        if (c.panel && *c.panel)
            driver.queueOpenPanelAnswer(**c.panel);
        else if (c.panel)
            driver.queueOpenPanelCancel();
        int clicks = c.opened >= 0 ? 2 : 1; // once the files are listed, no second panel
        driver.queueModalStep([&](QWidget* window) {
            for (int i = 0; i < clicks; ++i)
                button(window, c.lookUp)->click();
            button(window, "stopButton")->click();
        });
        QList<int> tabs;
        for (int i = 0; c.opened >= 0 && i < clicks; ++i)
            driver.queueModalStep([&](QWidget*) {
                tabs.append(controller->addressBookController()->view()->selectedTabIndex());
                controller->addressBookController()->cancelAddressSetting();
            });
        controller->createDialog();

        QStringList listed;
        for (const df::AddressFile& file : controller->addressFileList()->arrangedObjects()) {
            listed.append(file.name);
            EXPECT_EQ(file.path, base.path() + QLatin1Char('/') + file.name);
        }
        EXPECT_EQ(listed, c.listed);
        EXPECT_EQ(controller->addressFileList()->selectionIndex(), c.listed.isEmpty() ? -1 : 0);
        EXPECT_EQ(driver.openPanels().size(), c.panel ? 1u : 0u);
        if (c.panel) {
            const pf::OpenPanelRequest& asked = driver.openPanels()[0];
            EXPECT_TRUE(asked.canChooseFiles && asked.allowsMultipleSelection);
            EXPECT_FALSE(asked.canChooseDirectories);
            EXPECT_EQ(asked.directory,
                      base.path() + QStringLiteral("/Library/velmora/directfax/addressbooks"));
        }
        EXPECT_EQ(tabs, c.opened >= 0 ? QList<int>({c.opened, c.opened}) : QList<int>());
        EXPECT_EQ(driver.pendingModalSteps(), 0);
        EXPECT_EQ(driver.unscriptedModalRuns(), 0);
    }
}

} // namespace
} // namespace faxjob_test
