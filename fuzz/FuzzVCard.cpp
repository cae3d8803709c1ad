// The address-book tool's vCard reader on any text, the planning of its import, and what it read
// written out in both versions and read again.
#include "ImportPlan.h"
#include "VCard.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace tool = com::velmora::cps::print::pde::tarncrest::directfax::addressbook;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    tool::ImportPlan plan;
    try {
        plan = tool::planImport(tool::parseVCards(text), tool::Book{}, true);
    } catch (const tool::ToolError&) {
        return 0;
    }
    tool::Book book;
    book.entries = plan.entries;
    book.groups = plan.groups;
    if (book.entries.empty() && book.groups.empty())
        return 0; // no card to write
    for (tool::VCardVersion version : {tool::VCardVersion::V3, tool::VCardVersion::V4}) {
        // Every entry and group of the plan writes and reads back as it is.
        tool::ParsedImport again = tool::parseVCards(tool::writeVCards(book, version));
        if (!again.rejected.empty() || again.book.entries.size() != book.entries.size() ||
            again.book.groups.size() != book.groups.size())
            std::abort();
        for (size_t i = 0; i < book.entries.size(); ++i) {
            const tool::BookEntry &a = book.entries[i], &b = again.book.entries[i];
            // An entry without a UID is written with a new one; a note's line ends are written
            // as vCard's "\n", a carriage return dropped.
            std::string note = a.note;
            note.erase(std::remove(note.begin(), note.end(), '\r'), note.end());
            if (a.name != b.name || a.fax != b.fax || a.company != b.company || note != b.note ||
                (!a.uid.empty() && a.uid != b.uid) || a.added != b.added)
                std::abort();
        }
        for (size_t i = 0; i < book.groups.size(); ++i)
            if (again.book.groups[i].name != book.groups[i].name ||
                again.book.groups[i].members.size() != book.groups[i].members.size())
                std::abort();
    }
    return 0;
}
