#include "OpenPanel.h"

#include <QFileDialog>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

void OpenPanel::setDirectoryURL(const QUrl& url) {
    request.directory = url.isLocalFile() ? url.toLocalFile() : QString();
}

NSModalResponse OpenPanel::runModal(QWidget* parent) {
    chosen.clear();
    OpenPanelRequest asked = request;
    asked.parent = parent;
    const std::optional<QStringList> paths = currentModalDriver().runOpenPanel(asked);
    if (!paths)
        return NSModalResponseCancel;
    for (const QString& path : *paths)
        chosen.append(QUrl::fromLocalFile(path));
    return NSModalResponseOK;
}

std::optional<QStringList> ModalDriver::runOpenPanel(const OpenPanelRequest& request) {
    QFileDialog dialog(request.parent.data());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A file dialog offers files or folders, not both: files win.
    if (!request.canChooseFiles && request.canChooseDirectories)
        dialog.setFileMode(QFileDialog::Directory);
    else
        dialog.setFileMode(request.allowsMultipleSelection ? QFileDialog::ExistingFiles
                                                           : QFileDialog::ExistingFile);
    if (!request.directory.isEmpty())
        dialog.setDirectory(request.directory);
    // A platform dialog may end without hiding the widget; its answer ends the run as well.
    QObject::connect(&dialog, &QDialog::finished, &dialog, [&dialog] {
        if (ModalRun::modalWindow() == &dialog)
            ModalRun::stopModal();
    });
    ModalRun::runModalForWindow(&dialog);
    if (dialog.result() != QDialog::Accepted)
        return std::nullopt;
    return dialog.selectedFiles();
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
