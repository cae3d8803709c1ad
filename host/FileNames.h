// File names from the command line as the system gives them: bytes, not always UTF-8 ("caf\xe9.pdf"
// from a Latin-1 file system). Each byte that is not part of a UTF-8 character is kept as a lone
// low surrogate (U+DC80 to U+DCFF), so the name shows with a replacement mark and still opens the
// file it named.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

QString decodeFileName(const QByteArray& bytes);
// The bytes of a name made by decodeFileName (or of any other text, as UTF-8).
QByteArray encodeFileName(const QString& name);

// Opens the file named by the bytes `name` for reading (unbuffered, closed with `file`); false with
// `why` set to the system's reason in words when it cannot.
bool openFileForReading(const QByteArray& name, QFile& file, QString* why);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
