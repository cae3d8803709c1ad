// The demo fax printer made of the programs of this build tree, for the benchmarks that run it.
#pragma once

#include <DemoFaxPrinter.h>

#include <QString>

namespace com::velmora::cps::print::pde::tarncrest::directfax::bench {

inline const QString kBin = QStringLiteral(DIRECTFAX_BINARY_DIR);

// The demo printer's programs and sample PPD from the build tree, filing into `outbox`.
inline platform::DemoFaxPrinter::Setup buildTreeDemoSetup(const QString& outbox) {
    return {kBin + "/tools/device-emulator/directfax-device-emulator",
            kBin + "/tools/fax-filter/directfax-fax-filter",
            kBin + "/tools/print-backend/directfax-backend",
            QStringLiteral(DIRECTFAX_SOURCE_DIR "/host/samples/DirectFaxSample.ppd"),
            outbox,
            {},
            {}};
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::bench
