// Base of the plug-in's list controllers shown as tables of names and fax numbers (the
// destination list, the address books' entry lists): the two columns with replaceable header
// texts, and the selection of whole rows with its change notice.
#pragma once

#include <QAbstractTableModel>
#include <QItemSelectionModel>
#include <QList>
#include <QStringList>

class QTableView;

namespace com::velmora::cps::print::pde::tarncrest::directfax {

class ArrangedTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { NameColumn, PhoneNumberColumn, ColumnCount };

    explicit ArrangedTableModel(QObject* parent = nullptr);
    ~ArrangedTableModel() override;

    // Arranged indexes of the selected rows, ascending.
    QList<int> selectionIndexes() const;
    // Selects these rows only (out-of-range ones are ignored).
    void setSelectionIndexes(const QList<int>& indexes);
    // Shows the list in `table`, with its selection: the names get the room the fax numbers
    // leave, one line a row, cut at the right end with an ellipsis.
    void showIn(QTableView* table);

    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // The header texts can be replaced (the views translate them).
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;

signals:
    // The selected rows changed, by a change of selection or of the list.
    void selectedObjectsChanged();

protected:
    QItemSelectionModel selection;
    // Set while the list changes itself: the selection's own notices are held back.
    bool changing = false;

private:
    QStringList headers;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
