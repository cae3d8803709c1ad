// From loading the DirectFax bundle to the Fax Settings view shown in the print dialog host:
// bundle and module loaded, plug-in made, sample printer's PPD opened, panel made, its view
// loaded from the interface file, localized and filled, and the dialog shown with that tab.
// Qt's own start (the application object and the first window with text shown) is not counted.
#include "HostPrinter.h"
#include "ModalRun.h"
#include "PluginHost.h"
#include "PrintDialog.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <malloc.h>

using namespace com::velmora::cps::print::pde::tarncrest::directfax::platform;

namespace {

void startQt() {
    if (QApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The panel registers its help book; keep that out of the user's configuration.
    static QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    static int argc = 1;
    static char name[] = "bench_host";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
    // Qt's own start includes the first text drawn (the font database is read then).
    // And the computer's address books of the dialogs: none of the user's.
    static QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    QLabel first(QStringLiteral("Qt"));
    first.show();
    QApplication::processEvents();
}

std::unique_ptr<HostPrinter> openSample(const QString&, QString* error) {
    return HostPrinter::openSample(QStringLiteral(SAMPLE_PPD), error);
}

// One bundle load up to the shown Fax Settings view; false when something is missing.
bool loadAndShow() {
    PluginHost plugins;
    QString error;
    if (!plugins.loadBundle(QStringLiteral(DIRECTFAX_BUNDLE_DIR), &error))
        return false;
    PrintDialog dialog(plugins, HostDocument::sample(), {HostPrinter::kSamplePrinterName}, &openSample);
    if (!dialog.selectPrinter(HostPrinter::kSamplePrinterName))
        return false;
    dialog.show();
    QApplication::processEvents();
    QWidget* view = dialog.tabs()->currentWidget();
    const bool shown = dialog.panels()->count() == 1 && view && view->isVisible();
    dialog.close();
    return shown;
}

void run(benchmark::State& state) {
    startQt();
    for (auto _ : state) {
        if (!loadAndShow()) {
            state.SkipWithError("the Fax Settings view was not shown");
            break;
        }
    }
}

// The first load in a process: the module mapped, its translations and the interface loader
// started for the first time.
void BM_FirstBundleLoadToFaxViewShown(benchmark::State& state) {
    run(state);
}
BENCHMARK(BM_FirstBundleLoadToFaxViewShown)->Iterations(1)->Unit(benchmark::kMillisecond);

// Every later load of the same process.
void BM_BundleLoadToFaxViewShown(benchmark::State& state) {
    run(state);
}
BENCHMARK(BM_BundleLoadToFaxViewShown)->Unit(benchmark::kMillisecond);

} // namespace

namespace {

void click(QWidget* window, const char* button) {
    if (auto* found = window->findChild<QPushButton*>(QLatin1String(button)))
        found->click();
    if (window->isVisible())
        ModalRun::abortModal();
}

// Print pressed in the dialog on the sample fax printer: the fax-job dialog comes, its address
// book button opens the address book dialog, which is cancelled, and then the fax-job dialog is.
bool openAndCloseBothDialogs(PrintDialog& dialog) {
    ScriptedModalDriver driver;
    driver.queueModalStep([&driver](QWidget* faxJob) {
        driver.queueModalStep([](QWidget* addressBook) { click(addressBook, "cancelButton"); });
        click(faxJob, "lookUpAddressBookButton");
        click(faxJob, "stopButton");
    });
    dialog.print();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return driver.modalRuns().size() == 2 && driver.pendingModalSteps() == 0;
}

// The process's resident memory, and the heap it holds in use, in kB.
std::pair<double, double> memoryKb() {
    malloc_trim(0);
    long pages = 0;
    long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return {double(resident) * double(sysconf(_SC_PAGESIZE)) / 1024, double(mallinfo2().uordblks) / 1024};
}

// The print dialog with the plug-in loaded, both of its dialogs opened and closed ten times: what
// the process holds more afterwards than after the first two openings (every interface file read
// once), and what ten more openings add to that. No growth means no leak per opening.
void BM_DialogsOpenedAndClosedTenTimes(benchmark::State& state) {
    startQt();
    for (auto _ : state) {
        PluginHost plugins;
        QString error;
        if (!plugins.loadBundle(QStringLiteral(DIRECTFAX_BUNDLE_DIR), &error)) {
            state.SkipWithError("the bundle did not load");
            return;
        }
        PrintDialog dialog(plugins, HostDocument::sample(), {HostPrinter::kSamplePrinterName}, &openSample);
        dialog.setJobPresenter([](const JobTicket&) {});
        if (!dialog.selectPrinter(HostPrinter::kSamplePrinterName)) {
            state.SkipWithError("the sample printer did not open");
            return;
        }
        dialog.show();
        if (auto* sender = dialog.tabs()->currentWidget()->findChild<QLineEdit*>("senderNameTextEdit"))
            sender->setText(QStringLiteral("Velmora Sales"));
        bool opened = openAndCloseBothDialogs(dialog) && openAndCloseBothDialogs(dialog);
        const auto tenTimes = [&] {
            for (int i = 0; i < 10; ++i)
                opened = openAndCloseBothDialogs(dialog) && opened;
            return memoryKb();
        };
        const auto [residentBefore, heapBefore] = memoryKb();
        const auto [residentAfter, heapAfter] = tenTimes();
        // Caches of Qt's (glyphs, style) still filling show in the first ten; a leak in both.
        const auto [residentAfterMore, heapAfterMore] = tenTimes();
        dialog.close();
        if (!opened) {
            state.SkipWithError("the fax-job and address book dialogs did not both open");
            return;
        }
        state.counters["resident_growth_kB"] = residentAfter - residentBefore;
        state.counters["heap_growth_kB"] = heapAfter - heapBefore;
        state.counters["heap_growth_next_ten_kB"] = heapAfterMore - heapAfter;
        state.counters["resident_growth_next_ten_kB"] = residentAfterMore - residentAfter;
    }
}
BENCHMARK(BM_DialogsOpenedAndClosedTenTimes)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
