// A printer the print dialog host can print to: its PPD (opened with libcups and owned here)
// and its CUPS queue name and device URI. Either a CUPS queue or the bundled sample fax printer.
#pragma once

#include "PpdFeature.h"
#include "PrintSettings.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class HostPrinter {
public:
    // Device URI of the bundled sample fax printer.
    static constexpr const char* kSampleDeviceURI = "socket://127.0.0.1";
    // Name the host shows for the sample printer and accepts for --printer.
    static constexpr const char* kSamplePrinterName = "DirectFax Sample Fax Printer";

    // Opens the PPD file at `ppdPath` for a printer with the given queue name and device URI;
    // null with `error` set when libcups cannot read the file.
    static std::unique_ptr<HostPrinter> openPpdFile(const QString& ppdPath, const QString& queueName,
                                                    const QString& deviceURI, const QString& displayName,
                                                    QString* error);
    // The bundled sample fax printer from its PPD at `ppdPath`.
    static std::unique_ptr<HostPrinter> openSample(const QString& ppdPath, QString* error);
    // The CUPS queue `queue` of the current CUPS server (cupsSetServer / CUPS_SERVER): its PPD
    // through cupsGetPPD2, its device URI from the queue's "device-uri" attribute, its default
    // options marked in the PPD. A raw queue (one without PPD) gives a printer without PPD.
    static std::unique_ptr<HostPrinter> openQueue(const QString& queue, QString* error);

    // Names of the queues of the current CUPS server; empty when there is none.
    static QStringList queueNames();
    // The "device-uri" attribute of `queue`, read with an IPP Get-Printer-Attributes request;
    // empty when the server does not give it.
    static QString queryDeviceURI(const QString& queue);

    HostPrinter(const HostPrinter&) = delete;
    HostPrinter& operator=(const HostPrinter&) = delete;

    ppd_file_t* ppd() const { return ppdFile.get(); }
    Printer* printer() { return &currentPrinter; }
    QString displayName() const { return name; }
    bool isSample() const { return currentPrinter.queueName.isEmpty(); }
    // The queue's printer-type as the scheduler gave it with the queue; -1 when it did not.
    int printerType() const { return queuePrinterType; }

private:
    HostPrinter() = default;

    PpdFilePtr ppdFile;
    Printer currentPrinter;
    QString name;
    int queuePrinterType = -1;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
