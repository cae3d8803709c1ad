// The print dialog's panel plug-in protocol: the plug-in factory, the panel operations and
// the callback object through which panels reach the print dialog.
#pragma once

#include "Bundle.h"
#include "PrintSettings.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <memory>
#include <optional>
#include <vector>

class QWidget;
typedef struct ppd_file_s ppd_file_t;

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

// Panel type of the printer-module panels.
inline constexpr const char* kPrinterModuleType = "BDB091F4-E57F-11D3-B5CC-0050E4603277";
// Panel type asked for by the page-setup and the application's own print dialog extensions.
inline constexpr const char* kPageSetupDialogType = "6E6ED964-B738-11D3-952F-0050E4603277";
inline constexpr const char* kPrintDialogType = "A1ACB4D2-A8C3-11D3-B71A-0050E4603277";

// Key of the summary dictionary that lists its other keys in display order.
inline constexpr const char* kSummaryDisplayOrderKey = "Summary Display Order";

// The print dialog's side: implemented by the host, handed to every panel it asks for.
class PdePluginCallback {
public:
    virtual ~PdePluginCallback() = default;
    virtual ppd_file_t* ppdFile() = 0;
    virtual PrintSettings* printSettings() = 0;
    virtual PrintSession* printSession() = 0;
    virtual Printer* PMPrinter() = 0;
    // Answers true when the print dialog accepted `ppdChoice` for the PPD main keyword.
    virtual bool willChangePPDOptionKeyValue(const QString& keyword, const QString& ppdChoice) = 0;
};

// One panel of the print dialog.
class PdePanel {
public:
    virtual ~PdePanel() = default;
    // The panel's content view; the panel keeps ownership. Null when it cannot be made.
    virtual QWidget* panelView() = 0;
    virtual QString panelName() = 0;
    virtual QString panelKind() = 0;
    virtual std::optional<QStringList> supportedPPDOptionKeys() = 0;
    virtual void willShow() = 0;
    virtual bool shouldHide() = 0;
    virtual bool shouldPrint() = 0;
    virtual bool shouldShowHelp() = 0;
    virtual void PPDOptionKeyValueDidChange(const QString& keyword, const QString& ppdChoice) = 0;
    virtual bool restoreValuesAndReturnError(QString* error) = 0;
    virtual bool saveValuesAndReturnError(QString* error) = 0;
    // Title → value; kSummaryDisplayOrderKey → QStringList of the titles in display order.
    virtual std::optional<QVariantMap> summaryInfo() = 0;
};

using PanelList = std::vector<std::shared_ptr<PdePanel>>;

// The plug-in's principal object.
class PdePlugin {
public:
    virtual ~PdePlugin() = default;
    virtual bool initWithBundle(std::shared_ptr<Bundle> bundle) = 0;
    // The panels for a dialog type; nullopt when creating them failed.
    virtual std::optional<PanelList> PDEPanelsForType(const QString& type,
                                                      std::shared_ptr<PdePluginCallback> hostInfo) = 0;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform

// Every plug-in module exports this one function; it creates the principal object, which
// the caller owns.
extern "C" {
typedef com::velmora::cps::print::pde::tarncrest::directfax::platform::PdePlugin* (
    *PdePluginCreateFunction)();
}
#define DIRECTFAX_PDE_ENTRY_POINT "DirectFaxPdePluginCreate"
