#include "FaxOutSubmitter.h"

#include "CupsSubmitter.h"
#include "FaxRecord.h"
#include "PpdFeature.h"

#include <QTime>
#include <QTimeZone>
#include <cups/cups.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

constexpr int kQueryMs = 5000;

// The queue's printer-type, 0 when the scheduler does not tell it.
int printerType(const QString& queue) {
    http_t* http =
        httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, kQueryMs, nullptr);
    if (!http)
        return 0;
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                     "/printers/%s", queue.toUtf8().constData());
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "printer-type");
    ipp_t* response = cupsDoRequest(http, request, "/");
    ipp_attribute_t* type = ippFindAttribute(response, "printer-type", IPP_TAG_ENUM);
    const int value = type ? ippGetInteger(type, 0) : 0;
    ippDelete(response);
    httpClose(http);
    return value;
}

// The destination as the user knows it: its name, or its number when it has none.
QString shownName(const FaxOutPlan::Destination& destination) {
    return destination.name.isEmpty() ? destination.number : destination.name;
}

// Lets a held job go at once.
bool releaseJob(const QByteArray& queue, int job) {
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/jobs/%d",
                     job);
    ipp_t* request = ippNewRequest(IPP_OP_RELEASE_JOB);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippDelete(cupsDoRequest(CUPS_HTTP_DEFAULT, request, ("/printers/" + queue).constData()));
    return cupsLastError() <= IPP_STATUS_OK_CONFLICTING;
}

} // namespace

bool isCupsFaxQueue(const QString& queue, ppd_file_t* ppd, int knownPrinterType) {
    if (PpdIsCupsFaxQueue(ppd))
        return true;
    if (queue.isEmpty())
        return false;
    return ((knownPrinterType >= 0 ? knownPrinterType : printerType(queue)) & CUPS_PRINTER_FAX) != 0;
}

QString holdUntilUtc(const QString& localTime, const QDateTime& now) {
    const QTime time = QTime::fromString(localTime, QStringLiteral("HH:mm"));
    if (!time.isValid())
        return {};
    QDateTime at(now.date(), time, now.timeZone());
    if (at <= now)
        at = QDateTime(now.date().addDays(1), time, now.timeZone());
    return at.toUTC().time().toString(QStringLiteral("HH:mm:ss"));
}

std::optional<FaxOutPlan> faxOutPlan(const JobTicket& ticket, const QDateTime& now, QString* error) {
    faxjob::JobOptionList options;
    FaxOutPlan plan;
    for (const auto& [key, value] : ticket.jobOptions) {
        if (key == QLatin1String(kDialPrefixKey))
            plan.dialPrefix = value;
        else if (key.startsWith(QLatin1String(faxjob::kRecordPrefix)))
            options.add(key.toStdString(), value.toStdString());
    }
    std::string why;
    const auto record = faxjob::readFaxRecord(options, kCFStringEncodingUTF8, why);
    if (!record) {
        *error = QString::fromStdString(why);
        return std::nullopt;
    }
    for (const faxjob::FaxDestination& destination : record->destinations)
        plan.destinations.append(
            {QString::fromStdString(destination.name), QString::fromStdString(destination.phoneNumber)});
    if (record->delayedPrint)
        plan.holdUntil = holdUntilUtc(QString::fromStdString(record->delayedTime), now);
    return plan;
}

QString faxOutJobName(const QString& title, const FaxOutPlan::Destination& destination) {
    const QString to = destination.name.isEmpty()
                           ? destination.number
                           : QStringLiteral("%1 (%2)").arg(destination.name, destination.number);
    return QStringLiteral("%1 \u2192 %2").arg(title, to);
}

QList<int> submitFaxOut(const JobTicket& ticket, const HostDocument& document, const FaxOutPlan& plan,
                        QString* error) {
    QString format;
    const QByteArray data = CupsSubmitter::printableData(document, &format, error);
    if (data.isEmpty())
        return {};
    const QByteArray queue = ticket.queueName.toUtf8();
    QList<int> jobs;
    QString refused;
    for (const FaxOutPlan::Destination& destination : plan.destinations) {
        QList<QPair<QString, QString>> options{
            {QStringLiteral("phone"), destination.number},
            {QStringLiteral("job-hold-until"),
             plan.holdUntil.isEmpty() ? QStringLiteral("indefinite") : plan.holdUntil}};
        if (!plan.dialPrefix.isEmpty())
            options.append({QStringLiteral("faxPrefix"), plan.dialPrefix});
        const QString name = faxOutJobName(ticket.documentTitle, destination);
        const int job = CupsSubmitter::createJob(ticket, name, options, false);
        if (job != 0)
            jobs.append(job);
        if (job == 0 || !CupsSubmitter::sendDocument(ticket.queueName, job, name, format, data)) {
            refused = shownName(destination);
            break;
        }
    }
    // Every job is in: each goes at once, or waits for its time.
    for (int i = 0; refused.isEmpty() && plan.holdUntil.isEmpty() && i < jobs.size(); ++i) {
        if (!releaseJob(queue, jobs[i]))
            refused = shownName(plan.destinations[i]);
    }
    if (refused.isEmpty())
        return jobs;
    const QString reason = QString::fromUtf8(cupsLastErrorString());
    for (int job : jobs)
        cupsCancelJob2(CUPS_HTTP_DEFAULT, queue.constData(), job, 0);
    *error = QObject::tr(
                 "The printer \"%1\" did not take the fax to %2: %3. None of the fax's %n job(s) was sent.",
                 nullptr, int(plan.destinations.size()))
                 .arg(ticket.queueName, refused, reason);
    return {};
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
