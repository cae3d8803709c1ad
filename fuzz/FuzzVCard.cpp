// The address-book tool's vCard reader on any text, the planning of its import, and what it read
// written out in both versions and read again.
#include "FuzzImport.h"
#include "VCard.h"

#include <algorithm>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::optional<tool::Book> book = plannedBook(data, size, tool::parseVCards);
    if (!book || (book->entries.empty() && book->groups.empty()))
        return 0; // no card to write
    for (tool::VCardVersion version : {tool::VCardVersion::V3, tool::VCardVersion::V4}) {
        // Every entry and group of the plan writes and reads back as it is.
        requireReadBack(*book, tool::parseVCards(tool::writeVCards(*book, version)),
                        [](const tool::BookEntry& a, const tool::BookEntry& b) {
                            // An entry without a UID is written with a new one; a note's line ends
                            // are written as vCard's "\n", a carriage return dropped.
                            std::string note = a.note;
                            note.erase(std::remove(note.begin(), note.end(), '\r'), note.end());
                            return a.name == b.name && a.fax == b.fax && a.company == b.company &&
                                   note == b.note && (a.uid.empty() || a.uid == b.uid) && a.added == b.added;
                        });
    }
    return 0;
}
