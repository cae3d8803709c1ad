// Helpers of the address-book tests: temporary folders and records built from plain texts.
#pragma once

#include "AbifRecords.h"
#include "AddressBookIf.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace abiftest {

// A fresh folder, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "abif-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a temporary folder");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

struct Entry {
    Entry(std::u16string name, std::u16string fax, std::u16string company = {}, std::u16string note = {},
          uint16_t id = 0, int64_t added = 0)
        : name(std::move(name)), fax(std::move(fax)), company(std::move(company)), note(std::move(note)),
          id(id), added(added) {}
    std::u16string name, fax, company, note;
    uint16_t id;
    int64_t added;
};

inline ABIF_MyFax myFax(const Entry& e) {
    return abif::makeMyFax(e.id, e.name, e.fax, e.company, e.note, e.added);
}

inline ABIF_MyFaxGroup myFaxGroup(const std::u16string& name, const std::vector<uint16_t>& members) {
    return abif::makeGroup<ABIF_MyFaxGroup>(abif::kMyFaxGroupLayout, name, members);
}

inline ABIF_FaxGroup faxGroup(const std::u16string& name, const std::vector<uint16_t>& members) {
    return abif::makeGroup<ABIF_FaxGroup>(abif::kFaxGroupLayout, name, members);
}

struct DataDeleter {
    void operator()(ABIFData* d) const { ABIFData_Delete(d); }
};
using Data = std::unique_ptr<ABIFData, DataDeleter>;
inline Data newData() {
    return Data(ABIFData_Create());
}

// Adds entries (and groups) to a file through a fresh handle; answers the result of the add.
inline int32_t addEntries(const std::string& path, const std::vector<Entry>& entries,
                          const std::vector<ABIF_MyFaxGroup>& groups = {}) {
    std::vector<ABIF_MyFax> records;
    for (const auto& e : entries)
        records.push_back(myFax(e));
    Data data = newData();
    int32_t rc = ABIFData_Add_MyFax(data.get(), int32_t(records.size()), records.data());
    if (rc == 0)
        rc = ABIFData_Add_MyFaxGroup(data.get(), int32_t(groups.size()), groups.data());
    return rc == 0 ? AbifGADFile_Add(path.c_str(), data.get(), 0) : rc;
}

// The records of a file read with `flags`, as the get-at loops give them.
struct Contents {
    int32_t result = 0;
    std::vector<ABIF_MyFax> entries;
    std::vector<ABIF_MyFaxGroup> groups;
    std::vector<ABIF_Fax> faxEntries;
    std::vector<ABIF_FaxGroup> faxGroups;
};

inline Contents readFile(const std::string& path, int32_t flags = 0) {
    Contents c;
    Data data = newData();
    c.result = AbifGADFile_Read(path.c_str(), data.get(), flags);
    c.entries.resize(size_t(ABIFData_GetCount_MyFax(data.get())));
    for (size_t i = 0; i < c.entries.size(); ++i)
        ABIFData_GetAt_MyFax(data.get(), int32_t(i), &c.entries[i]);
    c.groups.resize(size_t(ABIFData_GetCount_MyFaxGroup(data.get())));
    for (size_t i = 0; i < c.groups.size(); ++i)
        ABIFData_GetAt_MyFaxGroup(data.get(), int32_t(i), &c.groups[i]);
    c.faxEntries.resize(size_t(ABIFData_GetCount_Fax(data.get())));
    for (size_t i = 0; i < c.faxEntries.size(); ++i)
        ABIFData_GetAt_Fax(data.get(), int32_t(i), &c.faxEntries[i]);
    c.faxGroups.resize(size_t(ABIFData_GetCount_FaxGroup(data.get())));
    for (size_t i = 0; i < c.faxGroups.size(); ++i)
        ABIFData_GetAt_FaxGroup(data.get(), int32_t(i), &c.faxGroups[i]);
    return c;
}

inline std::u16string text(const uint8_t* record, size_t offset, size_t size) {
    return abif::readText(record + offset, size);
}

} // namespace abiftest
