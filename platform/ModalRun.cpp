#include "ModalRun.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

// The property through which an alert's button tells the answer it gives.
constexpr char kAlertAnswer[] = "alertAnswer";

// Shows alerts and windows to the user and lets the user end them.
class InteractiveModalDriver : public ModalDriver {
public:
    NSModalResponse runAlert(const AlertRequest& request) override {
        const std::unique_ptr<QMessageBox> box = CreateAlertBox(request);
        box->exec();
        return AlertAnswer(box->clickedButton());
    }

    void modalRunStarted(QWidget*) override {}
};

InteractiveModalDriver& interactiveDriver() {
    static InteractiveModalDriver driver;
    return driver;
}

ModalDriver* installedDriver = nullptr;

struct RunFrame {
    QEventLoop* loop = nullptr;
    QPointer<QWidget> window;
    NSModalResponse code = NSModalResponseAbort;
    bool stopped = false;
    // Stopped only because the window went away; a stop with a code in the same turn still counts.
    bool stoppedByWindow = false;
};

// Runs in progress, innermost last. Main thread only.
std::vector<RunFrame*> runStack;
quint64 runsStarted = 0;

// The first stop decides, except that a stop with a code overrides one caused by the window
// going away (an action that hides its window before it stops the run).
void stopFrame(RunFrame* frame, NSModalResponse code, bool byWindow) {
    if (frame->stopped && !(frame->stoppedByWindow && !byWindow))
        return;
    frame->code = code;
    frame->stopped = true;
    frame->stoppedByWindow = byWindow;
    frame->loop->exit(0);
}

// Ends a run when its window is hidden by anything but the run itself.
class HideWatcher : public QObject {
public:
    explicit HideWatcher(RunFrame* frame) : frame(frame) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide && watched == frame->window.data())
            stopFrame(frame, NSModalResponseAbort, true);
        return false;
    }

private:
    RunFrame* frame;
};

} // namespace

std::unique_ptr<QMessageBox> CreateAlertBox(const AlertRequest& request) {
    auto box = std::make_unique<QMessageBox>(request.parent.data());
    box->setIcon(request.style == NSAlertStyleInformational ? QMessageBox::Information
                 : request.style == NSAlertStyleCritical    ? QMessageBox::Critical
                                                            : QMessageBox::Warning);
    // Without a title of its own the window would show the program's file name.
    box->setWindowTitle(QGuiApplication::applicationDisplayName());
    box->setText(request.messageText);
    box->setInformativeText(request.informativeText);
    box->setWindowModality(Qt::ApplicationModal);
    QStringList titles = request.buttons;
    if (titles.isEmpty())
        titles.append(QStringLiteral("OK"));
    QPushButton* button = nullptr;
    for (qsizetype i = 0; i < titles.size(); ++i) {
        button = box->addButton(titles[i], i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
        button->setProperty(kAlertAnswer, NSAlertFirstButtonReturn + static_cast<int>(i));
        if (i == 0)
            box->setDefaultButton(button);
    }
    // Escape presses the last button ("Cancel" in an "OK"/"Cancel" alert).
    box->setEscapeButton(button);
    return box;
}

NSModalResponse AlertAnswer(const QAbstractButton* button) {
    const QVariant answer = button ? button->property(kAlertAnswer) : QVariant();
    return answer.isValid() ? answer.toInt() : NSModalResponseAbort;
}

ModalDriver::~ModalDriver() = default;

void ModalDriver::progressWindowShown(QWidget*) {}

ModalDriver& currentModalDriver() {
    return installedDriver ? *installedDriver : interactiveDriver();
}

ModalDriver* setModalDriver(ModalDriver* driver) {
    ModalDriver* before = installedDriver;
    installedDriver = driver;
    return before;
}

NSModalResponse ModalRun::runModalForWindow(QWidget* window) {
    if (!window) {
        std::fputs("runModalForWindow - no window.\n", stderr);
        return NSModalResponseAbort;
    }
    QEventLoop loop;
    RunFrame frame;
    frame.loop = &loop;
    frame.window = window;

    const Qt::WindowModality modality = window->windowModality();
    const bool wasVisible = window->isVisible();
    if (wasVisible)
        window->hide(); // modality only changes while hidden
    window->setWindowModality(Qt::ApplicationModal);

    HideWatcher watcher(&frame);
    runStack.push_back(&frame);
    ++runsStarted;
    window->show();
    window->activateWindow();
    window->installEventFilter(&watcher);
    QObject::connect(window, &QObject::destroyed, &loop,
                     [&frame] { stopFrame(&frame, NSModalResponseAbort, true); });
    QTimer::singleShot(0, &loop, [&frame] {
        if (!frame.stopped && frame.window)
            currentModalDriver().modalRunStarted(frame.window.data());
    });
    if (!frame.stopped)
        loop.exec(QEventLoop::DialogExec);
    runStack.erase(std::find(runStack.begin(), runStack.end(), &frame));

    if (frame.window) {
        frame.window->removeEventFilter(&watcher);
        frame.window->hide();
        frame.window->setWindowModality(modality);
    }
    return frame.code;
}

void ModalRun::stopModal() {
    stopModalWithCode(NSModalResponseStop);
}

void ModalRun::stopModalWithCode(NSModalResponse code) {
    if (runStack.empty()) {
        std::fputs("stopModalWithCode - no modal run in progress.\n", stderr);
        return;
    }
    stopFrame(runStack.back(), code, false);
}

void ModalRun::abortModal() {
    stopModalWithCode(NSModalResponseAbort);
}

void ModalRun::endModalForWindow(QWidget* window) {
    if (!window)
        return;
    window->hide();
    if (modalWindow() == window)
        stopModal();
}

void ModalSession::run(QWidget* dialog, const std::function<void()>& cancel) {
    window = dialog;
    ended = false;
    ModalRun::runModalForWindow(dialog);
    if (!ended && cancel)
        cancel();
}

void ModalSession::end() {
    ended = true;
    ModalRun::endModalForWindow(window);
}

int ModalRun::modalDepth() {
    return static_cast<int>(runStack.size());
}

quint64 ModalRun::modalRunCount() {
    return runsStarted;
}

QWidget* ModalRun::modalWindow() {
    return runStack.empty() ? nullptr : runStack.back()->window.data();
}

ScriptedModalDriver::ScriptedModalDriver() : previous(setModalDriver(this)) {}

ScriptedModalDriver::~ScriptedModalDriver() {
    setModalDriver(previous);
}

void ScriptedModalDriver::queueAlertAnswer(NSModalResponse answer) {
    alertAnswers.push_back(answer);
}

void ScriptedModalDriver::queueModalStep(Step step) {
    steps.push_back(std::move(step));
}

void ScriptedModalDriver::queueModalStop(NSModalResponse code) {
    queueModalStep([code](QWidget*) { ModalRun::stopModalWithCode(code); });
}

void ScriptedModalDriver::queueProgressStep(Step step) {
    progressSteps.push_back(std::move(step));
}

NSModalResponse ScriptedModalDriver::runAlert(const AlertRequest& request) {
    alertLog.push_back(request);
    if (alertAnswers.empty()) {
        ++unscriptedAlertCount;
        return unscriptedAlertAnswer;
    }
    const NSModalResponse answer = alertAnswers.front();
    alertAnswers.pop_front();
    return answer;
}

void ScriptedModalDriver::queueOpenPanelAnswer(const QStringList& paths) {
    openPanelAnswers.push_back({false, paths});
}

void ScriptedModalDriver::queueOpenPanelCancel() {
    openPanelAnswers.push_back({true, {}});
}

std::optional<QStringList> ScriptedModalDriver::runOpenPanel(const OpenPanelRequest& request) {
    openPanelLog.push_back(request);
    if (openPanelAnswers.empty()) {
        ++unscriptedOpenPanelCount;
        return std::nullopt;
    }
    const OpenPanelAnswer answer = openPanelAnswers.front();
    openPanelAnswers.pop_front();
    if (answer.cancel)
        return std::nullopt;
    return answer.paths;
}

void ScriptedModalDriver::modalRunStarted(QWidget* window) {
    runLog.append(window->windowTitle());
    if (steps.empty()) {
        ++unscriptedRunCount;
        ModalRun::abortModal();
        return;
    }
    Step step = std::move(steps.front());
    steps.pop_front();
    step(window);
}

void ScriptedModalDriver::progressWindowShown(QWidget* window) {
    progressLog.append(window->windowTitle());
    if (progressSteps.empty())
        return;
    Step step = std::move(progressSteps.front());
    progressSteps.pop_front();
    step(window);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
