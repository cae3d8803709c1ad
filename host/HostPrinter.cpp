#include "HostPrinter.h"

#include "FaxPrinter.h"

#include <QFile>
#include <algorithm>
#include <cstring>
#include <cups/cups.h>
#include <cups/ppd.h>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

QString ppdErrorText(const QString& path) {
    int line = 0;
    ppd_status_t status = ppdLastError(&line);
    return QStringLiteral("Cannot read the PPD \"%1\": %2 (line %3)")
        .arg(path, QString::fromUtf8(ppdErrorString(status)))
        .arg(line);
}

// One CUPS destination, as cupsGetNamedDest answers it.
struct DestinationFree {
    void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
};
using DestinationPtr = std::unique_ptr<cups_dest_t, DestinationFree>;

} // namespace

std::unique_ptr<HostPrinter> HostPrinter::openPpdFile(const QString& ppdPath, const QString& queueName,
                                                      const QString& deviceURI, const QString& displayName,
                                                      QString* error) {
    PpdFilePtr ppd = PpdOpenFile(ppdPath);
    if (!ppd) {
        if (error)
            *error = ppdErrorText(ppdPath);
        return nullptr;
    }
    // Option, choice and group texts in the user's language, where the PPD carries them.
    ppdLocalize(ppd.get());
    PpdMarkDefaults(ppd.get());
    std::unique_ptr<HostPrinter> printer(new HostPrinter);
    printer->ppdFile = std::move(ppd);
    printer->currentPrinter.queueName = queueName;
    printer->currentPrinter.deviceURI = deviceURI;
    printer->name = displayName;
    return printer;
}

std::unique_ptr<HostPrinter> HostPrinter::openSample(const QString& ppdPath, QString* error) {
    return openPpdFile(ppdPath, {}, QString::fromLatin1(kSampleDeviceURI),
                       QString::fromLatin1(kSamplePrinterName), error);
}

std::unique_ptr<HostPrinter> HostPrinter::openQueue(const QString& queue, QString* error) {
    const QByteArray queueName = queue.toUtf8();
    const char* ppdPath = cupsGetPPD2(CUPS_HTTP_DEFAULT, queueName.constData());
    const QString ppdError = QString::fromUtf8(cupsLastErrorString());
    // cupsGetPPD2 answers a temporary copy that the caller removes.
    const QString localPpd = ppdPath ? QFile::decodeName(ppdPath) : QString();

    const DestinationPtr dest(cupsGetNamedDest(CUPS_HTTP_DEFAULT, queueName.constData(), nullptr));
    if (!dest && localPpd.isEmpty()) {
        if (error)
            *error = QStringLiteral("No CUPS queue \"%1\" (%2)").arg(queue, ppdError);
        return nullptr;
    }
    QString deviceURI;
    if (dest)
        deviceURI = QString::fromUtf8(cupsGetOption("device-uri", dest->num_options, dest->options));
    if (deviceURI.isEmpty())
        deviceURI = queryDeviceURI(queue);

    if (localPpd.isEmpty()) {
        // A raw queue has no PPD; its panels get none.
        std::unique_ptr<HostPrinter> printer(new HostPrinter);
        printer->currentPrinter.queueName = queue;
        printer->currentPrinter.deviceURI = deviceURI;
        printer->name = queue;
        return printer;
    }
    auto printer = openPpdFile(localPpd, queue, deviceURI, queue, error);
    QFile::remove(localPpd);
    if (printer && dest) {
        cupsMarkOptions(printer->ppd(), dest->num_options, dest->options);
        bool known = false;
        const int type =
            QByteArray(cupsGetOption("printer-type", dest->num_options, dest->options)).toInt(&known);
        if (known)
            printer->queuePrinterType = type;
    }
    return printer;
}

QStringList HostPrinter::queueNames() {
    // The names (and device URIs) only: a server with hundreds of queues would otherwise send
    // every attribute of each (cupsGetDests2) while the dialog shows none of them. Instances
    // (lpoptions -p queue/instance) share their queue's PPD and are not listed anyway.
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    static const char* const wanted[] = {"printer-name", "device-uri"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr, wanted);
    std::vector<QByteArray> names;
    if (ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/")) {
        QByteArray name, uri;
        const auto take = [&] {
            // The fax printer for every program opens this dialog: printing to it from here
            // would only open another one.
            if (!name.isEmpty() && !uri.startsWith(FaxPrinter::kDeviceUri))
                names.push_back(name);
            name.clear();
            uri.clear();
        };
        for (ipp_attribute_t* attr = ippFirstAttribute(response); attr; attr = ippNextAttribute(response)) {
            const char* attrName = ippGetName(attr);
            if (!attrName) {
                take(); // the end of one printer's group
            } else if (!std::strcmp(attrName, "printer-name") && ippGetValueTag(attr) == IPP_TAG_NAME) {
                name = ippGetString(attr, 0, nullptr);
            } else if (!std::strcmp(attrName, "device-uri") && ippGetValueTag(attr) == IPP_TAG_URI) {
                uri = ippGetString(attr, 0, nullptr);
            }
        }
        take();
        ippDelete(response);
    }
    // In the order libcups lists destinations: by name, ASCII letters compared without their case.
    const auto folded = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    std::stable_sort(names.begin(), names.end(), [&](const QByteArray& a, const QByteArray& b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) {
            return static_cast<unsigned char>(folded(x)) < static_cast<unsigned char>(folded(y));
        });
    });
    QStringList list;
    for (const QByteArray& name : names)
        list << QString::fromUtf8(name);
    return list;
}

QString HostPrinter::queryDeviceURI(const QString& queue) {
    char uri[HTTP_MAX_URI];
    if (httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof(uri), "ipp", nullptr, "localhost", ippPort(),
                         "/printers/%s", queue.toUtf8().constData()) != HTTP_URI_STATUS_OK) {
        return {};
    }
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "device-uri");
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    QString deviceURI;
    if (response) {
        if (ipp_attribute_t* attr = ippFindAttribute(response, "device-uri", IPP_TAG_URI))
            deviceURI = QString::fromUtf8(ippGetString(attr, 0, nullptr));
        ippDelete(response);
    }
    return deviceURI;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
