#include "HostOptions.h"
#include "FaxPrinter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstring>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

constexpr char kProgramName[] = "directfax-print";

// The options QApplication takes for itself (it removes them before the program sees them): the
// command line is read before QApplication starts, so they are passed over here.
const QStringList kQtOptionsWithValue = {"-platform",        "-platformpluginpath",
                                         "-platformtheme",   "-plugin",
                                         "-qwindowgeometry", "-qwindowicon",
                                         "-qwindowtitle",    "-style",
                                         "-stylesheet",      "-session",
                                         "-display",         "-geometry"};
const QStringList kQtFlags = {"-reverse", "-nograb", "-dograb", "-sync"};

QStringList withoutQtOptions(const QStringList& arguments) {
    QStringList ours;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (kQtOptionsWithValue.contains(arguments.at(i)))
            ++i;
        else if (!kQtFlags.contains(arguments.at(i)))
            ours << arguments.at(i);
    }
    return ours;
}

void describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        QStringLiteral("Print dialog host: opens a document, shows the print dialog with the panels of the "
                       "plug-ins and submits the job to CUPS. Without --printer it runs the demo fax "
                       "printer: a private CUPS server with a fax queue and the printer emulator."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("version"), QStringLiteral("write the version and exit")});
    parser.addPositionalArgument(
        QStringLiteral("document"),
        QStringLiteral("PDF, PostScript or text file (default: a built-in sample text)"));
    parser.addOption({QStringLiteral("printer"),
                      QStringLiteral("queue of the system's CUPS server to print to (default: the demo fax "
                                     "printer)"),
                      QStringLiteral("QUEUE")});
    parser.addOption({QStringLiteral("plugins"),
                      QStringLiteral("plug-in folder; may be repeated (default: $DIRECTFAX_PLUGIN_PATH, else "
                                     "the installed plug-in folder, or the build tree's)"),
                      QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("destination"),
                      QStringLiteral("printer, pdf or preview (default: printer)"), QStringLiteral("TYPE"),
                      QStringLiteral("printer")});
    parser.addOption(
        {QStringLiteral("dry-run"),
         QStringLiteral("press Print at once, write the job to standard output, submit it and exit "
                        "(1 when a panel stopped the job or CUPS refused it)")});
    parser.addOption({QStringLiteral("no-submit"),
                      QStringLiteral("write what Print would submit instead of submitting it")});
    parser.addOption({QStringLiteral("outbox"),
                      QStringLiteral("folder the demo fax printer files received fax jobs in (default: "
                                     "~/.local/share/velmora/directfax/outbox)"),
                      QStringLiteral("DIR")});
    parser.addOption(
        {QStringLiteral("cupsd-private-values"),
         QStringLiteral("write the cupsd.conf policy lines that keep the fax record private on a "
                        "system CUPS server, and exit")});
    parser.addOption(
        {QStringLiteral("add-fax-printer"),
         QStringLiteral(
             "add the fax printer that every program can print to (the queue named by the argument, "
             "default \"Fax\") to the CUPS server, and exit")});
    parser.addOption(
        {QStringLiteral("fax-to"),
         QStringLiteral("in a dry run, send the fax to NUMBER from the fax-job dialog instead of "
                        "cancelling it; may be repeated"),
         QStringLiteral("NUMBER")});
    parser.addOption({QStringLiteral("screenshot"),
                      QStringLiteral("render the print dialog into FILE (PNG) and exit; works headless"),
                      QStringLiteral("FILE")});
}

} // namespace

std::optional<HostOptions> HostOptions::parse(const QStringList& arguments, QString* error, bool* showHelp) {
    QCommandLineParser parser;
    describe(parser);
    *showHelp = false;
    if (!parser.parse(withoutQtOptions(arguments))) {
        *error = parser.errorText();
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        *showHelp = true;
        return std::nullopt;
    }
    HostOptions options;
    options.showVersion = parser.isSet(QStringLiteral("version"));
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        *error = QStringLiteral("Only one document can be printed at a time");
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("add-fax-printer")))
        options.addFaxPrinter = positional.value(0, QLatin1String(FaxPrinter::kDefaultName));
    else if (!positional.isEmpty())
        options.document = positional.first();
    options.faxTo = parser.values(QStringLiteral("fax-to"));
    options.printer = parser.value(QStringLiteral("printer"));
    options.pluginFolders = parser.values(QStringLiteral("plugins"));
    const QString destination = parser.value(QStringLiteral("destination"));
    if (destination == QLatin1String("printer"))
        options.destination = kPMDestinationPrinter;
    else if (destination == QLatin1String("pdf"))
        options.destination = kPMDestinationFile;
    else if (destination == QLatin1String("preview"))
        options.destination = kPMDestinationPreview;
    else {
        *error = QStringLiteral("Unknown destination \"%1\" (printer, pdf or preview)").arg(destination);
        return std::nullopt;
    }
    options.dryRun = parser.isSet(QStringLiteral("dry-run"));
    options.noSubmit = parser.isSet(QStringLiteral("no-submit"));
    options.outbox = parser.value(QStringLiteral("outbox"));
    options.showPrivateValues = parser.isSet(QStringLiteral("cupsd-private-values"));
    options.screenshot = parser.value(QStringLiteral("screenshot"));
    return options;
}

QString HostOptions::helpText() {
    QCommandLineParser parser;
    describe(parser);
    QString text = parser.helpText();
    // The parser names the program by the path it was started with, or, read before Qt starts
    // as here, by a placeholder.
    const QString named = QCoreApplication::instance() ? QCoreApplication::arguments().value(0)
                                                       : QStringLiteral("<executable_name>");
    const qsizetype at = text.indexOf(named);
    if (!named.isEmpty() && at >= 0 && at < text.indexOf(QLatin1Char('\n')))
        text.replace(at, named.size(), QLatin1String(kProgramName));
    return text;
}

QString HostOptions::versionText() {
    return QLatin1String(kProgramName) + QStringLiteral(" " DIRECTFAX_VERSION "\n");
}

bool runsHeadless(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strncmp(argument, "--screenshot", 12) == 0 || std::strcmp(argument, "--dry-run") == 0 ||
            std::strcmp(argument, "--cupsd-private-values") == 0 ||
            std::strcmp(argument, "--add-fax-printer") == 0 || std::strcmp(argument, "--help") == 0 ||
            std::strcmp(argument, "-h") == 0)
            return true;
    }
    return false;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
