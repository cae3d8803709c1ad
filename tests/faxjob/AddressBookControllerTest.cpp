// The address book dialog on real address-book files: adding entries and expanded groups under
// the destination limit and the duplicate question, cancel and save, loading the tabs, the
// search by name, group expansion and the enabling of the controls; the device tab against the
// device emulator on loopback.
#include "AbifTestSupport.h"
#include "EmulatorProcess.h"
#include "FrameTestSupport.h"
#include "HostileServer.h"

#include <AddressBookController.h>
#include <AddressBookView.h>

#include <ModalRun.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>

#include <signal.h>

#include <chrono>

namespace faxjob_test {
namespace {

using namespace frame_test;

QStringList capturedWarnings;
void captureWarning(QtMsgType, const QMessageLogContext&, const QString& message) {
    // The offscreen platform's own notes are not ours.
    if (!message.startsWith(QLatin1String("This plugin does not support")))
        capturedWarnings << message;
}

// Collects the log lines written while it lives.
struct WarningCapture {
    WarningCapture() {
        capturedWarnings.clear();
        previous = qInstallMessageHandler(captureWarning);
    }
    ~WarningCapture() { qInstallMessageHandler(previous); }
    QtMessageHandler previous;
};

class AddressBookDialogTest : public WidgetTest {
protected:
    void SetUp() override {
        WidgetTest::SetUp();
        bundle = directFaxBundle();
        ASSERT_TRUE(bundle);
        QString error;
        controller =
            df::AddressBookController::loadInterfaceFile(*bundle, &destinations, &files, objects, &error);
        ASSERT_NE(controller, nullptr) << error.toStdString();
        controller->setBundle(bundle);
        destinations.setSortDescriptors(df::DestinationList::destinationSortDescriptors());
    }
    void TearDown() override {
        objects.clear();
        WidgetTest::TearDown();
    }

    // A computer address-book file with these entries (Ids 1, 2, ... in order) and groups,
    // selected in the file list.
    void useBook(const std::vector<abiftest::Entry>& entries,
                 const std::vector<ABIF_MyFaxGroup>& groups = {}) {
        const std::string path = dir.file("book" + std::to_string(files.count()));
        ASSERT_EQ(AbifGADFile_Create(path.c_str(), kAbifFileComputer), 0);
        ASSERT_EQ(abiftest::addEntries(path, entries, groups), 0);
        files.addObject({QStringLiteral("book"), QString::fromStdString(path)});
        files.setSelectionIndex(files.count() - 1);
    }
    // Opens the dialog on `tab`, runs `step` inside it and closes it with the button `close`.
    void runDialog(int tab, const std::function<void()>& step, const char* close = "saveButton") {
        driver.queueModalStep([step, close](QWidget* window) {
            step();
            window->findChild<QPushButton*>(QLatin1String(close))->click();
        });
        controller->createDialogWithTabSelection(tab);
        EXPECT_EQ(driver.pendingModalSteps(), 0);
    }
    // Selects the rows of tab 0 with these names.
    void selectPC(const QStringList& names) {
        QList<int> rows;
        const auto& entries = controller->pcAddressList()->arrangedObjects();
        for (int i = 0; i < entries.size(); ++i)
            if (names.contains(entries[i].name))
                rows.append(i);
        controller->pcAddressList()->setSelectionIndexes(rows);
    }
    QStringList pcNames() const {
        QStringList names;
        for (const df::AddressBookEntry& entry : controller->pcAddressList()->arrangedObjects())
            names.append(entry.name);
        return names;
    }
    QStringList destinationList() const {
        QStringList result;
        for (const df::AddressInformation& item : destinations.arrangedObjects())
            result.append(item.name() + QLatin1Char('/') + item.phoneNumber());
        return result;
    }
    void fillDestinations(int count) {
        for (int i = 0; i < count; ++i)
            destinations.addObject(
                df::AddressInformation(QStringLiteral("D%1").arg(i), QStringLiteral("9%1").arg(i)));
    }

    abiftest::TempDir dir;
    pf::ScriptedModalDriver driver;
    std::shared_ptr<pf::Bundle> bundle;
    df::DestinationList destinations;
    df::AddressFileList files;
    std::vector<std::unique_ptr<QObject>> objects;
    df::AddressBookController* controller = nullptr;
};

const std::vector<abiftest::Entry> kPeople = {{u"Ann", u"111", u"Acme", u"first", 1},
                                              {u"Bob", u"222", {}, {}, 2},
                                              {u"Cid", u"333", {}, {}, 3},
                                              {u"Joanna", u"444", {}, {}, 4},
                                              {u"ANNE", u"555", {}, {}, 5}};

TEST_F(AddressBookDialogTest, ListsTheBookArrangedWithItsTextsAndGroups) {
    useBook(kPeople, {abiftest::myFaxGroup(u"Team", {1, 2})});
    runDialog(0, [] {});
    ASSERT_EQ(pcNames(), QStringList({"Team", "Joanna", "Cid", "Bob", "ANNE", "Ann"}));
    const auto& entries = controller->pcAddressList()->arrangedObjects();
    EXPECT_TRUE(entries[0].isGroup());
    EXPECT_FALSE(entries[0].id.has_value());
    EXPECT_EQ(entries[0].userIDList, QList<quint16>({1, 2}));
    EXPECT_EQ(entries[5].company, QStringLiteral("Acme"));
    EXPECT_EQ(entries[5].note, QStringLiteral("first"));
    EXPECT_EQ(entries[5].id, quint16(1));
    // Empty company and note read as "", not as absent.
    EXPECT_FALSE(entries[3].company.isNull());
    EXPECT_TRUE(entries[3].company.isEmpty() && entries[3].note.isEmpty() && !entries[3].note.isNull());
}

TEST_F(AddressBookDialogTest, TheLimitCountsTheExpandedGroupBeforeDuplicates) {
    useBook(kPeople, {abiftest::myFaxGroup(u"Team", {1, 2, 3})});
    fillDestinations(28);
    runDialog(0, [this] {
        selectPC({"Team"});
        controller->addSelectedPCAddressData();
        ASSERT_EQ(driver.alerts().size(), 1u);
        EXPECT_EQ(driver.alerts()[0].messageText, QStringLiteral("No More Destination"));
        EXPECT_EQ(driver.alerts()[0].buttons, QStringList({"OK"}));
        EXPECT_EQ(destinations.count(), 28);
        selectPC({"Ann", "Bob"});
        controller->addSelectedPCAddressData();
        EXPECT_EQ(destinations.count(), 30);
        // Two duplicates still count: nothing is asked, nothing added.
        controller->addSelectedPCAddressData();
        EXPECT_EQ(driver.alerts().size(), 2u);
        EXPECT_EQ(driver.alerts()[1].messageText, QStringLiteral("No More Destination"));
    });
    EXPECT_EQ(destinations.count(), 30);
}

TEST_F(AddressBookDialogTest, TheDuplicateQuestionIsAskedOncePerAdd) {
    useBook(kPeople, {abiftest::myFaxGroup(u"Team", {1, 2, 3})});
    const struct {
        pf::NSModalResponse answer;
        QStringList after;
    } cases[] = {
        {pf::NSAlertFirstButtonReturn, {"Cid/333", "Bob/222", "Bob/222", "Ann/111", "Ann/111"}},
        {pf::NSAlertSecondButtonReturn, {"Cid/333", "Bob/222", "Ann/111"}},
    };
    for (const auto& c : cases) {
        destinations.removeAllObjects();
        destinations.addObject(df::AddressInformation(QStringLiteral("Bob"), QStringLiteral("222")));
        pf::ScriptedModalDriver local;
        local.queueAlertAnswer(c.answer);
        local.queueModalStep([this](QWidget* window) {
            // Ann is selected and in the group; Bob is in the list already: two duplicates.
            selectPC({"Ann", "Team"});
            controller->addSelectedPCAddressData();
            window->findChild<QPushButton*>(QStringLiteral("saveButton"))->click();
        });
        controller->createDialogWithTabSelection(0);
        EXPECT_EQ(destinationList(), c.after) << c.answer;
        ASSERT_EQ(local.alerts().size(), 1u);
        EXPECT_EQ(local.alerts()[0].messageText, QStringLiteral("Duplicated Address Found"));
        EXPECT_EQ(local.alerts()[0].informativeText, QStringLiteral("Add the same address to destinations?"));
        EXPECT_EQ(local.alerts()[0].buttons, QStringList({"OK", "Cancel"}));
    }
}

TEST_F(AddressBookDialogTest, CancelEscapeAndClosingRestoreTheListExactlyAndSaveKeepsIt) {
    useBook(kPeople);
    for (const char* name : {"Zed", "Zed", "amy"})
        destinations.addObject(df::AddressInformation(QString::fromLatin1(name), QStringLiteral("1")));
    const QStringList before = destinationList();
    const auto edit = [this] {
        selectPC({"Cid", "Bob"});
        controller->addSelectedPCAddressData();
        destinations.setSelectionIndexes({0, 1});
        EXPECT_TRUE(controller->canRemoveDestinationAddress);
        controller->deleteAddressInfo();
    };
    runDialog(0, edit, "cancelButton");
    EXPECT_EQ(destinationList(), before);
    // Escape and the window's close button cancel too.
    using Close = std::function<void(QWidget*)>;
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    for (const Close& close :
         {Close([&escape](QWidget* window) { QCoreApplication::sendEvent(window, &escape); }),
          Close(&QWidget::close)}) {
        driver.queueModalStep([&](QWidget* window) {
            edit();
            close(window);
        });
        controller->createDialogWithTabSelection(0);
        EXPECT_EQ(destinationList(), before);
    }
    runDialog(0, edit, "saveButton");
    EXPECT_EQ(destinationList(), QStringList({"Cid/333", "Bob/222", "amy/1"}));
    EXPECT_TRUE(driver.alerts().empty());
}

TEST_F(AddressBookDialogTest, EachOpeningLoadsTheChosenTabOnce) {
    // Without a file, each load of tab 0 says so, and without a printer address each load of
    // tab 1: the alerts count the loads.
    runDialog(0, [] {});
    EXPECT_EQ(driver.alerts().size(), 1u);
    runDialog(1, [] {});
    ASSERT_EQ(driver.alerts().size(), 2u);
    EXPECT_EQ(driver.alerts()[1].messageText, QStringLiteral("Device Access Failure"));
    runDialog(0, [] {});
    ASSERT_EQ(driver.alerts().size(), 3u);
    EXPECT_EQ(driver.alerts()[2].messageText, QStringLiteral("Address Book file is none"));
    EXPECT_EQ(driver.alerts()[2].buttons, QStringList({"OK"}));
}

TEST_F(AddressBookDialogTest, SearchFiltersByNameAndSwitchingTabsReloadsAndClearsIt) {
    useBook(kPeople, {abiftest::myFaxGroup(u"Bobs and Anns", {1, 2})});
    runDialog(0, [this] {
        auto* field = controller->view()->findChild<QLineEdit*>(QStringLiteral("pcAddressSearchField"));
        field->setText(QStringLiteral("ann"));
        EXPECT_EQ(pcNames(), QStringList({"Joanna", "Bobs and Anns", "ANNE", "Ann"}));
        // The group is listed, but Bob (a member) is hidden: only Ann is found.
        selectPC({"Bobs and Anns"});
        {
            WarningCapture capture;
            controller->addSelectedPCAddressData();
            EXPECT_EQ(capturedWarnings,
                      QStringList({"Error. Some addresses not found in the address book."}));
        }
        EXPECT_EQ(destinationList(), QStringList({"Ann/111"}));
        controller->view()->selectTab(1);
        controller->view()->selectTab(0);
        EXPECT_EQ(field->text(), QString());
        EXPECT_EQ(controller->pcAddressSearchField(), QStringLiteral(""));
        EXPECT_EQ(pcNames().size(), 6);
        // With no book chosen, nothing of the one before is left for the search to find.
        files.setSelectionIndex(-1);
        controller->initPCAdressBookTab();
        field->setText(QStringLiteral("ann"));
        EXPECT_EQ(pcNames(), QStringList());
    });
}

TEST_F(AddressBookDialogTest, GroupMembersComeInListOrderEachOnce) {
    useBook(kPeople);
    runDialog(0, [this] {
        const auto group = df::AddressBookEntry::group(QStringLiteral("G"), {3, 1, 3, 77});
        WarningCapture capture;
        const QList<df::AddressBookEntry> members =
            controller->getAddressListFrom(group, controller->pcAddressList());
        QStringList names;
        for (const auto& member : members)
            names.append(member.name);
        EXPECT_EQ(names, QStringList({"Cid", "Ann"}));
        EXPECT_EQ(capturedWarnings.size(), 1);
        // An empty group adds nothing and brings no alert.
        capturedWarnings.clear();
        EXPECT_TRUE(
            controller->getAddressListFrom(df::AddressBookEntry::group("E", {}), controller->pcAddressList())
                .isEmpty());
        EXPECT_TRUE(capturedWarnings.isEmpty());
    });
}

TEST_F(AddressBookDialogTest, ADeviceBookWithLargeGroupsIsListed) {
    const std::string path = dir.file("device-book");
    ASSERT_EQ(AbifGADFile_Create(path.c_str(), kAbifFileDevice), 0);
    std::vector<abiftest::Entry> entries;
    std::vector<uint16_t> ids;
    for (int i = 1; i <= 40; ++i) {
        entries.push_back({u"P" + std::u16string(QString::number(i).toStdU16String()),
                           u"5" + QString::number(i).toStdU16String(),
                           {},
                           {},
                           uint16_t(i)});
        ids.push_back(uint16_t(i));
    }
    std::vector<ABIF_MyFax> records;
    for (const auto& e : entries)
        records.push_back(abiftest::myFax(e));
    const ABIF_FaxGroup group = abiftest::faxGroup(u"Everybody", ids);
    abiftest::Data data = abiftest::newData();
    ASSERT_EQ(ABIFData_Add_MyFax(data.get(), int32_t(records.size()), records.data()), 0);
    ASSERT_EQ(ABIFData_Add_FaxGroup(data.get(), 1, &group), 0);
    ASSERT_EQ(AbifGADFile_Add(path.c_str(), data.get(), 0), 0);
    files.addObject({QStringLiteral("device-book"), QString::fromStdString(path)});
    files.setSelectionIndex(0);
    runDialog(0, [this] {
        EXPECT_EQ(controller->pcAddressList()->count(), 41);
        selectPC({"Everybody"});
        const auto selected = controller->pcAddressList()->selectedObjects();
        ASSERT_EQ(selected.size(), 1);
        EXPECT_EQ(controller->getAddressListFrom(selected[0], controller->pcAddressList()).size(), 40);
    });
}

TEST_F(AddressBookDialogTest, EnablingFollowsTheSelectionsAndDoubleClicksOnNoRowAddNothing) {
    useBook(kPeople);
    runDialog(0, [this] {
        auto* add = controller->view()->findChild<QPushButton*>(QStringLiteral("addPcAddressButton"));
        EXPECT_FALSE(add->isEnabled());
        selectPC({"Ann"});
        EXPECT_TRUE(controller->canAddPCAddressData && controller->canShowPCAddressProperty);
        EXPECT_TRUE(add->isEnabled());
        selectPC({"Ann", "Bob"});
        EXPECT_TRUE(controller->canAddPCAddressData);
        EXPECT_FALSE(controller->canShowPCAddressProperty);
        EXPECT_FALSE(controller->canAddDeviceAddressData || controller->canRemoveDestinationAddress);

        auto* table = controller->view()->findChild<QTableView*>(QStringLiteral("pcAddressTableView"));
        table->resize(400, 400);
        const auto doubleClick = [table](QPoint at) {
            QMouseEvent event(QEvent::MouseButtonDblClick, at, table->viewport()->mapToGlobal(at),
                              Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(table->viewport(), &event);
        };
        doubleClick(QPoint(5, table->viewport()->height() - 2)); // below the last row
        EXPECT_EQ(destinations.count(), 0);
        doubleClick(table->visualRect(table->model()->index(0, 0)).center());
        EXPECT_EQ(destinationList(), QStringList({"Bob/222", "Ann/111"}));
    });
}

TEST_F(AddressBookDialogTest, PropertySheetsShowTheEntryAndTheMembersTheTabShows) {
    useBook(kPeople, {abiftest::myFaxGroup(u"Anns and Bob", {2, 1, 5})});
    runDialog(0, [this] {
        selectPC({"Ann"});
        driver.queueModalStep([](QWidget* sheet) {
            EXPECT_EQ(sheet->findChild<QLineEdit*>(QStringLiteral("userCompanyField"))->text(),
                      QStringLiteral("Acme"));
            sheet->findChild<QPushButton*>(QStringLiteral("closeUserPropertyButton"))->click();
        });
        controller->showPCAddressProperty();
        EXPECT_EQ(
            controller->userPropertyDictionary(),
            QVariantMap({{"name", "Ann"}, {"phoneNumber", "111"}, {"company", "Acme"}, {"note", "first"}}));

        // The search hides Bob: the sheet lists the members shown, and says some are missing.
        controller->view()->findChild<QLineEdit*>(QStringLiteral("pcAddressSearchField"))->setText("ann");
        selectPC({"Anns and Bob"});
        driver.queueModalStep([this](QWidget*) { controller->closeGroupProperty(); });
        WarningCapture capture;
        controller->showPCAddressProperty();
        EXPECT_EQ(capturedWarnings, QStringList({"Error. Some addresses not found in the address book."}));
        EXPECT_EQ(controller->groupPropertyDictionary().value("name"), QStringLiteral("Anns and Bob"));
        QStringList members;
        for (const auto& row : controller->groupMemberList().arrangedObjects())
            members.append(row.name + QLatin1Char('/') + row.phoneNumber);
        EXPECT_EQ(members, QStringList({"ANNE/555", "Ann/111"}));
    });
    EXPECT_EQ(driver.modalRuns().size(), 3);
    // An entry without company and note (the device's) shows them as "".
    df::AddressBookEntry device;
    device.name = QStringLiteral("Dev");
    controller->setUserPropertyInfo(device);
    EXPECT_EQ(controller->userPropertyDictionary().value("company"), QStringLiteral(""));
    EXPECT_TRUE(controller->userPropertyDictionary().value("note").isValid());
}

// ---- The device tab ----

namespace dt = com::velmora::cps::print::pde::tarncrest::directfax::testing;
using Clock = std::chrono::steady_clock;

const QString kReading = QStringLiteral("Reading the printer's address book…");

class DeviceTabTest : public AddressBookDialogTest {
protected:
    void TearDown() override {
        if (emulator.pid() > 0)
            kill(emulator.pid(), SIGCONT);
        emulator.stop();
        unsetenv("ABIF_DEVICE_PORT");
        unsetenv("ABIF_USB_PORT");
        AddressBookDialogTest::TearDown();
    }
    // Starts the emulator with a book of two entries and a group; `portVariable` leads the
    // library to it, the other one to a port where nothing listens.
    void startDevice(const std::string& password, const char* portVariable = "ABIF_DEVICE_PORT") {
        emulator.stop();
        const std::string book = dir.file("device.json");
        dt::writeJsonBook(book, {{{1, "Anna", "111"}, {2, "Bob", "222"}}, {{"Team", {1, 2}}}});
        std::string error;
        ASSERT_TRUE(emulator.start({"--book", book, "--port", "0", "--password", password},
                                   dir.file("emulator.log"), error))
            << error;
        setenv("ABIF_DEVICE_PORT", std::to_string(dt::unusedLoopbackPort()).c_str(), 1);
        setenv("ABIF_USB_PORT", std::to_string(dt::unusedLoopbackPort()).c_str(), 1);
        setenv(portVariable, std::to_string(emulator.port()).c_str(), 1);
    }
    void openDeviceTab(
        const std::optional<QString>& address, const std::optional<QString>& password,
        const std::function<void()>& step = [] {}) {
        controller->setIPAddress(address);
        controller->setPassword(password);
        runDialog(1, step);
    }
    QStringList deviceRows() const {
        QStringList rows;
        for (const df::AddressBookEntry& entry : controller->deviceAddressList()->arrangedObjects())
            rows.append(entry.name + QLatin1Char('/') + entry.phoneNumber);
        return rows;
    }
    static QStringList alertTexts(const pf::ScriptedModalDriver& from) {
        QStringList texts;
        for (const pf::AlertRequest& alert : from.alerts())
            texts.append(alert.messageText + QLatin1Char('/') + alert.informativeText);
        return texts;
    }

    dt::EmulatorProcess emulator;
};

const QStringList kDeviceRows = {"Team/Group", "Bob/222", "Anna/111"};

TEST_F(DeviceTabTest, ListsTheDeviceOverTheNetworkAndOverUsb) {
    for (const auto& [address, portVariable] :
         {std::pair{"127.0.0.1", "ABIF_DEVICE_PORT"}, std::pair{"", "ABIF_USB_PORT"}}) {
        SCOPED_TRACE(portVariable);
        ASSERT_NO_FATAL_FAILURE(startDevice("7319", portVariable));
        openDeviceTab(QString::fromLatin1(address), QStringLiteral("7319"), [this] {
            ASSERT_EQ(deviceRows(), kDeviceRows);
            const auto& entries = controller->deviceAddressList()->arrangedObjects();
            EXPECT_EQ(entries[0].userIDList, QList<quint16>({1, 2}));
            EXPECT_EQ(entries[2].id, quint16(1));
            // The entry sheet of a device entry shows "" for company and note.
            controller->deviceAddressList()->setSelectionIndexes({2});
            driver.queueModalStep([this](QWidget*) { controller->closeUserProperty(); });
            controller->showDevicePCAddressProperty();
            EXPECT_EQ(controller->userPropertyDictionary(),
                      QVariantMap({{"name", "Anna"}, {"phoneNumber", "111"}, {"company", ""}, {"note", ""}}));
        });
    }
    EXPECT_EQ(alertTexts(driver), QStringList());
}

TEST_F(DeviceTabTest, EachLoadAsksTheDeviceAgainAndClearsTheSearch) {
    ASSERT_NO_FATAL_FAILURE(startDevice("7319"));
    openDeviceTab(QStringLiteral("127.0.0.1"), QStringLiteral("7319"), [this] {
        auto* field = controller->view()->findChild<QLineEdit*>(QStringLiteral("deviceAddressSearchField"));
        field->setText(QStringLiteral("an"));
        EXPECT_EQ(deviceRows(), QStringList({"Anna/111"}));
        emulator.stop();
        controller->initDeviceAddressTab();
        EXPECT_EQ(field->text(), QString());
        EXPECT_EQ(controller->deviceAddressSearchField(), QStringLiteral(""));
        EXPECT_TRUE(deviceRows().isEmpty());
        // Nothing of the earlier reading comes back through the search.
        field->setText(QStringLiteral("a"));
        EXPECT_TRUE(deviceRows().isEmpty());
    });
    EXPECT_EQ(alertTexts(driver), QStringList({"Device Access Failure/Failed to retrieve data"}));
    EXPECT_EQ(driver.alerts()[0].buttons, QStringList({"OK"}));
}

TEST_F(DeviceTabTest, PasswordAndAddressDecideTheOutcome) {
    const QString invalid = QStringLiteral("Device Access Failure/Invalid Password");
    const QString failed = QStringLiteral("Device Access Failure/Failed to retrieve data");
    const struct {
        const char* device;
        std::optional<QString> address, password;
        QStringList rows, alerts, log;
    } cases[] = {
        {"7319", "127.0.0.1", "0000", {}, {invalid}, {}},
        // The empty password is sent; the device decides.
        {"", "127.0.0.1", "", kDeviceRows, {}, {}},
        // No password at all: the device, which would take the empty one, is not asked.
        {"", "127.0.0.1", std::nullopt, {}, {invalid}, {}},
        {"", std::nullopt, "", {}, {failed}, {"initDeviceAddressTab - Device type cannot be resolved."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        ASSERT_NO_FATAL_FAILURE(startDevice(c.device));
        pf::ScriptedModalDriver local;
        local.queueModalStop(pf::NSModalResponseStop);
        controller->setIPAddress(c.address);
        controller->setPassword(c.password);
        WarningCapture capture;
        controller->createDialogWithTabSelection(1);
        EXPECT_EQ(deviceRows(), c.rows);
        EXPECT_EQ(alertTexts(local), c.alerts);
        EXPECT_EQ(capturedWarnings, c.log);
    }
}

TEST_F(DeviceTabTest, ADeviceThatIsNotReadyIsNotRead) {
    const std::string ready = R"({"ready": false, "state": "busy"})";
    dt::HostileServer device(
        dt::fixed("HTTP/1.1 503 Service Unavailable\r\nContent-Type: application/json\r\n"
                  "Content-Length: " +
                  std::to_string(ready.size()) + "\r\nConnection: close\r\n\r\n" + ready));
    setenv("ABIF_DEVICE_PORT", std::to_string(device.port()).c_str(), 1);
    openDeviceTab(QStringLiteral("127.0.0.1"), QStringLiteral("7319"));
    EXPECT_EQ(device.requests(), 1);
    EXPECT_EQ(alertTexts(driver), QStringList({"Device Access Failure/Failed to retrieve data"}));
}

TEST_F(DeviceTabTest, ASilentDeviceShowsProgressUntilTheDeadlineOrCancel) {
    ASSERT_NO_FATAL_FAILURE(startDevice("7319"));
    ASSERT_EQ(kill(emulator.pid(), SIGSTOP), 0);
    // Left alone, the wait ends with the library's deadline and the failed-read alert.
    openDeviceTab(QStringLiteral("127.0.0.1"), QStringLiteral("7319"));
    EXPECT_EQ(driver.progressWindows(), QStringList({kReading}));
    EXPECT_EQ(alertTexts(driver), QStringList({"Device Access Failure/Failed to retrieve data"}));

    // Cancel ends the wait at once: no alert, an empty tab.
    Clock::time_point cancelled;
    driver.queueProgressStep([&](QWidget* progress) {
        EXPECT_TRUE(progress->isVisible());
        EXPECT_EQ(progress->windowModality(), Qt::WindowModal);
        EXPECT_EQ(progress->parentWidget(), controller->addressBookSettingPanel());
        cancelled = Clock::now();
        progress->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
    });
    openDeviceTab(QStringLiteral("127.0.0.1"), QStringLiteral("7319"), [&] {
        EXPECT_LT(Clock::now() - cancelled, std::chrono::seconds(1));
        EXPECT_TRUE(deviceRows().isEmpty());
        EXPECT_EQ(driver.alerts().size(), 1u);
        // A new load while the cancelled reading may still be ending reads the device again.
        kill(emulator.pid(), SIGCONT);
        controller->initDeviceAddressTab();
        EXPECT_EQ(deviceRows(), kDeviceRows);
    });
    EXPECT_EQ(driver.progressWindows().size(), 2);
    EXPECT_EQ(driver.alerts().size(), 1u);
}

// Renders both tabs and a group sheet into the folder DIRECTFAX_SCREENSHOT_DIR for the
// documentation.
TEST_F(DeviceTabTest, Screenshots) {
    const QString folder = qEnvironmentVariable("DIRECTFAX_SCREENSHOT_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "set DIRECTFAX_SCREENSHOT_DIR to a folder";
    useBook({{u"Anna Schmidt", u"030-1234567", u"Velmora Sales", u"Mornings only", 1},
             {u"Bernd Keller", u"040-7654321", u"Head Office", {}, 2},
             {u"Carla Rossi", u"089-5550100", {}, {}, 3},
             {u"Dmitri Volkov", u"0221-998877", u"Tarncrest GmbH", {}, 4},
             {u"Eva Lindqvist", u"0711-224466", {}, {}, 5}},
            {abiftest::myFaxGroup(u"Sales Team", {1, 2, 4}), abiftest::myFaxGroup(u"Branches", {3, 5})});
    const std::string book = dir.file("device.json");
    dt::writeJsonBook(book,
                      {{{1, "Reception", "030-100"}, {2, "Warehouse", "030-200"}, {3, "Accounts", "030-300"}},
                       {{"Building A", {1, 2}}}});
    std::string error;
    ASSERT_TRUE(emulator.start({"--book", book, "--port", "0", "--password", "7319"},
                               dir.file("emulator.log"), error))
        << error;
    setenv("ABIF_DEVICE_PORT", std::to_string(emulator.port()).c_str(), 1);
    destinations.addObject(
        df::AddressInformation(QStringLiteral("Anna Schmidt"), QStringLiteral("030-1234567")));
    controller->setIPAddress(QStringLiteral("127.0.0.1"));
    controller->setPassword(QStringLiteral("7319"));
    QStringList saved;
    const auto save = [&](QWidget* window, const char* name) {
        const QString path = folder + QLatin1Char('/') + QLatin1String(name);
        if (window->grab().save(path))
            saved.append(path);
    };
    runDialog(0, [&] {
        QWidget* window = controller->addressBookSettingPanel();
        window->resize(window->sizeHint().expandedTo(QSize(720, 480)));
        selectPC({"Sales Team"});
        save(window, "address-book-computer.png");
        driver.queueModalStep([&](QWidget* sheet) {
            save(sheet, "address-book-group-sheet.png");
            controller->closeGroupProperty();
        });
        controller->showPCAddressProperty();
        controller->view()->selectTab(1);
        controller->deviceAddressList()->setSelectionIndexes({0});
        save(window, "address-book-device.png");
    });
    EXPECT_EQ(saved.size(), 3) << saved.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(alertTexts(driver), QStringList());
}

} // namespace
} // namespace faxjob_test
