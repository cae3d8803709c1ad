// The module's one exported symbol: the print dialog host finds it by name and calls it to make
// the principal object.
#include "DirectFaxPdePlugin.h"

#include <exception>
#include <string_view>
#include <type_traits>

using com::velmora::cps::print::pde::tarncrest::directfax::DirectFaxPdePlugin;
using com::velmora::cps::print::pde::tarncrest::directfax::platform::PdePlugin;

extern "C" __attribute__((visibility("default"))) PdePlugin* DirectFaxPdePluginCreate() {
    try {
        return new DirectFaxPdePlugin;
    } catch (const std::exception&) {
        return nullptr; // nothing may cross into the host
    }
}

static_assert(std::string_view(DIRECTFAX_PDE_ENTRY_POINT) == "DirectFaxPdePluginCreate");
static_assert(std::is_same_v<decltype(&DirectFaxPdePluginCreate), PdePluginCreateFunction>);
