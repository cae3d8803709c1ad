#include "JobOptions.h"

#include <string>

namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob {

int parseJobOptions(const char* text, int numOptions, cups_option_t** options) {
    if (!text)
        return numOptions;
    std::string name;
    std::string value;
    bool inValue = false;
    auto finish = [&] {
        if (inValue) {
            numOptions = cupsAddOption(name.c_str(), value.c_str(), numOptions, options);
        } else if (!name.empty()) {
            const bool negated = name.size() > 2 && name.starts_with("no");
            numOptions = cupsAddOption(negated ? name.c_str() + 2 : name.c_str(), negated ? "false" : "true",
                                       numOptions, options);
        }
        name.clear();
        value.clear();
        inValue = false;
    };
    for (const char* at = text; *at; ++at) {
        char c = *at;
        if (c == '\\' && at[1]) {
            c = *++at;
        } else if (c == ' ') {
            finish();
            continue;
        } else if (c == '=' && !inValue) {
            inValue = true;
            continue;
        }
        (inValue ? value : name) += c;
    }
    finish();
    return numOptions;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob
