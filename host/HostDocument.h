// The document the print dialog host prints: a PDF, PostScript or text file, or the built-in
// sample text when none is given.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class HostDocument {
public:
    // Opens `path` and tells its format from its first bytes; nullopt with `error` set when the
    // file cannot be read or is neither PDF, PostScript nor text.
    static std::optional<HostDocument> open(const QString& path, QString* error);
    // The small built-in text printed when no document is given.
    static HostDocument sample();
    // The MIME type of `data`, or empty when it is neither PDF, PostScript nor text.
    static QString formatOf(const QByteArray& data);

    QString path() const { return filePath; }
    QString title() const { return documentTitle; }
    QString format() const { return mimeType; }
    // The document's bytes (the whole file).
    const QByteArray& data() const { return bytes; }
    bool isSample() const { return filePath.isEmpty(); }

private:
    QString filePath;
    QString documentTitle;
    QString mimeType;
    QByteArray bytes;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
