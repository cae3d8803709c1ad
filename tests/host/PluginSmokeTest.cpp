// The host with the built DirectFax bundle: loading through the entry point, the one panel
// for the printer-module type, and the print dialog around it, headless.
#include "HostCallback.h"
#include "HostPrinter.h"
#include "PluginHost.h"
#include "PpdFeature.h"
#include "PrintDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace com::velmora::cps::print::pde::tarncrest::directfax;
using namespace com::velmora::cps::print::pde::tarncrest::directfax::platform;

namespace {

const QString kBundle = QStringLiteral(DIRECTFAX_BINARY_DIR "/plugins/DirectFax.plugin");
const QString kSamplePpd = QStringLiteral(DIRECTFAX_SOURCE_DIR "/host/samples/DirectFaxSample.ppd");

class PluginSmokeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test_host_plugin";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance())
            new QApplication(argc, argv);
        // The panel registers its help book: keep that out of the user's configuration.
        static QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    }

    void SetUp() override {
        QString error;
        ASSERT_TRUE(plugins.loadBundle(kBundle, &error)) << error.toStdString();
        printer = HostPrinter::openSample(kSamplePpd, &error);
        ASSERT_TRUE(printer) << error.toStdString();
    }

    static std::unique_ptr<HostPrinter> openSample(const QString&, QString* error) {
        return HostPrinter::openSample(kSamplePpd, error);
    }

    PluginHost plugins;
    std::unique_ptr<HostPrinter> printer;
};

} // namespace

TEST_F(PluginSmokeTest, GivesOnePanelForThePrinterModuleTypeAndNoneForOthers) {
    PrintSettings settings;
    PrintSession session;
    auto callback = std::make_shared<HostCallback>(printer->ppd(), &settings, &session, printer->printer());
    PanelList panels = plugins.panelsForType(kPrinterModuleType, callback);
    ASSERT_EQ(panels.size(), 1u);
    EXPECT_FALSE(panels[0]->panelName().isEmpty());
    for (const char* type : {kPageSetupDialogType, kPrintDialogType, "not a type"}) {
        SCOPED_TRACE(type);
        EXPECT_TRUE(plugins.panelsForType(type, callback).empty());
    }
    EXPECT_TRUE(plugins.errors().isEmpty()) << plugins.errors().join('\n').toStdString();
}

// The device's address book is read with libcurl, which the plug-in loads only then: the print
// dialog does not wait for it and the libraries it needs.
TEST_F(PluginSmokeTest, LoadingThePlugInLoadsNoHttpLibrary) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    EXPECT_FALSE(maps.readAll().contains("libcurl"));
}

TEST_F(PluginSmokeTest, ThePrintDialogShowsTheFaxPanelAndClosesCleanly) {
    std::vector<JobTicket> tickets;
    {
        PrintDialog dialog(plugins, HostDocument::sample(), {HostPrinter::kSamplePrinterName}, &openSample);
        dialog.setJobPresenter([&](const JobTicket& ticket) { tickets.push_back(ticket); });
        ASSERT_TRUE(dialog.selectPrinter(HostPrinter::kSamplePrinterName));
        QTabWidget* tabs = dialog.tabs();
        ASSERT_EQ(tabs->count(), 2);
        EXPECT_EQ(tabs->tabText(0), dialog.panels()->panel(0).panelName());
        QWidget* view = tabs->widget(0);
        ASSERT_NE(view, nullptr);
        EXPECT_GE(view->findChildren<QComboBox*>().size(), 4);
        dialog.show();
        dialog.grab();

        tabs->setCurrentIndex(dialog.summaryTabIndex());
        int rows = 0;
        for (const auto& summary : dialog.panels()->summaries())
            rows += 1 + int(summary.lines.size());
        EXPECT_EQ(dialog.summaryPane()->topLevelItemCount(), rows);
        tabs->setCurrentIndex(0);

        // A job to the preview passes the fax panel without its fax-job dialog.
        dialog.setDestination(kPMDestinationPreview);
        EXPECT_TRUE(dialog.print());
        dialog.close();
    }
    ASSERT_EQ(tickets.size(), 1u);
    EXPECT_TRUE(tickets[0].ppdChoices.contains(
        qMakePair(QStringLiteral("VMFaxCoverPageMode"), QStringLiteral("Standard"))));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
}

TEST_F(PluginSmokeTest, TheFaxPanelDrivesThePpdTheSummaryAndTheJob) {
    const QString senderKey = QStringLiteral("com.velmora.cps.print.printsettings.DFaxCoverSenderName");
    std::vector<JobTicket> tickets;
    QStringList alerts;
    PrintDialog dialog(plugins, HostDocument::sample(), {HostPrinter::kSamplePrinterName}, &openSample);
    dialog.setJobPresenter([&](const JobTicket& ticket) { tickets.push_back(ticket); });
    dialog.setAlert([&](const QString& message) { alerts << message; });
    ASSERT_TRUE(dialog.selectPrinter(HostPrinter::kSamplePrinterName));
    QWidget* view = dialog.tabs()->widget(0);
    auto* cover = view->findChild<QComboBox*>("coverPagePopup");
    auto* sender = view->findChild<QLineEdit*>("senderNameTextEdit");
    ASSERT_TRUE(cover && sender);
    QStringList texts;
    for (int i = 0; i < cover->count(); ++i)
        texts << cover->itemText(i);
    EXPECT_EQ(texts, (QStringList{"None", "Standard", "Urgent", "Confidential"}));
    EXPECT_EQ(cover->currentText(), "Standard");

    // The user picks a cover page and types a sender name.
    const int urgent = cover->findData("Urgent");
    cover->setCurrentIndex(urgent);
    emit cover->activated(urgent);
    EXPECT_EQ(PpdChoiceKeyword(PpdFindMarkedChoice(dialog.currentPrinter()->ppd(), "VMFaxCoverPageMode")),
              "Urgent");
    sender->setText("Velmora Sales");

    dialog.tabs()->setCurrentIndex(dialog.summaryTabIndex());
    const auto found = dialog.summaryPane()->findItems("Velmora Sales", Qt::MatchExactly, 1);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0]->text(0), "Sender Name");
    EXPECT_EQ(dialog.summaryPane()->findItems("Urgent", Qt::MatchExactly, 1).size(), 1);
    dialog.tabs()->setCurrentIndex(0);

    // A sender name the panel refuses stops the job, and the user is told where to look.
    sender->setText(QString(31, 'x'));
    dialog.setDestination(kPMDestinationPreview);
    EXPECT_FALSE(dialog.print());
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].contains(dialog.panels()->title(0))) << alerts[0].toStdString();
    EXPECT_EQ(sender->text(), "Velmora Sales");

    EXPECT_TRUE(dialog.print());
    ASSERT_EQ(tickets.size(), 1u);
    EXPECT_TRUE(tickets[0].jobOptions.contains(qMakePair(senderKey, QStringLiteral("Velmora Sales"))));
    EXPECT_TRUE(tickets[0].ppdChoices.contains(
        qMakePair(QStringLiteral("VMFaxCoverPageMode"), QStringLiteral("Urgent"))));
    dialog.close();
}
