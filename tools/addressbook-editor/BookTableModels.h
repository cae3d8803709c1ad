// The tables of the editor over one EditorBook: the entries (name, fax number, company, note) in
// the address book dialog's arrangement (name, then fax number, case-insensitively, descending)
// or by a clicked column, narrowed by a search on the name as in the dialog; the groups (name,
// member count); and the members of one group. Entries are dragged by their Ids into a group.
#pragma once

#include "EditorBook.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::editor {

// The drag format: the Ids of entries, u16 each, in native order.
inline constexpr char kEntryIdsMimeType[] = "application/x-directfax-entry-ids";

QByteArray encodeEntryIds(const std::vector<uint16_t>& ids);
std::vector<uint16_t> decodeEntryIds(const QByteArray& bytes);

class EntryTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit EntryTableModel(EditorBook& book, QObject* parent = nullptr);

    void setSearchText(const QString& text);
    uint16_t idAt(int row) const;
    int rowOf(uint16_t id) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

signals:
    // An edit the book refused, with the reason.
    void refused(const QString& reason);

private:
    void rebuild();
    void arrange();
    void narrow();

    EditorBook& book;
    std::vector<QString> foldedNames; // by book index
    std::vector<int> arranged;        // book indexes in order
    std::vector<int> shown;           // the part of `arranged` the search leaves
    std::vector<int> rowByIndex;      // book index -> row, -1 when not shown
    QString search;
    int sortColumn = -1; // -1: the dialog's arrangement
    Qt::SortOrder sortOrder = Qt::DescendingOrder;
};

// A table that takes dragged entries into a group: the group `groupForDrop` names.
class MemberDropTable : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit MemberDropTable(EditorBook& book, QObject* parent = nullptr)
        : QAbstractTableModel(parent), book(book) {}

    int columnCount(const QModelIndex& parent = {}) const override;
    QStringList mimeTypes() const override;
    Qt::DropActions supportedDropActions() const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

signals:
    // An edit the book refused, with the reason.
    void refused(const QString& reason);

protected:
    virtual int groupForDrop(int row, const QModelIndex& parent) const = 0;
    EditorBook& book;
};

class GroupTableModel : public MemberDropTable {
    Q_OBJECT

public:
    explicit GroupTableModel(EditorBook& book, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

protected:
    int groupForDrop(int row, const QModelIndex& parent) const override;
};

// The members of one group, in their order: name and fax number.
class MemberListModel : public MemberDropTable {
    Q_OBJECT

public:
    explicit MemberListModel(EditorBook& book, QObject* parent = nullptr);

    void setGroup(int group);
    int group() const { return current; }
    uint16_t idAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

protected:
    int groupForDrop(int, const QModelIndex&) const override { return current; }

private:
    int current = -1;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::editor
