// The fax printer that every program can print to: a CUPS queue on our PPD whose backend,
// directfax-handover, hands what was printed to the fax agent in the job owner's desktop session,
// which opens the fax dialog on it. A failed hand-over fails that job only (abort-job).
#pragma once

#include "PrivateCupsd.h"

#include <QString>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

struct FaxPrinter {
    static constexpr const char* kDefaultName = "SendAsFax";
    static constexpr const char* kDeviceUri = "directfax-handover:/";
    static constexpr const char* kDescription = "Fax (DirectFax)";

    // The queue `name` on the PPD `ppd`.
    static PrivateCupsd::Queue queue(const QString& name, const QString& ppd);
    // Whether CUPS takes `name` as a queue name (printable, no space, '/', '#' or quote).
    static bool isValidName(const QString& name);
    // Adds the fax printer `name` on the process's CUPS server; false with `error` set.
    static bool add(const QString& name, const QString& ppd, QString* error);
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
