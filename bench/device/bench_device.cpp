// Reading a device's address book of 2,000 and of 10,000 entries (the most a device may send)
// from the device emulator over loopback, through the calls the address book dialog makes; and
// writing the 2,000-entry book back, the emulator replacing its book file each time.
#include "AbifRecords.h"
#include "AbifTestSupport.h"
#include "AddressBookIf.h"
#include "EmulatorProcess.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

using namespace com::velmora::cps::print::pde::tarncrest::directfax::testing;

namespace {

constexpr int kGroups = 50;
constexpr const char* kPassword = "2468";

abif::DeviceBook benchmarkBook(int entries) {
    abif::DeviceBook book;
    for (int i = 0; i < entries; ++i)
        book.entries.push_back({uint16_t(i + 1), "Recipient Number " + std::to_string(i + 1),
                                "+49 30 " + std::to_string(5550000 + i)});
    for (int g = 0; g < kGroups; ++g) {
        abif::DeviceGroup group{"Group " + std::to_string(g + 1), {}};
        for (int m = 0; m < 40; ++m)
            group.members.push_back(uint16_t((g * 40 + m) % entries + 1));
        book.groups.push_back(std::move(group));
    }
    return book;
}

// One emulator per book size for the whole run, ended with the program.
struct Device {
    abiftest::TempDir dir;
    EmulatorProcess emulator;
    explicit Device(int entries) {
        auto file = dir.file("book.json");
        writeJsonBook(file, benchmarkBook(entries));
        std::string error;
        if (!emulator.start({"--book", file, "--write-book", "--password", kPassword},
                            dir.file("emulator.log"), error))
            throw std::runtime_error(error);
    }
};

Device& device(int entries) {
    static std::map<int, std::unique_ptr<Device>> devices;
    auto& instance = devices[entries];
    if (!instance)
        instance = std::make_unique<Device>(entries);
    return *instance;
}

void BM_ReadDeviceAddressBook(benchmark::State& state) {
    const int kEntries = int(state.range(0));
    setenv("ABIF_DEVICE_PORT", std::to_string(device(kEntries).emulator.port()).c_str(), 1);
    ABIF_Fax fax;
    ABIF_FaxGroup group;
    for (auto _ : state) {
        Abif_Initialize(0);
        AbifDevice_SetDestinationDevice(0, kAbifDeviceNetwork, "127.0.0.1");
        if (AbifDevice_GetStatus(0, 2048) != kAbifDeviceReachable) {
            state.SkipWithError("device not reachable");
            break;
        }
        ABIFData* data = ABIFData_Create();
        if (AbifDevice_ReadData(0, data, 23, kPassword) != kAbifSuccess ||
            ABIFData_GetCount_Fax(data) != kEntries) {
            ABIFData_Delete(data);
            state.SkipWithError("reading failed");
            break;
        }
        for (int32_t i = 0, n = ABIFData_GetCount_Fax(data); i < n; ++i)
            ABIFData_GetAt_Fax(data, i, &fax);
        for (int32_t i = 0, n = ABIFData_GetCount_FaxGroup(data); i < n; ++i)
            ABIFData_GetAt_FaxGroup(data, i, &group);
        benchmark::DoNotOptimize(fax);
        benchmark::DoNotOptimize(group);
        ABIFData_Delete(data);
    }
    state.counters["entries"] = kEntries;
}
BENCHMARK(BM_ReadDeviceAddressBook)->Arg(2000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WriteDeviceAddressBook(benchmark::State& state) {
    const int kEntries = int(state.range(0));
    setenv("ABIF_DEVICE_PORT", std::to_string(device(kEntries).emulator.port()).c_str(), 1);
    Abif_Initialize(0);
    AbifDevice_SetDestinationDevice(0, kAbifDeviceNetwork, "127.0.0.1");
    std::unique_ptr<ABIFData, decltype(&ABIFData_Delete)> data(ABIFData_Create(), ABIFData_Delete);
    if (AbifDevice_ReadData(0, data.get(), 23, kPassword) != kAbifSuccess) {
        state.SkipWithError("reading failed");
        return;
    }
    for (auto _ : state) {
        // The editor's sequence: select, status, write (the handle then holds the new revision).
        Abif_Initialize(0);
        AbifDevice_SetDestinationDevice(0, kAbifDeviceNetwork, "127.0.0.1");
        if (AbifDevice_GetStatus(0, 2048) != kAbifDeviceReachable ||
            AbifDevice_WriteData(0, data.get(), kPassword) != kAbifSuccess) {
            state.SkipWithError("writing failed");
            break;
        }
    }
    state.counters["entries"] = kEntries;
}
BENCHMARK(BM_WriteDeviceAddressBook)
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
