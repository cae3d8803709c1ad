#include "PpdFile.h"

#include "AsciiCase.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob {

namespace {

// libcups' limits: bytes on one line of the file, bytes of one (quoted, several lines long)
// value, bytes of a keyword, an option or a choice name, and bytes of a line's text.
constexpr size_t kMaxLineBytes = 255;
constexpr size_t kMaxLogicalLineBytes = 262143;
constexpr size_t kMaxNameBytes = 40;
constexpr size_t kMaxTextBytes = 255;

bool isSpace(char c) {
    return c == ' ' || c == '\f' || c == '\n' || c == '\r' || c == '\t' || c == '\v';
}

bool startsIgnoringCase(std::string_view text, std::string_view start) {
    return text.size() >= start.size() && sameIgnoringAsciiCase(text.substr(0, start.size()), start);
}

// "Custom" and "Custom.…" name the custom value of an option, so a choice or a default of that
// name is read as "_Custom…", as libcups does.
bool namesCustom(std::string_view name) {
    return sameIgnoringAsciiCase(name, "custom") || startsIgnoringCase(name, "custom.");
}

std::string fitted(std::string_view name) {
    return std::string(name.substr(0, std::min(name.size(), kMaxNameBytes)));
}

bool isNameByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte > ' ' && byte < 127;
}

} // namespace

// One main-keyword line after another: "*Keyword Option/Text: value", where a value in quotes may
// run over several lines. A line that breaks libcups' rules ends the reading with an error.
class PpdFile::Reader {
public:
    enum class Result { Line, End, Error };
    struct Line {
        std::string keyword;
        std::string option;
        bool hasOption = false;
        std::optional<std::string> value;
    };

    explicit Reader(std::string_view data) : data_(data) {}

    Result next(Line& line, bool skipBlank) {
        for (;;) {
            if (!readLine(skipBlank))
                return Result::Error;
            // The line ends at a zero byte, as a C string does.
            const std::string_view text(buffer_.c_str());
            if (text == "*%APLWORKSET START" || (atEnd() && buffer_.empty()))
                return Result::End;
            if ((text.empty() || text.starts_with("*%") || text == "*End") && skipBlank)
                continue;
            if (text == "*")
                continue;
            if (text.empty() || text[0] != '*') {
                // Blanks are skipped; anything else without its asterisk is no PPD line.
                const bool blank = std::all_of(text.begin(), text.end(), isSpace);
                if (blank && skipBlank)
                    continue;
                return blank ? Result::End : Result::Error;
            }
            const std::optional<bool> parsed = parse(text, line);
            if (!parsed)
                return Result::Error;
            if (*parsed)
                return Result::Line;
        }
    }

private:
    bool atEnd() const { return at_ >= data_.size(); }

    // Collects the next line into buffer_ (line ends inside a quoted value kept); false when it is
    // longer than libcups takes.
    bool readLine(bool skipBlank) {
        buffer_.clear();
        bool quoted = false;
        bool colon = false;
        size_t column = 0;
        while (!atEnd()) {
            const char c = data_[at_++];
            if (buffer_.size() >= kMaxLogicalLineBytes)
                return false;
            if (c == '\r' || c == '\n') {
                column = 0;
                if (c == '\r') {
                    if (atEnd())
                        break;
                    if (data_[at_] == '\n')
                        ++at_;
                }
                if (buffer_.empty() && skipBlank)
                    continue;
                if (!quoted)
                    break;
                buffer_ += '\n';
            } else if (c != '\x1a') {
                buffer_ += c;
                if (++column > kMaxLineBytes)
                    return false;
                if (c == ':' && !buffer_.starts_with("*%"))
                    colon = true;
                if (c == '"' && colon)
                    quoted = !quoted;
            }
        }
        if (!buffer_.empty() && buffer_.back() == '\n')
            buffer_.pop_back();
        return true;
    }

    // Splits a line that begins with "*"; nullopt for a line libcups refuses, false for one it
    // skips.
    static std::optional<bool> parse(std::string_view text, Line& line) {
        line = Line{};
        size_t at = 1;
        while (at < text.size() && text[at] != ':' && !isSpace(text[at])) {
            if (!isNameByte(text[at]) || text[at] == '/' || line.keyword.size() >= kMaxNameBytes)
                return std::nullopt;
            line.keyword += text[at++];
        }
        if (line.keyword == "End")
            return false;
        auto skipSpace = [&] {
            while (at < text.size() && isSpace(text[at]))
                ++at;
        };
        if (at < text.size() && isSpace(text[at])) {
            skipSpace();
            while (at < text.size() && !isSpace(text[at]) && text[at] != ':' && text[at] != '/') {
                if (!isNameByte(text[at]) || line.option.size() >= kMaxNameBytes)
                    return std::nullopt;
                line.option += text[at++];
            }
            skipSpace();
            line.hasOption = true;
            if (at < text.size() && text[at] == '/') {
                size_t length = 0;
                for (++at; at < text.size() && text[at] != '\n' && text[at] != ':'; ++at, ++length) {
                    if ((static_cast<unsigned char>(text[at]) < ' ' && text[at] != '\t') ||
                        length >= kMaxTextBytes)
                        return std::nullopt;
                }
            }
        }
        skipSpace();
        if (at < text.size() && text[at] == ':') {
            ++at;
            skipSpace();
            std::string_view value = text.substr(at);
            while (!value.empty() && isSpace(value.back()))
                value.remove_suffix(1);
            // A value that ends in a quote loses it and its first byte (its opening quote).
            if (!value.empty() && value.back() == '"') {
                value.remove_suffix(1);
                if (!value.empty())
                    value.remove_prefix(1);
            }
            line.value = std::string(value);
        }
        return true;
    }

    std::string_view data_;
    size_t at_ = 0;
    std::string buffer_;
};

std::optional<PpdFile> PpdFile::open(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    char buffer[65536];
    bool failed = false;
    while (text.size() <= kMaxBytes) {
        const ssize_t n = read(fd, buffer, std::min(sizeof buffer, kMaxBytes + 1 - text.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            failed = n < 0;
            break;
        }
        text.append(buffer, size_t(n));
    }
    close(fd);
    if (failed || text.size() > kMaxBytes)
        return std::nullopt;
    return parse(text);
}

// The file's meaning, one line at a time, as libcups builds it: groups, the options in them with
// their choices and defaults, and every other line with a value as an attribute.
class PpdFile::Builder {
public:
    explicit Builder(PpdFile& ppd) : ppd_(ppd) {}

    // Takes a line with a value; false when libcups would refuse the file for it.
    bool take(const std::string& keyword, const std::string& name, bool hasName, std::string value) {
        if (pageKeyword_) {
            option_ = kNoOption;
            pageKeyword_ = false;
        }
        // The two page keywords make their option without OpenUI, as older files have them.
        if (!isOpen() && hasName && (keyword == "PageSize" || keyword == "PageRegion")) {
            pageKeyword_ = true;
            open(keyword, false, false);
        }
        bool isAttribute = false;
        if (keyword.starts_with("ParamCustom")) {
            ppd_.customParameters_[asciiLower(fitted(std::string_view(keyword).substr(11)))] += 1;
            isAttribute = true;
        } else if (keyword.starts_with("Custom") && name == "True" && !isOpen()) {
            ppd_.customParameters_.try_emplace(asciiLower(fitted(std::string_view(keyword).substr(6))), 0);
            if (const auto custom = ppd_.findOption(std::string_view(keyword).substr(6)))
                addCustomChoice(ppd_.at(*custom), true);
            isAttribute = true;
        } else if (keyword == "OpenUI" || keyword == "JCLOpenUI") {
            const bool jcl = keyword == "JCLOpenUI";
            if (jcl && value != "PickMany" && value != "Boolean" && value != "PickOne")
                return false;
            open(name.starts_with('*') ? std::string_view(name).substr(1) : std::string_view(name), jcl,
                 value == "PickMany");
        } else if (keyword == "CloseUI" || keyword == "JCLCloseUI") {
            if (isOpen()) {
                Option& closed = ppd_.at(option_);
                if (namesCustom(closed.defaultChoice) &&
                    choiceIndex(closed, fitted("_" + closed.defaultChoice)))
                    closed.defaultChoice = fitted("_" + closed.defaultChoice);
            }
            option_ = kNoOption;
        } else if (keyword == "OpenGroup") {
            if (group_ != kNone)
                return false;
            group_ = ppd_.groupNamed(std::string_view(value).substr(0, value.find('/')));
        } else if (keyword == "CloseGroup") {
            group_ = kNone;
        } else if (keyword == "OrderDependency" || keyword == "UIConstraints" ||
                   keyword == "NonUIConstraints" || keyword == "PaperDimension" ||
                   keyword == "ImageableArea") {
        } else if (keyword.starts_with("Default")) {
            value.resize(std::min(value.size(), value.find('/')));
            takeDefault(std::string_view(keyword).substr(7), value);
            isAttribute = true;
        } else if (isOpen() && hasName && keyword == ppd_.at(option_).keyword) {
            addChoice(ppd_.at(option_), fitted(namesCustom(name) ? "_" + name : name));
        } else {
            isAttribute = true;
        }
        if (isAttribute)
            ppd_.addAttribute(keyword, name, std::move(value));
        return true;
    }

private:
    static constexpr size_t kNone = size_t(-1);
    static constexpr OptionAt kNoOption{kNone, kNone};

    bool isOpen() const { return option_.group != kNone; }

    void open(std::string_view keyword, bool jcl, bool pickMany) {
        size_t group = jcl ? ppd_.groupNamed("JCL") : group_;
        if (group == kNone)
            group = ppd_.groupNamed("General");
        if (jcl)
            group_ = kNone;
        option_ = ppd_.optionIn(group, keyword);
        Option& opened = ppd_.at(option_);
        opened.pickMany = pickMany;
        if (const std::string* byDefault = ppd_.defaultFor(keyword))
            opened.defaultChoice = fitted(*byDefault);
        if (!pageKeyword_ &&
            ppd_.customFor(!jcl && sameIgnoringAsciiCase(keyword, "PageRegion") ? std::string_view("PageSize")
                                                                                : keyword))
            addCustomChoice(opened, !jcl);
    }

    void takeDefault(std::string_view keyword, const std::string& value) {
        if (keyword == "ColorSpace")
            return;
        if (isOpen() && keyword == ppd_.at(option_).keyword) {
            ppd_.at(option_).defaultChoice = fitted(value);
        } else if (const auto named = ppd_.findOption(keyword)) {
            Option& target = ppd_.at(*named);
            target.defaultChoice = fitted(value);
            if (namesCustom(value) && choiceIndex(target, fitted("_" + value)))
                target.defaultChoice = fitted("_" + value);
        }
    }

    PpdFile& ppd_;
    size_t group_ = kNone;
    OptionAt option_ = kNoOption;
    bool pageKeyword_ = false; // the line before made an option of PageSize or PageRegion
};

std::optional<PpdFile> PpdFile::parse(std::string_view text) {
    Reader reader(text);
    Reader::Line line;
    if (reader.next(line, false) != Reader::Result::Line || line.keyword != "PPD-Adobe" || !line.value ||
        !line.value->starts_with('4'))
        return std::nullopt;
    PpdFile ppd;
    Builder builder(ppd);
    for (;;) {
        const Reader::Result result = reader.next(line, true);
        if (result == Reader::Result::Error)
            return std::nullopt;
        if (result == Reader::Result::End)
            return ppd;
        if (line.value && !builder.take(line.keyword, line.option, line.hasOption, std::move(*line.value)))
            return std::nullopt;
    }
}

size_t PpdFile::groupNamed(std::string_view name) {
    const auto [found, added] = groupIndex_.try_emplace(fitted(name), groups_.size());
    if (added)
        groups_.emplace_back().name = found->first;
    return found->second;
}

PpdFile::OptionAt PpdFile::optionIn(size_t group, std::string_view keyword) {
    std::vector<Option>& options = groups_[group].options;
    const std::string fittedKeyword = fitted(keyword);
    const OptionAt next{group, options.size()};
    const auto [found, added] = groups_[group].optionAt.try_emplace(fittedKeyword, next.option);
    if (added) {
        options.emplace_back().keyword = fittedKeyword;
        // Groups only grow and options are added in file order, so the first option of a
        // keyword in the groups' order is the one with the lowest group, then option, index.
        const auto [first, isFirst] = firstOption_.try_emplace(asciiLower(fittedKeyword), next);
        if (!isFirst && (next.group < first->second.group ||
                         (next.group == first->second.group && next.option < first->second.option)))
            first->second = next;
    }
    return {group, found->second};
}

std::optional<PpdFile::OptionAt> PpdFile::findOption(std::string_view keyword) const {
    const auto found = firstOption_.find(asciiLower(keyword));
    if (found == firstOption_.end())
        return std::nullopt;
    return found->second;
}

void PpdFile::addAttribute(std::string keyword, std::string spec, std::string value) {
    if (keyword.starts_with("Default"))
        firstDefault_.try_emplace(keyword.substr(7), attributes_.size());
    if (sameIgnoringAsciiCase(spec, "True"))
        custom_.insert(asciiLower(keyword));
    attributes_.push_back({std::move(keyword), std::move(spec), std::move(value)});
}

const std::string* PpdFile::defaultFor(std::string_view keyword) const {
    const auto found = firstDefault_.find(std::string(keyword));
    return found == firstDefault_.end() ? nullptr : &attributes_[found->second].value;
}

bool PpdFile::customFor(std::string_view keyword) const {
    return custom_.contains(asciiLower(fitted("Custom" + std::string(keyword))));
}

std::optional<size_t> PpdFile::choiceIndex(const Option& option, std::string_view name) {
    if (name.starts_with('{') || startsIgnoringCase(name, "Custom."))
        name = "Custom";
    const auto found = option.firstChoice.find(asciiLower(name));
    if (found == option.firstChoice.end())
        return std::nullopt;
    return found->second;
}

void PpdFile::addChoice(Option& option, std::string name) {
    option.firstChoice.try_emplace(asciiLower(name), option.choices.size());
    option.choices.push_back(std::move(name));
}

void PpdFile::addCustomChoice(Option& option, bool unlessPresent) {
    if (!unlessPresent || !choiceIndex(option, "Custom"))
        addChoice(option, "Custom");
}

std::optional<std::string> PpdFile::markedChoice(std::string_view keyword, const JobOptionList& job) const {
    const std::optional<OptionAt> where = findOption(keyword);
    if (!where)
        return std::nullopt;
    const Option& option = at(*where);
    // libcups marks every option's default, each through the first option of its keyword (in
    // any case), then the job's value; an option that is not PickMany keeps only its last mark,
    // and the first mark left is the answer.
    // A custom value ("Custom.…") is taken only by a custom option with a parameter to hold it.
    const auto custom = customParameters_.find(asciiLower(keyword));
    const bool takesCustomValue = custom == customParameters_.end() || custom->second > 0;
    std::vector<size_t> marked;
    auto mark = [&](std::string_view choice) {
        if (startsIgnoringCase(choice, "Custom.") && !takesCustomValue)
            return;
        if (const auto index = choiceIndex(option, choice)) {
            if (!option.pickMany)
                marked.clear();
            marked.push_back(*index);
        }
    };
    if (!sameIgnoringAsciiCase(keyword, "PageRegion"))
        for (const Group& group : groups_)
            for (const Option& each : group.options)
                if (sameIgnoringAsciiCase(each.keyword, keyword))
                    mark(each.defaultChoice);
    if (const char* given = job.get(keyword))
        mark(given);
    if (marked.empty())
        return std::nullopt;
    return option.choices[marked.front()];
}

const std::string* PpdFile::attributeStartingWith(std::string_view prefix) const {
    if (prefix.empty())
        return nullptr;
    for (const Attribute& attribute : attributes_)
        if (attribute.name.starts_with(prefix))
            return &attribute.value;
    return nullptr;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob
