#include "PropertyList.h"
#include "PropertyListLimits.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QSaveFile>
#include <QTimeZone>
#include <QVariantList>
#include <QVariantMap>
#include <cstdlib>
#include <plist/plist.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

// Property-list dates count seconds from 2001-01-01 00:00:00 UTC.
const QDateTime& referenceDate() {
    static const QDateTime date(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
    return date;
}

// Calls `visit(key, value)` for each item of a dictionary node, in order, until it answers false.
// Answers whether every item was visited. The key is only valid during the call.
template <typename Visit> bool forEachDictItem(plist_t dict, Visit visit) {
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(dict, &it);
    bool complete = true;
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(dict, it, &key, &value);
        const bool more = value && visit(static_cast<const char*>(key), value);
        std::free(key);
        if (!more) {
            complete = !value;
            break;
        }
    }
    std::free(it);
    return complete;
}

// Why checked data is refused, for the log line; null when it may be parsed.
const char* refusal(PropertyListCheck check) {
    switch (check) {
    case PropertyListCheck::Acceptable:
        return nullptr;
    case PropertyListCheck::TooLarge:
        return "too large";
    case PropertyListCheck::TooDeep:
        return "nested too deep";
    case PropertyListCheck::Malformed:
        break;
    }
    return "malformed";
}

// Parses data that passed the limits; `source` names it in the log line of a refusal.
PlistPtr parse(const QByteArray& data, PlistFormat* format, const QString& source) {
    if (data.isEmpty())
        return nullptr;
    if (const char* why = refusal(CheckPropertyListLimits(data))) {
        qWarning().noquote()
            << QStringLiteral("Property list %1 not read: %2.").arg(source, QLatin1String(why));
        return nullptr;
    }
    plist_t root = nullptr;
    plist_from_memory(data.constData(), static_cast<uint32_t>(data.size()), &root);
    if (root && format)
        *format = plist_is_binary(data.constData(), static_cast<uint32_t>(data.size())) ? PlistFormat::Binary
                                                                                        : PlistFormat::Xml;
    return PlistPtr(root);
}

} // namespace

void PlistDeleter::operator()(void* node) const {
    if (node)
        plist_free(static_cast<plist_t>(node));
}

PlistPtr PropertyListFromData(const QByteArray& data, PlistFormat* format) {
    return parse(data, format, QStringLiteral("data"));
}

PlistPtr ReadPropertyListFile(const QString& path, PlistFormat* format) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    // One byte more than the limit is enough to tell a file that is too large.
    return parse(file.read(kMaxPropertyListBytes + 1), format, path);
}

bool IsValidXmlPropertyList(const void* node) {
    plist_t n = const_cast<plist_t>(node);
    switch (plist_get_node_type(n)) {
    case PLIST_BOOLEAN:
    case PLIST_UINT:
    case PLIST_REAL:
    case PLIST_STRING:
    case PLIST_DATE:
    case PLIST_DATA:
        return true;
    case PLIST_ARRAY:
        for (uint32_t i = 0; i < plist_array_get_size(n); ++i)
            if (!IsValidXmlPropertyList(plist_array_get_item(n, i)))
                return false;
        return true;
    case PLIST_DICT:
        return forEachDictItem(n, [](const char*, plist_t value) { return IsValidXmlPropertyList(value); });
    default:
        return false; // keys outside dictionaries, archiver UIDs, empty nodes
    }
}

std::optional<QByteArray> PropertyListToXml(const void* node) {
    if (!node)
        return std::nullopt;
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(const_cast<plist_t>(node), &xml, &length);
    if (!xml)
        return std::nullopt;
    QByteArray result(xml, static_cast<qsizetype>(length));
    plist_to_xml_free(xml);
    return result;
}

bool WriteFileAtomically(const QString& path, const QByteArray& data) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString PropertyListString(const void* node) {
    auto n = static_cast<plist_t>(const_cast<void*>(node));
    if (!n || plist_get_node_type(n) != PLIST_STRING)
        return {};
    // By pointer and length: plist_get_string_val stops the process on a zero character.
    uint64_t length = 0;
    const char* text = plist_get_string_ptr(n, &length);
    return text ? QString::fromUtf8(text, qsizetype(length)) : QString();
}

QVariant PropertyListToVariant(const void* node) {
    plist_t n = const_cast<plist_t>(node);
    switch (plist_get_node_type(n)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(n, &value);
        return QVariant(value != 0);
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(n, &value);
        // libplist keeps negative integers as their two's complement.
        return QVariant(static_cast<qlonglong>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(n, &value);
        return QVariant(value);
    }
    case PLIST_STRING:
        return QVariant(PropertyListString(n));
    case PLIST_DATA: {
        char* value = nullptr;
        uint64_t length = 0;
        plist_get_data_val(n, &value, &length);
        QByteArray bytes(value, static_cast<qsizetype>(length));
        std::free(value);
        return QVariant(bytes);
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(n, &sec, &usec);
        return QVariant(referenceDate().addMSecs(qint64(sec) * 1000 + usec / 1000));
    }
    case PLIST_ARRAY: {
        QVariantList list;
        for (uint32_t i = 0; i < plist_array_get_size(n); ++i)
            list.append(PropertyListToVariant(plist_array_get_item(n, i)));
        return QVariant(list);
    }
    case PLIST_DICT: {
        QVariantMap map;
        forEachDictItem(n, [&map](const char* key, plist_t value) {
            map.insert(QString::fromUtf8(key), PropertyListToVariant(value));
            return true;
        });
        return QVariant(map);
    }
    default:
        return QVariant();
    }
}

PlistPtr VariantToPropertyList(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Bool:
        return PlistPtr(plist_new_bool(value.toBool() ? 1 : 0));
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return PlistPtr(plist_new_uint(static_cast<uint64_t>(value.toLongLong())));
    case QMetaType::Double:
    case QMetaType::Float:
        return PlistPtr(plist_new_real(value.toDouble()));
    case QMetaType::QString:
        return PlistPtr(plist_new_string(value.toString().toUtf8().constData()));
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return PlistPtr(plist_new_data(bytes.constData(), static_cast<uint64_t>(bytes.size())));
    }
    case QMetaType::QDateTime: {
        const qint64 ms = referenceDate().msecsTo(value.toDateTime());
        return PlistPtr(
            plist_new_date(static_cast<int32_t>(ms / 1000), static_cast<int32_t>(ms % 1000) * 1000));
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        PlistPtr array(plist_new_array());
        for (const QVariant& item : value.toList()) {
            PlistPtr child = VariantToPropertyList(item);
            if (!child)
                return nullptr;
            plist_array_append_item(array.get(), child.release());
        }
        return array;
    }
    case QMetaType::QVariantMap: {
        PlistPtr dict(plist_new_dict());
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            PlistPtr child = VariantToPropertyList(it.value());
            if (!child)
                return nullptr;
            plist_dict_set_item(dict.get(), it.key().toUtf8().constData(), child.release());
        }
        return dict;
    }
    default:
        return nullptr;
    }
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
