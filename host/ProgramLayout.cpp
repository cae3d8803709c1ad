#include "ProgramLayout.h"

#include <QDir>
#include <QFileInfo>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

ProgramLayout ProgramLayout::forProgramFolder(const QString& programFolder) {
    const QDir bin(programFolder);
    auto at = [&](const char* relative, const char* file) {
        return QDir::cleanPath(
            bin.filePath(QString::fromUtf8(relative) + QLatin1Char('/') + QLatin1String(file)));
    };
    ProgramLayout installed{at(DIRECTFAX_REL_PLUGINDIR, ""),
                            at(DIRECTFAX_REL_DATADIR, "samples/DirectFaxSample.ppd"),
                            at(DIRECTFAX_REL_DATADIR, "samples/DemoAddressBook.json"),
                            at(DIRECTFAX_REL_LIBEXECDIR, "directfax-device-emulator"),
                            at(DIRECTFAX_REL_FILTERDIR, "directfax-fax-filter"),
                            at(DIRECTFAX_REL_LIBEXECDIR, "directfax-backend"),
                            at(DIRECTFAX_REL_DATADIR, "samples/DirectFaxFaxPrinter.ppd"),
                            at(DIRECTFAX_REL_LIBEXECDIR, "directfax-handover"),
                            at(".", "directfax-fax-agent"),
                            true};
    if (QFileInfo::exists(installed.samplePpd))
        return installed;
    return {at("../plugins", ""),
            at("samples", "DirectFaxSample.ppd"),
            at("samples", "DemoAddressBook.json"),
            at("../tools/device-emulator", "directfax-device-emulator"),
            at("../tools/fax-filter", "directfax-fax-filter"),
            at("../tools/print-backend", "directfax-backend"),
            at("samples", "DirectFaxFaxPrinter.ppd"),
            at("../tools/fax-handover", "directfax-handover"),
            at("../tools/fax-agent", "directfax-fax-agent"),
            false};
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
