#include "FrameTestSupport.h"

#include <Bundle.h>

#include <QApplication>
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
