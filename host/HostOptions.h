// The command line of directfax-print.
#pragma once

#include "PrintSettings.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

struct HostOptions {
    QString document;          // empty: the built-in sample
    QString printer;           // empty: the sample fax printer
    QStringList pluginFolders; // empty: DIRECTFAX_PLUGIN_PATH, else the default folder
    PMDestinationType destination = kPMDestinationPrinter;
    bool dryRun = false;
    bool noSubmit = false; // tell what Print would submit instead of submitting it
    QString outbox;        // where the demo fax printer files received jobs; empty: the default
    bool showPrivateValues = false;
    QString screenshot;
    bool showVersion = false; // --version: the caller writes versionText()
    // --add-fax-printer [QUEUE]: add the fax printer for every program to the CUPS server, and exit.
    QString addFaxPrinter;
    // --fax-to NUMBER: in a dry run, the fax-job dialog sends to these numbers instead of being
    // cancelled.
    QStringList faxTo;

    // Parses `arguments` (the program name first); nullopt with `error` set on a bad command
    // line. --help and --version are handled by the caller through `helpText`.
    static std::optional<HostOptions> parse(const QStringList& arguments, QString* error, bool* showHelp);
    static QString helpText();
    static QString versionText();
};

// True when the arguments ask for a run that shows no window (a screenshot, a dry run,
// the help, the private-values lines).
bool runsHeadless(int argc, char** argv);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
