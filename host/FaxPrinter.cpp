#include "FaxPrinter.h"

#include <QObject>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

constexpr qsizetype kMaxNameLength = 127;

} // namespace

PrivateCupsd::Queue FaxPrinter::queue(const QString& name, const QString& ppd) {
    return {name,
            QLatin1String(kDeviceUri),
            ppd,
            {},
            {{QStringLiteral("printer-error-policy"), QStringLiteral("abort-job")},
             {QStringLiteral("printer-info"), QLatin1String(kDescription)},
             {QStringLiteral("printer-is-shared"), QStringLiteral("false")}}};
}

bool FaxPrinter::isValidName(const QString& name) {
    if (name.isEmpty() || name.size() > kMaxNameLength)
        return false;
    for (const QChar c : name) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7f || c == QLatin1Char('/') || c == QLatin1Char('#') ||
            c == QLatin1Char('\\') || c == QLatin1Char('\'') || c == QLatin1Char('"'))
            return false;
    }
    return true;
}

bool FaxPrinter::add(const QString& name, const QString& ppd, QString* error) {
    if (!isValidName(name)) {
        *error = QObject::tr("\"%1\" cannot be the name of a printer: use letters, digits, '-' and '_'.")
                     .arg(name);
        return false;
    }
    return PrivateCupsd::addQueueOn(CUPS_HTTP_DEFAULT, queue(name, ppd), error);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
