// The fax queue's PPD as the filter needs it: the choice each fax option takes for a job, and the
// printer's attributes. The filter starts once per job, and libcups' PPD reader would double its
// start-up, so this reads the file itself and answers as libcups does: a file libcups would not
// open is no PPD here either, and an option's choice is the one ppdMarkDefaults and
// cupsMarkOptions leave marked. Left out, because no fax option can depend on them: the keywords
// libcups maps from IPP attributes (media, sides, resolution, output-bin, mirror, finishings,
// presets), localized keywords, and the checks of constraints, custom parameters and filter lines
// (a PPD that fails those the scheduler does not load, so it never starts this filter). A PPD
// compressed with gzip, which libcups inflates, is no PPD here: the scheduler keeps its queues'
// PPDs uncompressed.
//
// The file is read whole, up to kMaxBytes; its lines obey libcups' limits (255 bytes a line, 256
// KiB a quoted value, 40 bytes a keyword or choice name).
#pragma once

#include "JobOptions.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob {

class PpdFile {
public:
    static constexpr size_t kMaxBytes = 16 << 20;

    // The PPD at `path`; nullopt when it cannot be read, is larger than kMaxBytes, or is no PPD.
    static std::optional<PpdFile> open(const char* path);
    // The PPD in `text`; nullopt when it is no PPD libcups would open.
    static std::optional<PpdFile> parse(std::string_view text);

    // The choice of the option `keyword` once its default and then the job's value of it are
    // marked; nullopt when the PPD has no such option or neither names one of its choices.
    std::optional<std::string> markedChoice(std::string_view keyword, const JobOptionList& job) const;
    // The value of the first attribute, in the file's order, whose name begins with `prefix`;
    // null when none does.
    const std::string* attributeStartingWith(std::string_view prefix) const;

private:
    struct Option {
        std::string keyword;
        bool pickMany = false;
        std::string defaultChoice;
        std::vector<std::string> choices;
        std::unordered_map<std::string, size_t> firstChoice; // by folded name
    };
    struct Group {
        std::string name;
        std::vector<Option> options;
        std::unordered_map<std::string, size_t> optionAt; // by keyword
    };
    struct Attribute {
        std::string name;
        std::string spec;
        std::string value;
    };
    struct OptionAt {
        size_t group;
        size_t option;
    };
    class Reader;
    class Builder;

    Option& at(OptionAt where) { return groups_[where.group].options[where.option]; }
    const Option& at(OptionAt where) const { return groups_[where.group].options[where.option]; }
    size_t groupNamed(std::string_view name);
    OptionAt optionIn(size_t group, std::string_view keyword);
    // The first option of `keyword` in any case, in the order of groups and then options.
    std::optional<OptionAt> findOption(std::string_view keyword) const;
    void addAttribute(std::string keyword, std::string spec, std::string value);
    // The value of the first "*Default<keyword>" line.
    const std::string* defaultFor(std::string_view keyword) const;
    // Whether a "*Custom<keyword> True" line came before (name and "True" in any case).
    bool customFor(std::string_view keyword) const;
    // The first choice of `name` in any case ("Custom" for a custom value).
    static std::optional<size_t> choiceIndex(const Option& option, std::string_view name);
    static void addChoice(Option& option, std::string name);
    static void addCustomChoice(Option& option, bool unlessPresent);

    std::vector<Group> groups_;
    std::vector<Attribute> attributes_;
    // Look-ups that keep reading a large file linear: groups by name, the first option by folded
    // keyword, the first default by keyword, the "*Custom<keyword> True" names folded.
    std::unordered_map<std::string, size_t> groupIndex_;
    std::unordered_map<std::string, OptionAt> firstOption_;
    std::unordered_map<std::string, size_t> firstDefault_;
    std::unordered_set<std::string> custom_;
    // The custom options ("*Custom<keyword> True" or "*ParamCustom<keyword>") by folded keyword,
    // with their number of parameter lines.
    std::unordered_map<std::string, size_t> customParameters_;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob
