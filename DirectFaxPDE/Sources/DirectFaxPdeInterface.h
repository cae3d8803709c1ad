// The Fax Settings panel, the one panel the plug-in adds to the print dialog: the printer's fax
// options as PPD popups, the sender name of the cover page with its limits, the panel's summary,
// and the sender name saved in and restored from the job's print settings.
#pragma once

#include "DialPrefixField.h"
#include "FaxJobFields.h"
#include "TargetDeviceResolver.h"

#include <BasicPdeInterface.h>

#include <QMetaObject>
#include <QPointer>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QAbstractButton;
class QLineEdit;
class QObject;

namespace com::velmora::cps::print::pde::tarncrest::directfax {

class DirectFaxPdeView;
class FaxSettingController;
class InputStringChecker;
class PpdFeature;

class DirectFaxPdeInterface : public BasicPdeInterface {
public:
    // Builds one feature per keyword of the bundle's VMPPDKeysSupported, starts resolving the
    // printer's address when the host is not sandboxed, and registers the help book.
    DirectFaxPdeInterface(std::shared_ptr<platform::PdePluginCallback> callback,
                          std::shared_ptr<platform::Bundle> bundle);
    ~DirectFaxPdeInterface() override;

    // The text of the PPD group VMFaxSettings, else "Fax Settings"; fixed after the first call.
    QString panelName() override;
    // The view of the interface file "MainPanel", loaded on the first call; null when it cannot
    // be loaded (the next call tries again). The panel owns it.
    QWidget* panelView() override;
    // The keyword of every feature, in feature order.
    std::optional<QStringList> supportedPPDOptionKeys() override;
    void willShow() override;
    // Takes the PPD's marked choices and the sender name of the print settings; always true.
    bool restoreValuesAndReturnError(QString* error) override;
    // False when the sender-name field holds a text its formatter refuses (the field then shows
    // the last accepted name again); otherwise stores the name in the print settings.
    bool saveValuesAndReturnError(QString* error) override;
    // Feature title → current choice text, the localized "Sender Name" → the sender name, and
    // "Summary Display Order".
    std::optional<QVariantMap> summaryInfo() override;
    // Opens the help page "fax.htm"; false.
    bool shouldShowHelp() override;

    // Every feature back to its PPD default (the print dialog is told each), the sender name
    // emptied.
    void setDefaultValue();
    // The defaults button.
    void setDefaults(QObject* sender);
    // Pushes the model into the controls and applies the enable rules.
    void updateUI();
    // A popup or the sender-name field changed.
    void uiValueDidChange(QObject* sender);

    QString senderName() const { return senderName_; }
    void setSenderName(const QString& name) { senderName_ = name; }

    // Starts finding the printer's network address; sets printerAddress at once or later.
    void resolveTargetDevice();
    // The address-book button: starts the Address Book Editor for this printer.
    void launchAddressBook(QObject* sender);

    const std::vector<std::unique_ptr<PpdFeature>>& features() const { return ppdFeatures; }
    const std::optional<QString>& targetAddress() const { return printerAddress; }
    InputStringChecker* senderNameFormatter() const { return senderNameFieldFormatter.get(); }

protected:
    QPointer<DirectFaxPdeView> directFaxView;
    QPointer<QLineEdit> senderNameTextField;
    QPointer<QAbstractButton> addressBookButton;
    std::vector<std::unique_ptr<PpdFeature>> ppdFeatures;
    std::unique_ptr<InputStringChecker> senderNameFieldFormatter;
    // The dial prefix, on a CUPS fax queue of any printer.
    DialPrefixField dialPrefix;
    // The Address Book Editor's executable, once found.
    std::optional<QString> addressBookEditorPath;
    // None: not known (yet); empty: attached by USB; else the printer's IP address.
    std::optional<QString> printerAddress;
    // An address resolution still under way is stopped first thing in the teardown, so that a
    // late answer cannot reach a panel that is going away. Declared after `printerAddress`.
    TargetDeviceResolver targetDeviceResolver;
    // The top-level objects of the interface files, owned by the panel.
    std::vector<QPointer<QObject>> mainPanelTopLevelObjs;

private:
    bool senderNameAccepted() const;
    // Puts `senderName` back into the field when the formatter refuses the field's text; false
    // then.
    bool revertRejectedSenderName();
    void connectControls();

    QString senderName_;
    std::vector<QMetaObject::Connection> controlConnections;

    // ---- The print gate (DirectFaxPdeInterfacePrintGate.cpp) ----
public:
    // Jobs to a printer go through the fax-job dialog: true only when the user started sending,
    // after the fax job record is in the job's print settings. Other destinations pass.
    bool shouldPrint() override;

protected:
    // The controller of the interface file "FaxSetting", loaded at the first Print that needs it;
    // its top-level objects live as long as the panel.
    FaxSettingController* detailedFaxSettingContoller = nullptr;
    std::vector<std::unique_ptr<QObject>> faxSettingTopLevelObjs;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
