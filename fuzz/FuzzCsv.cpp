// The address-book tool's CSV reader on any text, the planning of its import, and what it read
// written out and read again.
#include "Csv.h"
#include "FuzzImport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::optional<tool::Book> book =
        plannedBook(data, size, [](std::string_view text) { return tool::parseCsv(text); });
    if (!book)
        return 0;
    // Every entry of the plan writes and reads back as it is.
    requireReadBack(
        *book, tool::parseCsv(tool::writeCsv(*book)), [](const tool::BookEntry& a, const tool::BookEntry& b) {
            return a.name == b.name && a.fax == b.fax && a.company == b.company && a.note == b.note;
        });
    return 0;
}
