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

BundleFixture::BundleFixture(const QVariantMap& info, bool binaryInfo) {
    bundlePath_ = dir_.path() + QStringLiteral("/DirectFax.plugin");
    QDir().mkpath(bundlePath_ + QStringLiteral("/Contents/Linux"));
    QDir().mkpath(resourcePath());
    platform::PlistPtr root = platform::VariantToPropertyList(info);
    QByteArray data;
    if (binaryInfo) {
        char* bin = nullptr;
        uint32_t length = 0;
        plist_to_bin(root.get(), &bin, &length);
        data = QByteArray(bin, length);
        std::free(bin);
    } else {
        data = platform::PropertyListToXml(root.get()).value_or(QByteArray());
    }
    QFile file(bundlePath_ + QStringLiteral("/Contents/Info.plist"));
    if (file.open(QIODevice::WriteOnly))
        file.write(data);
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
