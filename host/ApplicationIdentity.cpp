#include "ApplicationIdentity.h"

#include <QGuiApplication>
#include <QIcon>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

void applyApplicationIdentity() {
    QGuiApplication::setApplicationDisplayName(QString::fromLatin1(kApplicationDisplayName));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopEntryId));
    QGuiApplication::setWindowIcon(QIcon(QString::fromLatin1(kApplicationIconResource)));
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
