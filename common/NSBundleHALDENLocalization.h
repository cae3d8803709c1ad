// The strings-table lookup of the panels: a lookup in the panel's own table that falls back to
// the bundle's default table "Localizable".
#pragma once

#include <QString>
#include <optional>

typedef struct ppd_file_s ppd_file_t;

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace platform {
class Bundle;
}

// Looks `key` up in `table` of the bundle (the default table when there is none); when a table
// was given and the answer equals the key, the default table answers instead. A missing key
// comes back as `value` when one is given, else as the key itself. No bundle: no text (a null
// string).
QString haldenLocalizedStringForKey(const platform::Bundle* bundle, const QString& key,
                                    const QString& value = {},
                                    const std::optional<QString>& table = std::nullopt);

// The strings table a panel of this printer uses: "Localizable" followed by the value of the
// PPD attribute VMLocalizableFileIndex; none without a PPD or without that attribute.
std::optional<QString> LocalizableTableForPPD(ppd_file_t* ppd);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
