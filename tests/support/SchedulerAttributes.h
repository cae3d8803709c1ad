// Asks a CUPS scheduler (its socket's path, or HOST:PORT) for attributes and answers them as
// (name -> value text). With a certificate (PrivateCupsd::localCertificate) the request comes
// from the job's owner and sees its private values.
#pragma once

#include <QByteArray>
#include <QString>
#include <cups/cups.h>
#include <map>

inline std::map<QString, QString> askScheduler(const QString& server, ipp_t* request, const char* user,
                                               const QByteArray& certificate = {}) {
    std::map<QString, QString> attributes;
    const bool local = server.startsWith('/');
    const QByteArray host = local ? server.toLocal8Bit() : server.section(':', 0, 0).toLocal8Bit();
    http_t* http = httpConnect2(host.constData(), local ? 0 : server.section(':', 1).toInt(), nullptr,
                                local ? AF_LOCAL : AF_UNSPEC, HTTP_ENCRYPTION_IF_REQUESTED, 1, 5000, nullptr);
    if (!http) {
        ippDelete(request);
        return attributes;
    }
    if (!certificate.isEmpty())
        httpSetAuthString(http, "Local", certificate.constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, user);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "all");
    ipp_t* response = cupsDoRequest(http, request, "/");
    for (ipp_attribute_t* attr = ippFirstAttribute(response); attr; attr = ippNextAttribute(response)) {
        if (!ippGetName(attr))
            continue;
        char text[1024];
        ippAttributeString(attr, text, sizeof text);
        attributes[QString::fromUtf8(ippGetName(attr))] = QString::fromUtf8(text);
    }
    ippDelete(response);
    httpClose(http);
    return attributes;
}

// The attributes of `job` on `server`.
inline std::map<QString, QString> jobAttributesOf(const QString& server, int job, const char* user,
                                                  const QByteArray& certificate = {}) {
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const QByteArray uri = QStringLiteral("ipp://localhost/jobs/%1").arg(job).toUtf8();
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.constData());
    return askScheduler(server, request, user, certificate);
}
