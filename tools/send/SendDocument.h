// The document of a fax job from the command line: read with a size bound from a file or from
// standard input (a pipe, a device or a file that keeps growing never runs the program out of
// memory) and checked, as the print dialog host reads its document.
#pragma once

#include "HostDocument.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <optional>

namespace com::velmora::cps::print::pde::tarncrest::directfax::send {

// Opens `path` for reading by its bytes, so that a name that is not UTF-8 opens too; "-" is
// standard input. False with `why` set to the system's reason when it cannot.
bool openInputFile(const QByteArray& path, QFile& file, QString* why);

// The document `path` ("-": standard input) ready to be sent: read up to
// HostDocument::kMaxDocumentBytes, a PDF, PostScript or text (HostDocument::open and read, which
// name it "\"NAME\"" or "from standard input"). Nullopt with `error` set when it is refused.
std::optional<platform::HostDocument> openDocument(const QByteArray& path, QString* error);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::send
