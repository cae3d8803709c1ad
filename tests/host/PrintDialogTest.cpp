// The print dialog with recording fake panels, headless.
#include "PrintDialog.h"
#include "ApplicationIdentity.h"
#include "FakePanels.h"
#include "HostCallback.h"
#include "HostPrinter.h"
#include "ModalRun.h"
#include "PluginHost.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QWheelEvent>
#include <algorithm>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace com::velmora::cps::print::pde::tarncrest::directfax::platform;
using namespace com::velmora::cps::print::pde::tarncrest::directfax::platform::testing;
using ::testing::ElementsAre;

namespace {

const QString kSamplePpd = QStringLiteral(DIRECTFAX_SOURCE_DIR "/host/samples/DirectFaxSample.ppd");
const QString kOtherPrinter = QStringLiteral("Second Sample");

class PrintDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test_host_dialog";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance())
            new QApplication(argc, argv);
    }

    void SetUp() override {
        auto owned = std::make_unique<FakePlugin>(std::vector<std::string>{"A", "B"}, log);
        plugin = owned.get();
        plugins = std::make_unique<PluginHost>();
        plugins->addPlugin(nullptr, std::move(owned));
        dialog = std::make_unique<PrintDialog>(
            *plugins, HostDocument::sample(), QStringList{HostPrinter::kSamplePrinterName, kOtherPrinter},
            [](const QString& name, QString* error) {
                return HostPrinter::openPpdFile(kSamplePpd, {}, HostPrinter::kSampleDeviceURI, name, error);
            });
        dialog->setJobPresenter([this](const JobTicket& ticket) { tickets.push_back(ticket); });
        dialog->setAlert([this](const QString& message) { alerts << message; });
    }

    void TearDown() override {
        dialog.reset();
        plugins.reset();
        // Nothing of the dialog or the panels' views may be left as a window.
        EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
    }

    FakePanel& panel(int index) { return *plugin->made.at(plugin->made.size() - 2 + index).lock(); }

    CallLog log;
    FakePlugin* plugin = nullptr;
    std::unique_ptr<PluginHost> plugins;
    std::unique_ptr<PrintDialog> dialog;
    std::vector<JobTicket> tickets;
    QStringList alerts;
};

} // namespace

TEST_F(PrintDialogTest, ShowsOneTabPerPanelAndTheFirstPanelIsShown) {
    ASSERT_TRUE(dialog->selectPrinter(HostPrinter::kSamplePrinterName));
    QTabWidget* tabs = dialog->tabs();
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), "A");
    EXPECT_EQ(tabs->tabText(1), "B");
    EXPECT_EQ(tabs->tabText(2), "Summary");
    EXPECT_EQ(tabs->widget(0), panel(0).view.data());
    EXPECT_THAT(log, ElementsAre("A.panelView", "B.panelView", "A.willShow", "A.restore"));
    EXPECT_EQ(dialog->callback()->ppdFile(), dialog->currentPrinter()->ppd());
}

TEST_F(PrintDialogTest, TheSummaryTabShowsEveryPanelsSummary) {
    ASSERT_TRUE(dialog->selectPrinter(HostPrinter::kSamplePrinterName));
    panel(1).hasSummary = false;
    log.clear();
    dialog->tabs()->setCurrentIndex(dialog->summaryTabIndex());
    EXPECT_THAT(log, ElementsAre("A.shouldHide", "A.save", "A.summaryInfo", "B.summaryInfo"));
    QTreeWidget* tree = dialog->summaryPane();
    ASSERT_EQ(tree->topLevelItemCount(), 3);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "A");
    EXPECT_EQ(tree->topLevelItem(1)->text(0), "First");
    EXPECT_EQ(tree->topLevelItem(1)->text(1), "1");
    EXPECT_EQ(tree->topLevelItem(2)->text(0), "Second");
}

TEST_F(PrintDialogTest, APanelThatRefusesToHideKeepsItsTab) {
    ASSERT_TRUE(dialog->selectPrinter(HostPrinter::kSamplePrinterName));
    panel(0).hideAnswer = false;
    dialog->tabs()->setCurrentIndex(1);
    EXPECT_EQ(dialog->tabs()->currentIndex(), 0);
    EXPECT_EQ(dialog->panels()->current(), 0);
}

TEST_F(PrintDialogTest, PrintHandsOverTheDestinationThePpdChoicesAndTheSavedSettings) {
    ASSERT_TRUE(dialog->selectPrinter(HostPrinter::kSamplePrinterName));
    dialog->destinationChoice()->setCurrentIndex(
        dialog->destinationChoice()->findData(int(kPMDestinationFile)));
    EXPECT_EQ(dialog->printSession().destinationType, kPMDestinationFile);
    ASSERT_TRUE(dialog->callback()->willChangePPDOptionKeyValue("VMFaxImageQuality", "Photo"));
    log.clear();

    EXPECT_TRUE(dialog->print());
    EXPECT_THAT(log, ElementsAre("A.save", "A.shouldPrint", "B.shouldPrint"));
    ASSERT_EQ(tickets.size(), 1u);
    const JobTicket& ticket = tickets[0];
    EXPECT_EQ(ticket.destination, kPMDestinationFile);
    EXPECT_EQ(ticket.deviceURI, "socket://127.0.0.1");
    EXPECT_TRUE(
        ticket.ppdChoices.contains(qMakePair(QStringLiteral("VMFaxImageQuality"), QStringLiteral("Photo"))));
    EXPECT_EQ(ticket.jobOptions, (QList<QPair<QString, QString>>{{"test.A", "saved"}}));
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

TEST_F(PrintDialogTest, APanelThatStopsTheJobKeepsTheDialogOpen) {
    ASSERT_TRUE(dialog->selectPrinter(HostPrinter::kSamplePrinterName));
    panel(1).printAnswer = false;
    EXPECT_FALSE(dialog->print());
    EXPECT_TRUE(tickets.empty());
    // Without words of its own, the user is told which panel stopped the job and sees it.
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].contains("\"B\"")) << alerts[0].toStdString();
    EXPECT_EQ(dialog->tabs()->currentIndex(), 1);
    EXPECT_NE(dialog->result(), QDialog::Accepted);
    alerts.clear();

    panel(1).printAnswer = true;
    panel(0).saveAnswer = false;
    dialog->tabs()->setCurrentIndex(1);
    EXPECT_FALSE(dialog->print());
    EXPECT_EQ(alerts, QStringList{"A cannot save"});
    EXPECT_EQ(dialog->tabs()->currentIndex(), 0);
}

TEST_F(PrintDialogTest, ChoicesMadeThroughTheCallbackReachThePanels) {
    ASSERT_TRUE(dialog->selectPrinter(HostPrinter::kSamplePrinterName));
    log.clear();
    EXPECT_FALSE(dialog->callback()->willChangePPDOptionKeyValue("VMFaxImageQuality", "Blurry"));
    EXPECT_TRUE(dialog->callback()->willChangePPDOptionKeyValue("VMFaxCoverPageMode", "None"));
    EXPECT_THAT(log,
                ElementsAre("A.didChange VMFaxCoverPageMode=None", "B.didChange VMFaxCoverPageMode=None"));
}

TEST_F(PrintDialogTest, AnotherPrinterGetsNewPanelsAndKeepsThePrintSettings) {
    ASSERT_TRUE(dialog->selectPrinter(HostPrinter::kSamplePrinterName));
    std::weak_ptr<FakePanel> first = plugin->made.front();
    ASSERT_TRUE(dialog->selectPrinter(kOtherPrinter));
    EXPECT_TRUE(first.expired());
    EXPECT_EQ(dialog->currentPrinter()->displayName(), kOtherPrinter);
    EXPECT_EQ(dialog->printerChoice()->currentText(), kOtherPrinter);
    EXPECT_EQ(dialog->tabs()->count(), 3);
    // The panel shown before the change saved its values into the job's settings.
    EXPECT_EQ(dialog->printSettings().value("test.A"), "saved");
}

// The server's printers are named only when the user reaches for the printer menu, then once, in
// the lister's order and with the current printer kept.
TEST_F(PrintDialogTest, ThePrinterMenuNamesThePrintersOnlyWhenReachedFor) {
    ASSERT_TRUE(dialog->selectPrinter(HostPrinter::kSamplePrinterName));
    PrinterChoice* menu = dialog->printerChoice();
    int asked = 0;
    auto lister = [&asked] {
        ++asked;
        return QStringList{"Zeta", kOtherPrinter, "Alpha"};
    };
    dialog->listPrintersOnDemand(lister);
    dialog->show();
    QApplication::processEvents();
    EXPECT_EQ(asked, 0);

    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QWheelEvent wheel({5, 5}, menu->mapToGlobal(QPoint(5, 5)), {}, {0, -120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    const std::vector<std::pair<const char*, std::function<void()>>> reaches{
        {"opened",
         [&] {
             menu->showPopup();
             menu->hidePopup();
         }},
        {"key", [&] { QApplication::sendEvent(menu, &down); }},
        {"wheel", [&] { QApplication::sendEvent(menu, &wheel); }}};
    for (const auto& [how, reach] : reaches) {
        SCOPED_TRACE(how);
        asked = 0;
        dialog->listPrintersOnDemand(lister);
        reach();
        reach();
        EXPECT_EQ(asked, 1);
        QStringList items;
        for (int i = 0; i < menu->count(); ++i)
            items << menu->itemText(i);
        EXPECT_EQ(items, (QStringList{"Zeta", kOtherPrinter, "Alpha", HostPrinter::kSamplePrinterName}));
        EXPECT_EQ(menu->currentText(), HostPrinter::kSamplePrinterName);
    }
    dialog->close();
}

TEST_F(PrintDialogTest, ChoosingTheCurrentPrinterAgainKeepsItsPpdChoicesAndPanels) {
    ASSERT_TRUE(dialog->selectPrinter(HostPrinter::kSamplePrinterName));
    HostPrinter* current = dialog->currentPrinter();
    ASSERT_TRUE(dialog->callback()->willChangePPDOptionKeyValue("VMFaxImageQuality", "Photo"));
    const std::size_t made = plugin->made.size();
    log.clear();

    emit dialog->printerChoice()->activated(dialog->printerChoice()->currentIndex());
    EXPECT_EQ(dialog->currentPrinter(), current);
    EXPECT_EQ(plugin->made.size(), made);
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(markedChoices(dialog->currentPrinter()->ppd())
                    .contains(qMakePair(QStringLiteral("VMFaxImageQuality"), QStringLiteral("Photo"))));
}

TEST_F(PrintDialogTest, TabReachesThePanelsControlsBeforePrintAndCancel) {
    // The first printer's panels, and those of the next printer.
    for (const QString& name : {QString::fromLatin1(HostPrinter::kSamplePrinterName), kOtherPrinter}) {
        ASSERT_TRUE(dialog->selectPrinter(name));
        QList<QWidget*> order = {dialog->printerChoice(), dialog->destinationChoice(),
                                 dialog->tabs()->tabBar(), panel(0).view, panel(1).view};
        for (QPushButton* button : dialog->findChildren<QPushButton*>())
            order << button; // Print, Cancel
        QWidget* widget = dialog.get();
        for (QWidget* expected : order) {
            do
                widget = widget->nextInFocusChain();
            while (widget != expected && widget != dialog.get());
            EXPECT_EQ(widget, expected) << name.toStdString() << ": " << order.indexOf(expected);
        }
    }
}

TEST_F(PrintDialogTest, TheWindowsShowTheProductNameAndTheInstalledIcon) {
    applyApplicationIdentity();
    // An alert names the product, not the program file.
    EXPECT_EQ(CreateAlertBox({})->windowTitle(), QStringLiteral("DirectFax"));
    // The desktop entry of that id is the one installed; its icon is the one built in.
    const QString data = QStringLiteral(DIRECTFAX_SOURCE_DIR "/data/"),
                  id = QGuiApplication::desktopFileName();
    QFile entry(data + id + QStringLiteral(".desktop")), icon(data + QStringLiteral("icons/") + id + ".svg");
    QFile builtIn(QString::fromLatin1(kApplicationIconResource));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly) && icon.open(QIODevice::ReadOnly) &&
                builtIn.open(QIODevice::ReadOnly));
    EXPECT_TRUE(entry.readAll().contains("\nIcon=" + id.toUtf8() + '\n'));
    EXPECT_EQ(builtIn.readAll(), icon.readAll());
    EXPECT_FALSE(QApplication::windowIcon().pixmap(32).isNull());
}

TEST_F(PrintDialogTest, APrinterThatCannotBeOpenedLeavesTheCurrentOne) {
    dialog = std::make_unique<PrintDialog>(*plugins, HostDocument::sample(), QStringList{"Broken"},
                                           [](const QString&, QString* error) {
                                               *error = "no such printer";
                                               return std::unique_ptr<HostPrinter>();
                                           });
    dialog->setAlert([this](const QString& message) { alerts << message; });
    EXPECT_FALSE(dialog->selectPrinter("Broken"));
    EXPECT_EQ(alerts, QStringList{"no such printer"});
    EXPECT_EQ(dialog->currentPrinter(), nullptr);
    EXPECT_FALSE(dialog->print());
}
