// The shared destination list: its arrangement, its limit and its selection.
#include <AddressBookEntryList.h>
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

namespace {

QStringList rows(const QList<df::AddressBookEntry>& entries) {
    QStringList result;
    for (const df::AddressBookEntry& e : entries)
        result.append(e.name + QLatin1Char('/') + e.phoneNumber + QLatin1Char('/') + e.company);
    return result;
}

// The address-book lists arrange a large book in place on folded copies of their keys: the order
// must be the one that comparing the case-folded texts gives, equal keys in adding order, also for
// texts beyond ASCII and when entries are added to a list that has some.
TEST(AddressBookEntryListTest, ArrangesAsTheFoldedTextsCompareEqualOnesInAddingOrder) {
    const QStringList names = {"anne",       "ANNE",         "Zoe",   "zoë",   "Ärger", "ärger",
                               "Straße",     "STRASSE",      "Σοφία", "σοφία", "",      "Mc",
                               "mc",         "\U0001D400bc", "abc",   "_x",    "[y",    "Contact 1",
                               "contact 12", "CONTACT 2",    "\uFF21"};
    QList<df::AddressBookEntry> entries;
    for (int i = 0; i < 400; ++i) {
        df::AddressBookEntry e;
        e.name = names[(i * 7) % names.size()];
        e.phoneNumber = i % 3 == 0 ? QStringLiteral("Group") : QString::number((i * 13) % 5);
        e.company = QString::number(i); // tells equal keys apart
        entries.append(e);
    }
    const auto reference = [](QList<df::AddressBookEntry> list, const QList<df::SortDescriptor>& by) {
        std::stable_sort(list.begin(), list.end(), [&](const auto& a, const auto& b) {
            for (const df::SortDescriptor& d : by) {
                const QString& x = d.key == QLatin1String("name") ? a.name : a.phoneNumber;
                const QString& y = d.key == QLatin1String("name") ? b.name : b.phoneNumber;
                const int order = d.caseInsensitive ? QString::compare(x.toCaseFolded(), y.toCaseFolded())
                                                    : QString::compare(x, y);
                if (order != 0)
                    return d.ascending ? order < 0 : order > 0;
            }
            return false;
        });
        return rows(list);
    };
    const QList<df::SortDescriptor> orders[] = {
        df::DestinationList::destinationSortDescriptors(),
        {{QStringLiteral("phoneNumber"), true, false}, {QStringLiteral("name"), true, true}}};
    for (const QList<df::SortDescriptor>& by : orders) {
        df::AddressBookEntryList list;
        list.setSortDescriptors(by);
        list.addObjects(entries.mid(0, 150));
        list.addObjects(entries.mid(150));
        EXPECT_EQ(rows(list.arrangedObjects()), reference(entries, by));
    }
}

} // namespace
