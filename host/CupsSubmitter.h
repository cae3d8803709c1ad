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
    // Draws a text document into PDF; empty when it cannot. Drawing text takes the fonts of a GUI
    // application: programs with one get it from the host library (TextDrawing.cpp installs it
    // when linked), programs without one cannot send text.
    using TextDrawing = QByteArray (*)(const HostDocument& document);
    static void setTextDrawing(TextDrawing drawing);

    // The bytes CUPS gets for `document` and their MIME type: PDF and PostScript as they are,
    // text drawn into PDF. Empty with `error` set when the text cannot be drawn.
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

    // Create-Job on the ticket's queue named `jobName`: the ticket's PPD choices (those that
    // `jobOptions` does not name) and `jobOptions` through libcups' option encoding, and with
    // `withPrintSettings` every print-settings entry as one name value. The job id, or 0.
    static int createJob(const JobTicket& ticket, const QString& jobName,
                         const QList<QPair<QString, QString>>& jobOptions, bool withPrintSettings);
    // Send-Document of `data` as the job's only document; false when CUPS did not take it.
    static bool sendDocument(const QString& queue, int job, const QString& title, const QString& format,
                             const QByteArray& data);
    // The last CUPS error, as a sentence for the user.
    static QString refusal(const QString& queue);
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
