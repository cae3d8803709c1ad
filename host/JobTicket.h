// What the host submits for a print job: the printer, the document, the destination, the PPD
// choices marked and every print-settings entry as a job option.
#pragma once

#include "PrintSettings.h"

#include <QList>
#include <QPair>
#include <QString>

typedef struct ppd_file_s ppd_file_t;

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class HostDocument;
class HostPrinter;

struct JobTicket {
    QString printerName;
    QString queueName; // empty for the sample printer
    QString deviceURI;
    QString documentTitle;
    QString documentPath; // empty for the built-in sample
    QString documentFormat;
    PMDestinationType destination = kPMDestinationPrinter;
    // A CUPS fax queue of any printer (FaxOutSubmitter.h): one job per destination.
    bool cupsFaxQueue = false;
    QList<QPair<QString, QString>> ppdChoices; // (main keyword, choice keyword), by keyword
    QList<QPair<QString, QString>> jobOptions; // (print-settings key, value), sorted by key

    // One line per fact, then "ppd KEY=CHOICE" and "option KEY=VALUE" lines.
    QString toText() const;
};

// The marked choice of every option of `ppd`, by keyword.
QList<QPair<QString, QString>> markedChoices(ppd_file_t* ppd);

JobTicket makeJobTicket(HostPrinter& printer, const HostDocument& document, const PrintSettings& settings,
                        const PrintSession& session);

// "printer", "file", "preview" and the like, as the host names destinations.
QString destinationName(PMDestinationType type);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
