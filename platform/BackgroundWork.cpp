#include "BackgroundWork.h"

#include "ModalRun.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <mutex>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

// What the worker thread and the waiting main thread share of one run.
struct BackgroundWork::State {
    std::mutex mutex;
    bool finished = false;
    // The main thread's loop while it waits; the worker wakes it through a queued call.
    QEventLoop* loop = nullptr;
    bool cancelled = false; // main thread only
};

namespace {

// The progress window: a busy indicator beside the text, and Cancel (also Escape and closing).
std::unique_ptr<QDialog> makeProgressWindow(const BackgroundWork::Progress& progress) {
    auto window = std::make_unique<QDialog>(progress.parent.data());
    window->setObjectName(QStringLiteral("progressWindow"));
    window->setWindowTitle(progress.text);
    window->setWindowModality(progress.parent ? Qt::WindowModal : Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(window.get());
    layout->addWidget(new QLabel(progress.text, window.get()));
    auto* busy = new QProgressBar(window.get());
    busy->setRange(0, 0);
    busy->setTextVisible(false);
    layout->addWidget(busy);
    auto* buttons = new QDialogButtonBox(window.get());
    QPushButton* cancel = buttons->addButton(progress.cancelTitle, QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    QObject::connect(buttons, &QDialogButtonBox::rejected, window.get(), &QDialog::reject);
    layout->addWidget(buttons);
    return window;
}

} // namespace

BackgroundWork::~BackgroundWork() {
    if (busy() && !last->cancelled && lastCancel)
        lastCancel();
    if (thread.joinable())
        thread.join();
}

bool BackgroundWork::busy() const {
    if (!last)
        return false;
    std::lock_guard lock(last->mutex);
    return !last->finished;
}

BackgroundWork::Outcome BackgroundWork::run(std::function<void()> work, const Progress& progress,
                                            std::function<void()> cancel) {
    QEventLoop loop;
    auto state = std::make_shared<State>();
    state->loop = &loop;
    last = state;
    lastCancel = cancel;
    // The new thread first waits for the one before, so runs never overlap, and the destructor
    // waits for all of them by waiting for the last.
    thread = std::thread([previous = std::move(thread), work = std::move(work), state]() mutable {
        if (previous.joinable())
            previous.join();
        try {
            work();
        } catch (...) {
        }
        std::lock_guard lock(state->mutex);
        state->finished = true;
        if (QEventLoop* waiting = state->loop)
            QMetaObject::invokeMethod(
                waiting, [waiting] { waiting->exit(0); }, Qt::QueuedConnection);
    });
    const auto finished = [&state] {
        std::lock_guard lock(state->mutex);
        return state->finished;
    };

    // A quick piece of work shows nothing; meanwhile input waits for it.
    QTimer grace;
    grace.setSingleShot(true);
    QObject::connect(&grace, &QTimer::timeout, &loop, [&loop] { loop.exit(0); });
    grace.start(progress.delay);
    if (!finished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    grace.stop();

    if (!finished()) {
        const std::unique_ptr<QDialog> window = makeProgressWindow(progress);
        QObject::connect(window.get(), &QDialog::rejected, &loop, [&state, &loop] {
            state->cancelled = true;
            loop.exit(0);
        });
        window->show();
        QTimer::singleShot(0, window.get(),
                           [shown = window.get()] { currentModalDriver().progressWindowShown(shown); });
        while (!state->cancelled && !finished())
            loop.exec();
    }
    {
        std::lock_guard lock(state->mutex);
        state->loop = nullptr;
    }
    if (!state->cancelled)
        return Outcome::Finished;
    if (cancel)
        cancel();
    return Outcome::Cancelled;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
