// Copying between books: what the target already holds and what it cannot hold is named and left
// out, the rest planned as one write.
#include <BookCopy.h>

#include "EditorTestSupport.h"

#include <gtest/gtest.h>

namespace df = com::velmora::cps::print::pde::tarncrest::directfax;
namespace ab = df::addressbook;
using df::editor::chosenPart;
using df::editor::planCopy;
using df::testing::bookEntry;
using df::testing::bookGroup;

namespace {

// A printer's book: entries 1..n named "Pn" with fax "0n", one group of all of them.
ab::Book printerBook(int entries) {
    ab::Book book;
    book.kind = kAbifFileDevice;
    ab::BookGroup all = bookGroup("All", {});
    for (int i = 1; i <= entries; ++i) {
        book.entries.push_back(bookEntry(uint16_t(i), "P" + std::to_string(i), "0" + std::to_string(i)));
        all.members.push_back(uint16_t(i));
    }
    book.groups.push_back(all);
    return book;
}

TEST(BookCopy, LeavesOutWhatTheTargetHoldsOrCannotHold) {
    ab::Book computer;
    computer.kind = kAbifFileComputer;
    computer.entries.push_back(bookEntry(7, "P1", "01")); // already there
    struct {
        const char* what;
        int members;
        size_t entries, groups, leftOut;
    } const cases[] = {
        {"a group of 35 fits a computer book", 35, 34, 1, 1},
        {"a group of 36 does not; its members do", 36, 35, 0, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ab::Book source = printerBook(c.members);
        const auto plan = planCopy(chosenPart(source, {}, {0}), computer);
        EXPECT_EQ(plan.entries, c.entries);
        EXPECT_EQ(plan.groups, c.groups);
        EXPECT_EQ(plan.leftOut.size(), c.leftOut);
        EXPECT_EQ(plan.addedEntries.size(), c.entries);
        // The group names the entry the target had, and the new ones by their new Ids.
        if (c.groups == 1) {
            EXPECT_EQ(plan.addedGroups[0].members.size(), 35u);
            EXPECT_EQ(plan.addedGroups[0].members[0], 7);
        }
    }
}

TEST(BookCopy, ToThePrinterAppliesItsLimitsToTheWholeBook) {
    ab::Book computer;
    computer.kind = kAbifFileComputer;
    computer.entries.push_back(bookEntry(1, "Anna", "0301", "Berger GmbH", "note"));
    computer.entries.push_back(bookEntry(2, "Carl", "0302"));
    computer.entries.push_back(bookEntry(3, std::string(33, 'x'), "0303")); // longer than the printer's 32
    computer.groups.push_back(bookGroup("Sales", {1, 2}));
    const auto plan = planCopy(chosenPart(computer, {3}, {0}), printerBook(1));
    EXPECT_EQ(plan.entries, 2u);
    EXPECT_EQ(plan.groups, 1u);
    ASSERT_EQ(plan.leftOut.size(), 1u);
    EXPECT_EQ(plan.leftOut[0].rfind(std::string(33, 'x'), 0), 0u);
    EXPECT_EQ(plan.result.entries.size(), 3u); // P1, Anna, Carl
    EXPECT_EQ(plan.result.groups.size(), 2u);
}

} // namespace
