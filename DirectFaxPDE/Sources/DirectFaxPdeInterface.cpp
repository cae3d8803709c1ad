#include "DirectFaxPdeInterface.h"

#include "DirectFaxPdeView.h"
#include "PpdFeature.h"

#include <Bundle.h>
#include <UiLoader.h>

#include <QDebug>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace {

// The PPD options of "MainPanel": each option's keyword, its title label and its popup.
struct PpdOptionControls {
    const char* keyword;
    const char* titleName;
    const char* popupName;
};
constexpr PpdOptionControls kMainPanelPpdOptions[] = {
    {"VMFaxImageQuality", "imageQualityTitle", "imageQualityPopup"},
    {"VMFaxTransmissionReport", "reportOptionTitle", "reportOptionPopup"},
    {"VMFaxCoverPageMode", "coverPageTitle", "coverPagePopup"},
    {"VMFaxSenderMode", "senderModeTitle", "senderModePopup"},
};

} // namespace

DirectFaxPdeInterface::DirectFaxPdeInterface(std::shared_ptr<platform::PdePluginCallback> callback,
                                             std::shared_ptr<platform::Bundle> bundle)
    : BasicPdeInterface(std::move(callback), std::move(bundle)) {}

DirectFaxPdeInterface::~DirectFaxPdeInterface() {
    // The print dialog may have deleted the view together with its own window already.
    delete directFaxView.data();
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
    directFaxView = view;
    view->setBundle(pluginBundle);
    view->setPPD(ppd);
    view->localizeAllControls();
    for (const PpdOptionControls& option : kMainPanelPpdOptions) {
        const QLatin1String keyword(option.keyword);
        view->localizePPDControl(view->findChild<QWidget*>(QLatin1String(option.titleName)), option.keyword);
        view->localizePPDControl(view->findChild<QWidget*>(QLatin1String(option.popupName)), option.keyword);
        // The popup shows the option's current choice, as the print dialog has it marked.
        const QString current = PpdFeature(ppd, keyword).curValue();
        if (!current.isEmpty())
            view->setValueForPPDKeyword(current, keyword);
    }
    return view;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
