#include "SendDocument.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::send {

namespace {

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

std::optional<platform::HostDocument> openDocument(const QByteArray& path, QString* error) {
    const QString name = documentName(path);
    QFile input;
    QString why;
    if (!openInputFile(path, input, &why)) {
        *error = QStringLiteral("Cannot open the document %1: %2").arg(name, why);
        return std::nullopt;
    }
    const QString title = isStandardInput(path) ? QStringLiteral("Fax from standard input")
                                                : QFileInfo(QFile::decodeName(path)).fileName();
    return platform::HostDocument::read(input, name, title, error);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::send
