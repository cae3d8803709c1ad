// The lists' tables on screen: kept apart from the lists themselves, which programs without a
// window use too.
#include "ArrangedTableModel.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QTableView>
#include <algorithm>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace {

// What the fax-number column is made wide enough for; longer numbers are cut.
constexpr char kTypicalFaxNumber[] = "+00 000 0000000";
// Room above and below the text of a row, and beside the text of a cell.
constexpr int kRowPadding = 6;
constexpr int kCellPadding = 12;

} // namespace

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

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
