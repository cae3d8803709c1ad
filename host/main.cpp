// directfax-print: the print dialog host.
#include "CupsSubmitter.h"
#include "DemoFaxPrinter.h"
#include "HostOptions.h"
#include "HostPrinter.h"
#include "PluginHost.h"
#include "PrintDialog.h"
#include "TerminationSignals.h"
#include "UnattendedModalDriver.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPixmap>
#include <QStandardPaths>
#include <QTranslator>
#include <chrono>
#include <cstdio>
#include <cups/cups.h>

using namespace com::velmora::cps::print::pde::tarncrest::directfax::platform;

namespace {

void printError(const QString& message) {
    std::fprintf(stderr, "directfax-print: %s\n", qPrintable(message));
}

QString samplePpdPath() {
    return QDir(QCoreApplication::applicationDirPath())
        .filePath(QStringLiteral("samples/DirectFaxSample.ppd"));
}

QString defaultPluginFolder() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../plugins"));
}

QString defaultOutbox() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/velmora/directfax/outbox");
}

// The demo fax printer's programs and files, in the build tree next to the host.
DemoFaxPrinter::Setup demoSetup(const HostOptions& options) {
    const QDir bin(QCoreApplication::applicationDirPath());
    return {bin.filePath(QStringLiteral("../tools/device-emulator/directfax-device-emulator")),
            bin.filePath(QStringLiteral("../tools/fax-filter/directfax-fax-filter")),
            samplePpdPath(),
            options.outbox.isEmpty() ? defaultOutbox() : options.outbox,
            bin.filePath(QStringLiteral("samples/DemoAddressBook.json")),
            {}};
}

// How long the host waits, once the dialog has closed, for the demo printer to take its jobs.
constexpr std::chrono::seconds kDemoJobWait{60};

} // namespace

int main(int argc, char** argv) {
    // A screenshot or a dry run needs no display: fall back to the offscreen platform when
    // there is none.
    if (runsHeadless(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("directfax-print"));
    // The host's own texts in the user's language (built into the program).
    QTranslator hostTexts;
    if (hostTexts.load(QLocale(), QStringLiteral("directfax-print"), QStringLiteral("_"),
                       QStringLiteral(":/i18n")))
        QApplication::installTranslator(&hostTexts);

    QString error;
    bool showHelp = false;
    const std::optional<HostOptions> options =
        HostOptions::parse(QApplication::arguments(), &error, &showHelp);
    if (!options) {
        if (showHelp) {
            std::fputs(qPrintable(HostOptions::helpText()), stdout);
            return 0;
        }
        printError(error);
        return 2;
    }
    if (options->showPrivateValues) {
        std::fputs(qPrintable(DemoFaxPrinter::privateValuesConfiguration()), stdout);
        return 0;
    }

    std::optional<HostDocument> document = HostDocument::sample();
    if (!options->document.isEmpty())
        document = HostDocument::open(options->document, &error);
    if (!document) {
        printError(error);
        return 1;
    }

    PluginHost plugins;
    plugins.loadFolders(PluginHost::pluginFolders(options->pluginFolders,
                                                  qEnvironmentVariable(PluginHost::kPluginPathVariable),
                                                  defaultPluginFolder()));
    for (const QString& failure : plugins.errors())
        printError(failure);

    // A signal to stop winds the program down as closing the dialog does, demo printer included.
    const TerminationSignals terminationSignals;

    // Without --printer the demo fax printer runs for as long as the dialog: a private CUPS server
    // with its fax queue, and the printer emulator. A screenshot needs no printer behind it.
    DemoFaxPrinter demo;
    bool demoRuns = false;
    if (options->printer.isEmpty() && options->screenshot.isEmpty()) {
        QString why;
        demoRuns = demo.start(demoSetup(*options), &why);
        if (demoRuns) {
            cupsSetServer(demo.server().toUtf8().constData());
            // The device tab reads the printer's address book from the emulator.
            if (qEnvironmentVariableIsEmpty("ABIF_DEVICE_PORT"))
                qputenv("ABIF_DEVICE_PORT", QByteArray::number(demo.devicePort()));
            std::fprintf(stderr, "directfax-print: demo fax printer: queue %s on %s, outbox %s\n",
                         qPrintable(demo.queue()), qPrintable(demo.server()), qPrintable(demo.outbox()));
        } else {
            printError(why + QStringLiteral(" The sample printer is used, and nothing is submitted."));
        }
    }

    const QString sampleName = QString::fromLatin1(HostPrinter::kSamplePrinterName);
    QStringList printerNames;
    if (!demoRuns)
        printerNames << sampleName;
    printerNames << HostPrinter::queueNames();
    auto openPrinter = [&](const QString& name, QString* why) {
        return name == sampleName ? HostPrinter::openSample(samplePpdPath(), why)
                                  : HostPrinter::openQueue(name, why);
    };

    PrintDialog dialog(plugins, *document, printerNames, openPrinter);
    auto alert = [&](const QString& message) {
        printError(message);
        if (!options->dryRun && options->screenshot.isEmpty())
            QMessageBox::warning(&dialog, dialog.windowTitle(), message);
    };
    dialog.setAlert(alert);
    bool submitted = true; // stays true when Print has nothing to submit
    int submittedJobs = 0;
    dialog.setJobPresenter([&](const JobTicket& ticket) {
        std::fputs(qPrintable(ticket.toText()), stdout);
        std::fflush(stdout);
        if (CupsSubmitter::makesJob(ticket) && !options->noSubmit) {
            QString error;
            const int job = CupsSubmitter::submit(ticket, *document, &error);
            submitted = job != 0;
            if (!submitted) {
                alert(error);
                return;
            }
            ++submittedJobs;
            std::printf("submitted: %s-%d\n", qPrintable(ticket.queueName), job);
            std::fflush(stdout);
            return;
        }
        if (!options->dryRun) {
            QMessageBox box(QMessageBox::Information, dialog.windowTitle(),
                            QObject::tr("Nothing was sent to a printer. This is the job:"), QMessageBox::Ok,
                            &dialog);
            box.setDetailedText(ticket.toText());
            box.exec();
        }
    });
    // The demo printer stops when the dialog has closed, once it has taken the jobs it was given.
    auto finishDemo = [&] {
        if (!demoRuns || submittedJobs == 0)
            return;
        std::fputs("directfax-print: waiting for the demo fax printer to take the job...\n", stderr);
        if (!demo.waitForJobs(kDemoJobWait))
            printError(QStringLiteral("The demo fax printer did not finish in time; its queue is stopped."));
    };
    dialog.setDestination(options->destination);
    const QString firstPrinter = !options->printer.isEmpty() ? options->printer
                                 : demoRuns                  ? demo.queue()
                                                             : sampleName;
    if (!dialog.selectPrinter(firstPrinter))
        return 1;

    if (!options->screenshot.isEmpty()) {
        dialog.resize(dialog.sizeHint().expandedTo(QSize(560, 480)));
        dialog.show();
        QApplication::processEvents();
        const bool saved = dialog.grab().save(options->screenshot);
        dialog.close();
        if (!saved)
            printError(QStringLiteral("Cannot write the screenshot \"%1\"").arg(options->screenshot));
        return saved ? 0 : 1;
    }
    if (options->dryRun) {
        // Nobody answers the panels' own windows in a dry run: the fax-job dialog is cancelled,
        // which stops a job to the printer, and the user is told so.
        const UnattendedModalDriver unattended(printError);
        const bool printed = dialog.print() && submitted;
        finishDemo();
        return printed ? 0 : 1;
    }
    const bool accepted = dialog.exec() == QDialog::Accepted && submitted;
    finishDemo();
    if (const int signalNumber = terminationSignals.received()) {
        printError(QStringLiteral("Stopped by signal %1.").arg(signalNumber));
        return 128 + signalNumber;
    }
    return accepted ? 0 : 1;
}
