#include "BundleFixture.h"

#include "PropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <cstdlib>
#include <plist/plist.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::test {

QString uniqueBundleIdentifier() {
    return QStringLiteral("com.velmora.test.") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QByteArray propertyListBytes(const void* node, bool binary) {
    if (!binary)
        return platform::PropertyListToXml(node).value_or(QByteArray());
    char* bin = nullptr;
    uint32_t length = 0;
    plist_to_bin(static_cast<plist_t>(const_cast<void*>(node)), &bin, &length);
    const QByteArray data(bin, length);
    std::free(bin);
    return data;
}

QByteArray nestedXmlPropertyList(int levels) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" +
           QByteArray("<array>").repeated(levels) + "<string>x</string>" +
           QByteArray("</array>").repeated(levels) + "</plist>\n";
}

QByteArray nestedBinaryPropertyList(int levels, int refs, bool cycle) {
    auto appendBig = [](QByteArray& out, uint64_t value, int width) {
        for (int shift = 8 * (width - 1); shift >= 0; shift -= 8)
            out.append(char(value >> shift & 0xFF));
    };
    // Objects 0..levels-1 are the arrays (4-byte references), object `levels` the string.
    QByteArray out("bplist00");
    QList<uint64_t> offsets;
    for (int i = 0; i < levels; ++i) {
        offsets.append(uint64_t(out.size()));
        out.append(char(0xA0 | refs));
        const uint64_t next = i + 1 < levels || !cycle ? uint64_t(i + 1) : 0;
        for (int r = 0; r < refs; ++r)
            appendBig(out, next, 4);
    }
    offsets.append(uint64_t(out.size()));
    out.append("\x51x", 2); // a one-letter ASCII string
    const uint64_t table = uint64_t(out.size());
    for (uint64_t offset : offsets)
        appendBig(out, offset, 4);
    out.append(QByteArray(6, '\0'));
    out.append(char(4)).append(char(4));
    appendBig(out, uint64_t(offsets.size()), 8);
    appendBig(out, 0, 8);
    appendBig(out, table, 8);
    return out;
}

BundleFixture::BundleFixture(const QVariantMap& info, bool binaryInfo) {
    bundlePath_ = dir_.path() + QStringLiteral("/DirectFax.plugin");
    QDir().mkpath(bundlePath_ + QStringLiteral("/Contents/Linux"));
    QDir().mkpath(resourcePath());
    const platform::PlistPtr root = platform::VariantToPropertyList(info);
    QFile file(bundlePath_ + QStringLiteral("/Contents/Info.plist"));
    if (file.open(QIODevice::WriteOnly))
        file.write(propertyListBytes(root.get(), binaryInfo));
}

void BundleFixture::addResource(const QString& relativePath, const QByteArray& content) {
    const QString path = resourcePath() + QLatin1Char('/') + relativePath;
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

void BundleFixture::addTranslations() {
    for (const char* name : {"strings_de.qm", "strings_en.qm"})
        QFile::copy(QStringLiteral(UTILITY_TEST_QM_DIR "/") + QLatin1String(name),
                    resourcePath() + QLatin1Char('/') + QLatin1String(name));
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::test
