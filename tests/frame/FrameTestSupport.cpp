#include "FrameTestSupport.h"

#include <Bundle.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QWidget>

namespace frame_test {

void ensureApplication() {
    if (QApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "frame_tests";
    static char* argv[] = {name, nullptr};
    // Lives until the process ends; tearing it down among other statics is not worth the risk.
    new QApplication(argc, argv);
    // Panels register their help book: keep that out of the user's configuration.
    static QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    // Bundles load the translations of this language on their first lookup.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

QString fixturePath(const QString& name) {
    return QStringLiteral(FRAME_FIXTURE_DIR "/") + name;
}

std::shared_ptr<pf::Bundle> fixtureBundle() {
    return pf::Bundle::open(QStringLiteral(FRAME_FIXTURE_BUNDLE));
}

std::shared_ptr<pf::Bundle> directFaxBundle() {
    return pf::Bundle::open(QStringLiteral(DIRECTFAX_BUNDLE_DIR));
}

std::shared_ptr<pf::Bundle> copyOfDirectFaxBundle(const QTemporaryDir& dir, const QString& identifier,
                                                  const std::function<QByteArray(QByteArray)>& editInfo) {
    const QString from = QStringLiteral(DIRECTFAX_BUNDLE_DIR "/Contents");
    const QString to = dir.path() + QStringLiteral("/DirectFax.plugin/Contents");
    EXPECT_TRUE(QDir().mkpath(to + QStringLiteral("/Resources")));
    QFile info(from + QStringLiteral("/Info.plist"));
    EXPECT_TRUE(info.open(QIODevice::ReadOnly));
    QByteArray plist =
        info.readAll().replace("com.velmora.cps.print.pde.tarncrest.DirectFax", identifier.toUtf8());
    if (editInfo)
        plist = editInfo(plist);
    QFile copy(to + QStringLiteral("/Info.plist"));
    EXPECT_TRUE(copy.open(QIODevice::WriteOnly));
    copy.write(plist);
    copy.close();
    for (const QString& name : QDir(from + QStringLiteral("/Resources")).entryList(QDir::Files))
        EXPECT_TRUE(QFile::copy(from + QStringLiteral("/Resources/") + name,
                                to + QStringLiteral("/Resources/") + name));
    return pf::Bundle::open(dir.path() + QStringLiteral("/DirectFax.plugin"));
}

df::PpdFilePtr openFixturePpd(const QString& name) {
    df::PpdFilePtr ppd = df::PpdOpenFile(fixturePath(name));
    EXPECT_TRUE(ppd) << name.toStdString();
    df::PpdMarkDefaults(ppd.get());
    return ppd;
}

QStringList items(const QComboBox* popup) {
    QStringList result;
    for (int i = 0; i < popup->count(); ++i)
        result.append(popup->itemText(i));
    return result;
}

QStringList itemData(const QComboBox* popup) {
    QStringList result;
    for (int i = 0; i < popup->count(); ++i)
        result.append(popup->itemData(i).toString());
    return result;
}

void WidgetTest::SetUp() {
    ensureApplication();
}

void WidgetTest::TearDown() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QStringList left;
    for (QWidget* window : QApplication::topLevelWidgets())
        left.append(QStringLiteral("%1 \"%2\"")
                        .arg(QLatin1String(window->metaObject()->className()), window->objectName()));
    EXPECT_TRUE(left.isEmpty()) << "windows left behind: " << left.join(QLatin1String(", ")).toStdString();
}

} // namespace frame_test
