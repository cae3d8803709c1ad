// The job's options as the scheduler hands them to a filter (its fifth argument): NAME=VALUE
// entries separated by single spaces, with a backslash before each space, tab, line end,
// backslash and quote inside a value; a bare NAME or noNAME for a boolean. Read back byte for
// byte: unlike libcups' own reader, a value that begins with "{" or a quote is text like any
// other, so a sender named "{Sales}" stays that name and cannot swallow the options after it.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob {

// Option names compared as CUPS compares them: ASCII letters in either case are the same.
struct OptionNameLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

// A job's options by name. A name given again (in any case) replaces the earlier value, as
// cupsAddOption does; the name keeps its first spelling. An empty name is no option.
class JobOptionList {
public:
    void add(std::string_view name, std::string_view value);
    // The value of `name`, null when the job does not give it.
    const char* get(std::string_view name) const;

private:
    std::map<std::string, std::string, OptionNameLess> options_;
};

// The options of `text` (as cupsParseOptions reads them, with the difference above).
JobOptionList parseJobOptions(const char* text);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob
