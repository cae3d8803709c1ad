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
