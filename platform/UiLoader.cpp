#include "UiLoader.h"

#include "Bundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>
#include <utility>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

// QUiLoader's constructor loads every Qt Designer plug-in under the library paths ("designer/",
// QQuickWidget's among them), which costs more than reading a whole interface file. Ours use Qt's
// own widgets and our view classes only: the loader is made while there are no paths to search.
// Loaders are made on the main thread only.
QStringList libraryPathsWhileMade;

QObject* clearLibraryPaths(QObject* parent) {
    libraryPathsWhileMade = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({});
    return parent;
}

} // namespace

UiLoader::UiLoader(QObject* parent) : QUiLoader(clearLibraryPaths(parent)) {
    QCoreApplication::setLibraryPaths(std::exchange(libraryPathsWhileMade, {}));
    // Texts stay as laid out: the views localize them through the bundle's strings tables.
    setTranslationEnabled(false);
}

UiLoader::~UiLoader() = default;

QString UiLoader::shortClassName(const QMetaObject& metaObject) {
    const QString name = QString::fromLatin1(metaObject.className());
    const qsizetype separator = name.lastIndexOf(QLatin1String("::"));
    return separator < 0 ? name : name.mid(separator + 2);
}

void UiLoader::registerWidgetClass(const QString& className, Factory factory) {
    factories[className] = std::move(factory);
}

QWidget* UiLoader::createWidget(const QString& className, QWidget* parent, const QString& name) {
    QWidget* widget = nullptr;
    if (const auto found = factories.find(className); found != factories.end())
        widget = found->second(parent);
    else if (availableWidgets().contains(className)) // else QUiLoader makes the base class instead
        widget = QUiLoader::createWidget(className, parent, name);
    if (!widget) {
        problems.append(QStringLiteral("no widget of class %1 for \"%2\"").arg(className, name));
        return nullptr;
    }
    widget->setObjectName(name);
    return widget;
}

QWidget* UiLoader::loadFile(const QString& path, QWidget* parentWidget, QString* error) {
    const auto fail = [&](const QString& reason) -> QWidget* {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, reason);
        return nullptr;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    problems.clear();
    setWorkingDirectory(QFileInfo(path).absoluteDir());
    QWidget* root = load(&file, parentWidget);
    if (!root)
        return fail(problems.isEmpty() ? errorString() : problems.join(QLatin1String("; ")));
    if (!problems.isEmpty()) {
        delete root;
        return fail(problems.join(QLatin1String("; ")));
    }
    return root;
}

QWidget* UiLoader::loadInterfaceFile(const Bundle& bundle, const QString& name, QWidget* parentWidget,
                                     QString* error) {
    const QString path = bundle.pathForResource(name, QStringLiteral("ui"));
    if (path.isEmpty()) {
        if (error)
            *error = QStringLiteral("%1.ui: no such resource in %2").arg(name, bundle.bundlePath());
        return nullptr;
    }
    return loadFile(path, parentWidget, error);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
