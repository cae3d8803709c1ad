#include "BookTableModels.h"

#include <QMimeData>
#include <QStringMatcher>
#include <algorithm>
#include <cstring>

namespace com::velmora::cps::print::pde::tarncrest::directfax::editor {

namespace {

constexpr EntryField kColumns[] = {EntryField::Name, EntryField::FaxNumber, EntryField::Company,
                                   EntryField::Note};

QString entryHeader(int section) {
    switch (section) {
    case 0:
        return EntryTableModel::tr("Name");
    case 1:
        return EntryTableModel::tr("Fax Number");
    case 2:
        return EntryTableModel::tr("Company");
    default:
        return EntryTableModel::tr("Note");
    }
}

} // namespace

QByteArray encodeEntryIds(const std::vector<uint16_t>& ids) {
    return QByteArray(reinterpret_cast<const char*>(ids.data()), qsizetype(ids.size() * sizeof(uint16_t)));
}

std::vector<uint16_t> decodeEntryIds(const QByteArray& bytes) {
    std::vector<uint16_t> ids(size_t(bytes.size()) / sizeof(uint16_t));
    std::memcpy(ids.data(), bytes.constData(), ids.size() * sizeof(uint16_t));
    return ids;
}

// --- Entries

EntryTableModel::EntryTableModel(EditorBook& source, QObject* parent)
    : QAbstractTableModel(parent), book(source) {
    connect(&source, &EditorBook::reset, this, [this] {
        beginResetModel();
        rebuild();
        endResetModel();
    });
    connect(&source, &EditorBook::entryChanged, this, [this](int index) {
        foldedNames[size_t(index)] = book.entries()[size_t(index)].name.toCaseFolded();
        const int row = rowByIndex[size_t(index)];
        if (row >= 0)
            emit dataChanged(this->index(row, 0), this->index(row, columnCount() - 1));
    });
    rebuild();
}

void EntryTableModel::rebuild() {
    foldedNames.clear();
    foldedNames.reserve(book.entries().size());
    for (const auto& e : book.entries())
        foldedNames.push_back(e.name.toCaseFolded());
    arrange();
}

void EntryTableModel::arrange() {
    const auto& entries = book.entries();
    arranged.resize(entries.size());
    for (size_t i = 0; i < arranged.size(); ++i)
        arranged[i] = int(i);
    std::vector<QString> foldedFax;
    const bool byName = sortColumn <= 0;
    if (byName) {
        foldedFax.reserve(entries.size());
        for (const auto& e : entries)
            foldedFax.push_back(e.faxNumber.toCaseFolded());
    }
    const bool descending = sortOrder == Qt::DescendingOrder;
    std::stable_sort(arranged.begin(), arranged.end(), [&](int a, int b) {
        int c;
        if (byName) {
            c = QString::compare(foldedNames[size_t(a)], foldedNames[size_t(b)]);
            if (c == 0)
                c = QString::compare(foldedFax[size_t(a)], foldedFax[size_t(b)]);
        } else {
            const EntryField f = kColumns[sortColumn];
            c = QString::compare(entries[size_t(a)].field(f), entries[size_t(b)].field(f),
                                 Qt::CaseInsensitive);
        }
        return descending ? c > 0 : c < 0;
    });
    narrow();
}

void EntryTableModel::narrow() {
    shown.clear();
    rowByIndex.assign(book.entries().size(), -1);
    if (search.isEmpty()) {
        shown = arranged;
    } else {
        const QStringMatcher matcher(search, Qt::CaseSensitive);
        for (int index : arranged)
            if (matcher.indexIn(foldedNames[size_t(index)]) >= 0)
                shown.push_back(index);
    }
    for (size_t row = 0; row < shown.size(); ++row)
        rowByIndex[size_t(shown[row])] = int(row);
}

void EntryTableModel::setSearchText(const QString& text) {
    const QString folded = text.toCaseFolded();
    if (folded == search)
        return;
    beginResetModel();
    search = folded;
    narrow();
    endResetModel();
}

void EntryTableModel::sort(int column, Qt::SortOrder order) {
    beginResetModel();
    sortColumn = column;
    sortOrder = order;
    arrange();
    endResetModel();
}

uint16_t EntryTableModel::idAt(int row) const {
    return row >= 0 && size_t(row) < shown.size() ? book.entries()[size_t(shown[size_t(row)])].id : 0;
}

int EntryTableModel::rowOf(uint16_t id) const {
    const int index = book.entryIndex(id);
    return index < 0 ? -1 : rowByIndex[size_t(index)];
}

int EntryTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(shown.size());
}

int EntryTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(std::size(kColumns));
}

QVariant EntryTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole))
        return {};
    const QString& text = book.entries()[size_t(shown[size_t(index.row())])].field(kColumns[index.column()]);
    if (role == Qt::DisplayRole && kColumns[index.column()] == EntryField::Note)
        return QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

QVariant EntryTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return entryHeader(section);
}

Qt::ItemFlags EntryTableModel::flags(const QModelIndex& index) const {
    return QAbstractTableModel::flags(index) | Qt::ItemIsEditable | Qt::ItemIsDragEnabled;
}

bool EntryTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    if (auto why = book.setEntryField(idAt(index.row()), kColumns[index.column()], value.toString())) {
        emit refused(*why);
        return false;
    }
    return true;
}

QStringList EntryTableModel::mimeTypes() const {
    return {QString::fromLatin1(kEntryIdsMimeType)};
}

QMimeData* EntryTableModel::mimeData(const QModelIndexList& indexes) const {
    std::vector<int> rows;
    for (const QModelIndex& index : indexes)
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::vector<uint16_t> ids;
    for (int row : rows)
        ids.push_back(idAt(row));
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(kEntryIdsMimeType), encodeEntryIds(ids));
    return mime;
}

// --- Tables that take dropped entries

int MemberDropTable::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QStringList MemberDropTable::mimeTypes() const {
    return {QString::fromLatin1(kEntryIdsMimeType)};
}

Qt::DropActions MemberDropTable::supportedDropActions() const {
    return Qt::CopyAction;
}

bool MemberDropTable::dropMimeData(const QMimeData* data, Qt::DropAction, int row, int,
                                   const QModelIndex& parent) {
    const int group = groupForDrop(row, parent);
    if (!data || !data->hasFormat(QString::fromLatin1(kEntryIdsMimeType)) || group < 0)
        return false;
    if (auto why =
            book.addMembers(group, decodeEntryIds(data->data(QString::fromLatin1(kEntryIdsMimeType))))) {
        emit refused(*why);
        return false;
    }
    return true;
}

// --- Groups

GroupTableModel::GroupTableModel(EditorBook& source, QObject* parent) : MemberDropTable(source, parent) {
    connect(&source, &EditorBook::groupsChanged, this, [this] {
        beginResetModel();
        endResetModel();
    });
}

int GroupTableModel::groupForDrop(int row, const QModelIndex& parent) const {
    return parent.isValid() ? parent.row() : row;
}

int GroupTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(book.groups().size());
}

QVariant GroupTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const EditorGroup& group = book.groups()[size_t(index.row())];
    if (index.column() == 0)
        return group.name;
    return int(group.members.size());
}

QVariant GroupTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == 0 ? tr("Group") : tr("Members");
}

Qt::ItemFlags GroupTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index) | Qt::ItemIsDropEnabled;
    return index.column() == 0 ? f | Qt::ItemIsEditable : f;
}

bool GroupTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || index.column() != 0)
        return false;
    if (auto why = book.renameGroup(index.row(), value.toString())) {
        emit refused(*why);
        return false;
    }
    return true;
}

// --- Members of one group

MemberListModel::MemberListModel(EditorBook& source, QObject* parent) : MemberDropTable(source, parent) {
    const auto refresh = [this] {
        beginResetModel();
        if (size_t(current) >= book.groups().size())
            current = -1;
        endResetModel();
    };
    connect(&source, &EditorBook::groupsChanged, this, refresh);
    connect(&source, &EditorBook::reset, this, refresh);
}

void MemberListModel::setGroup(int group) {
    beginResetModel();
    current = group >= 0 && size_t(group) < book.groups().size() ? group : -1;
    endResetModel();
}

uint16_t MemberListModel::idAt(int row) const {
    return current < 0 ? 0 : book.groups()[size_t(current)].members[size_t(row)];
}

int MemberListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || current < 0 ? 0 : int(book.groups()[size_t(current)].members.size());
}

QVariant MemberListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    const int entry = book.entryIndex(idAt(index.row()));
    if (entry < 0)
        return {};
    const EditorEntry& e = book.entries()[size_t(entry)];
    return index.column() == 0 ? e.name : e.faxNumber;
}

QVariant MemberListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return entryHeader(section);
}

Qt::ItemFlags MemberListModel::flags(const QModelIndex& index) const {
    return QAbstractTableModel::flags(index) | Qt::ItemIsDropEnabled;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::editor
