// The address-book tool's CSV reader on any text, the planning of its import, and what it read
// written out and read again.
#include "Csv.h"
#include "ImportPlan.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace tool = com::velmora::cps::print::pde::tarncrest::directfax::addressbook;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    tool::ImportPlan plan;
    try {
        plan = tool::planImport(tool::parseCsv(text), tool::Book{}, true);
    } catch (const tool::ToolError&) {
        return 0;
    }
    // Every entry of the plan writes and reads back as it is.
    tool::Book book;
    book.entries = plan.entries;
    tool::ParsedImport again = tool::parseCsv(tool::writeCsv(book));
    if (!again.rejected.empty() || again.book.entries.size() != book.entries.size())
        std::abort();
    for (size_t i = 0; i < book.entries.size(); ++i) {
        const tool::BookEntry &a = book.entries[i], &b = again.book.entries[i];
        if (a.name != b.name || a.fax != b.fax || a.company != b.company || a.note != b.note)
            std::abort();
    }
    return 0;
}
