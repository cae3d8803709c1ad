// Work that may keep a device waiting, done on a thread of its own while the main thread's event
// loop goes on. The caller waits for it like for a modal run: input is held back for a short
// grace time, after which a progress window (busy indicator, a text and a Cancel button) shows
// window-modal over the caller's window. Cancel ends the wait at once; the work is asked to end
// and is left to finish on its thread. Its showing reaches the modal seam
// (ModalDriver::progressWindowShown), so tests press Cancel from a script.
#pragma once

#include "PlatformExport.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class DIRECTFAX_PLATFORM_EXPORT BackgroundWork {
public:
    enum class Outcome { Finished, Cancelled };

    struct Progress {
        QString text;        // beside the busy indicator
        QString cancelTitle; // the button
        // The window the progress is modal over; none: modal over the application.
        QPointer<QWidget> parent;
        // How long the work may take before the progress shows.
        std::chrono::milliseconds delay{300};
    };

    BackgroundWork() = default;
    // Asks unfinished work to end (its cancel function) and waits for the thread.
    ~BackgroundWork();
    BackgroundWork(const BackgroundWork&) = delete;
    BackgroundWork& operator=(const BackgroundWork&) = delete;

    // Runs `work` on a new thread, after the work of an earlier run has ended there, and waits,
    // the event loop going on, until it has ended (Finished) or the user cancelled (Cancelled).
    // On Cancelled, `cancel` has been called on this thread to ask the work to end soon; the
    // work still runs and must not touch what the caller may delete. Main thread only.
    Outcome run(std::function<void()> work, const Progress& progress, std::function<void()> cancel);

    // Whether work of an earlier run still goes on.
    bool busy() const;

private:
    struct State;
    std::thread thread;
    std::shared_ptr<State> last;
    std::function<void()> lastCancel;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
