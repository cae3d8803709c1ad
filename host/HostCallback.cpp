#include "HostCallback.h"

#include "PpdFeature.h"

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

HostCallback::HostCallback(ppd_file_t* ppd, PrintSettings* settings, PrintSession* session, Printer* printer)
    : ppd(ppd), settings(settings), session(session), printer(printer) {}

bool HostCallback::willChangePPDOptionKeyValue(const QString& keyword, const QString& ppdChoice) {
    if (!PpdMarkOption(ppd, keyword, ppdChoice))
        return false;
    if (changeListener)
        changeListener(keyword, ppdChoice);
    return true;
}

void HostCallback::setChangeListener(std::function<void(const QString&, const QString&)> listener) {
    changeListener = std::move(listener);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
