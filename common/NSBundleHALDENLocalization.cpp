#include "NSBundleHALDENLocalization.h"

#include "PpdFeature.h"

#include <Bundle.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

QString haldenLocalizedStringForKey(const platform::Bundle* bundle, const QString& key, const QString& value,
                                    const std::optional<QString>& table) {
    if (!bundle)
        return {};
    const QString found = bundle->localizedStringForKey(key, value, table.value_or(QString()));
    if (table && found == key)
        return bundle->localizedStringForKey(key, value, QString());
    return found;
}

std::optional<QString> LocalizableTableForPPD(ppd_file_t* ppd) {
    if (!ppd)
        return std::nullopt;
    const std::optional<QString> index = CopyPPDAttribute(ppd, "VMLocalizableFileIndex");
    if (!index)
        return std::nullopt;
    return QStringLiteral("Localizable") + *index;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
