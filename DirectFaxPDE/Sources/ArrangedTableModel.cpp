#include "ArrangedTableModel.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QTableView>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace {

// What the fax-number column is made wide enough for; longer numbers are cut.
constexpr char kTypicalFaxNumber[] = "+00 000 0000000";
// Room above and below the text of a row, and beside the text of a cell.
constexpr int kRowPadding = 6;
constexpr int kCellPadding = 12;

} // namespace

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

void ArrangedTableModel::showIn(QTableView* table) {
    if (!table)
        return;
    table->setModel(this);
    table->setSelectionModel(&selection);
    table->setWordWrap(false);
    table->setTextElideMode(Qt::ElideRight);
    const QFontMetrics metrics(table->font());
    QHeaderView* columns = table->horizontalHeader();
    columns->setStretchLastSection(false);
    columns->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    columns->setSectionResizeMode(PhoneNumberColumn, QHeaderView::Interactive);
    columns->resizeSection(
        PhoneNumberColumn,
        std::max(metrics.horizontalAdvance(QLatin1String(kTypicalFaxNumber)) + kCellPadding,
                 columns->sectionSizeHint(PhoneNumberColumn)));
    // Rows are not measured: a book of thousands of entries opens without reading every name.
    QHeaderView* rows = table->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(metrics.height());
    rows->setDefaultSectionSize(metrics.height() + kRowPadding);
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
