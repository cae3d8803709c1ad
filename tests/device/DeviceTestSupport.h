// What the device tests share: a data handle that frees itself, the password of their emulators,
// and the bound that no device call may pass.
#pragma once

#include "AddressBookIf.h"

#include <chrono>
#include <memory>

namespace devicetest {

using Clock = std::chrono::steady_clock;
using Handle = std::unique_ptr<ABIFData, decltype(&ABIFData_Delete)>;

inline constexpr const char* kPassword = "7319";
// Sanity bound for calls that must give up: no call may hold its caller longer.
inline constexpr auto kCallBound = std::chrono::seconds(5);

inline Handle newHandle() {
    return Handle(ABIFData_Create(), ABIFData_Delete);
}

} // namespace devicetest
