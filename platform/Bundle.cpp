#include "Bundle.h"

#include "PropertyList.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QTranslator>
#include <QVariantMap>
#include <mutex>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

// Bundles opened in this process, by identifier.
struct Registry {
    std::mutex mutex;
    QHash<QString, std::shared_ptr<Bundle>> bundles;
};

Registry& registry() {
    static Registry* instance = new Registry; // lives as long as the process; never torn down
    return *instance;
}

constexpr const char* kDefaultTable = "Localizable";
constexpr const char* kTranslationPrefix = "strings";

} // namespace

struct Bundle::Private {
    QString path;
    QVariantMap info;
    // The user's translations, loaded on the first lookup.
    mutable std::once_flag translationsOnce;
    mutable std::unique_ptr<QTranslator> translator;
};

Bundle::Bundle() : d(std::make_unique<Private>()) {}

Bundle::~Bundle() = default;

std::shared_ptr<Bundle> Bundle::open(const QString& bundlePath) {
    const QString path = QFileInfo(bundlePath).absoluteFilePath();
    if (!QFileInfo(path).isDir())
        return nullptr;
    PlistPtr root = ReadPropertyListFile(path + QStringLiteral("/Contents/Info.plist"));
    if (!root)
        return nullptr;
    const QVariant info = PropertyListToVariant(root.get());
    if (info.typeId() != QMetaType::QVariantMap)
        return nullptr;
    std::shared_ptr<Bundle> bundle(new Bundle);
    bundle->d->path = path;
    bundle->d->info = info.toMap();
    const QString identifier = bundle->bundleIdentifier();
    if (identifier.isEmpty())
        return bundle; // usable, but nobody can find it by identifier
    Registry& reg = registry();
    std::lock_guard lock(reg.mutex);
    auto it = reg.bundles.constFind(identifier);
    if (it != reg.bundles.cend())
        return it.value();
    reg.bundles.insert(identifier, bundle);
    return bundle;
}

std::shared_ptr<Bundle> Bundle::bundleWithIdentifier(const QString& identifier) {
    Registry& reg = registry();
    std::lock_guard lock(reg.mutex);
    return reg.bundles.value(identifier);
}

QString Bundle::bundlePath() const {
    return d->path;
}

QString Bundle::resourcePath() const {
    return d->path + QStringLiteral("/Contents/Resources");
}

QString Bundle::executablePath() const {
    const QString name = d->info.value(QStringLiteral("CFBundleExecutable")).toString();
    if (name.isEmpty())
        return {};
    return d->path + QStringLiteral("/Contents/Linux/") + name + QStringLiteral(".so");
}

QString Bundle::bundleIdentifier() const {
    return d->info.value(QStringLiteral("CFBundleIdentifier")).toString();
}

QVariantMap Bundle::infoDictionary() const {
    return d->info;
}

QVariant Bundle::objectForInfoDictionaryKey(const QString& key) const {
    return d->info.value(key);
}

QString Bundle::pathForResource(const QString& name, const QString& type, const QString& subdirectory) const {
    if (name.isEmpty() || name.contains(QStringLiteral("..")) || subdirectory.contains(QStringLiteral("..")))
        return {};
    QString path = resourcePath();
    if (!subdirectory.isEmpty())
        path += QLatin1Char('/') + subdirectory;
    path += QLatin1Char('/') + name;
    if (!type.isEmpty())
        path += (type.startsWith(QLatin1Char('.')) ? QString() : QStringLiteral(".")) + type;
    return QFileInfo::exists(path) ? QDir::cleanPath(path) : QString();
}

QString Bundle::localizedStringForKey(const QString& key, const QString& value, const QString& table) const {
    std::call_once(d->translationsOnce, [this] {
        auto translator = std::make_unique<QTranslator>();
        // A language without a translation of its own (the C locale among them) reads the
        // development language's file, strings.qm, when the bundle has one.
        if (translator->load(QLocale(), QLatin1String(kTranslationPrefix), QStringLiteral("_"),
                             resourcePath()) ||
            translator->load(QLatin1String(kTranslationPrefix), resourcePath()))
            d->translator = std::move(translator);
    });
    if (d->translator) {
        const QByteArray context = table.isEmpty() ? QByteArray(kDefaultTable) : table.toUtf8();
        const QString translated = d->translator->translate(context.constData(), key.toUtf8().constData());
        if (!translated.isEmpty())
            return translated;
    }
    return value.isEmpty() ? key : value;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
