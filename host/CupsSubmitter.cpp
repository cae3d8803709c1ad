#include "CupsSubmitter.h"

#include "HostDocument.h"

#include <QObject>
#include <algorithm>
#include <cups/cups.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

CupsSubmitter::TextDrawing textDrawing = nullptr;

// The PPD choices of a job, freed on scope exit.
struct Options {
    int count = 0;
    cups_option_t* list = nullptr;
    ~Options() { cupsFreeOptions(count, list); }
    void add(const QString& name, const QString& value) {
        count = cupsAddOption(name.toUtf8().constData(), value.toUtf8().constData(), count, &list);
    }
};

} // namespace

// Creates the job. The PPD choices are keywords and go through libcups' option encoding; the
// print settings are texts of any content (a sender named "{Sales}", a value with commas, quotes
// or backslashes) and go as one name value each, byte for byte, as that encoding would read
// braces as a collection and commas as a list.
int CupsSubmitter::createJob(const JobTicket& ticket, const QString& jobName,
                             const QList<QPair<QString, QString>>& jobOptions, bool withPrintSettings) {
    const QByteArray queue = ticket.queueName.toUtf8();
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                     "/printers/%s", queue.constData());
    ipp_t* request = ippNewRequest(IPP_OP_CREATE_JOB);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, jobName.toUtf8().constData());
    Options choices;
    for (const auto& [keyword, choice] : ticket.ppdChoices)
        if (std::none_of(jobOptions.begin(), jobOptions.end(),
                         [&](const auto& o) { return o.first == keyword; }))
            choices.add(keyword, choice);
    for (const auto& [name, value] : jobOptions)
        choices.add(name, value);
    cupsEncodeOptions2(request, choices.count, choices.list, IPP_TAG_OPERATION);
    cupsEncodeOptions2(request, choices.count, choices.list, IPP_TAG_JOB);
    for (const auto& [key, value] : withPrintSettings ? ticket.jobOptions : QList<QPair<QString, QString>>())
        ippAddString(request, IPP_TAG_JOB, IPP_TAG_NAME, key.toUtf8().constData(), nullptr,
                     value.toUtf8().constData());
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, ("/printers/" + queue).constData());
    ipp_attribute_t* id = ippFindAttribute(response, "job-id", IPP_TAG_INTEGER);
    const int job = cupsLastError() <= IPP_STATUS_OK_CONFLICTING && id ? ippGetInteger(id, 0) : 0;
    ippDelete(response);
    return job;
}

QString CupsSubmitter::refusal(const QString& queue) {
    return QObject::tr("The printer \"%1\" did not take the job: %2")
        .arg(queue, QString::fromUtf8(cupsLastErrorString()));
}

bool CupsSubmitter::sendDocument(const QString& queueName, int job, const QString& title,
                                 const QString& format, const QByteArray& data) {
    const QByteArray queue = queueName.toUtf8();
    const bool sent = cupsStartDocument(CUPS_HTTP_DEFAULT, queue.constData(), job, title.toUtf8().constData(),
                                        format.toUtf8().constData(), 1) == HTTP_STATUS_CONTINUE &&
                      cupsWriteRequestData(CUPS_HTTP_DEFAULT, data.constData(), size_t(data.size())) ==
                          HTTP_STATUS_CONTINUE;
    // Finish the request in any case, so that the connection is ready for the next one.
    const ipp_status_t finished = cupsFinishDocument(CUPS_HTTP_DEFAULT, queue.constData());
    return sent && finished <= IPP_STATUS_OK_EVENTS_COMPLETE;
}

void CupsSubmitter::setTextDrawing(TextDrawing drawing) {
    textDrawing = drawing;
}

QByteArray CupsSubmitter::printableData(const HostDocument& document, QString* format, QString* error) {
    if (document.format() != QLatin1String("text/plain")) {
        *format = document.format();
        return document.data();
    }
    const QByteArray pdf = textDrawing ? textDrawing(document) : QByteArray();
    if (pdf.isEmpty()) {
        *error = QObject::tr("The text \"%1\" could not be prepared for printing.").arg(document.title());
        return {};
    }
    *format = QStringLiteral("application/pdf");
    return pdf;
}

int CupsSubmitter::submit(const JobTicket& ticket, const HostDocument& document, QString* error) {
    QString format;
    const QByteArray data = printableData(document, &format, error);
    if (data.isEmpty())
        return 0;
    const int job = createJob(ticket, ticket.documentTitle, {}, true);
    if (job == 0) {
        *error = refusal(ticket.queueName);
        return 0;
    }
    if (!sendDocument(ticket.queueName, job, ticket.documentTitle, format, data)) {
        *error = refusal(ticket.queueName);
        cupsCancelJob2(CUPS_HTTP_DEFAULT, ticket.queueName.toUtf8().constData(), job, 0);
        return 0;
    }
    return job;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
