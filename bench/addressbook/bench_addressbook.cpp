// Reading a full address-book file: 65,535 entries and 1,000 groups, through AbifGADFile_Read and
// the get-at loops, as the address book dialog does it. Goal: at most 100 ms. Then the address
// book dialog on that file: loading its computer tab (goal: at most 150 ms) and one keystroke of
// its search (goal: at most 8 ms).
#include "AbifRecords.h"
#include "AbifTestSupport.h"
#include "AddressBookIf.h"

#include <AddressBookController.h>

#include <QApplication>
#include <QLineEdit>
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kEntries = 65535;
constexpr int kGroups = 1000;

// The records of a full file: every text field well filled, every group full.
ABIFData* fullBook() {
    std::vector<ABIF_MyFax> entries;
    entries.reserve(kEntries);
    for (int i = 0; i < kEntries; ++i) {
        std::string n = std::to_string(i);
        // The Id names the entry for the groups below.
        entries.push_back(abif::makeMyFax(uint16_t(i + 1), abif::fromUtf8("Contact person number " + n),
                                          abif::fromUtf8("+49 30 555 " + n), u"Velmora Office Equipment GmbH",
                                          u"Calls before noon; send the cover page.", 1700000000 + i));
    }
    std::vector<ABIF_MyFaxGroup> groups;
    groups.reserve(kGroups);
    for (int g = 0; g < kGroups; ++g) {
        std::vector<uint16_t> members;
        for (int m = 0; m < ABIF_MYFAXGROUP_MAX_MEMBERS; ++m)
            members.push_back(uint16_t((g * 61 + m * 7) % kEntries + 1));
        groups.push_back(abif::makeGroup<ABIF_MyFaxGroup>(
            abif::kMyFaxGroupLayout, abif::fromUtf8("Group " + std::to_string(g)), members));
    }
    ABIFData* data = ABIFData_Create();
    ABIFData_Add_MyFax(data, kEntries, entries.data());
    ABIFData_Add_MyFaxGroup(data, kGroups, groups.data());
    return data;
}

// A temporary folder holding the full file, made once and removed at exit.
struct Fixture {
    abiftest::TempDir folder;
    std::string path = folder.file("full");

    const std::string& fullFile() {
        if (!made) {
            AbifGADFile_Create(path.c_str(), kAbifFileComputer);
            ABIFData* data = fullBook();
            made = AbifGADFile_Add(path.c_str(), data, 0) == 0;
            ABIFData_Delete(data);
        }
        return path;
    }
    bool made = false;
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_ReadFullFile(benchmark::State& state) {
    const std::string& path = fixture().fullFile();
    if (!fixture().made) {
        state.SkipWithError("the file could not be made");
        return;
    }
    ABIF_MyFax entry;
    ABIF_MyFaxGroup group;
    for (auto _ : state) {
        ABIFData* data = ABIFData_Create();
        if (AbifGADFile_Read(path.c_str(), data, 0) != 0) {
            state.SkipWithError("the file could not be read");
            ABIFData_Delete(data);
            break;
        }
        int32_t entries = ABIFData_GetCount_MyFax(data);
        for (int32_t i = 0; i < entries; ++i) {
            ABIFData_GetAt_MyFax(data, i, &entry);
            benchmark::DoNotOptimize(entry);
        }
        int32_t groups = ABIFData_GetCount_MyFaxGroup(data);
        for (int32_t i = 0; i < groups; ++i) {
            ABIFData_GetAt_MyFaxGroup(data, i, &group);
            benchmark::DoNotOptimize(group);
        }
        ABIFData_Delete(data);
        if (entries != kEntries || groups != kGroups)
            state.SkipWithError("the file holds the wrong records");
    }
    state.counters["entries"] = kEntries;
    state.counters["groups"] = kGroups;
}
BENCHMARK(BM_ReadFullFile)->Unit(benchmark::kMillisecond);

// The set-up's bulk insert, for reference: all records in one AbifGADFile_Add.
void BM_AddFullFile(benchmark::State& state) {
    ABIFData* data = fullBook();
    int round = 0;
    for (auto _ : state) {
        std::string path = fixture().folder.file("add-" + std::to_string(round++));
        AbifGADFile_Create(path.c_str(), kAbifFileComputer);
        if (AbifGADFile_Add(path.c_str(), data, 0) != 0)
            state.SkipWithError("the add failed");
        state.PauseTiming();
        std::filesystem::remove(path);
        state.ResumeTiming();
    }
    ABIFData_Delete(data);
}
BENCHMARK(BM_AddFullFile)->Unit(benchmark::kMillisecond)->Iterations(3);

namespace df = com::velmora::cps::print::pde::tarncrest::directfax;

// The dialog's controller on the shared lists, without a window; the file list names the full
// file.
struct Dialog {
    Dialog() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "bench_addressbook";
        static char* argv[] = {name, nullptr};
        static QApplication application(argc, argv);
        files.addObject({QStringLiteral("full"), QString::fromStdString(fixture().fullFile())});
        files.setSelectionIndex(0);
        controller.awakeFromNib(nullptr, &destinations, &files);
    }
    df::DestinationList destinations;
    df::AddressFileList files;
    df::AddressBookController controller;
};

void BM_OpenComputerTab(benchmark::State& state) {
    Dialog dialog;
    for (auto _ : state) {
        dialog.controller.initPCAdressBookTab();
        if (dialog.controller.pcAddressList()->count() != kEntries + kGroups)
            state.SkipWithError("the tab lists the wrong entries");
    }
}
BENCHMARK(BM_OpenComputerTab)->Unit(benchmark::kMillisecond);

// One keystroke: the search text grows from "number 1" to "number 12", filtering every entry.
void BM_SearchKeystroke(benchmark::State& state) {
    Dialog dialog;
    dialog.controller.initPCAdressBookTab();
    QLineEdit field;
    bool longer = false;
    for (auto _ : state) {
        field.setText(longer ? QStringLiteral("number 12") : QStringLiteral("number 1"));
        dialog.controller.sortPCAddressData(&field);
        longer = !longer;
        benchmark::DoNotOptimize(dialog.controller.pcAddressList()->count());
    }
}
BENCHMARK(BM_SearchKeystroke)->Unit(benchmark::kMillisecond);

} // namespace
