#include "JobTicket.h"

#include "FaxOutSubmitter.h"
#include "HostDocument.h"
#include "HostPrinter.h"

#include <QTextStream>
#include <cups/ppd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

QString destinationName(PMDestinationType type) {
    switch (type) {
    case kPMDestinationPrinter:
        return QStringLiteral("printer");
    case kPMDestinationFile:
        return QStringLiteral("file");
    case kPMDestinationFax:
        return QStringLiteral("fax");
    case kPMDestinationPreview:
        return QStringLiteral("preview");
    case kPMDestinationProcessPDF:
        return QStringLiteral("process-pdf");
    case kPMDestinationInvalid:
        break;
    }
    return QStringLiteral("invalid");
}

QList<QPair<QString, QString>> markedChoices(ppd_file_t* ppd) {
    QList<QPair<QString, QString>> choices;
    if (!ppd)
        return choices;
    for (ppd_option_t* option = ppdFirstOption(ppd); option; option = ppdNextOption(ppd)) {
        if (ppd_choice_t* marked = ppdFindMarkedChoice(ppd, option->keyword))
            choices.append({QString::fromUtf8(option->keyword), QString::fromUtf8(marked->choice)});
    }
    return choices;
}

JobTicket makeJobTicket(HostPrinter& printer, const HostDocument& document, const PrintSettings& settings,
                        const PrintSession& session) {
    JobTicket ticket;
    ticket.printerName = printer.displayName();
    ticket.queueName = printer.printer()->queueName;
    ticket.deviceURI = printer.printer()->deviceURI;
    ticket.documentTitle = document.title();
    ticket.documentPath = document.path();
    ticket.documentFormat = document.format();
    ticket.destination = session.destinationType;
    ticket.ppdChoices = markedChoices(printer.ppd());
    ticket.cupsFaxQueue =
        !ticket.queueName.isEmpty() && isCupsFaxQueue(ticket.queueName, printer.ppd(), printer.printerType());
    for (const QString& key : settings.keys())
        ticket.jobOptions.append({key, settings.value(key).value_or(QString())});
    return ticket;
}

QString JobTicket::toText() const {
    QString text;
    QTextStream out(&text);
    out << "printer: " << printerName << '\n';
    out << "queue: " << (queueName.isEmpty() ? QStringLiteral("(sample printer, no queue)") : queueName)
        << '\n';
    out << "device-uri: " << deviceURI << '\n';
    out << "destination: " << destinationName(destination) << '\n';
    out << "document: " << documentTitle << " (" << documentFormat << ")";
    if (!documentPath.isEmpty())
        out << ' ' << documentPath;
    out << '\n';
    for (const auto& [keyword, choice] : ppdChoices)
        out << "ppd " << keyword << '=' << choice << '\n';
    for (const auto& [key, value] : jobOptions)
        out << "option " << key << '=' << value << '\n';
    return text;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
