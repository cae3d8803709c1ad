// What the editor is asked to show: the computer's books, or the printer's address book at a
// network address or on USB. The panel passes "-DFAXConnectionType NET" and "-DFAXAddress ADDR"
// (or "-DFAXConnectionType USB") as single arguments; a shell passes each word on its own.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace com::velmora::cps::print::pde::tarncrest::directfax::editor {

struct LaunchRequest {
    enum class Kind { ComputerBooks, NetworkPrinter, UsbPrinter };
    Kind kind = Kind::ComputerBooks;
    QString address;   // NetworkPrinter: the printer's IP address
    QStringList files; // address-book files to open

    bool operator==(const LaunchRequest&) const = default;
};

// The request of a command line (without the program's name); the reason when it is wrong.
struct ParsedLaunch {
    std::optional<LaunchRequest> request;
    QString problem;
};
ParsedLaunch parseLaunchArguments(const QStringList& arguments);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::editor
