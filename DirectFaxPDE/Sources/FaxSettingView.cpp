#include "FaxSettingView.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

FaxSettingView::FaxSettingView(QWidget* parent) : BasicPdeView(parent) {}

FaxSettingView::~FaxSettingView() = default;

void FaxSettingView::initializeControls() {
    localizeAllControls();
}

void FaxSettingView::connectOutlets() {
    const auto outlet = [this]<class T>(QPointer<T>& field, const char* name) {
        field = findChild<T*>(QLatin1String(name));
    };
    outlet(destNameLabel, "destNameLabel");
    outlet(destPhoneNumberLabel, "destPhoneNumberLabel");
    outlet(recipientListLabel, "recipientListLabel");
    outlet(addAddressButton, "addAddressButton");
    outlet(editAddressButton, "editAddressButton");
    outlet(deleteAddressButton, "deleteAddressButton");
    outlet(addToAddressBookButton, "addToAddressBookButton");
    outlet(addressBookFileLabel, "addressBookFileLabel");
    outlet(lookUpAddressBookButton, "lookUpAddressBookButton");
    outlet(lookUpDeviceDataButton, "lookUpDeviceDataButton");
    outlet(authorizationGroupBox, "authorizationGroupBox");
    outlet(passwordLabel, "passwordLabel");
    outlet(delayedSendGroupBox, "delayedSendGroupBox");
    outlet(delayedSendCheckbox, "delayedSendCheckbox");
    outlet(delayedTimeLabel, "delayedTimeLabel");
    outlet(startButton, "startButton");
    outlet(stopButton, "stopButton");
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
