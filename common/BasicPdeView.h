// Base of every content view of the plug-in. It translates the texts of its controls in place,
// each text being the key of a strings-table lookup in the plug-in bundle, and binds PPD popups
// to PPD main keywords: it fills a popup with the choices of a PPD option and later finds,
// selects, enables or disables that popup by the keyword.
//
// Controls are told apart by their exact class; a subclass of one of the classes below counts
// as a general view:
//   popup button  QComboBox (an item's data is its represented object)
//   text field    QLabel (not editable), QLineEdit (editable unless read-only)
//   button        QPushButton, QCheckBox, QRadioButton
//   table view    QTableView (the header texts of its model's columns)
//   tab view      QTabWidget
// A general view's title is its "title" property where it has a writable one (QGroupBox).
#pragma once

#include <QComboBox>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <map>
#include <memory>
#include <optional>

class QAbstractButton;
class QTabWidget;
class QTableView;
typedef struct ppd_file_s ppd_file_t;

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace platform {
class Bundle;
}

class BasicPdeView : public QWidget {
    Q_OBJECT

public:
    explicit BasicPdeView(QWidget* parent = nullptr);
    ~BasicPdeView() override;

    // Set-up, in this order: the bundle, then the PPD when the view shows PPD options, then the
    // localizing operations.
    void setBundle(std::shared_ptr<platform::Bundle> bundle);
    // Drops every earlier binding; takes the strings table from the PPD when it names one.
    void setPPD(ppd_file_t* ppd);

    // The window title, then every direct child view in order.
    void localizeAllControls();
    // The title of the control's window.
    void localizeWindowTitle(QWidget* control);
    void localizeControl(QWidget* control);
    void localizePopup(QComboBox* popup);
    // A QLabel's or a QLineEdit's text.
    void localizeTextField(QWidget* field);
    void localizeButton(QAbstractButton* button);
    void localizeTableView(QTableView* tableView);
    // Every tab label, each followed by the tab's page.
    void localizeTabView(QTabWidget* tabView);
    // The title, when the control has one.
    void localizeGeneralControl(QWidget* control);

    // A popup is bound and filled, a text field gets the option's title, anything else is left.
    void localizePPDControl(QWidget* control, const char* keyword);
    // Binds the popup to `keyword` and fills it with the option's choices in PPD order: the
    // choice texts as item texts, the choice keywords as item data. Nothing without a PPD; an
    // option the PPD lacks leaves the popup bound and empty.
    void localizePPDPopup(QComboBox* popup, const char* keyword);
    // The field's text becomes the option's title; the field is not bound.
    void localizePPDTextField(QWidget* field, const char* keyword);
    // The keyword the control is bound to, or none.
    std::optional<QString> ppdKeywordForObject(const QObject* control) const;
    // The popup bound to `keyword` selects the item with the text `value` (none when no item
    // has it).
    void setValueForPPDKeyword(const QString& value, const QString& keyword);
    void setEnabledForPPDKeyword(bool enabled, const QString& keyword);

    // `key` looked up in this view's strings table; no text without a bundle.
    QString localizedString(const QString& key) const;
    const std::optional<QString>& localizedTableName() const { return localizedFileName; }
    ppd_file_t* ppdFile() const { return ppd; }
    const std::shared_ptr<platform::Bundle>& bundle() const { return thisBundle; }

protected:
    std::shared_ptr<platform::Bundle> thisBundle;
    ppd_file_t* ppd = nullptr; // borrowed
    std::map<QString, QPointer<QComboBox>> ppdDictionary;
    std::optional<QString> localizedFileName;

private:
    // The translation of a control's text; the text itself when it is empty or no table knows it.
    QString translated(const QString& text) const;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
