// The commands of directfax-addressbook.
#include "AddressBookTool.h"

#include "AddressBook.h"
#include "AddressBookIf.h"
#include "ToolArguments.h"

#include "AbifStore.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <optional>
#include <syslog.h>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook {

namespace {

constexpr const char* kUsage = R"(Usage: directfax-addressbook COMMAND ...

  folder                       print the address-book folder
  files                        list the address-book files of the folder
  create [--device] BOOK       create an empty address book; --device makes the input of the
                               device emulator, whose groups hold up to 205 members (else 35)
  rename BOOK NEWNAME          rename an address book (never over another one)
  list BOOK                    list the entries (#Id) and the groups (#number) with their members
  add-entry BOOK --name NAME --fax NUMBER [--company TEXT] [--note TEXT] [--normalize-numbers]
  set-entry BOOK ENTRY [--name NAME] [--fax NUMBER] [--company TEXT] [--note TEXT]
            [--normalize-numbers]
  remove-entry BOOK ENTRY...   remove entries, also from every group that holds them
  add-group BOOK --name NAME MEMBER...
  set-group BOOK GROUP [--name NAME] [--add MEMBER]... [--remove MEMBER]...
  remove-group BOOK GROUP...
  import BOOK SOURCE [--format vcard|csv] [--create [--device]] [--skip-invalid]
            [--skip-duplicates] [--normalize-numbers] [--encoding NAME]
            [--delimiter ,|;|tab] [--fax-column HEADER]
                               add the cards (vCard 3 or 4) or rows (CSV) of SOURCE; all or
                               nothing unless told to skip what cannot be added
  export BOOK DEST [--format vcard4|vcard3|csv] [--force]
                               write the book; the format follows DEST's extension (.csv, else
                               vCard 4) unless given; CSV holds the entries only; an existing
                               DEST is replaced only with --force
  device list (--address ADDR | --usb) [--password-file FILE]
  device export DEST (--address ADDR | --usb) [--password-file FILE] [--format ...] [--force]
  device import SOURCE (--address ADDR | --usb) [--password-file FILE] [import options]
                               read the printer's own address book, or add to it what SOURCE
                               holds in one write: what the printer cannot hold (a name over 32
                               characters, a group over 205 members) is left out and listed;
                               refused when the book changed on the printer meanwhile
  --version                    print the version

BOOK is a file of the address-book folder when it holds no "/", else a path. ENTRY and MEMBER
are the name of an entry or its Id written #ID; GROUP is a group's name or its number in the
list written #N. SOURCE and DEST may be "-" for standard input and output. Every change is made
whole or not at all. ADDR is the printer's numeric IPv4 or IPv6 address; the password is the
first line of FILE ("-": standard input), else empty.

Limits: a name (of an entry or a group) holds at most 32 characters, a company 64, a note 254.
A fax number holds 1 to 50 of the characters 0-9 # * - : = (as in the fax dialog);
--normalize-numbers takes written forms such as "+49 (30) 1234-56" as 0049301234-56.
A group holds at most 35 members (205 in a device address book).

Import: CSV files of Google Contacts, Thunderbird, Outlook, Evolution, LibreOffice and Excel are
read by their header row; the fax column is the first of "Fax", "Fax Number", "Business Fax",
"Home Fax", "Other Fax" (or Google's "Phone N - Type" of a fax) unless --fax-column names it;
other columns are ignored. The separator (comma, semicolon, tab) is found from the header row.
Text is UTF-8 (with or without a byte-order mark) unless --encoding names windows-1252,
iso-8859-1, shift-jis or ascii. Cards and rows without a fax number or with a text too long are
skipped with --skip-invalid; entries and groups already in the book (same UID, or same name and
fax number) with --skip-duplicates.
)";

// The number after "#" of a "#N" argument, if it is one.
std::optional<unsigned long> hashNumber(const std::string& text) {
    if (text.size() < 2 || text.size() > 8 || text[0] != '#' ||
        text.find_first_not_of("0123456789", 1) != std::string::npos)
        return std::nullopt;
    return std::stoul(text.substr(1));
}

// The Id of the entry that a member argument names: "#ID", or a name that one entry has.
uint16_t memberId(const Book& book, const std::string& member) {
    if (auto id = hashNumber(member)) {
        for (const auto& e : book.entries)
            if (e.id == *id)
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

const BookEntry& entryNamed(const Book& book, const std::string& entry) {
    uint16_t id = memberId(book, entry);
    return *std::find_if(book.entries.begin(), book.entries.end(),
                         [&](const BookEntry& e) { return e.id == id; });
}

// The group that an argument names: "#N", its number in the list, or a name that one group has.
const BookGroup& groupNamed(const Book& book, const std::string& group) {
    if (auto n = hashNumber(group)) {
        if (*n < 1 || *n > book.groups.size())
            throw ToolError("there is no group #" + std::to_string(*n) + " (the book has " +
                            counted(book.groups.size(), "group", "groups") + ")");
        return book.groups[*n - 1];
    }
    const BookGroup* found = nullptr;
    for (size_t i = 0; i < book.groups.size(); ++i) {
        if (book.groups[i].name != group)
            continue;
        if (found)
            throw ToolError("\"" + group +
                            "\" names more than one group; give its number from the list (#N)");
        found = &book.groups[i];
    }
    if (!found)
        throw ToolError("no group is named \"" + group + "\"");
    return *found;
}

void checkGroupSize(const Book& book, size_t count) {
    size_t limit = groupLimit(book.kind);
    if (count > limit)
        throw ToolError("a group of this address book holds at most " + std::to_string(limit) + " members; " +
                        std::to_string(count) + " given");
}

// --- Editing

int renameCommand(const Arguments& a, std::ostream& out) {
    std::string path = resolveBookPath(a.book(2));
    std::string target = resolveBookPath(a.positional[1]);
    readBook(path); // an address book, with what a killed writer left rolled back
    if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0) {
        int error = errno;
        throw ToolError("cannot rename " + path + ": " +
                        (error == EEXIST ? target + " already exists" : std::string(std::strerror(error))));
    }
    out << "Renamed " << path << " to " << target << ".\n";
    return 0;
}

int setEntryCommand(const Arguments& a, std::ostream& out) {
    std::string path = resolveBookPath(a.book(2));
    Book book = readBook(path);
    BookEntry e = entryNamed(book, a.positional[1]);
    e.name = a.given("name").value_or(e.name);
    if (auto fax = a.given("fax"))
        e.fax = checkFaxNumber(*fax, a.flag("normalize-numbers"), "the entry");
    BookEdit edit;
    // A device book is read as the device's records, without company and note: those are kept.
    if (book.kind == kAbifFileDevice && (a.given("company") || a.given("note")))
        throw ToolError("the entries of a device address book have no company or note");
    edit.namesAndNumbersOnly = book.kind == kAbifFileDevice;
    e.company = a.given("company").value_or(e.company);
    e.note = a.given("note").value_or(e.note);
    edit.changedEntries.push_back(e);
    editBook(path, edit);
    out << "Changed the entry #" << e.id << " " << e.name << ".\n";
    return 0;
}

// Removes the entries (or groups) that the arguments after the book name, each once.
template <typename Key, typename Find>
int removeCommand(const Arguments& a, std::ostream& out, Find find, std::vector<Key> BookEdit::*removed,
                  const char* one, const char* many) {
    std::string path = resolveBookPath(a.bookAndMore(2));
    Book book = readBook(path);
    BookEdit edit;
    std::vector<Key>& keys = edit.*removed;
    for (size_t i = 1; i < a.positional.size(); ++i)
        if (Key key = find(book, a.positional[i]); std::find(keys.begin(), keys.end(), key) == keys.end())
            keys.push_back(key);
    editBook(path, edit);
    out << "Removed " << counted(keys.size(), one, many) << " from " << path << ".\n";
    return 0;
}

int setGroupCommand(const Arguments& a, std::ostream& out) {
    std::string path = resolveBookPath(a.book(2));
    Book book = readBook(path);
    BookGroup g = groupNamed(book, a.positional[1]);
    g.name = a.given("name").value_or(g.name);
    for (const std::string& member : a.all("remove")) {
        uint16_t id = memberId(book, member);
        auto it = std::find(g.members.begin(), g.members.end(), id);
        if (it == g.members.end())
            throw ToolError("the entry #" + std::to_string(id) + " is not a member of \"" + g.name + "\"");
        g.members.erase(it);
    }
    for (const std::string& member : a.all("add")) {
        uint16_t id = memberId(book, member);
        if (std::find(g.members.begin(), g.members.end(), id) != g.members.end())
            throw ToolError("the entry #" + std::to_string(id) + " is already a member of \"" + g.name +
                            "\"");
        g.members.push_back(id);
    }
    checkGroupSize(book, g.members.size());
    BookEdit edit;
    edit.changedGroups.push_back(g);
    editBook(path, edit);
    out << "Changed the group " << g.name << " (" << counted(g.members.size(), "member", "members") << ").\n";
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
    if (command == "--version" || command == "version") {
        out << "directfax-addressbook " << DIRECTFAX_VERSION << "\n";
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
        Book book = readBook(path);
        listBook(book,
                 path + " (" + (book.kind == kAbifFileDevice ? "device" : "computer") + " address book)",
                 out);
        return 0;
    }
    if (command == "add-entry") {
        Arguments a(args, {"name", "fax", "company", "note"}, {"normalize-numbers"});
        std::string path = resolveBookPath(a.book(1));
        BookEntry e;
        e.name = a.option("name");
        e.fax = a.option("fax");
        e.company = a.option("company");
        e.note = a.option("note");
        checkEntry(e, "the entry");
        e.fax = checkFaxNumber(e.fax, a.flag("normalize-numbers"), "the entry");
        addToBook(path, {e}, {});
        out << "Added " << e.name << " to " << path << "\n";
        return 0;
    }
    if (command == "add-group") {
        Arguments a(args, {"name"}, {});
        std::string path = resolveBookPath(a.bookAndMore(1));
        Book book = readBook(path);
        BookGroup g;
        g.name = a.option("name");
        checkGroupSize(book, a.positional.size() - 1);
        for (size_t i = 1; i < a.positional.size(); ++i) {
            uint16_t id = memberId(book, a.positional[i]);
            if (std::find(g.members.begin(), g.members.end(), id) != g.members.end())
                throw ToolError("the entry #" + std::to_string(id) + " is named twice");
            g.members.push_back(id);
        }
        addToBook(path, book, {}, {g});
        out << "Added the group " << g.name << " (" << counted(g.members.size(), "member", "members")
            << ") to " << path << "\n";
        return 0;
    }
    if (command == "set-entry")
        return setEntryCommand(Arguments(args, {"name", "fax", "company", "note"}, {"normalize-numbers"}),
                               out);
    if (command == "remove-entry")
        return removeCommand(Arguments(args, {}, {}), out, memberId, &BookEdit::removedEntries, "entry",
                             "entries");
    if (command == "set-group")
        return setGroupCommand(Arguments(args, {"name", "add", "remove"}, {}), out);
    if (command == "remove-group")
        return removeCommand(
            Arguments(args, {}, {}), out,
            [](const Book& book, const std::string& group) { return groupNamed(book, group).key; },
            &BookEdit::removedGroups, "group", "groups");
    if (command == "rename")
        return renameCommand(Arguments(args, {}, {}), out);
    if (command == "import")
        return importCommand(
            Arguments(args, {"format", "encoding", "delimiter", "fax-column"},
                      {"create", "device", "skip-invalid", "skip-duplicates", "normalize-numbers"}),
            in, out);
    if (command == "export")
        return exportCommand(Arguments(args, {"format"}, {"force"}), out, err);
    if (command == "device")
        return deviceCommand(args, in, out, err);
    throw UsageError("unknown command " + command);
}

// The framework's log lines are for finding faults, not for the user: they go to the system log.
void logToSystem(const char* line, void*) {
    ::syslog(LOG_DEBUG, "%s", line);
}

} // namespace

int runAddressBookTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                       std::ostream& err) {
    abif::setLogSink(logToSystem, nullptr);
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
