#include "ArrangedTableModel.h"

#include <algorithm>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

ArrangedTableModel::ArrangedTableModel(QObject* parent)
    : QAbstractTableModel(parent),
      selection(this), headers{QStringLiteral("Name"), QStringLiteral("Fax Number")} {
    connect(&selection, &QItemSelectionModel::selectionChanged, this, [this] {
        if (!changing)
            emit selectedObjectsChanged();
    });
}

ArrangedTableModel::~ArrangedTableModel() = default;

QList<int> ArrangedTableModel::selectionIndexes() const {
    const int rows = rowCount();
    std::vector<char> chosen(static_cast<size_t>(rows), 0);
    for (const QItemSelectionRange& range : selection.selection())
        for (int row = std::max(range.top(), 0); row <= range.bottom() && row < rows; ++row)
            chosen[static_cast<size_t>(row)] = 1;
    QList<int> indexes;
    for (int row = 0; row < rows; ++row)
        if (chosen[static_cast<size_t>(row)])
            indexes.append(row);
    return indexes;
}

void ArrangedTableModel::setSelectionIndexes(const QList<int>& rows) {
    QItemSelection chosen;
    const int count = rowCount();
    for (int row : rows)
        if (row >= 0 && row < count)
            chosen.select(index(row, 0), index(row, ColumnCount - 1));
    changing = true;
    selection.select(chosen, QItemSelectionModel::ClearAndSelect);
    changing = false;
    emit selectedObjectsChanged();
}

int ArrangedTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ArrangedTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < headers.size())
        return headers[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool ArrangedTableModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                                       int role) {
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::EditRole) || section < 0 ||
        section >= headers.size())
        return false;
    headers[section] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
