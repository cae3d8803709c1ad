// Loads interface files (Qt Designer .ui) at run time. Unlike a plain QUiLoader, which quietly
// makes a widget of the base class when it cannot make a custom one, this loader makes the
// registered custom view classes and fails the whole load, with a message, for any widget
// class it cannot make.
#pragma once

#include "PlatformExport.h"

#include <QString>
#include <QStringList>
#include <QUiLoader>
#include <functional>
#include <map>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class Bundle;

class DIRECTFAX_PLATFORM_EXPORT UiLoader : public QUiLoader {
public:
    using Factory = std::function<QWidget*(QWidget* parent)>;

    explicit UiLoader(QObject* parent = nullptr);
    ~UiLoader() override;

    // Makes `className` (as written in the interface file) with `factory`.
    void registerWidgetClass(const QString& className, Factory factory);
    // Registers T under its class name without namespace ("DirectFaxPdeView"), the name the
    // interface files use.
    template <class T> void registerWidgetClass() {
        registerWidgetClass(shortClassName(T::staticMetaObject),
                            [](QWidget* parent) { return new T(parent); });
    }
    static QString shortClassName(const QMetaObject& metaObject);

    // Loads the file; answers its root widget (owned by the caller, or by `parentWidget` when
    // given), or null with the reason in `error`.
    QWidget* loadFile(const QString& path, QWidget* parentWidget = nullptr, QString* error = nullptr);
    // Loads the interface file `name`.ui from the bundle's resources.
    QWidget* loadInterfaceFile(const Bundle& bundle, const QString& name, QWidget* parentWidget = nullptr,
                               QString* error = nullptr);

    QWidget* createWidget(const QString& className, QWidget* parent = nullptr,
                          const QString& name = {}) override;

private:
    std::map<QString, Factory> factories;
    QStringList problems;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
