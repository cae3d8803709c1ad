#include "AddressBookEntryList.h"

#include <algorithm>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

AddressBookEntry AddressBookEntry::group(const QString& name, QList<quint16> members) {
    AddressBookEntry entry;
    entry.name = name;
    entry.phoneNumber = QLatin1String(kGroupMarker);
    entry.userIDList = std::move(members);
    return entry;
}

QVariant AddressBookEntry::valueForKey(const QString& key) const {
    if (key == QLatin1String("Id"))
        return id ? QVariant(*id) : QVariant();
    if (key == QLatin1String("name"))
        return name;
    if (key == QLatin1String("phoneNumber"))
        return phoneNumber;
    if (key == QLatin1String("company"))
        return company.isNull() ? QVariant() : QVariant(company);
    if (key == QLatin1String("note"))
        return note.isNull() ? QVariant() : QVariant(note);
    if (key == QLatin1String("userIDList") && isGroup()) {
        QVariantList members;
        for (quint16 member : userIDList)
            members.append(member);
        return members;
    }
    return {};
}

AddressBookEntryList::AddressBookEntryList(QObject* parent) : ArrangedTableModel(parent) {}

AddressBookEntryList::~AddressBookEntryList() = default;

void AddressBookEntryList::setSortDescriptors(const QList<SortDescriptor>& newDescriptors) {
    descriptors = newDescriptors;
    changing = true;
    beginResetModel();
    arrange();
    endResetModel();
    selection.clearSelection();
    changing = false;
    emit selectedObjectsChanged();
}

void AddressBookEntryList::arrange() {
    // Each key is compared on a copy folded once per entry, not once per comparison: a book of
    // tens of thousands of entries is arranged in a few milliseconds.
    struct Keys {
        QString name;
        QString phoneNumber;
        qsizetype at;
    };
    bool useful = false;
    for (const SortDescriptor& d : descriptors)
        useful |= d.key == QLatin1String("name") || d.key == QLatin1String("phoneNumber");
    if (!useful || entries.size() < 2)
        return;
    std::vector<Keys> keys;
    keys.reserve(static_cast<size_t>(entries.size()));
    for (qsizetype i = 0; i < entries.size(); ++i)
        keys.push_back({entries[i].name, entries[i].phoneNumber, i});
    for (const SortDescriptor& d : descriptors)
        if (d.caseInsensitive)
            for (Keys& k : keys) {
                if (d.key == QLatin1String("name"))
                    k.name = k.name.toCaseFolded();
                else if (d.key == QLatin1String("phoneNumber"))
                    k.phoneNumber = k.phoneNumber.toCaseFolded();
            }
    std::stable_sort(keys.begin(), keys.end(), [this](const Keys& a, const Keys& b) {
        for (const SortDescriptor& d : descriptors) {
            int order = 0;
            if (d.key == QLatin1String("name"))
                order = QString::compare(a.name, b.name);
            else if (d.key == QLatin1String("phoneNumber"))
                order = QString::compare(a.phoneNumber, b.phoneNumber);
            if (order != 0)
                return d.ascending ? order < 0 : order > 0;
        }
        return false;
    });
    QList<AddressBookEntry> arranged;
    arranged.reserve(entries.size());
    for (const Keys& k : keys)
        arranged.append(std::move(entries[k.at]));
    entries = std::move(arranged);
}

QList<AddressBookEntry> AddressBookEntryList::selectedObjects() const {
    QList<AddressBookEntry> selected;
    for (int row : selectionIndexes())
        selected.append(entries[row]);
    return selected;
}

void AddressBookEntryList::addObjects(const QList<AddressBookEntry>& newEntries) {
    if (newEntries.isEmpty())
        return;
    changing = true;
    beginResetModel();
    entries.append(newEntries);
    arrange();
    endResetModel();
    selection.clearSelection();
    changing = false;
    emit selectedObjectsChanged();
}

void AddressBookEntryList::removeAllObjects() {
    setArrangedObjects({});
}

void AddressBookEntryList::setArrangedObjects(QList<AddressBookEntry> arranged) {
    changing = true;
    beginResetModel();
    entries = std::move(arranged);
    endResetModel();
    selection.clearSelection();
    changing = false;
    emit selectedObjectsChanged();
}

int AddressBookEntryList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(entries.size());
}

QVariant AddressBookEntryList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= entries.size() ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const AddressBookEntry& entry = entries[index.row()];
    return index.column() == NameColumn ? entry.name : entry.phoneNumber;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
