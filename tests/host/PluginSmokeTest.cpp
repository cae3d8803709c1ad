// The host with the built DirectFax bundle: loading through the entry point, the one panel
// for the printer-module type, and the print dialog around it, headless.
#include "HostCallback.h"
#include "HostPrinter.h"
#include "PluginHost.h"
#include "PrintDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <gtest/gtest.h>

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
