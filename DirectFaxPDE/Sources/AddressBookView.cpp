#include "AddressBookView.h"

#include <QTabWidget>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

AddressBookView::AddressBookView(QWidget* parent) : BasicPdeView(parent) {}

AddressBookView::~AddressBookView() = default;

void AddressBookView::selectTab(int index) {
    if (addressSourceTabView)
        addressSourceTabView->setCurrentIndex(index);
}

int AddressBookView::selectedTabIndex() const {
    return addressSourceTabView ? addressSourceTabView->currentIndex() : -1;
}

void AddressBookView::connectOutlets() {
    addressSourceTabView = findChild<QTabWidget*>(QStringLiteral("addressSourceTabView"));
}

void AddressBookView::initializeControls() {
    localizeAllControls();
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
