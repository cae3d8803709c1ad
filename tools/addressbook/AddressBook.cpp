// Address-book files for the command-line tool, through the AddressBookIf framework.
#include "AddressBook.h"

#include "AbifRecords.h"
#include "AddressBookIf.h"

#include <cstdio>
#include <memory>
#include <set>
#include <type_traits>
#include <utility>

namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook {

namespace {

struct DataDeleter {
    void operator()(ABIFData* d) const { ABIFData_Delete(d); }
};
using Data = std::unique_ptr<ABIFData, DataDeleter>;

Data newData() {
    Data data(ABIFData_Create());
    if (!data)
        throw ToolError("out of memory");
    return data;
}

std::string text(const uint8_t* field, size_t size) {
    return abif::toUtf8(abif::readText(field, size));
}

void checkText(const std::string& value, const char* what, size_t maxUnits, bool required, bool singleLine,
               const std::string& where) {
    if (!abif::isValidUtf8(value))
        throw ToolError(where + ": the " + what + " is not valid UTF-8");
    if (required && value.empty())
        throw ToolError(where + ": no " + what);
    for (char c : value) {
        auto u = static_cast<unsigned char>(c);
        if (u == 0 || (singleLine && u < 0x20) || (u < 0x20 && u != '\n' && u != '\t' && u != '\r'))
            throw ToolError(where + ": the " + what + " holds a control character");
    }
    size_t units = utf16Length(value);
    if (units > maxUnits)
        throw ToolError(where + ": the " + what + " is too long (" + std::to_string(units) +
                        " UTF-16 units, at most " + std::to_string(maxUnits) + ")");
}

// Adds the records of a file, of either layout, to `book`.
template <typename Entry, typename Group>
void fillBook(Book& book, const std::vector<Entry>& entries, const std::vector<Group>& groups,
              const abif::EntryLayout& entryLayout, const abif::GroupLayout& groupLayout) {
    for (const auto& r : entries) {
        BookEntry& e = book.entries.emplace_back();
        e.id = abif::readU16(r.bytes + entryLayout.id);
        e.name = text(r.bytes + entryLayout.name, entryLayout.nameSize);
        e.fax = text(r.bytes + entryLayout.phone, entryLayout.phoneSize);
        if constexpr (std::is_same_v<Entry, ABIF_MyFax>) {
            e.company = text(r.bytes + ABIF_MYFAX_COMPANY, ABIF_MYFAX_COMPANY_SIZE);
            e.note = text(r.bytes + ABIF_MYFAX_NOTE, ABIF_MYFAX_NOTE_SIZE);
            e.added = abif::readI64(r.bytes + ABIF_MYFAX_TIME);
        }
    }
    for (const auto& r : groups)
        book.groups.push_back(
            {text(r.bytes + groupLayout.name, groupLayout.nameSize),
             abif::readMembers(r.bytes, groupLayout.count, groupLayout.members, groupLayout.maxMembers)});
}

} // namespace

size_t groupLimit(int32_t kind) {
    return kind == kAbifFileDevice ? ABIF_FAXGROUP_MAX_MEMBERS : ABIF_MYFAXGROUP_MAX_MEMBERS;
}

std::string resolveBookPath(const std::string& book) {
    if (book.find('/') != std::string::npos)
        return book;
    if (book.empty() || book == "." || book == "..")
        throw ToolError("no address-book file named");
    const char* folder = AbifGADFile_GetFileDirectory();
    if (!folder)
        throw ToolError("the address-book folder cannot be found or created");
    return std::string(folder) + "/" + book;
}

std::string describeResult(int32_t code) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", unsigned(code));
    const char* text = "failure";
    switch (code) {
    case kAbifErrInvalidArgument:
        text = "invalid record or argument";
        break;
    case kAbifErrFile:
        text = "the file cannot be opened, read or written";
        break;
    case kAbifErrNotAddressBook:
        text = "not an address-book file, or damaged";
        break;
    case kAbifErrNoMemory:
        text = "out of memory";
        break;
    case kAbifErrNoName:
        text = "an entry or group without a name";
        break;
    case kAbifErrTooManyMembers:
        text = "a group with more members than it can hold";
        break;
    case kAbifErrFull:
        text = "no free entry Id left in the file";
        break;
    case kAbifErrAlreadyInFile:
        text = "an entry with this name and fax number is already in the file";
        break;
    default:
        break;
    }
    return std::string(text) + " (" + hex + ")";
}

std::string asciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

std::string_view withoutByteOrderMark(std::string_view text) {
    return text.substr(0, 3) == "\xEF\xBB\xBF" ? text.substr(3) : text;
}

size_t utf16Length(std::string_view utf8) {
    return abif::fromUtf8(utf8).size();
}

void checkEntry(const BookEntry& entry, const std::string& where) {
    checkText(entry.name, "name", kNameUnits, true, true, where);
    checkText(entry.fax, "fax number", kFaxUnits, true, true, where);
    checkText(entry.company, "company", kCompanyUnits, false, true, where);
    checkText(entry.note, "note", kNoteUnits, false, false, where);
}

void checkGroupName(const std::string& name, const std::string& where) {
    checkText(name, "group name", kNameUnits, true, true, where);
}

void createBook(const std::string& path, int32_t kind) {
    int32_t rc = AbifGADFile_Create(path.c_str(), kind);
    if (rc != 0)
        throw ToolError("cannot create " + path + ": " + describeResult(rc));
}

Book readBook(const std::string& path) {
    Book book;
    Data data = newData();
    if (int32_t rc = abif::readFileRecords(path.c_str(), data.get(), book.kind); rc != 0)
        throw ToolError("cannot read " + path + ": " + describeResult(rc));
    // A device file is read as the device's records: name and fax number of each entry.
    if (book.kind == kAbifFileDevice)
        fillBook(book, data->fax, data->faxGroups, abif::kFaxLayout, abif::kFaxGroupLayout);
    else
        fillBook(book, data->myFax, data->myFaxGroups, abif::kMyFaxLayout, abif::kMyFaxGroupLayout);
    return book;
}

void addToBook(const std::string& path, const std::vector<BookEntry>& entries,
               const std::vector<BookGroup>& groups) {
    addToBook(path, readBook(path), entries, groups);
}

void addToBook(const std::string& path, const Book& existing, const std::vector<BookEntry>& entries,
               const std::vector<BookGroup>& groups) {
    std::set<std::pair<std::string, std::string>> known;
    for (const auto& e : existing.entries)
        known.emplace(e.name, e.fax);

    Data data = newData();
    for (const auto& e : entries) {
        std::string where = "entry \"" + e.name + "\"";
        checkEntry(e, where);
        if (known.count({e.name, e.fax}))
            throw ToolError(where + " with fax number " + e.fax + " is already in " + path);
        known.emplace(e.name, e.fax);
        ABIF_MyFax r = abif::makeMyFax(e.id, abif::fromUtf8(e.name), abif::fromUtf8(e.fax),
                                       abif::fromUtf8(e.company), abif::fromUtf8(e.note), e.added);
        if (ABIFData_Add_MyFax(data.get(), 1, &r) != 0)
            throw ToolError("out of memory");
    }

    size_t limit = groupLimit(existing.kind);
    for (const auto& g : groups) {
        std::string where = "group \"" + g.name + "\"";
        checkGroupName(g.name, where);
        if (g.members.size() > limit)
            throw ToolError(where + " has " + std::to_string(g.members.size()) +
                            " members; a group of this address book holds at most " + std::to_string(limit));
        std::u16string name = abif::fromUtf8(g.name);
        // Groups that fit the computer's record go as such; larger ones as the device's.
        int32_t rc;
        if (g.members.size() <= ABIF_MYFAXGROUP_MAX_MEMBERS) {
            auto r = abif::makeGroup<ABIF_MyFaxGroup>(abif::kMyFaxGroupLayout, name, g.members);
            rc = ABIFData_Add_MyFaxGroup(data.get(), 1, &r);
        } else {
            auto r = abif::makeGroup<ABIF_FaxGroup>(abif::kFaxGroupLayout, name, g.members);
            rc = ABIFData_Add_FaxGroup(data.get(), 1, &r);
        }
        if (rc != 0)
            throw ToolError("out of memory");
    }

    int32_t rc = AbifGADFile_Add(path.c_str(), data.get(), 0);
    if (rc != 0)
        throw ToolError("cannot add to " + path + ": " + describeResult(rc) + "; nothing was added");
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook
