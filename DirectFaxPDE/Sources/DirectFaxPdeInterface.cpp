#include "DirectFaxPdeInterface.h"

#include "AddressBookEditorLauncher.h"
#include "DirectFaxPdeView.h"
#include "PpdFeature.h"

#include <Bundle.h>
#include <InputStringChecker.h>
#include <UiLoader.h>
#include <UtilityFunctions.h>
#include <UtilityService.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDebug>
#include <QLineEdit>
#include <algorithm>
#include <map>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace {

constexpr const char* kPPDKeysSupportedKey = "VMPPDKeysSupported";
constexpr const char* kFaxSettingsGroup = "VMFaxSettings";
constexpr const char* kCoverPageModeKeyword = "VMFaxCoverPageMode";
constexpr const char* kSenderModeKeyword = "VMFaxSenderMode";
constexpr const char* kHelpPage = "fax.htm";

// The keywords of the bundle's VMPPDKeysSupported, in order; entries that are no text are left
// out.
QStringList supportedKeywords(const platform::Bundle* bundle) {
    QStringList keywords;
    if (!bundle)
        return keywords;
    const QVariant entry = bundle->objectForInfoDictionaryKey(QLatin1String(kPPDKeysSupportedKey));
    if (entry.typeId() != QMetaType::QVariantList)
        return keywords;
    for (const QVariant& keyword : entry.toList()) {
        if (keyword.typeId() == QMetaType::QString)
            keywords.append(keyword.toString());
    }
    return keywords;
}

// The bundle registered under the plug-in bundle's identifier, as the help viewer finds it.
std::shared_ptr<platform::Bundle> helpBundle(const std::shared_ptr<platform::Bundle>& pluginBundle) {
    return pluginBundle ? platform::Bundle::bundleWithIdentifier(pluginBundle->bundleIdentifier()) : nullptr;
}

// The choice record of `keyword` whose keyword is `choice`, or null.
ppd_choice_t* choiceRecord(ppd_file_t* ppd, const QString& keyword, const QString& choice) {
    for (const PpdChoiceInfo& info : PpdChoices(ppd, keyword)) {
        if (info.choice == choice)
            return info.record;
    }
    return nullptr;
}

// The formatter of the sender-name field: at most 30 units of printable ASCII.
std::unique_ptr<InputStringChecker> makeSenderNameChecker() {
    auto checker = std::make_unique<InputStringChecker>();
    checker->setMaxLength(kSenderNameMaxLength);
    checker->setAcceptableCodeRange(kSenderNameAcceptableRange);
    return checker;
}

} // namespace

DirectFaxPdeInterface::DirectFaxPdeInterface(std::shared_ptr<platform::PdePluginCallback> callback,
                                             std::shared_ptr<platform::Bundle> bundle)
    : BasicPdeInterface(std::move(callback), std::move(bundle)) {
    for (const QString& keyword : supportedKeywords(pluginBundle.get()))
        ppdFeatures.push_back(PpdFeature::initWithPPD(ppd, keyword));
    if (UtilityService::isSandboxed() == 0)
        resolveTargetDevice();
    if (getOSMinorVersion() == 6 && pluginBundle)
        UtilityService::removeHelpCacheForBundleID(pluginBundle->bundleIdentifier());
    RegisterHelpBook(helpBundle(pluginBundle));
}

// Releases in this order: a pending resolution, the features, the formatter, the editor's path,
// the printer's address, the sender name, the top-level objects of both interface files, then the
// base fields.
DirectFaxPdeInterface::~DirectFaxPdeInterface() {
    targetDeviceResolver.stop();
    for (const QMetaObject::Connection& connection : controlConnections)
        QObject::disconnect(connection);
    ppdFeatures.clear();
    // The field may outlive the formatter when the print dialog keeps the view.
    if (senderNameTextField && senderNameTextField->validator() == senderNameFieldFormatter.get())
        senderNameTextField->setValidator(nullptr);
    senderNameFieldFormatter.reset();
    addressBookEditorPath.reset();
    printerAddress.reset();
    senderName_.clear();
    // The print dialog may have deleted the view together with its own window already.
    for (QPointer<QObject>& object : mainPanelTopLevelObjs)
        delete object.data();
    mainPanelTopLevelObjs.clear();
    faxSettingTopLevelObjs.clear();
}

QString DirectFaxPdeInterface::panelName() {
    if (thePDEName)
        return *thePDEName;
    thePDEName = QStringLiteral("Fax Settings");
    if (std::optional<QString> group = PpdGroupText(ppd, kFaxSettingsGroup))
        thePDEName = std::move(group);
    return *thePDEName;
}

QWidget* DirectFaxPdeInterface::panelView() {
    if (directFaxView)
        return directFaxView;
    if (!pluginBundle) {
        qWarning("panelView: no plug-in bundle");
        return nullptr;
    }
    platform::UiLoader loader;
    loader.registerWidgetClass<DirectFaxPdeView>();
    QString error;
    QWidget* root = loader.loadInterfaceFile(*pluginBundle, QStringLiteral("MainPanel"), nullptr, &error);
    auto* view = qobject_cast<DirectFaxPdeView*>(root);
    if (!view) {
        qWarning().noquote() << "panelView:"
                             << (root ? QStringLiteral("MainPanel is no DirectFaxPdeView") : error);
        delete root;
        return nullptr;
    }
    mainPanelTopLevelObjs.assign(1, root);
    directFaxView = view;
    senderNameTextField = view->findChild<QLineEdit*>(QStringLiteral("senderNameTextEdit"));
    addressBookButton = view->findChild<QAbstractButton*>(QStringLiteral("addressBookButton"));

    view->setBundle(pluginBundle);
    view->setPPD(ppd);
    view->initializeControls();
    senderNameFieldFormatter = makeSenderNameChecker();
    senderNameFieldFormatter->installOn(senderNameTextField);
    dialPrefix.attach(view, ppd);
    connectControls();
    if (UtilityService::isSandboxed() == 1)
        resolveTargetDevice();
    // The view shows the model from the start, not the interface file's first items.
    updateUI();
    return view;
}

void DirectFaxPdeInterface::connectControls() {
    DirectFaxPdeView* view = directFaxView;
    // Filling a popup blocks its signals: only what the user picks comes through `activated`.
    for (const DirectFaxControlTag* row = directFaxPPDDict; row->tag != 0; ++row) {
        auto* popup = row->keyword ? qobject_cast<QComboBox*>(view->controlWithTag(row->tag)) : nullptr;
        if (popup) {
            controlConnections.push_back(QObject::connect(popup, &QComboBox::activated, popup,
                                                          [this, popup] { uiValueDidChange(popup); }));
        }
    }
    if (QLineEdit* field = senderNameTextField) {
        controlConnections.push_back(QObject::connect(field, &QLineEdit::editingFinished, field,
                                                      [this, field] { uiValueDidChange(field); }));
    }
    if (QAbstractButton* defaults = view->defaultsButton) {
        controlConnections.push_back(QObject::connect(defaults, &QAbstractButton::clicked, defaults,
                                                      [this, defaults] { setDefaults(defaults); }));
    }
    if (QAbstractButton* editor = addressBookButton) {
        controlConnections.push_back(QObject::connect(editor, &QAbstractButton::clicked, editor,
                                                      [this, editor] { launchAddressBook(editor); }));
    }
}

std::optional<QStringList> DirectFaxPdeInterface::supportedPPDOptionKeys() {
    QStringList keys = BasicPdeInterface::supportedPPDOptionKeys().value_or(QStringList());
    for (const auto& feature : ppdFeatures)
        keys.append(feature->keyword());
    return keys;
}

void DirectFaxPdeInterface::willShow() {
    updateUI();
}

bool DirectFaxPdeInterface::senderNameAccepted() const {
    return !senderNameTextField || !senderNameFieldFormatter ||
           senderNameFieldFormatter->isPartialStringValid(senderNameTextField->text());
}

bool DirectFaxPdeInterface::revertRejectedSenderName() {
    if (senderNameAccepted())
        return true;
    InputStringChecker::setFieldText(senderNameTextField, senderName_);
    return false;
}

void DirectFaxPdeInterface::setDefaultValue() {
    for (const auto& feature : ppdFeatures) {
        feature->setDefault();
        // A keyword the PPD lacks has no choice to tell the print dialog of.
        if (feature->hasOption() && pdePluginCallbackObject)
            pdePluginCallbackObject->willChangePPDOptionKeyValue(feature->keyword(), feature->curChoice());
    }
    senderName_ = QStringLiteral("");
}

void DirectFaxPdeInterface::setDefaults(QObject*) {
    setDefaultValue();
    updateUI();
}

void DirectFaxPdeInterface::updateUI() {
    std::map<QString, QString> choices;
    for (const auto& feature : ppdFeatures) {
        if (directFaxView)
            directFaxView->setValueForPPDKeyword(feature->curValue(), feature->keyword());
        if (feature->curChoiceRecord())
            choices[feature->keyword()] = feature->curChoice();
    }
    const auto chosen = [&choices](const char* keyword) -> std::optional<QString> {
        const auto found = choices.find(QLatin1String(keyword));
        return found == choices.end() ? std::nullopt : std::optional<QString>(found->second);
    };
    const bool noCoverPage = chosen(kCoverPageModeKeyword) == QLatin1String("None");
    const bool enterName = chosen(kSenderModeKeyword) == QLatin1String("EnterName");
    if (directFaxView)
        directFaxView->setEnabledForPPDKeyword(!noCoverPage, QLatin1String(kSenderModeKeyword));
    if (senderNameTextField) {
        senderNameTextField->setEnabled(!noCoverPage && enterName);
        InputStringChecker::setFieldText(senderNameTextField, senderName_);
    }
    if (addressBookButton && getOSMinorVersion() >= 7)
        addressBookButton->setHidden(true);
}

void DirectFaxPdeInterface::uiValueDidChange(QObject* sender) {
    if (auto* popup = qobject_cast<QComboBox*>(sender)) {
        const std::optional<QString> keyword =
            directFaxView ? directFaxView->ppdKeywordForObject(popup) : std::nullopt;
        if (!keyword || !pdePluginCallbackObject)
            return;
        const QString choice = popup->currentData().toString();
        auto feature = std::find_if(ppdFeatures.begin(), ppdFeatures.end(),
                                    [&](const auto& f) { return f->keyword() == *keyword; });
        if (!pdePluginCallbackObject->willChangePPDOptionKeyValue(*keyword, choice)) {
            // Refused: the popup goes back to what the model still holds.
            if (feature != ppdFeatures.end())
                directFaxView->setValueForPPDKeyword((*feature)->curValue(), *keyword);
            return;
        }
        if (feature != ppdFeatures.end()) {
            // The print dialog has marked the choice; without a mark, the picked choice itself.
            ppd_choice_t* marked = PpdFindMarkedChoice(ppd, *keyword);
            if (!marked)
                marked = choiceRecord(ppd, *keyword, choice);
            if (marked)
                (*feature)->setCurChoice(marked);
        }
        revertRejectedSenderName();
        if (senderNameTextField)
            senderName_ = senderNameTextField->text();
        updateUI();
    } else if (qobject_cast<QLineEdit*>(sender)) {
        revertRejectedSenderName();
    }
}

bool DirectFaxPdeInterface::restoreValuesAndReturnError(QString*) {
    for (const auto& feature : ppdFeatures) {
        if (ppd_choice_t* marked = PpdFindMarkedChoice(ppd, feature->keyword()))
            feature->setCurChoice(marked);
    }
    platform::PrintSettings* settings =
        pdePluginCallbackObject ? pdePluginCallbackObject->printSettings() : nullptr;
    if (settings) {
        QString stored;
        const platform::OSStatus status =
            platform::PMPrintSettingsGetValue(settings, QLatin1String(kSenderNamePrintSettingsKey), &stored);
        // Any program can have written the settings: a name the field would refuse is not taken,
        // or no save could succeed until the user typed a new one.
        const bool acceptable = senderNameFieldFormatter
                                    ? senderNameFieldFormatter->isPartialStringValid(stored)
                                    : makeSenderNameChecker()->isPartialStringValid(stored);
        if (status == platform::noErr && !stored.isEmpty() && !acceptable)
            qWarning("restoreValuesAndReturnError: stored sender name refused");
        senderName_ = status == platform::noErr && acceptable ? stored : QStringLiteral("");
        dialPrefix.restore(settings);
    }
    updateUI();
    return true;
}

bool DirectFaxPdeInterface::saveValuesAndReturnError(QString*) {
    if (!senderNameTextField)
        return true;
    if (!revertRejectedSenderName())
        return false;
    senderName_ = senderNameTextField->text();
    platform::PrintSettings* settings =
        pdePluginCallbackObject ? pdePluginCallbackObject->printSettings() : nullptr;
    if (settings) {
        platform::PMPrintSettingsSetValue(settings, QLatin1String(kSenderNamePrintSettingsKey), senderName_,
                                          false);
        dialPrefix.save(settings);
    }
    return true;
}

std::optional<QVariantMap> DirectFaxPdeInterface::summaryInfo() {
    QVariantMap summary;
    QStringList order;
    for (const auto& feature : ppdFeatures)
        feature->setSummaryInfo(summary, order);
    const QString senderTitle = localizedString(QStringLiteral("Sender Name"));
    summary.insert(senderTitle, senderName_.isNull() ? QStringLiteral("") : senderName_);
    order.append(senderTitle);
    summary.insert(QLatin1String(platform::kSummaryDisplayOrderKey), order);
    return summary;
}

bool DirectFaxPdeInterface::shouldShowHelp() {
    GotoHelpPage(helpBundle(pluginBundle), QLatin1String(kHelpPage));
    return false;
}

void DirectFaxPdeInterface::resolveTargetDevice() {
    targetDeviceResolver.resolveTargetDevice(pdePluginCallbackObject ? pdePluginCallbackObject->PMPrinter()
                                                                     : nullptr,
                                             [this](const QString& address) { printerAddress = address; });
}

void DirectFaxPdeInterface::launchAddressBook(QObject*) {
    AddressBookEditorLauncher::launchAddressBook(pluginBundle.get(), printerAddress, addressBookEditorPath,
                                                 directFaxView);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
