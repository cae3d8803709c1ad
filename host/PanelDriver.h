// Drives the panels of one print dialog through the panel protocol in the print dialog's
// order: a panel that is shown gets willShow and then restoreValuesAndReturnError; a panel
// that is left gets shouldHide and saveValuesAndReturnError; the summary asks every panel for
// summaryInfo; Print saves every panel that was shown and then asks each shouldPrint.
#pragma once

#include "PdeProtocol.h"

#include <QList>
#include <QPair>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class PanelDriver {
public:
    struct Summary {
        QString panelName;
        QList<QPair<QString, QString>> lines; // (title, value) in display order
    };
    struct Verdict {
        bool print = true;
        int stoppedBy = -1;     // the panel that stopped the job
        QString error;          // its error text, when it gave one
        bool askedUser = false; // the panel stopped the job after asking the user in a window
    };

    explicit PanelDriver(PanelList panels);

    int count() const { return int(panelList.size()); }
    PdePanel& panel(int index) const { return *panelList.at(index); }
    // The panel's title, asked once.
    QString title(int index) const { return titles.at(index); }
    int current() const { return shown; }

    // Shows the panel `index`, or none when it is -1 (another pane of the dialog). Answers false,
    // and nothing changes, when the panel shown so far refuses to hide.
    bool show(int index);
    // Every panel's summary, in panel order; panels without one are left out.
    QList<Summary> summaries() const;
    // The Print button: saves every panel that has been shown, then asks every panel
    // shouldPrint; the first refusal stops the job.
    Verdict print();
    // Tells every panel of a PPD choice made through the callback object.
    void ppdOptionChanged(const QString& keyword, const QString& choice);

    // Reads a summary dictionary into display-ordered lines.
    static QList<QPair<QString, QString>> summaryLines(const QVariantMap& summary);

private:
    PanelList panelList;
    QStringList titles;
    std::vector<bool> visited;
    int shown = -1;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
