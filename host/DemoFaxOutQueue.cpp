// The demo printer's second queue, "Fax", on the emulator's IPP FaxOut service, made the way a
// Linux system makes one for such a printer: its PPD generated from the printer's own attributes
// by cups-filters' driverless-fax, and CUPS's own "ipp" backend, which turns the job options
// "phone" and "faxPrefix" into the job's destination-uris.
#include "DemoFaxPrinter.h"

#include <QFile>
#include <QProcess>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

constexpr int kPpdMs = 20000;

// The PPD generator of cups-filters for fax printers, as a user or CUPS calls it.
const QStringList kDriverlessFax{QStringLiteral("/usr/lib/cups/driver/driverless-fax"),
                                 QStringLiteral("/usr/libexec/cups/driver/driverless-fax"),
                                 QStringLiteral("/usr/bin/driverless-fax")};
const QStringList kIppBackends{QStringLiteral("/usr/lib/cups/backend/ipp"),
                               QStringLiteral("/usr/libexec/cups/backend/ipp")};
const QStringList kFilterFolders{QStringLiteral("/usr/lib/cups/filter"),
                                 QStringLiteral("/usr/libexec/cups/filter")};

QString firstExisting(const QStringList& paths) {
    for (const QString& path : paths)
        if (QFile::exists(path))
            return path;
    return {};
}

} // namespace

bool DemoFaxPrinter::installFaxOutPrograms(const QString& bin, QString* error) {
    // CUPS's ipp backend, copied so that it is this user's alone (0700): a root scheduler runs
    // such a backend as root, the emulator's own user, whom alone its FaxOut service serves.
    const QString ipp = firstExisting(kIppBackends);
    const QString backend = bin + QStringLiteral("/backend/ipp");
    bool made = !ipp.isEmpty() && QFile::copy(ipp, backend) &&
                QFile::setPermissions(backend, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // cups-filters' pdftopdf, which takes the PDF documents to the PPD's application/vnd.cups-pdf.
    // Only it: the other system filters would open other ways to the DirectFax queue's filter.
    const QString pdftopdf = firstExisting(
        {kFilterFolders[0] + QStringLiteral("/pdftopdf"), kFilterFolders[1] + QStringLiteral("/pdftopdf")});
    made = made && !pdftopdf.isEmpty() && QFile::link(pdftopdf, bin + QStringLiteral("/filter/pdftopdf"));
    if (!made)
        *error = QObject::tr("CUPS's ipp backend or cups-filters' pdftopdf could not be prepared in \"%1\".")
                     .arg(bin);
    return made;
}

bool DemoFaxPrinter::addFaxOutQueue(QString* error) {
    const QString generator = firstExisting(kDriverlessFax);
    if (generator.isEmpty()) {
        *error = QObject::tr("cups-filters' driverless-fax is not installed (Debian package cups-filters).");
        return false;
    }
    QProcess driverless;
    driverless.start(generator, {faxOutServiceUri});
    const bool ran = driverless.waitForFinished(kPpdMs) && driverless.exitStatus() == QProcess::NormalExit &&
                     driverless.exitCode() == 0;
    const QByteArray ppd = driverless.readAllStandardOutput();
    if (!ran || !ppd.startsWith("*PPD-Adobe")) {
        driverless.kill();
        *error =
            QObject::tr("No PPD could be made for the fax printer at %1: %2")
                .arg(faxOutServiceUri, QString::fromLocal8Bit(driverless.readAllStandardError()).trimmed());
        return false;
    }
    return addQueueWithPpd(faxOutQueue(), faxOutServiceUri, QStringLiteral("FaxOutQueue.ppd"), ppd, error);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
