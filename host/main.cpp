// directfax-print: the print dialog host.
#include "HostOptions.h"
#include "HostPrinter.h"
#include "PluginHost.h"
#include "PrintDialog.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPixmap>
#include <QTranslator>
#include <cstdio>

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

    const QString sampleName = QString::fromLatin1(HostPrinter::kSamplePrinterName);
    QStringList printerNames{sampleName};
    printerNames << HostPrinter::queueNames();
    auto openPrinter = [&](const QString& name, QString* why) {
        return name == sampleName ? HostPrinter::openSample(samplePpdPath(), why)
                                  : HostPrinter::openQueue(name, why);
    };

    PrintDialog dialog(plugins, *document, printerNames, openPrinter);
    dialog.setAlert([&](const QString& message) {
        printError(message);
        if (!options->dryRun && options->screenshot.isEmpty())
            QMessageBox::warning(&dialog, dialog.windowTitle(), message);
    });
    dialog.setJobPresenter([&](const JobTicket& ticket) {
        std::fputs(qPrintable(ticket.toText()), stdout);
        std::fflush(stdout);
        if (!options->dryRun) {
            QMessageBox box(QMessageBox::Information, dialog.windowTitle(),
                            QObject::tr("The job is ready. Submitting to CUPS is not enabled yet; "
                                        "this is what would be submitted."),
                            QMessageBox::Ok, &dialog);
            box.setDetailedText(ticket.toText());
            box.exec();
        }
    });
    dialog.setDestination(options->destination);
    if (!dialog.selectPrinter(options->printer.isEmpty() ? sampleName : options->printer))
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
    if (options->dryRun)
        return dialog.print() ? 0 : 1;
    return dialog.exec() == QDialog::Accepted ? 0 : 1;
}
