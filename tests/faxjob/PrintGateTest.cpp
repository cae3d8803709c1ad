// The print gate of the Fax Settings panel: which jobs pass, the fax-job dialog loaded once per
// panel, and the record written only for a started job.
#include "FrameTestSupport.h"

#include <DirectFaxPdeInterface.h>
#include <FaxSettingController.h>
#include <InputStringChecker.h>
#include <ModalRun.h>

#include <QLineEdit>
#include <QPushButton>

namespace frame_test {
namespace {

// The panel with the print gate's state in view.
class GatePanel : public df::DirectFaxPdeInterface {
public:
    using DirectFaxPdeInterface::DirectFaxPdeInterface;
    df::FaxSettingController* controller() const { return detailedFaxSettingContoller; }
    size_t loadedObjects() const { return faxSettingTopLevelObjs.size(); }
};

// A print dialog that cannot say where the job goes.
class NoSessionCallback : public FakeCallback {
public:
    pf::PrintSession* printSession() override { return nullptr; }
};

QStringList faxKeys(const pf::PrintSettings& settings) {
    return settings.keys().filter(QStringLiteral(".DFax"));
}

void click(QWidget* window, const char* name) {
    window->findChild<QPushButton*>(QLatin1String(name))->click();
}

class PrintGateTest : public WidgetTest {};

TEST_F(PrintGateTest, NonPrinterDestinationsPassWithoutTheDialog) {
    for (const pf::PMDestinationType type : {pf::kPMDestinationFile, pf::kPMDestinationPreview,
                                             pf::kPMDestinationFax, pf::kPMDestinationProcessPDF}) {
        const auto callback = std::make_shared<FakeCallback>();
        callback->session.destinationType = type;
        GatePanel panel(callback, directFaxBundle());
        pf::ScriptedModalDriver driver;
        EXPECT_TRUE(panel.shouldPrint()) << type;
        EXPECT_TRUE(driver.modalRuns().isEmpty()) << type;
        EXPECT_EQ(panel.controller(), nullptr);
        EXPECT_TRUE(faxKeys(callback->settings).isEmpty());
    }
}

TEST_F(PrintGateTest, CancelledJobStopsStartedJobCarriesTheRecordDialogLoadedOnce) {
    const auto callback = std::make_shared<FakeCallback>();
    GatePanel panel(callback, directFaxBundle());
    pf::ScriptedModalDriver driver;

    driver.queueModalStep([](QWidget* window) { click(window, "stopButton"); });
    EXPECT_FALSE(panel.shouldPrint());
    EXPECT_TRUE(faxKeys(callback->settings).isEmpty());
    df::FaxSettingController* first = panel.controller();
    ASSERT_NE(first, nullptr);
    const size_t loaded = panel.loadedObjects();

    // Print again: the same dialog, its list empty after the cancel.
    int listed = -1;
    driver.queueModalStep([&](QWidget* window) {
        listed = panel.controller()->addressArrayController()->count();
        panel.controller()->setAddressName(QStringLiteral("Ann"));
        panel.controller()->setAddressPhoneNumber(QStringLiteral("0301234"));
        click(window, "addAddressButton");
        click(window, "startButton");
    });
    EXPECT_TRUE(panel.shouldPrint());
    EXPECT_EQ(listed, 0);
    EXPECT_EQ(panel.controller(), first);
    EXPECT_EQ(panel.loadedObjects(), loaded);
    EXPECT_EQ(driver.modalRuns(), QStringList({"Fax Transmission", "Fax Transmission"}));
    const auto value = [&](const char* base) {
        return callback->settings.value(QStringLiteral("com.velmora.cps.print.printsettings.") +
                                        QLatin1String(base));
    };
    EXPECT_EQ(value("DFaxPassword"), QStringLiteral(""));
    EXPECT_EQ(value("DFaxDelayedPrint"), QStringLiteral("0"));
    EXPECT_EQ(value("DFaxDestinationNumber"), QStringLiteral("1"));
    EXPECT_EQ(value("DFaxDestinationName1"), QStringLiteral("Ann"));
    EXPECT_EQ(value("DFaxDestinationPhoneNumber1"), QStringLiteral("0301234"));
    EXPECT_EQ(faxKeys(callback->settings).size(), 6);
}

TEST_F(PrintGateTest, FailedDestinationQueryIsTreatedAsAPrinter) {
    GatePanel panel(std::make_shared<NoSessionCallback>(), directFaxBundle());
    pf::ScriptedModalDriver driver;
    driver.queueModalStep([](QWidget* window) { click(window, "stopButton"); });
    EXPECT_FALSE(panel.shouldPrint());
    EXPECT_EQ(driver.modalRuns().size(), 1);
}

TEST_F(PrintGateTest, RefusedSenderNameIsPutBackAndStopsTheJobWhereverItGoes) {
    // The sender name is checked before the destination: a file or a preview is stopped too.
    struct Case {
        pf::PMDestinationType destination;
        QString name;
        bool passes;
    };
    const QString longest(30, QLatin1Char('a'));
    const QString tooLong(31, QLatin1Char('a'));
    const Case cases[] = {
        {pf::kPMDestinationFile, longest, true},
        {pf::kPMDestinationFile, tooLong, false},
        {pf::kPMDestinationPreview, tooLong, false},
        {pf::kPMDestinationFile, QStringLiteral("Zoë"), false},
        {pf::kPMDestinationPrinter, tooLong, false},
        {pf::kPMDestinationPrinter, QStringLiteral("Zoë"), false},
    };
    for (const Case& c : cases) {
        const auto callback = std::make_shared<FakeCallback>();
        callback->session.destinationType = c.destination;
        callback->settings.setValue(QStringLiteral("com.velmora.cps.print.printsettings.DFaxCoverSenderName"),
                                    QStringLiteral("Ann"));
        GatePanel panel(callback, directFaxBundle());
        QWidget* view = panel.panelView();
        ASSERT_NE(view, nullptr);
        ASSERT_TRUE(panel.restoreValuesAndReturnError(nullptr));
        auto* field = view->findChild<QLineEdit*>(QStringLiteral("senderNameTextEdit"));
        ASSERT_NE(field, nullptr);
        field->setMaxLength(32767); // as a paste reaches a field with its checker
        pf::ScriptedModalDriver driver;
        df::InputStringChecker::setFieldText(field, c.name);
        EXPECT_EQ(panel.shouldPrint(), c.passes) << c.destination << " " << c.name.toStdString();
        EXPECT_EQ(field->text(), c.passes ? c.name : QStringLiteral("Ann")) << c.name.toStdString();
        EXPECT_TRUE(driver.modalRuns().isEmpty());
        EXPECT_EQ(panel.controller(), nullptr);
    }
}

} // namespace
} // namespace frame_test
