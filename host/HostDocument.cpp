#include "HostDocument.h"

#include "FileNames.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

constexpr const char* kSampleText = "DirectFax sample document\n"
                                    "\n"
                                    "This page was printed from the DirectFax print dialog host.\n"
                                    "Send it to the sample fax printer to try the Fax Settings panel\n"
                                    "and the fax-job dialog without a real printer.\n";

constexpr qint64 kReadPiece = 1 << 20;

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

std::optional<HostDocument> HostDocument::open(const QString& path, QString* error, qint64 maxBytes) {
    auto refuse = [&](const QString& message) {
        if (error)
            *error = message;
        return std::nullopt;
    };
    const int fd = ::open(encodeFileName(path).constData(), O_RDONLY | O_CLOEXEC);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
        return refuse(QObject::tr("Cannot open \"%1\": %2").arg(path, why));
    }
    // Read in pieces up to one byte past the bound: a pipe or a device tells no size.
    HostDocument document;
    while (document.bytes.size() <= maxBytes) {
        const QByteArray piece =
            file.read(std::min<qint64>(kReadPiece, maxBytes + 1 - document.bytes.size()));
        if (piece.isEmpty())
            break;
        document.bytes += piece;
    }
    if (file.error() != QFileDevice::NoError)
        return refuse(QObject::tr("Cannot read \"%1\": %2").arg(path, file.errorString()));
    if (document.bytes.size() > maxBytes)
        return refuse(QObject::tr("\"%1\" is larger than %2 MB, more than a fax can carry.")
                          .arg(path)
                          .arg(maxBytes / (1024 * 1024)));
    if (document.bytes.isEmpty())
        return refuse(QObject::tr("\"%1\" is empty: there is nothing to send.").arg(path));
    document.mimeType = formatOf(document.bytes);
    if (document.mimeType.isEmpty())
        return refuse(QObject::tr("\"%1\" is neither a PDF, a PostScript nor a text file.").arg(path));
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
