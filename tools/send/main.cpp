// directfax-send: sends a document as a fax job from the command line or a script.
#include "FaxSend.h"
#include "JobWatch.h"

#include <QByteArrayView>
#include <QGuiApplication>
#include <cstdio>

using namespace com::velmora::cps::print::pde::tarncrest::directfax::send;

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
    // A text document is rendered to PDF with the fonts of a GUI application; no window is shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
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
