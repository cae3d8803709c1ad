#include "HostDocument.h"

#include "FileNames.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>

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
    const QString name = QLatin1Char('"') + path + QLatin1Char('"');
    QFile file;
    QString why;
    if (!openFileForReading(encodeFileName(path), file, &why)) {
        if (error)
            *error = QObject::tr("Cannot open the document %1: %2").arg(name, why);
        return std::nullopt;
    }
    std::optional<HostDocument> document = read(file, name, QFileInfo(path).fileName(), error, maxBytes);
    if (document)
        document->filePath = QFileInfo(path).absoluteFilePath();
    return document;
}

std::optional<HostDocument> HostDocument::read(QIODevice& input, const QString& name, const QString& title,
                                               QString* error, qint64 maxBytes) {
    auto refuse = [&](const QString& message) {
        if (error)
            *error = message;
        return std::nullopt;
    };
    // In pieces up to one byte past the bound: a pipe or a device tells no size.
    HostDocument document;
    while (document.bytes.size() <= maxBytes) {
        const qsizetype at = document.bytes.size();
        document.bytes.resize(at + std::min<qint64>(kReadPiece, maxBytes + 1 - at));
        const qint64 got = input.read(document.bytes.data() + at, document.bytes.size() - at);
        document.bytes.resize(at + std::max<qint64>(got, 0));
        if (got < 0)
            return refuse(QObject::tr("Cannot read the document %1: %2").arg(name, input.errorString()));
        if (got == 0)
            break;
    }
    if (document.bytes.size() > maxBytes)
        return refuse(QObject::tr("The document %1 is larger than a fax job takes (%2 MB)")
                          .arg(name)
                          .arg(maxBytes / (1024 * 1024)));
    if (document.bytes.isEmpty())
        return refuse(QObject::tr("The document %1 is empty; there is nothing to send").arg(name));
    document.mimeType = formatOf(document.bytes);
    if (document.mimeType.isEmpty())
        return refuse(
            QObject::tr("The document %1 is neither a PDF, a PostScript nor a text file").arg(name));
    document.documentTitle = title;
    return document;
}

HostDocument HostDocument::sample() {
    HostDocument document;
    document.bytes = QByteArray(kSampleText);
    document.mimeType = QStringLiteral("text/plain");
    document.documentTitle = QStringLiteral("DirectFax sample");
    document.builtIn = true;
    return document;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
