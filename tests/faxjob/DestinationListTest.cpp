// The shared destination list: its arrangement, its limit and its selection.
#include <DestinationList.h>

#include <gtest/gtest.h>

namespace {

namespace df = com::velmora::cps::print::pde::tarncrest::directfax;

QStringList arranged(const df::DestinationList& list) {
    QStringList result;
    for (const df::AddressInformation& item : list.arrangedObjects())
        result.append(item.name() + QLatin1Char('/') + item.phoneNumber());
    return result;
}

TEST(DestinationListTest, ArrangedByNameThenNumberDescendingIgnoringCaseEqualOnesInAddingOrder) {
    const QStringList expected = {"Carol/1", "bob/1", "alice/3", "Alice/2", "ALICE/2", "/9"};
    // Arranged at once when added, and when the arrangement is set on a list that has items.
    for (const bool sortFirst : {true, false}) {
        df::DestinationList list;
        if (sortFirst)
            list.setSortDescriptors(df::DestinationList::destinationSortDescriptors());
        for (const auto& [name, number] : {std::pair{"bob", "1"},
                                           {"Alice", "2"},
                                           {"alice", "3"},
                                           {"", "9"},
                                           {"Carol", "1"},
                                           {"ALICE", "2"}})
            ASSERT_TRUE(list.addObject({QString::fromUtf8(name), QString::fromUtf8(number)}));
        list.setSelectionIndexes({list.indexOfAddress("bob", "1"), list.indexOfAddress("ALICE", "2")});
        if (!sortFirst)
            list.setSortDescriptors(df::DestinationList::destinationSortDescriptors());
        EXPECT_EQ(arranged(list), expected) << sortFirst;
        // The selection stays on the same items.
        if (!sortFirst) {
            EXPECT_EQ(list.selectionIndexes(), QList<int>({1, 4}));
        }
    }
}

TEST(DestinationListTest, NeverHoldsMoreThanThirty) {
    df::DestinationList list;
    for (int i = 0; i < df::kMaxDestinationCount - 2; ++i)
        ASSERT_TRUE(list.addObject({QString::number(i), QStringLiteral("1")}));
    EXPECT_FALSE(list.addObjects({{"a", "1"}, {"b", "1"}, {"c", "1"}})); // all or nothing
    EXPECT_EQ(list.count(), 28);
    EXPECT_TRUE(list.addObjects({{"a", "1"}, {"b", "1"}}));
    EXPECT_FALSE(list.addObject({"d", "1"}));
    EXPECT_EQ(list.count(), df::kMaxDestinationCount);
}

} // namespace
