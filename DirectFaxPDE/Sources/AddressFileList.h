// The list of the computer's address-book files, with a selection: the list controller that the
// fax-job dialog fills and the address book dialog reads (both call it addressFileList). Each
// entry names one file: "name" (the file name) and "path" (its full path).
#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QString>
#include <QVariantMap>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

struct AddressFile {
    QString name;
    QString path;
    // The entry as a dictionary: "name" and "path".
    QVariantMap dictionary() const;
};

class AddressFileList : public QAbstractListModel {
    Q_OBJECT

public:
    explicit AddressFileList(QObject* parent = nullptr);
    ~AddressFileList() override;

    const QList<AddressFile>& arrangedObjects() const { return files; }
    int count() const { return static_cast<int>(files.size()); }
    bool isEmpty() const { return files.isEmpty(); }

    // The selected entry's index, -1 when none is selected.
    int selectionIndex() const { return selected; }
    // The selected entries: none or one.
    QList<AddressFile> selectedObjects() const;
    // An index out of range clears the selection.
    void setSelectionIndex(int index);

    // Appends; the selection stays as it was.
    void addObject(const AddressFile& file);
    void removeAllObjects();

    int rowCount(const QModelIndex& parent = {}) const override;
    // Display: the file name; ToolTip: the full path.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

signals:
    void selectionIndexChanged(int index);

private:
    QList<AddressFile> files;
    int selected = -1;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
