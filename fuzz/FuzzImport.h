// What the CSV and vCard fuzzers share: a reader's text planned as an import into an empty book,
// and that book read back from what a writer made of it.
#pragma once

#include "ImportPlan.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace tool = com::velmora::cps::print::pde::tarncrest::directfax::addressbook;

// The entries and groups that importing what `parse` reads of the input adds to an empty book;
// none when the reader or the planning refuses the text.
template <typename Parse>
std::optional<tool::Book> plannedBook(const uint8_t* data, size_t size, Parse parse) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        tool::ImportPlan plan = tool::planImport(parse(text), tool::Book{}, true);
        tool::Book book;
        book.entries = std::move(plan.entries);
        book.groups = std::move(plan.groups);
        return book;
    } catch (const tool::ToolError&) {
        return std::nullopt;
    }
}

// Aborts unless `again` (the book written and read back) rejects nothing and holds each entry as
// `same` tells, and each group with its name and number of members.
template <typename Same>
void requireReadBack(const tool::Book& book, const tool::ParsedImport& again, Same same) {
    if (!again.rejected.empty() || again.book.entries.size() != book.entries.size() ||
        again.book.groups.size() != book.groups.size())
        std::abort();
    for (size_t i = 0; i < book.entries.size(); ++i)
        if (!same(book.entries[i], again.book.entries[i]))
            std::abort();
    for (size_t i = 0; i < book.groups.size(); ++i)
        if (again.book.groups[i].name != book.groups[i].name ||
            again.book.groups[i].members.size() != book.groups[i].members.size())
            std::abort();
}
