#include "JobOptions.h"

#include "AsciiCase.h"

#include <algorithm>

namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob {

bool OptionNameLess::operator()(std::string_view a, std::string_view b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return asciiLower(x) < asciiLower(y); });
}

void JobOptionList::add(std::string_view name, std::string_view value) {
    if (name.empty())
        return;
    if (auto found = options_.find(name); found != options_.end())
        found->second = value;
    else
        options_.emplace(name, value);
}

const char* JobOptionList::get(std::string_view name) const {
    const auto found = options_.find(name);
    return found == options_.end() ? nullptr : found->second.c_str();
}

JobOptionList parseJobOptions(const char* text) {
    JobOptionList options;
    if (!text)
        return options;
    std::string name;
    std::string value;
    bool inValue = false;
    auto finish = [&] {
        if (inValue) {
            options.add(name, value);
        } else if (!name.empty()) {
            const bool negated = name.size() > 2 && name.starts_with("no");
            options.add(negated ? std::string_view(name).substr(2) : name, negated ? "false" : "true");
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
    return options;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob
