// The command line of directfax-addressbook as its commands see it: the arguments of one command,
// the error of a wrong usage, and the commands that move whole books in and out of files.
#pragma once

#include "AddressBook.h"
#include "BookTransfer.h"

#include <algorithm>
#include <initializer_list>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook {

// The arguments of one command: positional ones and --options with values (an option given
// several times keeps each value, in order).
struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::vector<std::string>> options;
    std::map<std::string, bool> flags;

    Arguments(const std::vector<std::string>& args, std::initializer_list<const char*> valued,
              std::initializer_list<const char*> switches) {
        bool optionsEnded = false;
        for (size_t i = 1; i < args.size(); ++i) {
            const std::string& a = args[i];
            if (optionsEnded || a.size() < 3 || a.rfind("--", 0) != 0) {
                positional.push_back(a);
                continue;
            }
            if (a == "--") {
                optionsEnded = true;
                continue;
            }
            std::string name = a.substr(2);
            if (std::find(switches.begin(), switches.end(), name) != switches.end()) {
                flags[name] = true;
            } else if (std::find(valued.begin(), valued.end(), name) != valued.end()) {
                if (i + 1 >= args.size())
                    throw UsageError("the option " + a + " needs a value");
                options[name].push_back(args[++i]);
            } else {
                throw UsageError("unknown option " + a + " for " + args[0]);
            }
        }
    }

    // Checks the number of positional arguments; answers the first, the address book, if any.
    std::string book(size_t count) const {
        if (positional.size() != count)
            throw UsageError("expected " + counted(count, "argument", "arguments") + ", got " +
                             std::to_string(positional.size()));
        return count == 0 ? std::string() : positional[0];
    }
    // At least `count` positional arguments; answers the first.
    std::string bookAndMore(size_t count) const {
        if (positional.size() < count)
            throw UsageError("expected at least " + counted(count, "argument", "arguments") + ", got " +
                             std::to_string(positional.size()));
        return positional[0];
    }
    std::optional<std::string> given(const std::string& name) const {
        auto it = options.find(name);
        return it == options.end() ? std::nullopt : std::optional(it->second.back());
    }
    std::string option(const std::string& name) const { return given(name).value_or(std::string()); }
    std::vector<std::string> all(const std::string& name) const {
        auto it = options.find(name);
        return it == options.end() ? std::vector<std::string>() : it->second;
    }
    bool flag(const std::string& name) const { return flags.count(name) != 0; }
};

// The import options given on the command line.
ImportOptions importOptions(const Arguments& a);
// The text of SOURCE: a file, or standard input for "-".
std::string readSource(const std::string& source, std::istream& in);
// Writes an export to DEST (standard output for "-"), its notes to `err`.
void writeExport(const std::string& dest, const ExportText& exported, bool force, std::ostream& out,
                 std::ostream& err);
// The entries and groups of a book, under a title.
void listBook(const Book& book, const std::string& title, std::ostream& out);

// device list|export|import ... (the arguments after "device").
int deviceCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                  std::ostream& err);

// import BOOK SOURCE ... and export BOOK DEST ...
int importCommand(const Arguments& a, std::istream& in, std::ostream& out);
int exportCommand(const Arguments& a, std::ostream& out, std::ostream& err);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook
