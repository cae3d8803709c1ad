// The open-file panel: the user chooses files (or folders) to open, starting in a given folder.
// Its modal run passes through the modal seam of ModalRun.h, so tests answer it from a script.
#pragma once

#include "ModalRun.h"

#include <QList>
#include <QUrl>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class DIRECTFAX_PLATFORM_EXPORT OpenPanel {
public:
    // Files can be chosen, folders not, one at a time, unless set otherwise.
    void setCanChooseFiles(bool flag) { request.canChooseFiles = flag; }
    void setCanChooseDirectories(bool flag) { request.canChooseDirectories = flag; }
    void setAllowsMultipleSelection(bool flag) { request.allowsMultipleSelection = flag; }
    // The folder the panel starts in; only a local file URL counts.
    void setDirectoryURL(const QUrl& url);
    // Runs the panel modally (over `parent` when given): NSModalResponseOK when the user chose,
    // NSModalResponseCancel when the panel was cancelled.
    NSModalResponse runModal(QWidget* parent = nullptr);
    // The chosen files as local file URLs, in the panel's order; empty after a cancel.
    const QList<QUrl>& URLs() const { return chosen; }

private:
    OpenPanelRequest request;
    QList<QUrl> chosen;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
