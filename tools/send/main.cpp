// directfax-send: sends a document as a fax job from the command line or a script.
//
// The program is built twice from this file. directfax-send itself loads Qt Core and libcups only,
// so that a command starts quickly; a text document needs the fonts of a GUI application to be
// drawn, and for that it hands its whole command line, standard input included, to
// directfax-send-text (DIRECTFAX_DRAWS_TEXT), which does the same with a GUI application.
#include "FaxSend.h"
#include "FileNames.h"
#include "HostDocument.h"
#include "JobWatch.h"

#include <QByteArrayView>
#include <QFile>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cups/cups.h>
#ifdef DIRECTFAX_DRAWS_TEXT
#include <QGuiApplication>
#else
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#endif

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

#ifndef DIRECTFAX_DRAWS_TEXT
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

// The program that draws text: installed in the package's program folder, in the build tree next
// to this one.
QByteArray textDrawingProgram() {
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QDir folder = QFileInfo(self).dir();
    const QString installed =
        QDir::cleanPath(folder.filePath(QStringLiteral(DIRECTFAX_REL_LIBEXECDIR "/directfax-send-text")));
    if (QFileInfo(installed).isExecutable())
        return QFile::encodeName(installed);
    return QFile::encodeName(folder.filePath(QStringLiteral("directfax-send-text")));
}

// Hands the command line to the program that draws text; returns only when it cannot start.
int sendWithTextDrawing(char** argv) {
    const QByteArray program = textDrawingProgram();
    ::execv(program.constData(), argv);
    printError(QStringLiteral("A text document cannot be sent: the program that draws text (%1) cannot be "
                              "started: %2")
                   .arg(QFile::decodeName(program), QString::fromLocal8Bit(std::strerror(errno))));
    return kExitRefused;
}
#endif

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
#ifdef DIRECTFAX_DRAWS_TEXT
    // The text is drawn into PDF with the fonts of a GUI application; no window is shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
#else
    if (!request->list && drawsText(request->document))
        return sendWithTextDrawing(argv);
    QCoreApplication app(argc, argv);
#endif
    if (request->list) {
        if (!request->server.isEmpty())
            cupsSetServer(request->server.constData());
        if (!serverReachable(&error)) {
            printError(error);
            return kExitRefused;
        }
        for (const auto& [queue, kind] : faxQueues())
            std::printf("%s\t%s\n", qPrintable(queue), qPrintable(kind));
        return kExitSent;
    }
    const QList<int> jobs = sendFax(*request, &error);
    if (jobs.isEmpty()) {
        printError(error);
        return kExitRefused;
    }
    // The ids first, so that a script knows the jobs however the wait ends.
    for (int job : jobs)
        std::printf("%d\n", job);
    std::fflush(stdout);
    if (!request->wait)
        return kExitSent;
    // Each job in turn, within one time limit; the worst ending is the program's.
    const auto deadline = std::chrono::steady_clock::now() + request->timeout;
    int status = kExitSent;
    for (int job : jobs) {
        const auto left =
            std::chrono::duration_cast<std::chrono::seconds>(deadline - std::chrono::steady_clock::now());
        const JobWaitResult result = waitForJob(job, std::max(left, std::chrono::seconds(1)), printError);
        if (result.ended)
            std::printf("%s\n", qPrintable(result.text));
        else
            printError(result.text);
        status = std::max(status, result.exitStatus);
        if (result.exitStatus == kExitInterrupted)
            break;
    }
    return status;
}
