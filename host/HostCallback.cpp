#include "HostCallback.h"

#include <cups/ppd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

HostCallback::HostCallback(ppd_file_t* ppd, PrintSettings* settings, PrintSession* session, Printer* printer)
    : ppd(ppd), settings(settings), session(session), printer(printer) {}

bool HostCallback::willChangePPDOptionKeyValue(const QString& keyword, const QString& ppdChoice) {
    if (!ppd)
        return false;
    const QByteArray option = keyword.toUtf8();
    const QByteArray choice = ppdChoice.toUtf8();
    ppd_option_t* found = ppdFindOption(ppd, option.constData());
    if (!found || !ppdFindChoice(found, choice.constData()))
        return false;
    ppdMarkOption(ppd, option.constData(), choice.constData());
    if (changeListener)
        changeListener(keyword, ppdChoice);
    return true;
}

void HostCallback::setChangeListener(std::function<void(const QString&, const QString&)> listener) {
    changeListener = std::move(listener);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
