// A small plug-in bundle in a temporary folder: Info.plist, Linux/, Resources/ with the test
// translations.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QVariantMap>

namespace com::velmora::cps::print::pde::tarncrest::directfax::test {

// An identifier no other test of this process uses.
QString uniqueBundleIdentifier();

// A property list node as the bytes of a file, XML or binary; empty when it cannot be written.
QByteArray propertyListBytes(const void* node, bool binary);

// Property lists of `levels` arrays, each inside the one before, the innermost holding a string.
QByteArray nestedXmlPropertyList(int levels);
// The binary form; each array refers `refs` times to the next, so the tree holds refs^levels
// nodes; with `cycle` the innermost array refers back to the outermost.
QByteArray nestedBinaryPropertyList(int levels, int refs = 1, bool cycle = false);

class BundleFixture {
public:
    // Writes NAME.plugin/Contents/Info.plist with `info` (XML, or binary when asked).
    explicit BundleFixture(const QVariantMap& info, bool binaryInfo = false);

    bool isValid() const { return dir_.isValid(); }
    QString path() const { return bundlePath_; }
    QString resourcePath() const { return bundlePath_ + QStringLiteral("/Contents/Resources"); }
    // Creates Resources/relativePath with `content`, making the folders on the way.
    void addResource(const QString& relativePath, const QByteArray& content = QByteArray("x"));
    // Copies the compiled test translations (strings_de.qm, strings_en.qm) into Resources/.
    void addTranslations();

private:
    QTemporaryDir dir_;
    QString bundlePath_;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::test
