// The document the print dialog host prints: a PDF, PostScript or text file, or the built-in
// sample text when none is given.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <optional>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class HostDocument {
public:
    // The most bytes of a document: as much as the fax pages the printer takes, and a bound on
    // what a file that never ends (a device, a pipe) makes us read.
    static constexpr qint64 kMaxDocumentBytes = 64 * 1024 * 1024;

    // Opens `path` (a name from decodeFileName keeps its bytes) and reads it as read() does.
    static std::optional<HostDocument> open(const QString& path, QString* error,
                                            qint64 maxBytes = kMaxDocumentBytes);
    // Reads a document from `input` (a file, a pipe, standard input) and tells its format from
    // its first bytes: at most `maxBytes` + 1 bytes are read. Nullopt with `error` set when it
    // cannot be read, is empty, is larger than `maxBytes` or is neither PDF, PostScript nor text;
    // messages name it by `name` ("\"letter.pdf\"", "from standard input"). `title` is the job's.
    static std::optional<HostDocument> read(QIODevice& input, const QString& name, const QString& title,
                                            QString* error, qint64 maxBytes = kMaxDocumentBytes);
    // The small built-in text printed when no document is given.
    static HostDocument sample();
    // The MIME type of `data`, or empty when it is neither PDF, PostScript nor text.
    static QString formatOf(const QByteArray& data);

    QString path() const { return filePath; }
    QString title() const { return documentTitle; }
    QString format() const { return mimeType; }
    // The document's bytes (the whole file).
    const QByteArray& data() const { return bytes; }
    bool isSample() const { return builtIn; }

private:
    QString filePath;
    QString documentTitle;
    QString mimeType;
    QByteArray bytes;
    bool builtIn = false;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
