// The content view of the Fax Settings panel, made from the interface file "MainPanel".
#pragma once

#include <BasicPdeView.h>

#include <QPointer>

class QAbstractButton;
class QGroupBox;
class QLabel;
class QLineEdit;

namespace com::velmora::cps::print::pde::tarncrest::directfax {

// One row of the view's control table: the tag of a control and the PPD main keyword it shows,
// or none for a control that is only localized.
struct DirectFaxControlTag {
    int tag;
    const char* keyword;
};

// The controls of the view by tag, ended by tag 0. Each keyword stands in two rows, one for the
// option's title label and one for its popup.
inline constexpr DirectFaxControlTag directFaxPPDDict[] = {
    {1, "VMFaxImageQuality"},
    {2, "VMFaxImageQuality"},
    {3, "VMFaxTransmissionReport"},
    {4, "VMFaxTransmissionReport"},
    {5, nullptr},
    {6, nullptr},
    {7, "VMFaxCoverPageMode"},
    {8, "VMFaxCoverPageMode"},
    {9, "VMFaxSenderMode"},
    {10, "VMFaxSenderMode"},
    {11, nullptr},
    {12, nullptr},
    {0, nullptr},
};

class DirectFaxPdeView : public BasicPdeView {
    Q_OBJECT

public:
    explicit DirectFaxPdeView(QWidget* parent = nullptr);
    ~DirectFaxPdeView() override;

    // After setBundle and setPPD: localizes every control of the control table, binding and
    // filling the PPD popups and titling their labels from the PPD, then the cover page group.
    // A PPD option the printer lacks leaves its popup without choices: that popup and its label
    // are hidden, so that no popup offers an empty list.
    void initializeControls();

    // The control carrying `tag` (the view itself or a view inside it), or null.
    QWidget* controlWithTag(int tag);

    // Outlets, connected by name when the controls are initialized.
    QPointer<QLabel> imageQualityTitle;
    QPointer<QComboBox> imageQualityPopup;
    QPointer<QLabel> reportOptionTitle;
    QPointer<QComboBox> reportOptionPopup;
    QPointer<QGroupBox> coverSettingGroup;
    QPointer<QLabel> coverPageTitle;
    QPointer<QComboBox> coverPagePopup;
    QPointer<QLabel> senderModeTitle;
    QPointer<QComboBox> senderModePopup;
    QPointer<QLabel> senderNameTitle;
    QPointer<QLineEdit> senderNameTextEdit;
    QPointer<QAbstractButton> addressBookButton;
    QPointer<QAbstractButton> defaultsButton;

private:
    void connectOutlets();
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
