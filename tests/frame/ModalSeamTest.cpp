// Alerts, modal runs and the open-file panel driven through the modal seam: scripted answers,
// programmatic stops, nesting, and a window closed while its run is in progress.
#include "FrameTestSupport.h"

#include <Alerts.h>
#include <ModalRun.h>

#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>

namespace frame_test {
namespace {

using pf::ModalRun;

class ModalSeamTest : public WidgetTest {
protected:
    pf::ScriptedModalDriver driver;
};

TEST_F(ModalSeamTest, AlertsTakeTheScriptedAnswers) {
    driver.queueAlertAnswer(pf::NSAlertSecondButtonReturn);
    driver.queueAlertAnswer(pf::NSAlertFirstButtonReturn);
    EXPECT_EQ(pf::RunAlert(QStringLiteral("Delete?"), QStringLiteral("It cannot be undone."),
                           {QStringLiteral("OK"), QStringLiteral("Cancel")}),
              pf::NSAlertSecondButtonReturn);
    pf::Alert alert;
    alert.setMessageText(QStringLiteral("Invalid name"));
    EXPECT_EQ(alert.runModal(), pf::NSAlertFirstButtonReturn);

    ASSERT_EQ(driver.alerts().size(), 2u);
    EXPECT_EQ(driver.alerts()[0].messageText, QStringLiteral("Delete?"));
    EXPECT_EQ(driver.alerts()[0].informativeText, QStringLiteral("It cannot be undone."));
    EXPECT_EQ(driver.alerts()[0].buttons, (QStringList{QStringLiteral("OK"), QStringLiteral("Cancel")}));
    // An alert without buttons gets "OK".
    EXPECT_EQ(driver.alerts()[1].buttons, QStringList{QStringLiteral("OK")});
    EXPECT_EQ(driver.unscriptedAlerts(), 0);

    driver.unscriptedAlertAnswer = pf::NSAlertSecondButtonReturn;
    EXPECT_EQ(alert.runModal(), pf::NSAlertSecondButtonReturn);
    EXPECT_EQ(driver.unscriptedAlerts(), 1);
}

TEST_F(ModalSeamTest, AButtonOfTheWindowStopsItsRun) {
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Fax Job"));
    auto* send = new QPushButton(QStringLiteral("Send"), &dialog);
    QObject::connect(send, &QPushButton::clicked, &dialog,
                     [] { ModalRun::stopModalWithCode(pf::NSAlertFirstButtonReturn); });
    int depthInside = 0;
    QWidget* windowInside = nullptr;
    bool visibleInside = false;
    driver.queueModalStep([&](QWidget* window) {
        depthInside = ModalRun::modalDepth();
        windowInside = ModalRun::modalWindow();
        visibleInside = window->isVisible();
        send->click();
    });

    EXPECT_EQ(ModalRun::runModalForWindow(&dialog), pf::NSAlertFirstButtonReturn);
    EXPECT_EQ(depthInside, 1);
    EXPECT_EQ(windowInside, &dialog);
    EXPECT_TRUE(visibleInside);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.windowModality(), Qt::NonModal);
    EXPECT_EQ(ModalRun::modalDepth(), 0);
    EXPECT_EQ(driver.modalRuns(), QStringList{QStringLiteral("Fax Job")});
}

TEST_F(ModalSeamTest, RunsNestAndAStopEndsTheInnermost) {
    QDialog outer;
    QDialog inner;
    pf::NSModalResponse innerAnswer = 0;
    pf::NSModalResponse alertAnswer = 0;
    driver.queueModalStep([&](QWidget*) {
        innerAnswer = ModalRun::runModalForWindow(&inner);
        // Back in the outer run, which is still going.
        EXPECT_EQ(ModalRun::modalWindow(), &outer);
        ModalRun::stopModalWithCode(5);
    });
    driver.queueModalStep([&](QWidget*) {
        EXPECT_EQ(ModalRun::modalDepth(), 2);
        alertAnswer = pf::RunAlert(QStringLiteral("Sure?"), QString(),
                                   {QStringLiteral("OK"), QStringLiteral("Cancel")});
        ModalRun::stopModal();
    });
    driver.queueAlertAnswer(pf::NSAlertSecondButtonReturn);

    EXPECT_EQ(ModalRun::runModalForWindow(&outer), 5);
    EXPECT_EQ(innerAnswer, pf::NSModalResponseStop);
    EXPECT_EQ(alertAnswer, pf::NSAlertSecondButtonReturn);
    EXPECT_EQ(ModalRun::modalDepth(), 0);
}

TEST_F(ModalSeamTest, ClosingTheWindowAbortsItsRun) {
    QDialog dialog;
    driver.queueModalStep([](QWidget* window) { static_cast<QDialog*>(window)->reject(); });
    EXPECT_EQ(ModalRun::runModalForWindow(&dialog), pf::NSModalResponseAbort);

    QWidget plainWindow;
    driver.queueModalStep([](QWidget* window) { window->close(); });
    EXPECT_EQ(ModalRun::runModalForWindow(&plainWindow), pf::NSModalResponseAbort);

    // An action that hides its window and then stops the run with a code: the code counts.
    driver.queueModalStep([](QWidget* window) {
        window->hide();
        ModalRun::stopModalWithCode(3);
    });
    EXPECT_EQ(ModalRun::runModalForWindow(&plainWindow), 3);

    auto* doomed = new QDialog;
    driver.queueModalStep([](QWidget* window) { window->deleteLater(); });
    EXPECT_EQ(ModalRun::runModalForWindow(doomed), pf::NSModalResponseAbort);
    EXPECT_EQ(ModalRun::modalDepth(), 0);
}

TEST_F(ModalSeamTest, UnscriptedRunsAreAbortedAndCounted) {
    QDialog dialog;
    EXPECT_EQ(ModalRun::runModalForWindow(&dialog), pf::NSModalResponseAbort);
    EXPECT_EQ(driver.unscriptedModalRuns(), 1);
    EXPECT_EQ(ModalRun::runModalForWindow(nullptr), pf::NSModalResponseAbort);
    // Stopping with nothing running changes nothing.
    ModalRun::stopModal();
    EXPECT_EQ(ModalRun::modalDepth(), 0);
}

TEST_F(ModalSeamTest, TheOpenPanelOfEveryDriverIsAFileDialogRunModally) {
    QTemporaryDir dir;
    const QString one = dir.filePath(QStringLiteral("one")), two = dir.filePath(QStringLiteral("two"));
    for (const QString& path : {one, two}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    pf::OpenPanelRequest request;
    request.allowsMultipleSelection = true;
    request.directory = dir.path();
    QString startedIn;
    int mode = -1;
    driver.queueModalStep([&](QWidget* window) {
        auto* dialog = qobject_cast<QFileDialog*>(window);
        ASSERT_NE(dialog, nullptr);
        startedIn = dialog->directory().absolutePath();
        mode = dialog->fileMode();
        dialog->selectFile(QStringLiteral("\"one\" \"two\""));
        static_cast<QDialog*>(dialog)->accept(); // as the Open button does
    });
    driver.queueModalStep([](QWidget* window) { window->close(); });
    // The default of every driver: a file dialog in a modal run.
    EXPECT_EQ(driver.ModalDriver::runOpenPanel(request), QStringList({one, two}));
    EXPECT_EQ(startedIn, dir.path());
    EXPECT_EQ(mode, QFileDialog::ExistingFiles);
    EXPECT_EQ(driver.ModalDriver::runOpenPanel(request), std::nullopt);
    EXPECT_EQ(driver.unscriptedModalRuns(), 0);
}

TEST_F(ModalSeamTest, TheAlertBoxShowsTheStyle) {
    for (const auto& [style, icon] : {std::pair(pf::NSAlertStyleWarning, QMessageBox::Warning),
                                      std::pair(pf::NSAlertStyleInformational, QMessageBox::Information),
                                      std::pair(pf::NSAlertStyleCritical, QMessageBox::Critical)}) {
        const auto box = pf::CreateAlertBox({QStringLiteral("Added."), {}, {"OK", "Cancel"}, {}, style});
        EXPECT_EQ(box->icon(), icon) << style;
    }
}

TEST(ModalDriverTest, ScriptedDriverPutsTheEarlierDriverBack) {
    pf::ModalDriver* before = &pf::currentModalDriver();
    {
        pf::ScriptedModalDriver outer;
        EXPECT_EQ(&pf::currentModalDriver(), &outer);
        {
            pf::ScriptedModalDriver inner;
            EXPECT_EQ(&pf::currentModalDriver(), &inner);
        }
        EXPECT_EQ(&pf::currentModalDriver(), &outer);
    }
    EXPECT_EQ(&pf::currentModalDriver(), before);
}

} // namespace
} // namespace frame_test
