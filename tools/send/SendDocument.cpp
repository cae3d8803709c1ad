#include "SendDocument.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::send {

namespace {

constexpr qint64 kReadChunk = 1 << 16;

bool isStandardInput(const QByteArray& path) {
    return path == "-";
}

} // namespace

bool openInputFile(const QByteArray& path, QFile& file, QString* why) {
    constexpr auto mode = QIODevice::ReadOnly | QIODevice::Unbuffered;
    if (isStandardInput(path)) {
        if (file.open(STDIN_FILENO, mode, QFileDevice::DontCloseHandle))
            return true;
        *why = file.errorString();
        return false;
    }
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd >= 0 && file.open(fd, mode, QFileDevice::AutoCloseHandle))
        return true;
    *why = fd < 0 ? QString::fromLocal8Bit(std::strerror(errno)) : file.errorString();
    if (fd >= 0)
        ::close(fd);
    return false;
}

QString documentName(const QByteArray& path) {
    if (isStandardInput(path))
        return QStringLiteral("from standard input");
    return QLatin1Char('"') + QFile::decodeName(path) + QLatin1Char('"');
}

std::optional<QByteArray> readDocument(QIODevice& input, const QString& name, qint64 limit, QString* error) {
    QByteArray data;
    while (true) {
        // One byte more than the limit tells a document that is too large.
        const qsizetype at = data.size();
        data.resize(at + std::min(kReadChunk, limit + 1 - at));
        const qint64 got = input.read(data.data() + at, data.size() - at);
        if (got < 0) {
            *error = QStringLiteral("Cannot read the document %1: %2").arg(name, input.errorString());
            return std::nullopt;
        }
        data.resize(at + got);
        if (got == 0)
            break;
        if (data.size() > limit) {
            *error = QStringLiteral("The document %1 is larger than a fax job takes (%2 MiB)")
                         .arg(name)
                         .arg(limit / (1024 * 1024));
            return std::nullopt;
        }
    }
    if (data.isEmpty()) {
        *error = QStringLiteral("The document %1 is empty; there is nothing to send").arg(name);
        return std::nullopt;
    }
    return data;
}

std::optional<platform::HostDocument> openDocument(const QByteArray& path, const QTemporaryDir& spool,
                                                   QString* title, QString* error) {
    const QString name = documentName(path);
    std::optional<QByteArray> data;
    {
        QFile input;
        QString why;
        if (!openInputFile(path, input, &why)) {
            *error = QStringLiteral("Cannot open the document %1: %2").arg(name, why);
            return std::nullopt;
        }
        data = readDocument(input, name, kMaxDocumentBytes, error);
    }
    if (!data)
        return std::nullopt;
    if (platform::HostDocument::formatOf(*data).isEmpty()) {
        *error = QStringLiteral("The document %1 is neither a PDF, a PostScript nor a text file").arg(name);
        return std::nullopt;
    }
    QFile kept(spool.filePath(QStringLiteral("document")));
    if (!spool.isValid() ||
        !kept.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        kept.write(*data) != data->size() || !kept.flush()) {
        *error = QStringLiteral("Cannot keep the document %1 in a temporary folder").arg(name);
        return std::nullopt;
    }
    kept.close();
    data.reset();
    *title = isStandardInput(path) ? QStringLiteral("Fax from standard input")
                                   : QFileInfo(QFile::decodeName(path)).fileName();
    return platform::HostDocument::open(kept.fileName(), error);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::send
