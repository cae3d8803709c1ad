// From loading the DirectFax bundle to the Fax Settings view shown in the print dialog host:
// bundle and module loaded, plug-in made, sample printer's PPD opened, panel made, its view
// loaded from the interface file, localized and filled, and the dialog shown with that tab.
// Qt's own start (the application object and the first window with text shown) is not counted.
#include "HostPrinter.h"
#include "PluginHost.h"
#include "PrintDialog.h"

#include <QApplication>
#include <QLabel>
#include <QTabWidget>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

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
