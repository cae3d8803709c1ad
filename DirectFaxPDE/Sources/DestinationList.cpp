#include "DestinationList.h"

#include <algorithm>
#include <functional>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

DestinationList::DestinationList(QObject* parent) : ArrangedTableModel(parent) {}

DestinationList::~DestinationList() = default;

QList<SortDescriptor> DestinationList::destinationSortDescriptors() {
    return {{QStringLiteral("name"), false, true}, {QStringLiteral("phoneNumber"), false, true}};
}

bool DestinationList::arrangedBefore(const QList<SortDescriptor>& descriptors,
                                     const std::function<QString(const QString& key)>& a,
                                     const std::function<QString(const QString& key)>& b) {
    for (const SortDescriptor& descriptor : descriptors) {
        const int order =
            QString::compare(a(descriptor.key), b(descriptor.key),
                             descriptor.caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive);
        if (order != 0)
            return descriptor.ascending ? order < 0 : order > 0;
    }
    return false;
}

namespace {
std::function<QString(const QString&)> keysOf(const AddressInformation& item) {
    return [&item](const QString& key) { return item.valueForKey(key).toString(); };
}
} // namespace

void DestinationList::setSortDescriptors(const QList<SortDescriptor>& newDescriptors) {
    descriptors = newDescriptors;
    const QList<int> selected = selectionIndexes();
    QList<int> order(items.size());
    for (int i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return arrangedBefore(descriptors, keysOf(items[a]), keysOf(items[b]));
    });
    changing = true;
    beginResetModel();
    QList<AddressInformation> arranged;
    QList<int> newSelection;
    for (int i = 0; i < order.size(); ++i) {
        arranged.append(items[order[i]]);
        if (selected.contains(order[i]))
            newSelection.append(i);
    }
    items = std::move(arranged);
    endResetModel();
    changing = false;
    setSelectionIndexes(newSelection);
}

QList<AddressInformation> DestinationList::selectedObjects() const {
    QList<AddressInformation> selected;
    for (int row : selectionIndexes())
        selected.append(items[row]);
    return selected;
}

int DestinationList::indexOfAddress(const QString& name, const QString& phoneNumber) const {
    for (int i = 0; i < items.size(); ++i)
        if (items[i].isSameAddress(name, phoneNumber))
            return i;
    return -1;
}

int DestinationList::insertionRow(const AddressInformation& item) const {
    // After every item that is not arranged behind the new one: equal items keep their order.
    const auto at = std::upper_bound(items.begin(), items.end(), item,
                                     [this](const AddressInformation& a, const AddressInformation& b) {
                                         return arrangedBefore(descriptors, keysOf(a), keysOf(b));
                                     });
    return static_cast<int>(at - items.begin());
}

bool DestinationList::addObject(const AddressInformation& item) {
    return addObjects({item});
}

bool DestinationList::addObjects(const QList<AddressInformation>& newItems) {
    if (newItems.isEmpty())
        return true;
    if (items.size() + newItems.size() > kMaxDestinationCount)
        return false;
    changing = true;
    selection.clearSelection();
    for (const AddressInformation& item : newItems) {
        const int row = insertionRow(item);
        beginInsertRows({}, row, row);
        items.insert(row, item);
        endInsertRows();
        selection.select(index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    changing = false;
    announceSelection();
    return true;
}

void DestinationList::removeObjects(QList<int> indexes) {
    std::sort(indexes.begin(), indexes.end(), std::greater<>());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    changing = true;
    bool removed = false;
    for (int row : indexes) {
        if (row < 0 || row >= items.size())
            continue;
        beginRemoveRows({}, row, row);
        items.removeAt(row);
        endRemoveRows();
        removed = true;
    }
    changing = false;
    if (removed)
        announceSelection();
}

void DestinationList::removeAllObjects() {
    changing = true;
    beginResetModel();
    items.clear();
    endResetModel();
    selection.clearSelection();
    changing = false;
    announceSelection();
}

void DestinationList::setSelectionIndex(int row) {
    setSelectionIndexes(row >= 0 && row < items.size() ? QList<int>{row} : QList<int>{});
}

void DestinationList::announceSelection() {
    emit selectedObjectsChanged();
}

int DestinationList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(items.size());
}

QVariant DestinationList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= items.size() ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const AddressInformation& item = items[index.row()];
    return index.column() == NameColumn ? item.name() : item.phoneNumber();
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
