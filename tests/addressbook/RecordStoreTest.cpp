// The compact record store of the data handles: every record comes back byte for byte, across
// block boundaries and appends, whatever its pattern of zero and nonzero words.
#include "AbifRecords.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A record of the given kind whose bytes follow `pattern` (0: all zero, 1: all nonzero,
// 2: every other 8-byte word nonzero, 3: only the last byte nonzero, 4: every even byte nonzero,
// as in text of Latin letters, 5: the same with one odd byte in every third word and in the
// last), varied by `seed`.
template <typename Record> Record patterned(int pattern, unsigned seed) {
    Record record{};
    for (size_t i = 0; i < sizeof(Record); ++i) {
        const bool last = i + 1 == sizeof(Record);
        const bool set = pattern == 1 || (pattern == 2 && (i / 8) % 2 == 0) || (pattern == 3 && last) ||
                         (pattern >= 4 && i % 2 == 0) || (pattern == 5 && ((i % 24 == 7) || last));
        record.bytes[i] = set ? uint8_t(1 + (i + seed) % 255) : 0;
    }
    return record;
}

template <typename Record> void expectRoundTrip() {
    // Enough records of the fullest pattern to fill several blocks.
    const size_t count = 3 * abif::RecordBlock::kSize / sizeof(Record) + 5;
    std::vector<Record> records;
    for (size_t i = 0; i < count; ++i)
        records.push_back(patterned<Record>(int(i % 6), unsigned(i)));
    abif::RecordStore<Record> first;
    abif::RecordStore<Record> second;
    for (size_t i = 0; i < count; ++i)
        (i < count / 2 ? first : second).push_back(records[i]);
    first.append(std::move(second));
    EXPECT_TRUE(second.empty());
    ASSERT_EQ(first.size(), count);
    size_t i = 0;
    for (const Record& record : first)
        ASSERT_EQ(std::memcmp(record.bytes, records[i++].bytes, sizeof(Record)), 0) << "record " << i - 1;
}

TEST(RecordStoreTest, GivesBackEveryRecordOfEachKindAsItWasPutIn) {
    expectRoundTrip<ABIF_MyFax>();
    expectRoundTrip<ABIF_MyFaxGroup>();
    expectRoundTrip<ABIF_Fax>();
    expectRoundTrip<ABIF_FaxGroup>();
}

// Text-like words with their highest even bytes, each record with one odd byte set at another
// place of another word: none of them may lose that byte or their neighbours.
TEST(RecordStoreTest, KeepsEveryOddByteOfATextLikeWord) {
    abif::RecordStore<ABIF_MyFaxGroup> store;
    std::vector<ABIF_MyFaxGroup> records;
    for (size_t odd = 1; odd < sizeof(ABIF_MyFaxGroup); odd += 2) {
        ABIF_MyFaxGroup record{};
        for (size_t i = 0; i < sizeof(record); i += 2)
            record.bytes[i] = 0xFF;
        record.bytes[odd] = 0x80;
        records.push_back(record);
        store.push_back(record);
    }
    for (size_t i = 0; i < records.size(); ++i)
        ASSERT_EQ(std::memcmp(store[i].bytes, records[i].bytes, sizeof(ABIF_MyFaxGroup)), 0)
            << "record " << i;
}

} // namespace
