#include "AddressFileList.h"

namespace com::velmora::cps::print::pde::tarncrest::directfax {

QVariantMap AddressFile::dictionary() const {
    return {{QStringLiteral("name"), name}, {QStringLiteral("path"), path}};
}

AddressFileList::AddressFileList(QObject* parent) : QAbstractListModel(parent) {}

AddressFileList::~AddressFileList() = default;

QList<AddressFile> AddressFileList::selectedObjects() const {
    if (selected < 0 || selected >= files.size())
        return {};
    return {files[selected]};
}

void AddressFileList::setSelectionIndex(int index) {
    const int now = index >= 0 && index < files.size() ? index : -1;
    if (now == selected)
        return;
    selected = now;
    emit selectionIndexChanged(selected);
}

void AddressFileList::addObject(const AddressFile& file) {
    const int row = count();
    beginInsertRows({}, row, row);
    files.append(file);
    endInsertRows();
}

void AddressFileList::removeAllObjects() {
    beginResetModel();
    files.clear();
    endResetModel();
    setSelectionIndex(-1);
}

int AddressFileList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant AddressFileList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= files.size())
        return {};
    if (role == Qt::DisplayRole)
        return files[index.row()].name;
    if (role == Qt::ToolTipRole)
        return files[index.row()].path;
    return {};
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
