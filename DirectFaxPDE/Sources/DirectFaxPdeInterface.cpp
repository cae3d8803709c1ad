#include "DirectFaxPdeInterface.h"

#include "DirectFaxPdeView.h"
#include "PpdFeature.h"

#include <Bundle.h>
#include <UiLoader.h>

#include <QDebug>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace {

// The PPD options of "MainPanel": each option's title label and its popup.
struct PpdControl {
    const char* objectName;
    const char* keyword;
};
constexpr PpdControl kMainPanelPpdControls[] = {
    {"imageQualityTitle", "VMFaxImageQuality"},       {"imageQualityPopup", "VMFaxImageQuality"},
    {"reportOptionTitle", "VMFaxTransmissionReport"}, {"reportOptionPopup", "VMFaxTransmissionReport"},
    {"coverPageTitle", "VMFaxCoverPageMode"},         {"coverPagePopup", "VMFaxCoverPageMode"},
    {"senderModeTitle", "VMFaxSenderMode"},           {"senderModePopup", "VMFaxSenderMode"},
};
constexpr const char* kMainPanelPpdKeywords[] = {"VMFaxImageQuality", "VMFaxTransmissionReport",
                                                 "VMFaxCoverPageMode", "VMFaxSenderMode"};

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
    for (const PpdControl& control : kMainPanelPpdControls)
        view->localizePPDControl(view->findChild<QWidget*>(QLatin1String(control.objectName)),
                                 control.keyword);
    // Each popup shows the option's current choice, as the print dialog has it marked.
    for (const char* keyword : kMainPanelPpdKeywords) {
        const PpdFeature feature(ppd, QLatin1String(keyword));
        if (!feature.curValue().isEmpty())
            view->setValueForPPDKeyword(feature.curValue(), QLatin1String(keyword));
    }
    return view;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
