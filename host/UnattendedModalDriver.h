// The modal driver of a dry run: nobody is there to answer, so every window run modally (the
// fax-job dialog) is cancelled as if closed, and every alert is answered with its last button
// (what Escape presses); each is reported, so that the user learns why the job stopped.
#pragma once

#include "ModalRun.h"

#include <functional>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class UnattendedModalDriver : public ModalDriver {
public:
    using Report = std::function<void(const QString& message)>;

    // Installs itself; the earlier driver is put back when it goes.
    explicit UnattendedModalDriver(Report report);
    ~UnattendedModalDriver() override;
    UnattendedModalDriver(const UnattendedModalDriver&) = delete;
    UnattendedModalDriver& operator=(const UnattendedModalDriver&) = delete;

    NSModalResponse runAlert(const AlertRequest& request) override;
    void modalRunStarted(QWidget* window) override;

private:
    Report report;
    ModalDriver* previous = nullptr;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
