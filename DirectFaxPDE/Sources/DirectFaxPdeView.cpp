#include "DirectFaxPdeView.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <map>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace {

// The tag an interface file gives a control (the dynamic property "tag"); 0 for none.
int tagOf(const QWidget* control) {
    bool ok = false;
    const int tag = control->property("tag").toInt(&ok);
    return ok ? tag : 0;
}

template <class T> void connectOutlet(QWidget* view, QPointer<T>& outlet, const char* name) {
    outlet = view->findChild<T*>(QLatin1String(name));
}

} // namespace

DirectFaxPdeView::DirectFaxPdeView(QWidget* parent) : BasicPdeView(parent) {}

DirectFaxPdeView::~DirectFaxPdeView() = default;

void DirectFaxPdeView::connectOutlets() {
    connectOutlet(this, imageQualityTitle, "imageQualityTitle");
    connectOutlet(this, imageQualityPopup, "imageQualityPopup");
    connectOutlet(this, reportOptionTitle, "reportOptionTitle");
    connectOutlet(this, reportOptionPopup, "reportOptionPopup");
    connectOutlet(this, coverSettingGroup, "coverSettingGroup");
    connectOutlet(this, coverPageTitle, "coverPageTitle");
    connectOutlet(this, coverPagePopup, "coverPagePopup");
    connectOutlet(this, senderModeTitle, "senderModeTitle");
    connectOutlet(this, senderModePopup, "senderModePopup");
    connectOutlet(this, senderNameTitle, "senderNameTitle");
    connectOutlet(this, senderNameTextEdit, "senderNameTextEdit");
    connectOutlet(this, addressBookButton, "addressBookButton");
    connectOutlet(this, defaultsButton, "defaultsButton");
}

QWidget* DirectFaxPdeView::controlWithTag(int tag) {
    if (tagOf(this) == tag)
        return this;
    for (QWidget* control : findChildren<QWidget*>()) {
        if (tagOf(control) == tag)
            return control;
    }
    return nullptr;
}

void DirectFaxPdeView::initializeControls() {
    connectOutlets();
    // The controls of each keyword, to hide an option the PPD cannot fill.
    std::map<QString, QList<QWidget*>> byKeyword;
    for (const DirectFaxControlTag* row = directFaxPPDDict; row->tag != 0; ++row) {
        QWidget* control = controlWithTag(row->tag);
        if (!control)
            continue;
        if (row->keyword) {
            localizePPDControl(control, row->keyword);
            byKeyword[QLatin1String(row->keyword)].append(control);
        } else {
            localizeControl(control);
        }
    }
    localizeControl(coverSettingGroup);
    localizeControl(findChild<QLabel*>(QStringLiteral("dialPrefixTitle")));

    for (const auto& [keyword, controls] : byKeyword) {
        bool empty = false;
        for (QWidget* control : controls) {
            if (auto* popup = qobject_cast<QComboBox*>(control))
                empty = empty || popup->count() == 0;
        }
        for (QWidget* control : controls)
            control->setHidden(empty);
    }
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
