// The job's options as the scheduler hands them to a filter (its fifth argument): NAME=VALUE
// entries separated by single spaces, with a backslash before each space, tab, line end,
// backslash and quote inside a value; a bare NAME or noNAME for a boolean. Read back byte for
// byte: unlike libcups' own reader, a value that begins with "{" or a quote is text like any
// other, so a sender named "{Sales}" stays that name and cannot swallow the options after it.
#pragma once

#include <cups/cups.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob {

// Adds the options of `text` to `options` (as cupsParseOptions does); answers their new number.
int parseJobOptions(const char* text, int numOptions, cups_option_t** options);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob
