// Reading a full address-book file: 65,535 entries and 1,000 groups, through AbifGADFile_Read and
// the get-at loops, as the address book dialog does it. Goal: at most 100 ms. Then the address
// book dialog on that file: loading its computer tab (goal: at most 150 ms), one keystroke of
// its search (goal: at most 8 ms) and the memory the dialog adds with the file open (goal: at
// most 40 MB).
#include "AbifRecords.h"
#include "AbifTestSupport.h"
#include "AddressBookIf.h"

#include <AddressBookController.h>
#include <AddressBookView.h>
#include <Bundle.h>

#include <QApplication>
#include <QLineEdit>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
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

void startApplication() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "bench_addressbook";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit, after Qt's own globals, its destructor would touch what they held.
    static const QApplication* application = new QApplication(argc, argv);
    Q_UNUSED(application);
}

// The dialog's controller on the shared lists, without a window; the file list names the full
// file.
struct Dialog {
    Dialog() {
        startApplication();
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

// Resident set size and its peak, in MB, from the kernel's account of this process: "now" the
// anonymous memory (the heap and such), "total" and "peak" all of it (mapped files too).
struct Resident {
    double now = 0;
    double total = 0;
    double peak = 0;
};
Resident resident() {
    Resident r;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        double kb = 0;
        if (std::sscanf(line.c_str(), "RssAnon: %lf kB", &kb) == 1)
            r.now = kb / 1024;
        else if (std::sscanf(line.c_str(), "VmHWM: %lf kB", &kb) == 1)
            r.peak = kb / 1024;
        else if (std::sscanf(line.c_str(), "VmRSS: %lf kB", &kb) == 1)
            r.total = kb / 1024;
    }
    return r;
}

double heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024 * 1024);
}

// What the address book dialog adds: its window loaded from the bundle and shown, with the full
// file open in the computer tab. Measured in a child process that starts from a heap given back
// to the system, so that memory freed by earlier benchmarks cannot hide the growth: "MB" is the
// growth of the anonymous resident set, "peakMB" how far the whole resident set rose above what
// it was before while the tab opened (the peak is of all resident pages, so it is set against
// all of them), "heapMB" the growth of the allocated heap.
struct DialogMemory {
    double residentMB, peakMB, heapMB;
};

// The pages of mapped files (the libraries' code and data) this process has in memory. A forked
// child starts with none of them in its resident set, although they are in memory all the same,
// and would count each one it touches again as growth; it touches them all before it measures.
std::vector<const volatile char*> residentFilePages() {
    std::vector<const volatile char*> pages;
    std::ifstream maps("/proc/self/maps");
    const int pagemap = ::open("/proc/self/pagemap", O_RDONLY | O_CLOEXEC);
    if (pagemap < 0)
        return pages;
    const uintptr_t pageSize = uintptr_t(::sysconf(_SC_PAGESIZE));
    std::string line;
    while (std::getline(maps, line)) {
        uintptr_t start = 0, end = 0;
        char permissions[5] = {};
        unsigned long inode = 0;
        if (std::sscanf(line.c_str(), "%lx-%lx %4s %*s %*s %lu", &start, &end, permissions, &inode) != 4 ||
            inode == 0 || permissions[0] != 'r')
            continue;
        std::vector<uint64_t> entries((end - start) / pageSize);
        const size_t bytes = entries.size() * sizeof(uint64_t);
        if (::pread(pagemap, entries.data(), bytes, off_t(start / pageSize * sizeof(uint64_t))) !=
            ssize_t(bytes))
            continue;
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i] >> 63) // present
                pages.push_back(reinterpret_cast<const volatile char*>(start + i * pageSize));
    }
    ::close(pagemap);
    return pages;
}

DialogMemory measureDialogInChild() {
    DialogMemory result{};
    int channel[2];
    if (::pipe(channel) != 0)
        return result;
    const std::vector<const volatile char*> filePages = residentFilePages();
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        for (const volatile char* page : filePages)
            (void)*page;
        ::malloc_trim(0);
        std::ofstream("/proc/self/clear_refs") << "5"; // the peak starts from here
        const Resident before = resident();
        const double heapBefore = heapInUse();
        DialogMemory measured{};
        {
            df::DestinationList destinations;
            df::AddressFileList files;
            files.addObject({QStringLiteral("full"), QString::fromStdString(fixture().fullFile())});
            files.setSelectionIndex(0);
            auto bundle = df::platform::Bundle::open(QStringLiteral(DIRECTFAX_BUNDLE_DIR));
            std::vector<std::unique_ptr<QObject>> objects;
            auto* controller =
                bundle ? df::AddressBookController::loadInterfaceFile(*bundle, &destinations, &files, objects)
                       : nullptr;
            if (controller && controller->view()) {
                controller->setBundle(bundle);
                controller->view()->setBundle(bundle);
                controller->view()->initializeControls();
                controller->addressBookSettingPanel()->show();
                controller->initPCAdressBookTab();
                QApplication::processEvents();
                if (controller->pcAddressList()->count() == kEntries + kGroups) {
                    const Resident after = resident();
                    measured = {after.now - before.now, after.peak - before.total, heapInUse() - heapBefore};
                }
            }
        }
        const bool sent = ::write(channel[1], &measured, sizeof measured) == sizeof measured;
        ::_exit(sent ? 0 : 1);
    }
    ::close(channel[1]);
    if (child > 0) {
        if (::read(channel[0], &result, sizeof result) != sizeof result)
            result = {};
        ::waitpid(child, nullptr, 0);
    }
    ::close(channel[0]);
    return result;
}

void BM_DialogMemory(benchmark::State& state) {
    fixture().fullFile();
    startApplication(); // before the child, so that the application is not counted
    DialogMemory worst{};
    for (auto _ : state) {
        const DialogMemory m = measureDialogInChild();
        if (m.residentMB <= 0) {
            state.SkipWithError("the dialog could not be measured");
            break;
        }
        worst = {std::max(worst.residentMB, m.residentMB), std::max(worst.peakMB, m.peakMB),
                 std::max(worst.heapMB, m.heapMB)};
    }
    state.counters["MB"] = worst.residentMB;
    state.counters["peakMB"] = worst.peakMB;
    state.counters["heapMB"] = worst.heapMB;
}
BENCHMARK(BM_DialogMemory)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
