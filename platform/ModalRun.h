// Modal runs of windows and the one seam through which every modal run and alert passes.
//
// A window runs modally until something stops it: an action of the window calls
// ModalRun::stopModalWithCode(), or the window is hidden (closed, QDialog::accept/reject).
// Runs nest; a stop ends the innermost run. The interactive ModalDriver shows everything to the
// user; a ScriptedModalDriver answers alerts from a queue and drives each modal run with a
// scripted step, so tests run the real event loops without waiting for anybody.
#pragma once

#include "PlatformExport.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAbstractButton;
class QMessageBox;

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

using NSModalResponse = int;
inline constexpr NSModalResponse NSModalResponseStop = -1000;
inline constexpr NSModalResponse NSModalResponseAbort = -1001;
inline constexpr NSModalResponse NSAlertFirstButtonReturn = 1000;
inline constexpr NSModalResponse NSAlertSecondButtonReturn = 1001;
inline constexpr NSModalResponse NSAlertThirdButtonReturn = 1002;
// Answers of a file panel's modal run.
inline constexpr NSModalResponse NSModalResponseOK = 1;
inline constexpr NSModalResponse NSModalResponseCancel = 0;

// What an alert tells: a warning (most alerts), that something went as asked, or a failure
// that ends what the user was doing. The style picks the alert's icon.
enum NSAlertStyle { NSAlertStyleWarning = 0, NSAlertStyleInformational = 1, NSAlertStyleCritical = 2 };

// One alert as the caller asked for it; the texts are already localized.
struct AlertRequest {
    QString messageText;
    QString informativeText;
    // In order; the first answers NSAlertFirstButtonReturn, the next one more, and so on.
    QStringList buttons;
    // Window the alert belongs to, or null.
    QPointer<QWidget> parent;
    NSAlertStyle style = NSAlertStyleWarning;
};

// The message box the interactive driver shows for `request`: titled with the application's
// display name, its icon by the style, the buttons in order (the first the default, the last
// pressed by Escape). The answer of a pressed button is AlertAnswer(box.clickedButton()).
DIRECTFAX_PLATFORM_EXPORT std::unique_ptr<QMessageBox> CreateAlertBox(const AlertRequest& request);
// The answer of a button of such a box; NSModalResponseAbort for none.
DIRECTFAX_PLATFORM_EXPORT NSModalResponse AlertAnswer(const QAbstractButton* button);

// One open-file panel as the caller set it up (OpenPanel.h).
struct OpenPanelRequest {
    bool canChooseFiles = true;
    bool canChooseDirectories = false;
    bool allowsMultipleSelection = false;
    // Folder the panel starts in; empty: the panel's own choice.
    QString directory;
    QPointer<QWidget> parent;
};

class DIRECTFAX_PLATFORM_EXPORT ModalDriver {
public:
    virtual ~ModalDriver();
    // Shows the alert modally and answers the button pressed.
    virtual NSModalResponse runAlert(const AlertRequest& request) = 0;
    // Called from inside the modal run of `window`, once its event loop is running.
    virtual void modalRunStarted(QWidget* window) = 0;
    // Called once a progress window of BackgroundWork shows; its Cancel button is
    // "cancelButton". The user ends it, so nothing is done here.
    virtual void progressWindowShown(QWidget* window);
    // Runs an open-file panel modally and answers the full paths chosen, in the panel's order,
    // or none when it was cancelled. By default a file dialog run by runModalForWindow, so a
    // driver that only steers modal runs steers it too.
    virtual std::optional<QStringList> runOpenPanel(const OpenPanelRequest& request);
};

// The driver in use: the interactive one unless another was installed.
DIRECTFAX_PLATFORM_EXPORT ModalDriver& currentModalDriver();
// Installs `driver` (null: the interactive one again) and answers the one installed before.
DIRECTFAX_PLATFORM_EXPORT ModalDriver* setModalDriver(ModalDriver* driver);

class DIRECTFAX_PLATFORM_EXPORT ModalRun {
public:
    // Shows `window` application-modal and runs an event loop until the run is stopped;
    // answers the stop code. Hiding or deleting the window ends its run with NSModalResponseAbort. The
    // window is hidden again afterwards and its earlier modality restored. A null window
    // answers NSModalResponseAbort at once.
    static NSModalResponse runModalForWindow(QWidget* window);
    // Stops the innermost run with NSModalResponseStop; nothing when no run is active.
    static void stopModal();
    static void stopModalWithCode(NSModalResponse code);
    // Stops the innermost run with NSModalResponseAbort.
    static void abortModal();
    // What a window's own closing action does: hides `window` and, when its run is the innermost
    // one, stops it with NSModalResponseStop.
    static void endModalForWindow(QWidget* window);
    // Number of runs in progress, and the window of the innermost one (null when none).
    static int modalDepth();
    static QWidget* modalWindow();
    // Number of runs started so far in this process: a caller tells from it whether the user was
    // asked something in between.
    static quint64 modalRunCount();
};

// One modal run of a dialog that only its own actions end (Send, OK, Cancel: they call end()).
// A dialog that goes away any other way (its window's close button, Escape, an aborted run) is
// cancelled: run() calls `cancel` before it returns.
class DIRECTFAX_PLATFORM_EXPORT ModalSession {
public:
    void run(QWidget* window, const std::function<void()>& cancel);
    // Hides the window of the run and stops the run.
    void end();

private:
    QPointer<QWidget> window;
    bool ended = false;
};

// A driver for tests: installs itself on creation and puts the earlier driver back when destroyed.
// Alerts take the next queued answer; each modal run executes the next queued step inside its
// event loop, and the step stops the run (clicking a button of the window or calling
// ModalRun::stopModalWithCode). An alert with no answer queued answers `unscriptedAlertAnswer`,
// a modal run with no step queued is aborted at once; both are counted, so that a test can
// tell that something unexpected was asked.
class DIRECTFAX_PLATFORM_EXPORT ScriptedModalDriver : public ModalDriver {
public:
    using Step = std::function<void(QWidget* window)>;

    ScriptedModalDriver();
    ~ScriptedModalDriver() override;
    ScriptedModalDriver(const ScriptedModalDriver&) = delete;
    ScriptedModalDriver& operator=(const ScriptedModalDriver&) = delete;

    void queueAlertAnswer(NSModalResponse answer);
    void queueModalStep(Step step);
    // A step that stops the run with `code`.
    void queueModalStop(NSModalResponse code);
    // A step run when the next progress window shows (pressing its Cancel, say); a progress
    // window with no step queued is left to its work.
    void queueProgressStep(Step step);
    // The next open-file panel chooses these paths, or is cancelled.
    void queueOpenPanelAnswer(const QStringList& paths);
    void queueOpenPanelCancel();

    // Every alert asked for, in order.
    const std::vector<AlertRequest>& alerts() const { return alertLog; }
    // Window titles of the modal runs started, in order.
    const QStringList& modalRuns() const { return runLog; }
    // Texts of the progress windows shown, in order.
    const QStringList& progressWindows() const { return progressLog; }
    // Every open-file panel run, in order; one with no answer queued is cancelled and counted.
    const std::vector<OpenPanelRequest>& openPanels() const { return openPanelLog; }
    int unscriptedAlerts() const { return unscriptedAlertCount; }
    int unscriptedModalRuns() const { return unscriptedRunCount; }
    int unscriptedOpenPanels() const { return unscriptedOpenPanelCount; }
    int pendingAlertAnswers() const { return static_cast<int>(alertAnswers.size()); }
    int pendingModalSteps() const { return static_cast<int>(steps.size()); }

    NSModalResponse unscriptedAlertAnswer = NSAlertFirstButtonReturn;

    NSModalResponse runAlert(const AlertRequest& request) override;
    void modalRunStarted(QWidget* window) override;
    void progressWindowShown(QWidget* window) override;
    std::optional<QStringList> runOpenPanel(const OpenPanelRequest& request) override;

private:
    ModalDriver* previous = nullptr;
    std::deque<NSModalResponse> alertAnswers;
    std::deque<Step> steps;
    std::deque<Step> progressSteps;
    struct OpenPanelAnswer {
        bool cancel = false;
        QStringList paths;
    };
    std::deque<OpenPanelAnswer> openPanelAnswers;
    std::vector<AlertRequest> alertLog;
    QStringList runLog;
    QStringList progressLog;
    std::vector<OpenPanelRequest> openPanelLog;
    int unscriptedAlertCount = 0;
    int unscriptedRunCount = 0;
    int unscriptedOpenPanelCount = 0;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
