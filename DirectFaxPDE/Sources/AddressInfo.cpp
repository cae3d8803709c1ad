#include "AddressInfo.h"

namespace com::velmora::cps::print::pde::tarncrest::directfax {

QString* AddressInformation::field(const QString& key) {
    if (key == QLatin1String("name"))
        return &theName;
    if (key == QLatin1String("phoneNumber"))
        return &thePhoneNumber;
    if (key == QLatin1String("company"))
        return &theCompany;
    if (key == QLatin1String("note"))
        return &theNote;
    return nullptr;
}

QVariant AddressInformation::valueForKey(const QString& key) const {
    const QString* value = const_cast<AddressInformation*>(this)->field(key);
    if (!value || value->isNull())
        return {};
    return *value;
}

void AddressInformation::setValueForKey(const QVariant& value, const QString& key) {
    if (QString* target = field(key))
        *target = value.typeId() == QMetaType::QString ? value.toString() : QString();
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
