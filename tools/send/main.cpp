// directfax-send: sends a document as a fax job from the command line or a script.
#include "FaxSend.h"
#include "FileNames.h"
#include "HostDocument.h"
#include "JobWatch.h"

#include <QByteArrayView>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>
#include <memory>

using namespace com::velmora::cps::print::pde::tarncrest::directfax::send;
namespace platform = com::velmora::cps::print::pde::tarncrest::directfax::platform;

namespace {

QtMessageHandler qtHandler = nullptr;

void printError(const QString& message) {
    std::fprintf(stderr, "directfax-send: %s\n", qPrintable(message));
}

// Qt's own notes (its runtime folder, fonts, the platform plug-in) are for developers, not for the
// user of a command: only the program's own logging categories and fatal errors pass.
void dropQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg || QByteArrayView(context.category).startsWith("directfax."))
        qtHandler(type, context, message);
}

// Only a text document is drawn, with the fonts of a GUI application; a PDF or PostScript
// document goes to the server as it is, and a command needs no more than Qt's core for that.
// Standard input cannot be looked at twice: it is taken to be text.
bool drawsText(const QByteArray& document) {
    QFile file;
    QString why;
    if (document == "-" || !platform::openFileForReading(document, file, &why))
        return true;
    const QString format = platform::HostDocument::formatOf(file.read(16));
    return format != QLatin1String("application/pdf") && format != QLatin1String("application/postscript");
}

} // namespace

int main(int argc, char** argv) {
    qtHandler = qInstallMessageHandler(dropQtMessages);
    QByteArrayList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QByteArray(argv[i]);
    QString error;
    const std::optional<SendRequest> request = parseSendArguments(arguments, &error);
    if (!request) {
        printError(error);
        return kExitUsage;
    }
    if (request->help) {
        std::fputs(qPrintable(sendHelpText()), stdout);
        return kExitSent;
    }
    if (request->version) {
        std::puts("directfax-send " DIRECTFAX_VERSION);
        return kExitSent;
    }
    std::unique_ptr<QCoreApplication> app;
    if (drawsText(request->document)) {
        // A text document is rendered to PDF with the fonts of a GUI application; no window is shown.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    const int job = sendFax(*request, &error);
    if (job == 0) {
        printError(error);
        return kExitRefused;
    }
    // The id first, so that a script knows the job however the wait ends.
    std::printf("%d\n", job);
    std::fflush(stdout);
    if (!request->wait)
        return kExitSent;
    const JobWaitResult result = waitForJob(job, request->timeout, printError);
    if (result.ended)
        std::printf("%s\n", qPrintable(result.text));
    else
        printError(result.text);
    return result.exitStatus;
}
