// Where the host finds its plug-ins and the demo fax printer's files: next to the program in the
// build tree, or, once installed, at the install folders relative to the program's own folder
// (so that an installed tree can be moved to another prefix).
#pragma once

#include <QString>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

struct ProgramLayout {
    QString pluginFolder;
    QString samplePpd;
    QString demoAddressBook;
    QString deviceEmulator;
    QString faxFilter;
    QString printBackend;
    QString faxPrinterPpd;   // the fax printer for every program
    QString handOverBackend; // its backend, as the demo copies it
    QString faxAgent;
    bool installed = false;

    // The layout for a program in `programFolder`: the installed one when the sample printer
    // is where an install puts it, else the build tree's.
    static ProgramLayout forProgramFolder(const QString& programFolder);
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
