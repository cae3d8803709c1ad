// Plain helpers of the panels: system version, UTF-16 fields and the help book.
#pragma once

#include "Bundle.h"

#include <QString>
#include <cstdint>
#include <memory>

typedef struct ppd_file_s ppd_file_t;

namespace com::velmora::cps::print::pde::tarncrest::directfax {

// The system's version in the numbering the panels decide on: the kernel's major version
// minus 4 (kernel 10 → 6, kernel 11 → 7), or -1 while the kernel release cannot be read.
// Read once; a failed read is tried again on the next call. Safe from any thread.
int getOSMinorVersion();

// Number of UTF-16 code units before the first zero unit among the first length / 2 units of
// `buffer` (length in bytes); -1 for a null buffer, a length below 1 or no zero unit.
int unicharLength(const void* buffer, int32_t length);

// Shows `page` (a path relative to the book) of the bundle's help book, at `anchor` when given.
void GotoHelpPage(const std::shared_ptr<platform::Bundle>& bundle, const QString& page,
                  const QString& anchor = {});

// Shows `page` in the folder named by the PPD attribute `keyword` (found by prefix), else in
// `defaultFolder`, of the bundle's help book.
void GotoHelpPage2_106(ppd_file_t* ppd, const char* keyword, const std::shared_ptr<platform::Bundle>& bundle,
                       const QString& defaultFolder, const QString& page, const QString& anchor = {});

// Registers the bundle's help book with the help viewer.
void RegisterHelpBook(const std::shared_ptr<platform::Bundle>& bundle);

// Forgets the cached system version. For tests.
void resetOSMinorVersionForTesting();

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
