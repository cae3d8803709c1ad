// directfax-print: the print dialog host.
#include "ApplicationIdentity.h"
#include "CupsSubmitter.h"
#include "DemoFaxPrinter.h"
#include "FaxOutSubmitter.h"
#include "FaxOutcome.h"
#include "FaxPrinter.h"
#include "FileNames.h"
#include "HostLog.h"
#include "HostOptions.h"
#include "HostPrinter.h"
#include "PluginHost.h"
#include "PrintDialog.h"
#include "ProgramLayout.h"
#include "TerminationSignals.h"
#include "UnattendedModalDriver.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPixmap>
#include <QStandardPaths>
#include <QTranslator>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cups/cups.h>
#include <utility>

using namespace com::velmora::cps::print::pde::tarncrest::directfax::platform;

namespace {

void printError(const QString& message) {
    std::fprintf(stderr, "directfax-print: %s\n", qPrintable(message));
}

const ProgramLayout& layout() {
    static const ProgramLayout programLayout =
        ProgramLayout::forProgramFolder(QCoreApplication::applicationDirPath());
    return programLayout;
}

QString defaultOutbox() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/velmora/directfax/outbox");
}

// The demo fax printer's programs and files, next to the host or where it is installed.
DemoFaxPrinter::Setup demoSetup(const HostOptions& options) {
    return {layout().deviceEmulator,
            layout().faxFilter,
            layout().printBackend,
            layout().samplePpd,
            options.outbox.isEmpty() ? defaultOutbox() : options.outbox,
            layout().demoAddressBook,
            {}};
}

// How long the host waits, once the dialog has closed, for the demo printer to take its jobs
// (whoever sent them: the dialog, or directfax-send through the server's socket).
constexpr std::chrono::seconds kDemoJobWait{60};
// How long the host follows a fax it submitted before it tells how it went.
constexpr std::chrono::seconds kFaxFollowLimit{120};

} // namespace

int main(int argc, char** argv) {
    // The command line is read before Qt starts, so that the help, the version and a bad option
    // are answered without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << decodeFileName(argv[i]);
    QString error;
    bool showHelp = false;
    const std::optional<HostOptions> options = HostOptions::parse(arguments, &error, &showHelp);
    if (!options) {
        if (showHelp) {
            std::fputs(qPrintable(HostOptions::helpText()), stdout);
            return 0;
        }
        printError(error);
        return 2;
    }
    if (options->showVersion) {
        std::fputs(qPrintable(HostOptions::versionText()), stdout);
        return 0;
    }

    // A screenshot or a dry run needs no display: fall back to the offscreen platform when
    // there is none.
    if (runsHeadless(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("directfax-print"));
    applyApplicationIdentity();
    // The host's own texts in the user's language (built into the program).
    QTranslator hostTexts;
    if (hostTexts.load(QLocale(), QStringLiteral("directfax-print"), QStringLiteral("_"),
                       QStringLiteral(":/i18n")))
        QApplication::installTranslator(&hostTexts);

    if (options->showPrivateValues) {
        std::fputs(qPrintable(DemoFaxPrinter::privateValuesConfiguration()), stdout);
        return 0;
    }
    if (!options->addFaxPrinter.isEmpty()) {
        if (!FaxPrinter::add(options->addFaxPrinter, layout().faxPrinterPpd, &error)) {
            printError(error);
            return 1;
        }
        std::printf("%s\n",
                    qPrintable(QObject::tr("The fax printer \"%1\" is ready: print to it from any program, "
                                           "and the fax dialog opens.")
                                   .arg(options->addFaxPrinter)));
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
    const QStringList pluginFolders = PluginHost::pluginFolders(
        options->pluginFolders, qEnvironmentVariable(PluginHost::kPluginPathVariable), layout().pluginFolder);
    const int loaded = plugins.loadFolders(pluginFolders);
    qCDebug(lcHost) << "plug-ins loaded:" << loaded << "from" << pluginFolders
                    << (layout().installed ? "(installed)" : "(build tree)");
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
        demo.offerFaxPrinter({layout().handOverBackend, layout().faxPrinterPpd});
        demoRuns = demo.start(demoSetup(*options), &why);
        if (demoRuns) {
            cupsSetServer(QFile::encodeName(demo.server()).constData());
            // The device tab reads the printer's address book from the emulator.
            if (qEnvironmentVariableIsEmpty("ABIF_DEVICE_PORT"))
                qputenv("ABIF_DEVICE_PORT", QByteArray::number(demo.devicePort()));
            qCInfo(lcHost).noquote() << "demo fax printer: queue" << demo.queue() << "on" << demo.server()
                                     << "outbox" << demo.outbox() << "and queue" << demo.faxOutQueue()
                                     << "on the FaxOut service" << demo.faxOutUri();
            // Any program's print to the fax printer opens this program's dialog on the fax queue.
            if (demo.startFaxAgent(layout().faxAgent, QCoreApplication::applicationFilePath(), {}, &why))
                qCInfo(lcHost).noquote() << "fax printer for every program: lp -h" << demo.server() << "-d"
                                         << demo.faxPrinter() << "FILE";
            else
                printError(why);
        } else {
            printError(why + QStringLiteral(" The sample printer is used, and nothing is submitted."));
        }
    }

    const QString sampleName = QString::fromLatin1(HostPrinter::kSamplePrinterName);
    QStringList printerNames;
    if (!demoRuns)
        printerNames << sampleName;
    auto openPrinter = [&](const QString& name, QString* why) {
        return name == sampleName ? HostPrinter::openSample(layout().samplePpd, why)
                                  : HostPrinter::openQueue(name, why);
    };

    PrintDialog dialog(plugins, *document, printerNames, openPrinter);
    // The server's queues are named once the user reaches for the printer menu.
    dialog.listPrintersOnDemand([printerNames] { return printerNames + HostPrinter::queueNames(); });
    auto alert = [&](const QString& message) {
        printError(message);
        if (!options->dryRun && options->screenshot.isEmpty())
            QMessageBox::warning(&dialog, dialog.windowTitle(), message);
    };
    dialog.setAlert(alert);
    bool submitted = true; // stays true when Print has nothing to submit
    // The fax jobs Print submitted, followed once the dialog has closed.
    struct SubmittedFax {
        QList<int> jobs; // one, or one per destination on a CUPS fax queue
        int destinations = 0;
    };
    QList<SubmittedFax> faxes;
    dialog.setJobPresenter([&](const JobTicket& ticket) {
        std::fputs(qPrintable(ticket.toText()), stdout);
        std::fflush(stdout);
        if (CupsSubmitter::makesJob(ticket) && ticket.cupsFaxQueue && !options->noSubmit) {
            // A CUPS fax queue of any printer: a job per destination, followed together.
            QString error;
            const auto plan = faxOutPlan(ticket, QDateTime::currentDateTime(), &error);
            const QList<int> jobs = plan ? submitFaxOut(ticket, *document, *plan, &error) : QList<int>();
            submitted = !jobs.isEmpty();
            if (!submitted)
                alert(error);
            for (int job : jobs)
                std::printf("submitted: %s-%d\n", qPrintable(ticket.queueName), job);
            // Held jobs wait for their time: there is nothing to tell of them yet.
            if (submitted && plan->holdUntil.isEmpty())
                faxes.append({jobs, int(jobs.size())});
            std::fflush(stdout);
            return;
        }
        if (CupsSubmitter::makesJob(ticket) && !options->noSubmit) {
            QString error;
            const int job = CupsSubmitter::submit(ticket, *document, &error);
            submitted = job != 0;
            if (!submitted) {
                alert(error);
                return;
            }
            qCDebug(lcHost).noquote() << "submitted job" << job << "to" << ticket.queueName;
            if (const int destinations = faxDestinationCount(ticket))
                faxes.append({{job}, destinations});
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
    // Once the dialog has closed, the user learns how each fax went; then the demo printer stops,
    // once it has taken every job of its queue, and the jobs it could not take are named, as they
    // go with the printer.
    auto finish = [&] {
        for (const SubmittedFax& fax : faxes) {
            // The jobs of one fax within one time limit, the wait said once.
            QElapsedTimer followed;
            followed.start();
            bool told = false;
            QList<FaxOutcome> outcomes;
            for (int job : fax.jobs) {
                const auto left = std::max(std::chrono::milliseconds(0),
                                           kFaxFollowLimit - std::chrono::milliseconds(followed.elapsed()));
                outcomes.append(followFaxJob(
                    job, left,
                    [&told] {
                        if (!std::exchange(told, true))
                            printError(QObject::tr("Waiting for the printer to take the fax..."));
                    },
                    [&] { return terminationSignals.received() == 0; }));
            }
            tellFaxOutcome(combinedOutcome(outcomes), fax.destinations);
        }
        if (!demoRuns)
            return;
        const auto left = demo.waitForJobs(kDemoJobWait, [](qsizetype count) {
            printError(count == 1
                           ? QObject::tr("Waiting for the demo fax printer to take a job...")
                           : QObject::tr("Waiting for the demo fax printer to take %1 jobs...").arg(count));
        });
        for (const DemoFaxPrinter::QueuedJob& job : left)
            printError(job.describe());
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
        // which stops a job to the printer, and the user is told so; or, given fax numbers, it
        // sends to them.
        UnattendedModalDriver unattended(printError);
        unattended.setFaxDestinations(options->faxTo);
        const bool printed = dialog.print() && submitted;
        finish();
        return printed ? 0 : 1;
    }
    const bool accepted = dialog.exec() == QDialog::Accepted && submitted;
    finish();
    if (const int signalNumber = terminationSignals.received()) {
        printError(QStringLiteral("Stopped by signal %1.").arg(signalNumber));
        return 128 + signalNumber;
    }
    return accepted ? 0 : 1;
}
