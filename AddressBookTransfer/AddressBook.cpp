// Address-book files for the command-line tool, through the AddressBookIf framework.
#include "AddressBook.h"

#include "AbifEdit.h"
#include "AbifRecords.h"
#include "AbifStore.h"
#include "AddressBookIf.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>
#include <type_traits>
#include <unistd.h>
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
                        " characters, at most " + std::to_string(maxUnits) + ")");
}

// The bytes of each text as the record takes them.
ABIF_MyFax record(const BookEntry& e) {
    return abif::makeMyFax(e.id, abif::fromUtf8(e.name), abif::fromUtf8(e.fax), abif::fromUtf8(e.company),
                           abif::fromUtf8(e.note), e.added);
}

// The handle and UIDs of an add: all groups as computer records when they fit them, else all as
// device records, so that their order is the order of `groups`.
Data additions(const std::vector<BookEntry>& entries, const std::vector<BookGroup>& groups,
               abif::NewUids& uids) {
    Data data = newData();
    for (const auto& e : entries) {
        ABIF_MyFax r = record(e);
        if (ABIFData_Add_MyFax(data.get(), 1, &r) != 0)
            throw ToolError("out of memory");
        uids.entries.push_back(e.uid);
        uids.entryNs.push_back(e.structuredName);
    }
    bool small = std::all_of(groups.begin(), groups.end(), [](const BookGroup& g) {
        return g.members.size() <= ABIF_MYFAXGROUP_MAX_MEMBERS;
    });
    for (const auto& g : groups) {
        std::u16string name = abif::fromUtf8(g.name);
        int32_t rc;
        if (small) {
            auto r = abif::makeGroup<ABIF_MyFaxGroup>(abif::kMyFaxGroupLayout, name, g.members);
            rc = ABIFData_Add_MyFaxGroup(data.get(), 1, &r);
        } else {
            auto r = abif::makeGroup<ABIF_FaxGroup>(abif::kFaxGroupLayout, name, g.members);
            rc = ABIFData_Add_FaxGroup(data.get(), 1, &r);
        }
        if (rc != 0)
            throw ToolError("out of memory");
        uids.groups.push_back(g.uid);
    }
    return data;
}

std::string createFailure(const std::string& path, int32_t rc) {
    bool exists = rc == kAbifErrFile && ::access(path.c_str(), F_OK) == 0;
    return "cannot create " + path + ": " + (exists ? std::string("it already exists") : describeResult(rc));
}

// What a written fax number may hold besides the dialog's characters, and drops when cleaned.
bool isSeparator(char c) {
    return c == ' ' || c == '.' || c == '/' || c == '(' || c == ')' || c == '\t';
}

// Adds the records of a file, of either layout, to `book`.
template <typename Entry, typename Group>
void fillBook(Book& book, const abif::RecordStore<Entry>& entries, const abif::RecordStore<Group>& groups,
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
    for (const auto& r : groups) {
        BookGroup& g = book.groups.emplace_back();
        g.name = text(r.bytes + groupLayout.name, groupLayout.nameSize);
        g.members =
            abif::readMembers(r.bytes, groupLayout.count, groupLayout.members, groupLayout.maxMembers);
    }
}

} // namespace

Book deviceRecordsBook(const ABIFData& data) {
    Book book;
    book.kind = kAbifFileDevice;
    fillBook(book, data.fax, data.faxGroups, abif::kFaxLayout, abif::kFaxGroupLayout);
    return book;
}

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
    const char* text = "it failed";
    switch (code) {
    case kAbifErrInvalidArgument:
        text = "an entry or group does not fit the address book, or is no longer in it";
        break;
    case kAbifErrFile:
        text = "the file cannot be opened, read or written";
        break;
    case kAbifErrNotAddressBook:
        text = "it is not an address book, or it is damaged";
        break;
    case kAbifErrNoMemory:
        text = "out of memory";
        break;
    case kAbifErrNoName:
        text = "an entry or group has no name";
        break;
    case kAbifErrTooManyMembers:
        text = "a group would have more members than it can hold";
        break;
    case kAbifErrFull:
        text = "the address book is full (65535 entries)";
        break;
    case kAbifErrAlreadyInFile:
        text = "an entry with this name and fax number, or this UID, is already in the address book";
        break;
    default:
        break;
    }
    return text;
}

std::string counted(size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string excerpt(std::string_view text) {
    constexpr size_t kShown = 60;
    if (text.size() <= kShown)
        return std::string(text);
    size_t cut = kShown;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return std::string(text.substr(0, cut)) + "...";
}

std::string_view withoutByteOrderMark(std::string_view text) {
    return text.substr(0, 3) == "\xEF\xBB\xBF" ? text.substr(3) : text;
}

size_t utf16Length(std::string_view utf8) {
    return abif::fromUtf8(utf8).size();
}

void checkEntry(const BookEntry& entry, const std::string& where) {
    checkText(entry.name, "name", kNameUnits, true, true, where);
    checkText(entry.fax, "fax number", ABIF_MYFAX_PHONE_SIZE / 2 - 1, true, true, where);
    checkText(entry.company, "company", kCompanyUnits, false, true, where);
    checkText(entry.note, "note", kNoteUnits, false, false, where);
}

std::string checkFaxNumber(const std::string& number, bool normalize, const std::string& where) {
    std::u16string units = abif::fromUtf8(number);
    if (isValidFaxNumber(units))
        return number;
    if (number.empty())
        throw ToolError(where + ": no fax number");
    // The cleaned form: separators dropped, a leading "+" as the international prefix 00, and the
    // trunk "(0)" written after a country code dropped.
    std::string cleaned;
    std::string refused;
    size_t start = number.find_first_not_of(' ');
    bool international = start != std::string::npos && number[start] == '+';
    for (size_t i = start == std::string::npos ? number.size() : start + international; i < number.size();
         ++i) {
        char c = number[i];
        if (international && number.compare(i, 3, "(0)") == 0) {
            i += 2;
            continue;
        }
        if (isSeparator(c))
            continue;
        if (c < 0 || !isPhoneNumberUnit(char16_t(c))) {
            if (refused.find(c) == std::string::npos && c > 0)
                refused += c;
            else if (c < 0)
                refused.assign(1, '?');
            continue;
        }
        cleaned += c;
    }
    if (international && !cleaned.empty())
        cleaned.insert(0, "00");
    std::string rule =
        "a fax number holds up to " + std::to_string(kPhoneNumberMaxLength) + " characters of 0-9 # * - : =";
    if (!refused.empty() || cleaned.empty())
        throw ToolError(where + ": the fax number \"" + number + "\" is not a number a fax can dial (" +
                        rule + ")");
    if (cleaned.size() > kPhoneNumberMaxLength)
        throw ToolError(where + ": the fax number \"" + number + "\" is too long (" + rule + ")");
    if (!normalize)
        throw ToolError(where + ": the fax number \"" + number +
                        "\" holds spaces or signs a fax cannot dial (" + rule +
                        "); --normalize-numbers would take it as " + cleaned);
    return cleaned;
}

void checkGroupName(const std::string& name, const std::string& where) {
    checkText(name, "group name", kNameUnits, true, true, where);
}

void createBook(const std::string& path, int32_t kind) {
    if (int32_t rc = AbifGADFile_Create(path.c_str(), kind); rc != 0)
        throw ToolError(createFailure(path, rc));
}

Book readBook(const std::string& path, bool withUids) {
    Book book;
    Data data = newData();
    abif::Identities ids;
    if (int32_t rc = abif::readFileRecords(path.c_str(), data.get(), book.kind, ids); rc != 0)
        throw ToolError("cannot read " + path + ": " + describeResult(rc));
    // A device file is read as the device's records: name and fax number of each entry.
    if (book.kind == kAbifFileDevice)
        fillBook(book, data->fax, data->faxGroups, abif::kFaxLayout, abif::kFaxGroupLayout);
    else
        fillBook(book, data->myFax, data->myFaxGroups, abif::kMyFaxLayout, abif::kMyFaxGroupLayout);
    bool old = ids.entryUids.size() != book.entries.size() || ids.groupUids.size() != book.groups.size();
    if (withUids && old) {
        editBook(path, {}); // an empty change brings the file to the format with UIDs
        return readBook(path, false);
    }
    for (size_t i = 0; i < ids.entryUids.size() && i < book.entries.size(); ++i) {
        book.entries[i].uid = ids.entryUids[i];
        book.entries[i].structuredName = ids.entryNs[i];
    }
    for (size_t i = 0; i < ids.groupUids.size() && i < book.groups.size(); ++i) {
        book.groups[i].uid = ids.groupUids[i];
        book.groups[i].key = ids.groupKeys[i];
    }
    return book;
}

void createBook(const std::string& path, int32_t kind, const std::vector<BookEntry>& entries,
                const std::vector<BookGroup>& groups) {
    for (const auto& e : entries)
        checkEntry(e, "entry \"" + e.name + "\"");
    for (const auto& g : groups)
        checkGroupName(g.name, "group \"" + g.name + "\"");
    abif::NewUids uids;
    Data data = additions(entries, groups, uids);
    if (int32_t rc = abif::createFileWithRecords(path.c_str(), kind, data.get(), uids); rc != 0)
        throw ToolError(createFailure(path, rc) + "; nothing was created");
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
    for (const auto& e : entries) {
        std::string where = "entry \"" + e.name + "\"";
        checkEntry(e, where);
        if (!known.emplace(e.name, e.fax).second)
            throw ToolError(where + " with fax number " + e.fax + " is already in " + path);
    }
    size_t limit = groupLimit(existing.kind);
    for (const auto& g : groups) {
        std::string where = "group \"" + g.name + "\"";
        checkGroupName(g.name, where);
        if (g.members.size() > limit)
            throw ToolError(where + " has " + std::to_string(g.members.size()) +
                            " members; a group of this address book holds at most " + std::to_string(limit));
    }
    abif::NewUids uids;
    Data data = additions(entries, groups, uids);
    int32_t rc = abif::addFileRecords(path.c_str(), data.get(), uids);
    if (rc != 0)
        throw ToolError("cannot add to " + path + ": " + describeResult(rc) + "; nothing was added");
}

void editBook(const std::string& path, const BookEdit& edit) {
    abif::FileEdit change;
    for (const auto& e : edit.changedEntries) {
        checkEntry(e, "entry #" + std::to_string(e.id));
        change.changedEntries.push_back(record(e));
    }
    if (edit.namesAndNumbersOnly)
        change.entryFields = abif::kEntryName | abif::kEntryFax;
    change.removedEntries = edit.removedEntries;
    for (const auto& g : edit.changedGroups) {
        checkGroupName(g.name, "group \"" + g.name + "\"");
        change.changedGroups.push_back({g.key, abif::fromUtf8(g.name), g.members});
    }
    change.removedGroups = edit.removedGroups;
    int32_t rc = abif::editFile(path.c_str(), change);
    if (rc != 0)
        throw ToolError("cannot change " + path + ": " + describeResult(rc) + "; nothing was changed");
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook
