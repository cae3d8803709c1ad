// Base of every panel controller: keeps what each panel needs (the plug-in bundle, the print
// dialog's callback object, the printer's PPD, the panel name and the strings table) and gives
// a default answer to every operation of the panel protocol.
#pragma once

#include <PdeProtocol.h>

#include <QString>
#include <memory>
#include <optional>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

class BasicPdeInterface : public platform::PdePanel {
public:
    // The callback object and the bundle may be null; so may the callback object's PPD.
    BasicPdeInterface(std::shared_ptr<platform::PdePluginCallback> callback,
                      std::shared_ptr<platform::Bundle> bundle);
    ~BasicPdeInterface() override;
    BasicPdeInterface(const BasicPdeInterface&) = delete;
    BasicPdeInterface& operator=(const BasicPdeInterface&) = delete;

    // None.
    QWidget* panelView() override;
    // The localized "Custom PDE Title", fixed after the first call.
    QString panelName() override;
    // The bundle identifier of the plug-in bundle.
    QString panelKind() override;
    // None.
    std::optional<QStringList> supportedPPDOptionKeys() override;
    void willShow() override;
    bool shouldHide() override;
    bool shouldPrint() override;
    bool shouldShowHelp() override;
    void PPDOptionKeyValueDidChange(const QString& keyword, const QString& ppdChoice) override;
    // True; the error is left untouched.
    bool restoreValuesAndReturnError(QString* error) override;
    bool saveValuesAndReturnError(QString* error) override;
    // None.
    std::optional<QVariantMap> summaryInfo() override;

    // The strings table of this panel; none means the bundle's default table.
    const std::optional<QString>& localizedTableName() const { return localizedFileName; }
    ppd_file_t* ppdFile() const { return ppd; }
    const std::shared_ptr<platform::Bundle>& bundle() const { return pluginBundle; }

protected:
    // `key` looked up in the panel's strings table.
    QString localizedString(const QString& key) const;

    std::shared_ptr<platform::Bundle> pluginBundle;
    std::shared_ptr<platform::PdePluginCallback> pdePluginCallbackObject;
    std::optional<QString> thePDEName;
    ppd_file_t* ppd = nullptr; // borrowed from the print dialog
    std::optional<QString> localizedFileName;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
