#include "BasicPdeView.h"

#include "NSBundleHALDENLocalization.h"
#include "PpdFeature.h"

#include <Bundle.h>

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaProperty>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableView>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace {

template <class T> bool isExactly(const QWidget* widget) {
    return widget->metaObject() == &T::staticMetaObject;
}

// The views inside `view`, in order; windows parented to it (popups, dialogs) are not among them.
QList<QWidget*> subviews(const QWidget* view) {
    QList<QWidget*> result;
    for (QObject* child : view->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && !widget->isWindow())
            result.append(widget);
    }
    return result;
}

// The writable "title" property of the control's class, if it has one.
std::optional<QMetaProperty> titleProperty(const QWidget* control) {
    const QMetaObject* metaObject = control->metaObject();
    const int index = metaObject->indexOfProperty("title");
    if (index < 0)
        return std::nullopt;
    QMetaProperty property = metaObject->property(index);
    if (!property.isWritable() || property.metaType().id() != QMetaType::QString)
        return std::nullopt;
    return property;
}

QString fieldText(const QWidget* field) {
    if (const auto* label = qobject_cast<const QLabel*>(field))
        return label->text();
    if (const auto* lineEdit = qobject_cast<const QLineEdit*>(field))
        return lineEdit->text();
    return {};
}

void setFieldText(QWidget* field, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(field))
        label->setText(text);
    else if (auto* lineEdit = qobject_cast<QLineEdit*>(field))
        lineEdit->setText(text);
}

} // namespace

BasicPdeView::BasicPdeView(QWidget* parent) : QWidget(parent) {}

BasicPdeView::~BasicPdeView() = default;

void BasicPdeView::setBundle(std::shared_ptr<platform::Bundle> bundle) {
    thisBundle = std::move(bundle);
}

void BasicPdeView::setPPD(ppd_file_t* newPPD) {
    ppd = newPPD;
    ppdDictionary.clear();
    if (std::optional<QString> table = LocalizableTableForPPD(ppd))
        localizedFileName = std::move(table);
}

QString BasicPdeView::localizedString(const QString& key) const {
    return haldenLocalizedStringForKey(thisBundle.get(), key, QString(), localizedFileName);
}

QString BasicPdeView::translated(const QString& text) const {
    if (text.isEmpty())
        return text;
    const QString result = localizedString(text);
    return result.isNull() ? text : result;
}

void BasicPdeView::localizeAllControls() {
    localizeWindowTitle(this);
    for (QWidget* subview : subviews(this))
        localizeControl(subview);
}

void BasicPdeView::localizeWindowTitle(QWidget* control) {
    if (!control)
        return;
    QWidget* window = control->window();
    const QString title = window->windowTitle();
    if (!title.isEmpty())
        window->setWindowTitle(translated(title));
}

void BasicPdeView::localizeControl(QWidget* control) {
    if (!control)
        return;
    if (isExactly<QComboBox>(control)) {
        localizePopup(static_cast<QComboBox*>(control));
    } else if (isExactly<QLabel>(control)) {
        localizeTextField(control);
    } else if (isExactly<QLineEdit>(control)) {
        // What the user types is never translated.
        if (static_cast<QLineEdit*>(control)->isReadOnly())
            localizeTextField(control);
    } else if (isExactly<QPushButton>(control) || isExactly<QCheckBox>(control) ||
               isExactly<QRadioButton>(control)) {
        localizeButton(static_cast<QAbstractButton*>(control));
    } else if (isExactly<QTableView>(control)) {
        localizeTableView(static_cast<QTableView*>(control));
    } else if (isExactly<QTabWidget>(control)) {
        localizeTabView(static_cast<QTabWidget*>(control));
    } else {
        localizeGeneralControl(control);
        for (QWidget* subview : subviews(control))
            localizeControl(subview);
    }
}

void BasicPdeView::localizePopup(QComboBox* popup) {
    if (!popup)
        return;
    for (int i = 0; i < popup->count(); ++i)
        popup->setItemText(i, translated(popup->itemText(i)));
}

void BasicPdeView::localizeTextField(QWidget* field) {
    if (field)
        setFieldText(field, translated(fieldText(field)));
}

void BasicPdeView::localizeButton(QAbstractButton* button) {
    if (button)
        button->setText(translated(button->text()));
}

void BasicPdeView::localizeTableView(QTableView* tableView) {
    QAbstractItemModel* model = tableView ? tableView->model() : nullptr;
    if (!model)
        return;
    for (int column = 0; column < model->columnCount(); ++column) {
        const QString header = model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        model->setHeaderData(column, Qt::Horizontal, translated(header), Qt::DisplayRole);
    }
}

void BasicPdeView::localizeTabView(QTabWidget* tabView) {
    if (!tabView)
        return;
    for (int i = 0; i < tabView->count(); ++i) {
        tabView->setTabText(i, translated(tabView->tabText(i)));
        localizeControl(tabView->widget(i));
    }
}

void BasicPdeView::localizeGeneralControl(QWidget* control) {
    if (!control)
        return;
    if (const std::optional<QMetaProperty> title = titleProperty(control))
        title->write(control, translated(title->read(control).toString()));
}

void BasicPdeView::localizePPDControl(QWidget* control, const char* keyword) {
    if (!control)
        return;
    if (isExactly<QComboBox>(control))
        localizePPDPopup(static_cast<QComboBox*>(control), keyword);
    else if (isExactly<QLabel>(control) || isExactly<QLineEdit>(control))
        localizePPDTextField(control, keyword);
}

void BasicPdeView::localizePPDPopup(QComboBox* popup, const char* keyword) {
    if (!ppd || !popup || !keyword)
        return;
    const QString key = QString::fromLatin1(keyword);
    ppdDictionary[key] = popup;
    // Filling the popup is no choice of the user's: nobody listening hears of it.
    const QSignalBlocker quiet(popup);
    popup->clear();
    for (const PpdChoiceInfo& choice : PpdChoices(ppd, key)) {
        // One item per title: a repeated title moves to the end and takes the later keyword.
        if (const int earlier = popup->findText(choice.text); earlier >= 0)
            popup->removeItem(earlier);
        popup->addItem(choice.text, choice.choice);
    }
}

void BasicPdeView::localizePPDTextField(QWidget* field, const char* keyword) {
    if (!ppd || !field || !keyword)
        return;
    const PpdFeature option(ppd, QString::fromLatin1(keyword));
    if (option.hasOption())
        setFieldText(field, option.title());
}

std::optional<QString> BasicPdeView::ppdKeywordForObject(const QObject* control) const {
    if (!control)
        return std::nullopt;
    for (const auto& [keyword, popup] : ppdDictionary) {
        if (popup.data() == control)
            return keyword;
    }
    return std::nullopt;
}

void BasicPdeView::setValueForPPDKeyword(const QString& value, const QString& keyword) {
    const auto bound = ppdDictionary.find(keyword);
    if (bound == ppdDictionary.end() || !bound->second)
        return;
    QComboBox* popup = bound->second.data();
    popup->setCurrentIndex(popup->findText(value));
}

void BasicPdeView::setEnabledForPPDKeyword(bool enabled, const QString& keyword) {
    const auto bound = ppdDictionary.find(keyword);
    if (bound != ppdDictionary.end() && bound->second)
        bound->second->setEnabled(enabled);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
