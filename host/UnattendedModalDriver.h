// The modal driver of a dry run: nobody is there to answer, so every window run modally (the
// fax-job dialog) is cancelled as if closed, and every alert is answered with its last button
// (what Escape presses); each is reported, so that the user learns why the job stopped. Given fax
// numbers, the fax-job dialog is answered with them instead.
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

    // The fax-job dialog is answered instead: each number added as a destination, then Send.
    void setFaxDestinations(const QStringList& numbers) { faxDestinations = numbers; }

    NSModalResponse runAlert(const AlertRequest& request) override;
    void modalRunStarted(QWidget* window) override;

private:
    bool answerFaxDialog(QWidget* window);

    Report report;
    QStringList faxDestinations;
    ModalDriver* previous = nullptr;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
