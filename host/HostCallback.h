// The print dialog host's callback object: what a panel reaches of the print dialog. It lends
// the current printer's PPD, the job's print settings and print session, and applies the PPD
// choices the panels ask for.
#pragma once

#include "PdeProtocol.h"

#include <functional>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class HostCallback : public PdePluginCallback {
public:
    // Every pointer is borrowed and must outlive the callback; any of them may be null.
    HostCallback(ppd_file_t* ppd, PrintSettings* settings, PrintSession* session, Printer* printer);

    ppd_file_t* ppdFile() override { return ppd; }
    PrintSettings* printSettings() override { return settings; }
    PrintSession* printSession() override { return session; }
    Printer* PMPrinter() override { return printer; }
    // Marks `ppdChoice` of the option `keyword` in the PPD. Answers false, and marks nothing,
    // when there is no PPD or it has no such option or no such choice of it.
    bool willChangePPDOptionKeyValue(const QString& keyword, const QString& ppdChoice) override;

    // Called after every accepted change, so that the host can tell the other panels.
    void setChangeListener(std::function<void(const QString& keyword, const QString& choice)> listener);

private:
    ppd_file_t* ppd;
    PrintSettings* settings;
    PrintSession* session;
    Printer* printer;
    std::function<void(const QString&, const QString&)> changeListener;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
