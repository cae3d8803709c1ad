#include "BasicPdeInterface.h"

#include "NSBundleHALDENLocalization.h"

namespace com::velmora::cps::print::pde::tarncrest::directfax {

BasicPdeInterface::BasicPdeInterface(std::shared_ptr<platform::PdePluginCallback> callback,
                                     std::shared_ptr<platform::Bundle> bundle)
    : pluginBundle(std::move(bundle)), pdePluginCallbackObject(std::move(callback)),
      ppd(pdePluginCallbackObject ? pdePluginCallbackObject->ppdFile() : nullptr),
      localizedFileName(LocalizableTableForPPD(ppd)) {}

// Releases in the order the panels rely on: the callback object first, the table name last.
BasicPdeInterface::~BasicPdeInterface() {
    pdePluginCallbackObject.reset();
    thePDEName.reset();
    pluginBundle.reset();
    localizedFileName.reset();
}

QString BasicPdeInterface::localizedString(const QString& key) const {
    return haldenLocalizedStringForKey(pluginBundle.get(), key, QString(), localizedFileName);
}

QWidget* BasicPdeInterface::panelView() {
    return nullptr;
}

QString BasicPdeInterface::panelName() {
    if (!thePDEName)
        thePDEName = localizedString(QStringLiteral("Custom PDE Title"));
    return *thePDEName;
}

QString BasicPdeInterface::panelKind() {
    return pluginBundle ? pluginBundle->bundleIdentifier() : QString();
}

std::optional<QStringList> BasicPdeInterface::supportedPPDOptionKeys() {
    return std::nullopt;
}

void BasicPdeInterface::willShow() {}

bool BasicPdeInterface::shouldHide() {
    return true;
}

bool BasicPdeInterface::shouldPrint() {
    return true;
}

bool BasicPdeInterface::shouldShowHelp() {
    return true;
}

void BasicPdeInterface::PPDOptionKeyValueDidChange(const QString&, const QString&) {}

bool BasicPdeInterface::restoreValuesAndReturnError(QString*) {
    return true;
}

bool BasicPdeInterface::saveValuesAndReturnError(QString*) {
    return true;
}

std::optional<QVariantMap> BasicPdeInterface::summaryInfo() {
    return std::nullopt;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
