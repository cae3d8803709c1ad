// Opening the checked-in PPD fixtures.
#pragma once

#include "PpdFeature.h"

#include <QString>
#include <gtest/gtest.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::test {

inline QString ppdFixture(const char* name) {
    return QStringLiteral(DIRECTFAX_SOURCE_DIR "/tests/fixtures/ppd/") + QLatin1String(name);
}

inline PpdFilePtr openFixture(const char* name) {
    PpdFilePtr ppd = PpdOpenFile(ppdFixture(name));
    EXPECT_TRUE(ppd) << "cannot open fixture " << name;
    return ppd;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::test
