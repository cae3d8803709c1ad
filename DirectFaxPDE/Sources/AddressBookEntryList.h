// The entries of one tab of the address book dialog (the computer's address-book file or the
// device's address book), and the member rows of the group sheet: a list controller that keeps
// its entries in their arranged order, with a selection, and shows them as a table (name, fax
// number). The table reads the entries in place, so a book of tens of thousands of entries
// costs one row object per entry and no widget per row.
#pragma once

#include "ArrangedTableModel.h"
#include "DestinationList.h"

#include <QAbstractTableModel>
#include <QItemSelectionModel>
#include <QList>
#include <QString>
#include <QVariant>
#include <optional>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

// The group marker: the "phoneNumber" of a group entry.
inline constexpr char kGroupMarker[] = "Group";

// One row of an address-book tab. Individual entries carry an "Id"; a group carries the group
// marker as its "phoneNumber" and its members' Ids in "userIDList". Computer entries have
// "company" and "note" ("" when empty); device entries and groups leave them unset.
struct AddressBookEntry {
    std::optional<quint16> id;
    QString name;
    QString phoneNumber;
    QString company;
    QString note;
    QList<quint16> userIDList;

    static AddressBookEntry group(const QString& name, QList<quint16> members);
    bool isGroup() const { return phoneNumber == QLatin1String(kGroupMarker); }
    // The entry by key: "Id", "name", "phoneNumber", "company", "note", "userIDList"; an absent
    // key reads as invalid.
    QVariant valueForKey(const QString& key) const;
};

class AddressBookEntryList : public ArrangedTableModel {
    Q_OBJECT

public:
    explicit AddressBookEntryList(QObject* parent = nullptr);
    ~AddressBookEntryList() override;

    // Rearranges at once; an empty list keeps the order of adding. Keys other than "name" and
    // "phoneNumber" are ignored.
    void setSortDescriptors(const QList<SortDescriptor>& descriptors);
    const QList<SortDescriptor>& sortDescriptors() const { return descriptors; }

    const QList<AddressBookEntry>& arrangedObjects() const { return entries; }
    int count() const { return static_cast<int>(entries.size()); }
    // The selected entries in arranged order.
    QList<AddressBookEntry> selectedObjects() const;

    // Puts the entries at their arranged places, as one change; the selection is cleared.
    void addObjects(const QList<AddressBookEntry>& newEntries);
    void addObjects(QList<AddressBookEntry>&& newEntries);
    void addObject(const AddressBookEntry& entry) { addObjects({entry}); }
    void removeAllObjects();
    // Replaces the content by `arranged`, which is already in this list's arrangement (a part,
    // in order, of what this list showed before).
    void setArrangedObjects(QList<AddressBookEntry> arranged);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    void arrange();

    QList<AddressBookEntry> entries;
    QList<SortDescriptor> descriptors;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
