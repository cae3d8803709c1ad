#include "CheckedFieldDelegate.h"

#include "AddressBook.h"

#include <QLineEdit>

namespace com::velmora::cps::print::pde::tarncrest::directfax::editor {

CheckedFieldDelegate::CheckedFieldDelegate(int nameColumn, int faxColumn, QObject* parent)
    : QStyledItemDelegate(parent), nameColumn(nameColumn), faxColumn(faxColumn) {
    nameChecker.setMaxLength(addressbook::kNameUnits);
    nameChecker.setAcceptableCodeRange(kAddressNameAcceptableRange);
    faxChecker.setMaxLength(kPhoneNumberMaxLength);
    faxChecker.setAcceptableCodeRange(kPhoneNumberAcceptableRange);
}

InputStringChecker* CheckedFieldDelegate::checkerFor(int column) const {
    return column == nameColumn ? &nameChecker : column == faxColumn ? &faxChecker : nullptr;
}

QWidget* CheckedFieldDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                            const QModelIndex& index) const {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    auto* field = qobject_cast<QLineEdit*>(editor);
    if (InputStringChecker* checker = checkerFor(index.column()); field && checker)
        checker->installOn(field);
    return editor;
}

void CheckedFieldDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* field = qobject_cast<QLineEdit*>(editor);
    if (field && checkerFor(index.column()))
        InputStringChecker::setFieldText(field, index.data(Qt::EditRole).toString());
    else
        QStyledItemDelegate::setEditorData(editor, index);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::editor
