// The content view of the address book dialog, made from the interface file "AddressBook": it
// localizes the dialog and selects its tabs (0: the computer's address-book file, 1: the
// device's address book). The rules live in AddressBookController.
#pragma once

#include <BasicPdeView.h>

#include <QPointer>

class QTabWidget;

namespace com::velmora::cps::print::pde::tarncrest::directfax {

class AddressBookView : public BasicPdeView {
    Q_OBJECT

public:
    explicit AddressBookView(QWidget* parent = nullptr);
    ~AddressBookView() override;

    void selectTab(int index);
    // -1 without a tab view.
    int selectedTabIndex() const;
    // Translates the window's title, then every direct subview in order.
    void initializeControls();

    QPointer<QTabWidget> addressSourceTabView;
    // Connects the outlet above to the control of the same name.
    void connectOutlets();
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
