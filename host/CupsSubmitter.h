// Hands a print job to a CUPS queue: the document (a text document rendered to PDF first) with
// every marked PPD choice and every print-settings entry as a job option.
#pragma once

#include "JobTicket.h"

#include <QByteArray>
#include <QString>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class HostDocument;

class CupsSubmitter {
public:
    // The bytes CUPS gets for `document` and their MIME type: PDF and PostScript as they are,
    // text rendered to PDF. Empty with `error` set when the text cannot be rendered.
    static QByteArray printableData(const HostDocument& document, QString* format, QString* error);

    // True when Print makes a CUPS job of `ticket`: a printer destination with a queue behind it.
    // A PDF file or a preview is not the print system's to make, and the sample printer has no
    // queue.
    static bool makesJob(const JobTicket& ticket) {
        return ticket.destination == kPMDestinationPrinter && !ticket.queueName.isEmpty();
    }

    // Submits `document` to the queue of `ticket` on the current CUPS server (cupsSetServer or
    // CUPS_SERVER): cupsCreateJob with the ticket's options, then the document. Answers the job
    // id, or 0 with `error` set to a sentence for the user.
    static int submit(const JobTicket& ticket, const HostDocument& document, QString* error);
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
