// The commands of directfax-addressbook.
#include "AddressBookTool.h"

#include "AddressBook.h"
#include "AddressBookIf.h"
#include "Csv.h"
#include "VCard.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook {

namespace {

constexpr const char* kUsage = R"(Usage: directfax-addressbook COMMAND ...

  folder                       print the address-book folder
  files                        list the address-book files of the folder
  create [--device] BOOK       create an empty address book; --device makes the input of the
                               device emulator, whose groups hold up to 205 members (else 35)
  list BOOK                    list the entries and the groups with their members
  add-entry BOOK --name NAME --fax NUMBER [--company TEXT] [--note TEXT]
  add-group BOOK --name NAME MEMBER...
                               MEMBER is the name of an entry or its Id written #ID
  import BOOK SOURCE [--format vcard|csv] [--create] [--device]
                               add the cards (vCard 3 or 4) or rows (CSV with a header row
                               name,fax,company,note) of SOURCE; all or nothing
  export BOOK DEST [--format vcard4|vcard3|csv]
                               write the book; the format follows DEST's extension (.csv, else
                               vCard 4) unless given; CSV holds the entries only

BOOK is a file of the address-book folder when it holds no "/", else a path.
SOURCE and DEST may be "-" for standard input and output.
)";

class UsageError : public ToolError {
public:
    using ToolError::ToolError;
};

// The arguments of one command: positional ones and --options with values.
struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
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
                options[name] = args[++i];
            } else {
                throw UsageError("unknown option " + a + " for " + args[0]);
            }
        }
    }

    // Checks the number of positional arguments; answers the first, the address book, if any.
    std::string book(size_t count) const {
        if (positional.size() != count)
            throw UsageError("expected " + std::to_string(count) + " argument" + (count == 1 ? "" : "s") +
                             ", got " + std::to_string(positional.size()));
        return count == 0 ? std::string() : positional[0];
    }
    std::string option(const std::string& name) const {
        auto it = options.find(name);
        return it == options.end() ? std::string() : it->second;
    }
    bool flag(const std::string& name) const { return flags.count(name) != 0; }
};

std::string readSource(const std::string& source, std::istream& in) {
    if (source == "-")
        return std::string(std::istreambuf_iterator<char>(in), {});
    std::ifstream file(source, std::ios::binary);
    if (!file)
        throw ToolError("cannot read " + source + ": " + std::strerror(errno));
    std::string text((std::istreambuf_iterator<char>(file)), {});
    if (file.bad())
        throw ToolError("cannot read " + source);
    return text;
}

// Writes the whole text or nothing: into a file beside `dest`, then renamed over it.
void writeDest(const std::string& dest, const std::string& text, std::ostream& out) {
    if (dest == "-") {
        out << text;
        return;
    }
    std::string temp = dest + ".tmp-" + std::to_string(::getpid());
    {
        std::ofstream file(temp, std::ios::binary | std::ios::trunc);
        if (!file)
            throw ToolError("cannot write " + dest + ": " + std::strerror(errno));
        file << text;
        file.flush();
        if (!file) {
            std::remove(temp.c_str());
            throw ToolError("cannot write " + dest);
        }
    }
    if (std::rename(temp.c_str(), dest.c_str()) != 0) {
        int error = errno;
        std::remove(temp.c_str());
        throw ToolError("cannot write " + dest + ": " + std::strerror(error));
    }
}

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && asciiLower(text.substr(text.size() - suffix.size())) == suffix;
}

std::string formatTime(int64_t seconds) {
    std::time_t t = std::time_t(seconds);
    std::tm tm{};
    char text[32] = "";
    if (gmtime_r(&t, &tm))
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &tm);
    return text;
}

std::string oneLine(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += "\\n";
        else if (c != '\r')
            out += c;
    }
    return out;
}

void list(const Book& book, const std::string& path, std::ostream& out) {
    std::map<uint16_t, const BookEntry*> byId;
    for (const auto& e : book.entries)
        byId[e.id] = &e;
    out << path << " (" << (book.kind == kAbifFileDevice ? "device" : "computer") << " address book)\n";
    out << "Entries (" << book.entries.size() << "):\n";
    for (const auto& e : book.entries) {
        out << "  #" << e.id << "  " << e.name << "  fax " << e.fax;
        if (!e.company.empty())
            out << "  company: " << e.company;
        if (!e.note.empty())
            out << "  note: " << oneLine(e.note);
        if (e.added != 0)
            out << "  added " << formatTime(e.added);
        out << "\n";
    }
    out << "Groups (" << book.groups.size() << "):\n";
    for (const auto& g : book.groups) {
        out << "  " << g.name << " (" << g.members.size() << "):";
        const char* separator = " ";
        for (uint16_t id : g.members) {
            auto it = byId.find(id);
            out << separator << "#" << id << " " << (it == byId.end() ? "?" : it->second->name);
            separator = ", ";
        }
        out << "\n";
    }
}

// The Id of the entry that a member argument names: "#ID", or a name that one entry has.
uint16_t memberId(const Book& book, const std::string& member) {
    if (member.size() > 1 && member[0] == '#' &&
        member.find_first_not_of("0123456789", 1) == std::string::npos) {
        unsigned long id = std::stoul(member.substr(1));
        for (const auto& e : book.entries)
            if (e.id == id)
                return e.id;
        throw ToolError("no entry has the Id " + member.substr(1));
    }
    std::vector<uint16_t> found;
    for (const auto& e : book.entries)
        if (e.name == member)
            found.push_back(e.id);
    if (found.empty())
        throw ToolError("no entry is named \"" + member + "\"");
    if (found.size() > 1) {
        std::string ids;
        for (uint16_t id : found)
            ids += (ids.empty() ? "#" : ", #") + std::to_string(id);
        throw ToolError("\"" + member + "\" names " + std::to_string(found.size()) + " entries (" + ids +
                        "); give the Id instead");
    }
    return found[0];
}

int importCommand(const Arguments& a, std::istream& in, std::ostream& out) {
    std::string path = resolveBookPath(a.book(2));
    const std::string& source = a.positional[1];
    std::string format = asciiLower(a.option("format"));
    std::string text = readSource(source, in);
    if (format.empty()) {
        if (endsWith(source, ".csv"))
            format = "csv";
        else if (endsWith(source, ".vcf") || endsWith(source, ".vcard"))
            format = "vcard";
        else {
            std::string_view body = withoutByteOrderMark(text);
            size_t start = body.find_first_not_of(" \t\r\n");
            format = start != std::string_view::npos && asciiLower(body.substr(start, 11)) == "begin:vcard"
                         ? "vcard"
                         : "csv";
        }
    }
    if (format != "csv" && format != "vcard")
        throw UsageError("unknown import format " + format + " (vcard or csv)");

    Book incoming;
    try {
        incoming = format == "csv" ? parseCsv(text) : parseVCards(text);
    } catch (const ToolError& e) {
        throw ToolError(source + ": " + e.what() + "; nothing was imported");
    }

    bool created = false;
    if (a.flag("create") && ::access(path.c_str(), F_OK) != 0) {
        createBook(path, a.flag("device") ? kAbifFileDevice : kAbifFileComputer);
        created = true;
    }
    try {
        addToBook(path, incoming.entries, incoming.groups);
    } catch (const ToolError& e) {
        if (created)
            std::remove(path.c_str()); // leave no empty book behind a failed import
        throw ToolError(std::string(e.what()) +
                        (std::strstr(e.what(), "nothing was") ? "" : "; nothing was imported"));
    }
    out << "Imported " << incoming.entries.size() << " entries and " << incoming.groups.size()
        << " groups into " << path << "\n";
    return 0;
}

int exportCommand(const Arguments& a, std::ostream& out, std::ostream& err) {
    std::string path = resolveBookPath(a.book(2));
    const std::string& dest = a.positional[1];
    std::string format = asciiLower(a.option("format"));
    if (format.empty())
        format = endsWith(dest, ".csv") ? "csv" : "vcard4";
    Book book = readBook(path);
    std::string text;
    if (format == "csv") {
        text = writeCsv(book);
        if (!book.groups.empty())
            err << "note: CSV holds no groups; " << book.groups.size() << " groups not exported\n";
    } else if (format == "vcard4" || format == "vcard") {
        text = writeVCards(book, VCardVersion::V4);
    } else if (format == "vcard3") {
        text = writeVCards(book, VCardVersion::V3);
    } else {
        throw UsageError("unknown export format " + format + " (vcard4, vcard3 or csv)");
    }
    writeDest(dest, text, out);
    return 0;
}

int run(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
    if (args.empty())
        throw UsageError("no command given");
    const std::string& command = args[0];
    if (command == "help" || command == "--help" || command == "-h") {
        out << kUsage;
        return 0;
    }
    if (command == "folder") {
        Arguments a(args, {}, {});
        a.book(0);
        const char* folder = AbifGADFile_GetFileDirectory();
        if (!folder)
            throw ToolError("the address-book folder cannot be found or created");
        out << folder << "\n";
        return 0;
    }
    if (command == "files") {
        Arguments a(args, {}, {});
        a.book(0);
        const char* list = AbifGADFile_GetFileList();
        if (!list)
            throw ToolError("the address-book folder cannot be listed");
        for (const char* name = list; *name; name += std::strlen(name) + 1)
            out << name << "\n";
        return 0;
    }
    if (command == "create") {
        Arguments a(args, {}, {"device"});
        std::string path = resolveBookPath(a.book(1));
        createBook(path, a.flag("device") ? kAbifFileDevice : kAbifFileComputer);
        out << "Created " << path << "\n";
        return 0;
    }
    if (command == "list") {
        Arguments a(args, {}, {});
        std::string path = resolveBookPath(a.book(1));
        list(readBook(path), path, out);
        return 0;
    }
    if (command == "add-entry") {
        Arguments a(args, {"name", "fax", "company", "note"}, {});
        std::string path = resolveBookPath(a.book(1));
        BookEntry e{0, a.option("name"), a.option("fax"), a.option("company"), a.option("note"), 0};
        addToBook(path, {e}, {});
        out << "Added " << e.name << " to " << path << "\n";
        return 0;
    }
    if (command == "add-group") {
        Arguments a(args, {"name"}, {});
        if (a.positional.empty())
            throw UsageError("no address book named");
        std::string path = resolveBookPath(a.positional[0]);
        Book book = readBook(path);
        BookGroup g{a.option("name"), {}};
        size_t count = a.positional.size() - 1;
        size_t limit = groupLimit(book.kind);
        if (count > limit)
            throw ToolError("a group of this address book holds at most " + std::to_string(limit) +
                            " members; " + std::to_string(count) + " given");
        for (size_t i = 1; i < a.positional.size(); ++i) {
            uint16_t id = memberId(book, a.positional[i]);
            if (std::find(g.members.begin(), g.members.end(), id) != g.members.end())
                throw ToolError("the entry #" + std::to_string(id) + " is named twice");
            g.members.push_back(id);
        }
        addToBook(path, book, {}, {g});
        out << "Added the group " << g.name << " (" << g.members.size() << " members) to " << path << "\n";
        return 0;
    }
    if (command == "import")
        return importCommand(Arguments(args, {"format"}, {"create", "device"}), in, out);
    if (command == "export")
        return exportCommand(Arguments(args, {"format"}, {}), out, err);
    throw UsageError("unknown command " + command);
}

} // namespace

int runAddressBookTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                       std::ostream& err) {
    try {
        return run(args, in, out, err);
    } catch (const UsageError& e) {
        err << "directfax-addressbook: " << e.what() << "\n\n" << kUsage;
        return 2;
    } catch (const std::exception& e) {
        err << "directfax-addressbook: " << e.what() << "\n";
        return 1;
    }
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook
