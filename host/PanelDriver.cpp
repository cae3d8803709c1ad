#include "PanelDriver.h"

#include <ModalRun.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

PanelDriver::PanelDriver(PanelList panels) : panelList(std::move(panels)), visited(panelList.size(), false) {
    for (const auto& p : panelList)
        titles << p->panelName();
}

bool PanelDriver::show(int index) {
    if (index == shown)
        return true;
    if (shown >= 0) {
        PdePanel& leaving = panel(shown);
        if (!leaving.shouldHide())
            return false;
        QString error;
        // A refused save keeps the panel's previous values; Print asks again and stops there.
        leaving.saveValuesAndReturnError(&error);
    }
    shown = index;
    if (index >= 0) {
        PdePanel& showing = panel(index);
        visited[index] = true;
        showing.willShow();
        QString error;
        showing.restoreValuesAndReturnError(&error);
    }
    return true;
}

QList<QPair<QString, QString>> PanelDriver::summaryLines(const QVariantMap& summary) {
    const QString orderKey = QString::fromLatin1(kSummaryDisplayOrderKey);
    const QVariant order = summary.value(orderKey);
    QList<QPair<QString, QString>> lines;
    for (const QString& key : order.isValid() ? order.toStringList() : summary.keys()) {
        if (key != orderKey)
            lines.append({key, summary.value(key).toString()});
    }
    return lines;
}

QList<PanelDriver::Summary> PanelDriver::summaries() const {
    QList<Summary> all;
    for (int i = 0; i < count(); ++i) {
        std::optional<QVariantMap> info = panel(i).summaryInfo();
        if (!info)
            continue;
        all.append({title(i), summaryLines(*info)});
    }
    return all;
}

PanelDriver::Verdict PanelDriver::print() {
    for (int i = 0; i < count(); ++i) {
        if (!visited[i])
            continue;
        QString error;
        if (!panel(i).saveValuesAndReturnError(&error))
            return {false, i, error};
    }
    for (int i = 0; i < count(); ++i) {
        const quint64 runsBefore = ModalRun::modalRunCount();
        if (!panel(i).shouldPrint())
            return {false, i, {}, ModalRun::modalRunCount() != runsBefore};
    }
    return {};
}

void PanelDriver::ppdOptionChanged(const QString& keyword, const QString& choice) {
    for (const auto& p : panelList)
        p->PPDOptionKeyValueDidChange(keyword, choice);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
