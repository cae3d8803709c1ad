#include "FaxQueueChoice.h"

#include <QSettings>
#include <QStandardPaths>
#include <cups/cups.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::agent {

namespace {

constexpr const char* kQueueKey = "queue";

QSettings settings() {
    return QSettings(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                         QStringLiteral("/velmora/directfax-fax-agent.conf"),
                     QSettings::IniFormat);
}

// The first queue of a fax printer of the maker's that is not itself a hand-over printer.
QString makersQueue() {
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    QString found;
    for (int i = 0; i < count && found.isEmpty(); ++i) {
        const char* model = cupsGetOption("printer-make-and-model", dests[i].num_options, dests[i].options);
        const char* uri = cupsGetOption("device-uri", dests[i].num_options, dests[i].options);
        if (!dests[i].instance && model && QByteArray(model).startsWith("Velmora") &&
            !(uri && QByteArray(uri).startsWith("directfax-handover:")))
            found = QString::fromUtf8(dests[i].name);
    }
    cupsFreeDests(count, dests);
    return found;
}

} // namespace

QString chosenFaxQueue() {
    const QString saved = settings().value(QLatin1String(kQueueKey)).toString();
    if (!saved.isEmpty())
        return saved;
    const QString makers = makersQueue();
    return makers.isEmpty() ? QString::fromLatin1(kDefaultFaxQueue) : makers;
}

bool saveFaxQueue(const QString& queue) {
    QSettings store = settings();
    store.setValue(QLatin1String(kQueueKey), queue);
    store.sync();
    return store.status() == QSettings::NoError;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::agent
