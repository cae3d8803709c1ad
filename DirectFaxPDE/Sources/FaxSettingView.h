// The content view of the fax-job dialog, made from the interface file "FaxSetting". It only
// localizes the dialog; the rules live in FaxSettingController.
#pragma once

#include <BasicPdeView.h>

#include <QPointer>

class QAbstractButton;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace com::velmora::cps::print::pde::tarncrest::directfax {

class FaxSettingView : public BasicPdeView {
    Q_OBJECT

public:
    explicit FaxSettingView(QWidget* parent = nullptr);
    ~FaxSettingView() override;

    // Translates the window's title, then every direct subview in order.
    void initializeControls();

    // The dialog's controls, connected by name once the interface file is loaded.
    QPointer<QLabel> destNameLabel;
    QPointer<QLabel> destPhoneNumberLabel;
    QPointer<QLabel> recipientListLabel;
    QPointer<QPushButton> addAddressButton;
    QPointer<QPushButton> editAddressButton;
    QPointer<QPushButton> deleteAddressButton;
    QPointer<QPushButton> addToAddressBookButton;
    QPointer<QLabel> addressBookFileLabel;
    QPointer<QPushButton> lookUpAddressBookButton;
    QPointer<QPushButton> lookUpDeviceDataButton;
    QPointer<QGroupBox> authorizationGroupBox;
    QPointer<QLabel> passwordLabel;
    QPointer<QGroupBox> delayedSendGroupBox;
    QPointer<QCheckBox> delayedSendCheckbox;
    QPointer<QLabel> delayedTimeLabel;
    QPointer<QPushButton> startButton;
    QPointer<QPushButton> stopButton;

    // Connects the outlets above to the controls of the same names.
    void connectOutlets();
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
