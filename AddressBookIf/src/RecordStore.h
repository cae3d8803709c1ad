// The records of a data handle, kept compact. A record is mostly zeros (the unused rest of its
// text fields, empty company and note fields, free member slots), so a store keeps of each record
// only its 8-byte words that are not all zero, behind a bitmap of which words they are. Most of
// the rest is text of Latin letters, UTF-16 units whose high byte is zero: such a word is kept as
// its four low bytes, marked in a second bitmap, one bit for each word kept. A full book's
// entries take a fraction of their size. The words lie in blocks mapped from the system one at a
// time and given back with the store, so no record is ever copied to make room for more and no
// memory of a store stays with the process. A record comes back whole, byte for byte as it was
// put in.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <new>
#include <sys/mman.h>
#include <utility>
#include <vector>

namespace abif {

// Memory mapped from the system for one block of records, unmapped with it.
class RecordBlock {
public:
    static constexpr size_t kSize = size_t(1) << 20;
    RecordBlock() : bytes_(static_cast<uint8_t*>(map())) {}
    RecordBlock(RecordBlock&& other) noexcept : bytes_(std::exchange(other.bytes_, nullptr)) {}
    RecordBlock& operator=(RecordBlock&& other) noexcept {
        std::swap(bytes_, other.bytes_);
        return *this;
    }
    ~RecordBlock() {
        if (bytes_)
            ::munmap(bytes_, kSize);
    }
    uint8_t* data() const { return bytes_; }

private:
    static void* map() {
        void* bytes = ::mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (bytes == MAP_FAILED)
            throw std::bad_alloc();
        return bytes;
    }
    uint8_t* bytes_;
};

// A word whose every other byte is zero (the odd bytes in memory on a little-endian machine, where
// they are the high bytes of UTF-16 units) as its other four bytes, and back.
inline constexpr uint64_t kOddBytes = 0xFF00FF00FF00FF00u;
inline uint32_t narrowed(uint64_t word) {
    word = (word | (word >> 8)) & 0x0000FFFF0000FFFFu;
    return uint32_t(word | (word >> 16));
}
inline uint64_t widened(uint32_t half) {
    uint64_t word = half;
    word = (word | (word << 16)) & 0x0000FFFF0000FFFFu;
    return (word | (word << 8)) & 0x00FF00FF00FF00FFu;
}

template <typename Record> class RecordStore {
    static constexpr size_t kFullWords = sizeof(Record) / 8;
    static constexpr size_t kTail = sizeof(Record) % 8; // bytes of a last, shorter word
    static constexpr size_t kWords = kFullWords + (kTail ? 1 : 0);
    static constexpr size_t kMaskBytes = (kWords + 7) / 8;
    // The most a record takes: both bitmaps full and every word kept whole.
    static constexpr size_t kMostBytes = 2 * kMaskBytes + sizeof(Record);
    static_assert(kMostBytes <= RecordBlock::kSize);

public:
    RecordStore() = default;
    RecordStore(RecordStore&& other) noexcept { *this = std::move(other); }
    RecordStore& operator=(RecordStore&& other) noexcept {
        blocks_ = std::exchange(other.blocks_, {});
        starts_ = std::exchange(other.starts_, {});
        used_ = std::exchange(other.used_, RecordBlock::kSize);
        return *this;
    }

    size_t size() const { return starts_.size(); }
    bool empty() const { return starts_.empty(); }
    void reserve(size_t count) { starts_.reserve(count); }
    void clear() {
        starts_.clear();
        blocks_.clear();
        used_ = RecordBlock::kSize;
    }

    void push_back(const Record& record) {
        if (RecordBlock::kSize - used_ < kMostBytes) {
            blocks_.emplace_back();
            used_ = 0;
        }
        // The words kept, in order, and which of them are narrow.
        uint64_t kept[kWords];
        uint8_t narrow[kMaskBytes] = {};
        size_t count = 0;
        bool tail = false;
        starts_.push_back((blocks_.size() - 1) * RecordBlock::kSize + used_);
        uint8_t* mask = blocks_.back().data() + used_;
        std::memset(mask, 0, kMaskBytes);
        const uint8_t* from = record.bytes;
        const auto keep = [&](size_t word, uint64_t value) {
            if (value == 0)
                return;
            mask[word / 8] |= uint8_t(1u << (word % 8));
            if ((value & kOddBytes) == 0)
                narrow[count / 8] |= uint8_t(1u << (count % 8));
            kept[count++] = value;
        };
        // Mostly zero: four words at a time are passed over at once.
        size_t word = 0;
        for (; word + 4 <= kFullWords; word += 4, from += 32) {
            uint64_t values[4];
            std::memcpy(values, from, 32);
            if ((values[0] | values[1] | values[2] | values[3]) == 0)
                continue;
            for (size_t i = 0; i < 4; ++i)
                keep(word + i, values[i]);
        }
        for (; word < kFullWords; ++word, from += 8) {
            uint64_t value;
            std::memcpy(&value, from, 8);
            keep(word, value);
        }
        if constexpr (kTail != 0) {
            uint64_t value = 0;
            std::memcpy(&value, from, kTail);
            if (value != 0) {
                mask[kFullWords / 8] |= uint8_t(1u << (kFullWords % 8));
                tail = true;
            }
        }
        const size_t narrowBytes = (count + (tail ? 1 : 0) + 7) / 8;
        uint8_t* to = mask + kMaskBytes;
        std::memcpy(to, narrow, narrowBytes);
        to += narrowBytes;
        for (size_t i = 0; i < count; ++i) {
            if (narrow[i / 8] & (1u << (i % 8))) {
                const uint32_t half = narrowed(kept[i]);
                std::memcpy(to, &half, 4);
                to += 4;
            } else {
                std::memcpy(to, &kept[i], 8);
                to += 8;
            }
        }
        if (tail) {
            std::memcpy(to, from, kTail);
            to += kTail;
        }
        used_ = size_t(to - blocks_.back().data());
    }

    // The record at `index` into `buffer`, which holds sizeof(Record) bytes.
    void copyTo(size_t index, void* buffer) const {
        auto* out = static_cast<uint8_t*>(buffer);
        std::memset(out, 0, sizeof(Record));
        const size_t start = starts_[index];
        const uint8_t* mask = blocks_[start / RecordBlock::kSize].data() + start % RecordBlock::kSize;
        size_t words = 0;
        for (size_t byte = 0; byte < kMaskBytes; ++byte)
            words += size_t(std::popcount(mask[byte]));
        const uint8_t* narrow = mask + kMaskBytes;
        const uint8_t* from = narrow + (words + 7) / 8;
        size_t kept = 0;
        for (size_t byte = 0; byte < kMaskBytes; ++byte) {
            for (unsigned bits = mask[byte]; bits != 0; bits &= bits - 1, ++kept) {
                const size_t word = byte * 8 + size_t(__builtin_ctz(bits));
                if (word == kFullWords) {
                    std::memcpy(out + word * 8, from, kTail);
                    from += kTail;
                } else if (narrow[kept / 8] & (1u << (kept % 8))) {
                    uint32_t half;
                    std::memcpy(&half, from, 4);
                    const uint64_t value = widened(half);
                    std::memcpy(out + word * 8, &value, 8);
                    from += 4;
                } else {
                    std::memcpy(out + word * 8, from, 8);
                    from += 8;
                }
            }
        }
    }

    Record operator[](size_t index) const {
        Record record;
        copyTo(index, record.bytes);
        return record;
    }

    // Takes the records of `other` after its own; when room for them cannot be had, this store
    // stays as it was. Makes room first with reserveFor, and appending cannot fail.
    void reserveFor(const RecordStore& other) {
        if (empty())
            return;
        blocks_.reserve(blocks_.size() + other.blocks_.size());
        starts_.reserve(size() + other.size());
    }
    void append(RecordStore&& other) {
        if (other.empty())
            return;
        if (empty()) {
            *this = std::move(other);
            return;
        }
        reserveFor(other);
        const size_t base = blocks_.size() * RecordBlock::kSize;
        for (RecordBlock& block : other.blocks_)
            blocks_.push_back(std::move(block));
        for (size_t start : other.starts_)
            starts_.push_back(base + start);
        used_ = other.used_;
        other.clear();
    }
    void assign(const std::vector<Record>& records) {
        clear();
        reserve(records.size());
        for (const Record& record : records)
            push_back(record);
    }

    // Iterates over copies of the records.
    class const_iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = Record;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = Record;
        const_iterator(const RecordStore* store, size_t index) : store_(store), index_(index) {}
        Record operator*() const { return (*store_)[index_]; }
        const_iterator& operator++() {
            ++index_;
            return *this;
        }
        bool operator==(const const_iterator& other) const { return index_ == other.index_; }

    private:
        const RecordStore* store_;
        size_t index_;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

private:
    std::vector<RecordBlock> blocks_;
    std::vector<size_t> starts_;       // block index times the block size, plus the place in it
    size_t used_ = RecordBlock::kSize; // of the last block: none left before the first
};

} // namespace abif
