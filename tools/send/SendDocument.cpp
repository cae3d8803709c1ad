#include "SendDocument.h"

#include "FileNames.h"

#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::send {

namespace {

bool isStandardInput(const QByteArray& path) {
    return path == "-";
}

} // namespace

bool openInputFile(const QByteArray& path, QFile& file, QString* why) {
    if (!isStandardInput(path))
        return platform::openFileForReading(path, file, why);
    if (file.open(STDIN_FILENO, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
        return true;
    *why = file.errorString();
    return false;
}

std::optional<platform::HostDocument> openDocument(const QByteArray& path, QString* error) {
    if (!isStandardInput(path))
        return platform::HostDocument::open(platform::decodeFileName(path), error);
    const QString name = QStringLiteral("from standard input");
    QFile input;
    QString why;
    if (!openInputFile(path, input, &why)) {
        *error = QStringLiteral("Cannot open the document %1: %2").arg(name, why);
        return std::nullopt;
    }
    return platform::HostDocument::read(input, name, QStringLiteral("Fax from standard input"), error);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::send
