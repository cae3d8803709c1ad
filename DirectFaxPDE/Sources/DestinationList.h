// The destination list of a fax job: the list controller that the fax-job dialog and the
// address book dialog share (both call it addressArrayController). It keeps its items in their
// arranged order, with a selection, and shows them as a table (name, fax number).
#pragma once

#include "AddressInfo.h"
#include "ArrangedTableModel.h"

#include <QAbstractTableModel>
#include <QItemSelectionModel>
#include <QList>
#include <QStringList>
#include <functional>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

// Most destinations one fax job can carry.
inline constexpr int kMaxDestinationCount = 30;

// One key of an arrangement.
struct SortDescriptor {
    QString key;
    bool ascending = true;
    bool caseInsensitive = false;
};

class DestinationList : public ArrangedTableModel {
    Q_OBJECT

public:
    explicit DestinationList(QObject* parent = nullptr);
    ~DestinationList() override;

    // The arrangement of destination lists and of the address books' entry lists: "name", then
    // "phoneNumber", each case-insensitive and descending (Z before A).
    static QList<SortDescriptor> destinationSortDescriptors();
    // True when an item with the values `a` belongs before one with the values `b` under
    // `descriptors`; items equal under every key keep the order in which they were added.
    static bool arrangedBefore(const QList<SortDescriptor>& descriptors,
                               const std::function<QString(const QString& key)>& a,
                               const std::function<QString(const QString& key)>& b);

    // Rearranges the items at once; an empty list keeps the order of adding.
    void setSortDescriptors(const QList<SortDescriptor>& descriptors);
    const QList<SortDescriptor>& sortDescriptors() const { return descriptors; }

    const QList<AddressInformation>& arrangedObjects() const { return items; }
    int count() const { return static_cast<int>(items.size()); }
    // The selected items in arranged order.
    QList<AddressInformation> selectedObjects() const;

    // The first item, in arranged order, whose name and fax number equal these exactly.
    int indexOfAddress(const QString& name, const QString& phoneNumber) const;

    // Puts the item at its arranged place and selects it instead of the earlier selection.
    // Refuses (false) once the list holds kMaxDestinationCount items.
    bool addObject(const AddressInformation& item);
    // Adds the items as one step, selecting them; refuses all when they would not fit.
    bool addObjects(const QList<AddressInformation>& newItems);
    // Removes the items at these arranged indexes (out-of-range ones are ignored).
    void removeObjects(QList<int> indexes);
    void removeAllObjects();
    // Selects the item at `index` only; an index out of range clears the selection.
    void setSelectionIndex(int index);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    int insertionRow(const AddressInformation& item) const;
    void announceSelection();

    QList<AddressInformation> items;
    QList<SortDescriptor> descriptors;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
