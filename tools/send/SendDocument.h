// The document of a fax job from the command line: read with a size bound from a file or from
// standard input (a pipe, a device or a file that keeps growing never runs the program out of
// memory), checked, and kept in a private spool folder for the print dialog host's document type.
#pragma once

#include "HostDocument.h"

#include <QByteArray>
#include <QFile>
#include <QIODevice>
#include <QString>
#include <QTemporaryDir>
#include <optional>

namespace com::velmora::cps::print::pde::tarncrest::directfax::send {

// The largest document a fax job takes: as large as the fax pages the printer takes.
inline constexpr qint64 kMaxDocumentBytes = 64 * 1024 * 1024;

// Opens `path` for reading by its bytes, so that a name that is not UTF-8 opens too; "-" is
// standard input. False with `why` set to the system's reason when it cannot.
bool openInputFile(const QByteArray& path, QFile& file, QString* why);

// How messages name the document `path` ("-": standard input): "\"NAME\"" or "from standard input".
QString documentName(const QByteArray& path);

// All of `input` when it holds 1 to `limit` bytes; nullopt with `error` set (naming the document
// `name` as documentName does) when it holds none or more, or cannot be read. Reads at most
// `limit` + 1 bytes.
std::optional<QByteArray> readDocument(QIODevice& input, const QString& name, qint64 limit, QString* error);

// The document `path` ("-": standard input) ready to be sent: read up to kMaxDocumentBytes, a
// PDF, PostScript or text, kept in a file of `spool` that only the user can read. `title` gets
// the job's title. Nullopt with `error` set when it is refused.
std::optional<platform::HostDocument> openDocument(const QByteArray& path, const QTemporaryDir& spool,
                                                   QString* title, QString* error);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::send
