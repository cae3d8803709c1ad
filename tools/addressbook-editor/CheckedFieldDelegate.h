// In-place editing of a table cell with the fax-job dialog's checker on the field: a name of
// printable ASCII up to 32 characters, a fax number of its characters up to 50. What the checker
// refuses is never typed; the book checks the rest when the edit ends.
#pragma once

#include "InputStringChecker.h"

#include <QStyledItemDelegate>

namespace com::velmora::cps::print::pde::tarncrest::directfax::editor {

class CheckedFieldDelegate : public QStyledItemDelegate {
public:
    // The columns holding names and fax numbers; -1 for none.
    CheckedFieldDelegate(int nameColumn, int faxColumn, QObject* parent);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;

private:
    InputStringChecker* checkerFor(int column) const;

    int nameColumn, faxColumn;
    // Installed on the fields the const createEditor makes.
    mutable InputStringChecker nameChecker, faxChecker;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::editor
