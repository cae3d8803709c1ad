// The property-list reader on any file content, and the walks over what it takes in.
#include "PropertyList.h"

#include <QByteArray>
#include <QVariant>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace platform = com::velmora::cps::print::pde::tarncrest::directfax::platform;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    platform::PlistPtr root = platform::PropertyListFromData(bytes);
    if (!root)
        return 0;
    (void)platform::PropertyListToVariant(root.get());
    if (platform::IsValidXmlPropertyList(root.get())) {
        // Written out as XML and read again (which may refuse it: a binary list's strings need
        // not be valid XML text).
        if (std::optional<QByteArray> xml = platform::PropertyListToXml(root.get()))
            (void)platform::PropertyListFromData(*xml);
    }
    return 0;
}
