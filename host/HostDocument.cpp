#include "HostDocument.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

constexpr const char* kSampleText = "DirectFax sample document\n"
                                    "\n"
                                    "This page was printed from the DirectFax print dialog host.\n"
                                    "Send it to the sample fax printer to try the Fax Settings panel\n"
                                    "and the fax-job dialog without a real printer.\n";

bool isText(const QByteArray& data) {
    if (data.contains('\0'))
        return false;
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(data);
    return !decoder.hasError();
}

} // namespace

QString HostDocument::formatOf(const QByteArray& data) {
    if (data.startsWith("%PDF-"))
        return QStringLiteral("application/pdf");
    if (data.startsWith("%!"))
        return QStringLiteral("application/postscript");
    if (isText(data))
        return QStringLiteral("text/plain");
    return {};
}

std::optional<HostDocument> HostDocument::open(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot open \"%1\": %2").arg(path, file.errorString());
        return std::nullopt;
    }
    HostDocument document;
    document.bytes = file.readAll();
    document.mimeType = formatOf(document.bytes);
    if (document.mimeType.isEmpty()) {
        if (error)
            *error = QStringLiteral("\"%1\" is neither a PDF, a PostScript nor a text file").arg(path);
        return std::nullopt;
    }
    document.filePath = QFileInfo(path).absoluteFilePath();
    document.documentTitle = QFileInfo(path).fileName();
    return document;
}

HostDocument HostDocument::sample() {
    HostDocument document;
    document.bytes = QByteArray(kSampleText);
    document.mimeType = QStringLiteral("text/plain");
    document.documentTitle = QStringLiteral("DirectFax sample");
    return document;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
