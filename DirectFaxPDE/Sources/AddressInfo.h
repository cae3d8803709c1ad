// One destination of a fax job, or one entry moved from an address book into the destination list.
#pragma once

#include <QString>
#include <QVariant>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

// Four texts, each possibly unset (a null QString). The dialogs set only name and phoneNumber.
class AddressInformation {
public:
    AddressInformation() = default;
    AddressInformation(QString name, QString phoneNumber)
        : theName(std::move(name)), thePhoneNumber(std::move(phoneNumber)) {}

    const QString& name() const { return theName; }
    const QString& phoneNumber() const { return thePhoneNumber; }
    const QString& company() const { return theCompany; }
    const QString& note() const { return theNote; }
    void setName(const QString& name) { theName = name; }
    void setPhoneNumber(const QString& phoneNumber) { thePhoneNumber = phoneNumber; }
    void setCompany(const QString& company) { theCompany = company; }
    void setNote(const QString& note) { theNote = note; }

    // The fields by key: "name", "phoneNumber", "company", "note". An unknown key reads as
    // invalid and writes nothing; a value that is no string unsets the field.
    QVariant valueForKey(const QString& key) const;
    void setValueForKey(const QVariant& value, const QString& key);

    // Name and fax number both exactly equal, letter case included.
    bool isSameAddress(const QString& name, const QString& phoneNumber) const {
        return theName == name && thePhoneNumber == phoneNumber;
    }

private:
    QString* field(const QString& key);

    QString theName;
    QString thePhoneNumber;
    QString theCompany;
    QString theNote;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
