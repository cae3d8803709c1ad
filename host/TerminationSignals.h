// SIGTERM, SIGINT and SIGHUP end the program as closing its dialog does: every event loop ends
// (an open fax-job dialog counts as cancelled), so that the demo fax printer's scheduler and
// emulator are stopped and its private folder removed instead of being left running.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class TerminationSignals : public QObject {
public:
    // Catches the signals until destroyed; one object at a time.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // The signal that arrived first, 0 while none has.
    int received() const { return signalNumber; }

private:
    void readSignal();

    QSocketNotifier* notifier = nullptr;
    int signalNumber = 0;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
