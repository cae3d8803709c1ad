#include "FileNames.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// The length of the well-formed UTF-8 character at `at` (1 to 4), or 0 when there is none.
qsizetype utf8Length(const QByteArray& bytes, qsizetype at) {
    const auto byte = [&](qsizetype i) { return i < bytes.size() ? uchar(bytes[i]) : 0u; };
    const uint first = byte(at);
    const auto continuation = [&](qsizetype i) { return (byte(i) & 0xC0) == 0x80; };
    if (first < 0x80)
        return 1;
    if (first >= 0xC2 && first <= 0xDF)
        return continuation(at + 1) ? 2 : 0;
    if (first >= 0xE0 && first <= 0xEF) {
        const uint second = byte(at + 1);
        const bool ok = continuation(at + 1) && continuation(at + 2) && !(first == 0xE0 && second < 0xA0) &&
                        !(first == 0xED && second >= 0xA0); // no overlong forms, no surrogates
        return ok ? 3 : 0;
    }
    if (first >= 0xF0 && first <= 0xF4) {
        const uint second = byte(at + 1);
        const bool ok = continuation(at + 1) && continuation(at + 2) && continuation(at + 3) &&
                        !(first == 0xF0 && second < 0x90) && !(first == 0xF4 && second >= 0x90);
        return ok ? 4 : 0;
    }
    return 0;
}

} // namespace

QString decodeFileName(const QByteArray& bytes) {
    QString name;
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype length = utf8Length(bytes, at);
        if (length == 0) {
            name += QChar(char16_t(kEscapeBase + uchar(bytes[at])));
            ++at;
        } else {
            name += QString::fromUtf8(bytes.constData() + at, length);
            at += length;
        }
    }
    return name;
}

QByteArray encodeFileName(const QString& name) {
    QByteArray bytes;
    qsizetype run = 0; // start of the characters not yet written
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name.at(i).unicode();
        const bool escaped = unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF &&
                             (i == 0 || !name.at(i - 1).isHighSurrogate());
        if (!escaped)
            continue;
        bytes += QStringView(name).mid(run, i - run).toUtf8();
        bytes += char(unit - kEscapeBase);
        run = i + 1;
    }
    bytes += QStringView(name).mid(run).toUtf8();
    return bytes;
}

bool openFileForReading(const QByteArray& name, QFile& file, QString* why) {
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd >= 0 && file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle))
        return true;
    *why = fd < 0 ? QString::fromLocal8Bit(std::strerror(errno)) : file.errorString();
    if (fd >= 0)
        ::close(fd);
    return false;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
