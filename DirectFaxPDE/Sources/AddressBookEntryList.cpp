#include "AddressBookEntryList.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <numeric>
#include <sys/mman.h>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

AddressBookEntry AddressBookEntry::group(const QString& name, QList<quint16> members) {
    AddressBookEntry entry;
    entry.name = name;
    entry.phoneNumber = QLatin1String(kGroupMarker);
    entry.userIDList = std::move(members);
    return entry;
}

QVariant AddressBookEntry::valueForKey(const QString& key) const {
    if (key == QLatin1String("Id"))
        return id ? QVariant(*id) : QVariant();
    if (key == QLatin1String("name"))
        return name;
    if (key == QLatin1String("phoneNumber"))
        return phoneNumber;
    if (key == QLatin1String("company"))
        return company.isNull() ? QVariant() : QVariant(company);
    if (key == QLatin1String("note"))
        return note.isNull() ? QVariant() : QVariant(note);
    if (key == QLatin1String("userIDList") && isGroup()) {
        QVariantList members;
        for (quint16 member : userIDList)
            members.append(member);
        return members;
    }
    return {};
}

AddressBookEntryList::AddressBookEntryList(QObject* parent) : ArrangedTableModel(parent) {}

AddressBookEntryList::~AddressBookEntryList() = default;

void AddressBookEntryList::setSortDescriptors(const QList<SortDescriptor>& newDescriptors) {
    descriptors = newDescriptors;
    changing = true;
    beginResetModel();
    arrange();
    endResetModel();
    selection.clearSelection();
    changing = false;
    emit selectedObjectsChanged();
}

namespace {

// Scratch memory of an arrangement, taken straight from the system and given back to it when
// freed: the keys of a large book would otherwise stay behind in the heap as free space.
template <typename T> struct SystemPages {
    using value_type = T;
    SystemPages() = default;
    template <typename U> SystemPages(const SystemPages<U>&) {}
    T* allocate(size_t n) {
        void* pages =
            ::mmap(nullptr, n * sizeof(T), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (pages == MAP_FAILED)
            throw std::bad_alloc();
        return static_cast<T*>(pages);
    }
    void deallocate(T* pages, size_t n) { ::munmap(pages, n * sizeof(T)); }
    friend bool operator==(const SystemPages&, const SystemPages&) { return true; }
};
template <typename T> using Scratch = std::vector<T, SystemPages<T>>;

// Writes the case-folded units of `text` to `out` from `at` on and answers where they end. Plain
// ASCII, the usual case, is folded here in one pass without a new string; any other text as
// QString::toCaseFolded folds it, which may change its length.
size_t putFolded(const QString& text, Scratch<char16_t>& out, size_t at) {
    const qsizetype length = text.size();
    if (at + size_t(length) > out.size())
        out.resize(at + size_t(length));
    const QChar* from = text.constData();
    char16_t* to = out.data() + at;
    char16_t seen = 0;
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t unit = from[i].unicode();
        seen |= unit;
        to[i] = char16_t(unit - u'A') < 26 ? char16_t(unit + (u'a' - u'A')) : unit;
    }
    if (seen < 0x80)
        return at + size_t(length);
    const QString folded = text.toCaseFolded();
    if (at + size_t(folded.size()) > out.size())
        out.resize(at + size_t(folded.size()));
    std::transform(folded.cbegin(), folded.cend(), out.data() + at, [](QChar c) { return c.unicode(); });
    return at + size_t(folded.size());
}

// The order of QString::compare (UTF-16 units as numbers, then the length), inline and four units
// at a time: it decides the comparisons of an arrangement of a large book.
int compareUnits(QStringView a, QStringView b) {
    const size_t common = size_t(std::min(a.size(), b.size()));
    const QChar* x = a.data();
    const QChar* y = b.data();
    size_t i = 0;
    for (; i + 4 <= common; i += 4)
        if (std::memcmp(x + i, y + i, 4 * sizeof(QChar)) != 0)
            break;
    for (; i < common; ++i)
        if (x[i] != y[i])
            return x[i].unicode() < y[i].unicode() ? -1 : 1;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

} // namespace

void AddressBookEntryList::arrange() {
    // The descriptors that name a key of an entry, with the field each one reads.
    struct Key {
        const SortDescriptor* descriptor;
        QString AddressBookEntry::*field;
    };
    std::vector<Key> keys;
    for (const SortDescriptor& d : descriptors) {
        if (d.key == QLatin1String("name"))
            keys.push_back({&d, &AddressBookEntry::name});
        else if (d.key == QLatin1String("phoneNumber"))
            keys.push_back({&d, &AddressBookEntry::phoneNumber});
    }
    if (keys.empty() || entries.size() < 2)
        return;
    const QList<AddressBookEntry>& all = entries;
    const size_t count = static_cast<size_t>(all.size());
    const size_t width = keys.size();

    // Each case-insensitive key is compared on a copy folded once per entry, not once per
    // comparison; the copies share one buffer, so that a book of tens of thousands of entries is
    // folded without a string per text.
    struct Span {
        uint32_t at, length;
    };
    Scratch<Span> spans(count * width);
    Scratch<char16_t> folded;
    size_t units = 0;
    for (const AddressBookEntry& entry : all)
        for (const Key& key : keys)
            units += key.descriptor->caseInsensitive ? size_t((entry.*key.field).size()) : 0;
    folded.resize(units);
    size_t end = 0;
    for (size_t i = 0; i < count; ++i)
        for (size_t k = 0; k < width; ++k)
            if (keys[k].descriptor->caseInsensitive) {
                const size_t at = end;
                end = putFolded(all[qsizetype(i)].*keys[k].field, folded, at);
                spans[i * width + k] = {uint32_t(at), uint32_t(end - at)};
            }
    const auto text = [&](uint32_t i, size_t k) {
        if (!keys[k].descriptor->caseInsensitive)
            return QStringView(all[i].*keys[k].field);
        const Span span = spans[i * width + k];
        return QStringView(folded.data() + span.at, qsizetype(span.length));
    };

    // order[place] is the entry that goes to that place.
    Scratch<uint32_t> order(count);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        for (size_t k = 0; k < width; ++k) {
            const int result = compareUnits(text(a, k), text(b, k));
            if (result != 0)
                return keys[k].descriptor->ascending ? result < 0 : result > 0;
        }
        return false;
    });

    // The entries are moved to their places in place, along the cycles of the order (a second
    // list would leave its size in free heap behind). They lie all over the list, so the one a few
    // steps ahead on the cycle is fetched meanwhile.
    constexpr int kAhead = 8;
    AddressBookEntry* at = entries.data();
    for (size_t start = 0; start < count; ++start) {
        if (order[start] == start)
            continue;
        size_t ahead = order[start];
        for (int step = 0; step < kAhead; ++step)
            ahead = order[ahead];
        AddressBookEntry held = std::move(at[start]);
        size_t place = start;
        for (;;) {
            __builtin_prefetch(at + ahead);
            ahead = order[ahead];
            const size_t from = order[place];
            order[place] = uint32_t(place);
            if (from == start) {
                at[place] = std::move(held);
                break;
            }
            at[place] = std::move(at[from]);
            place = from;
        }
    }
}

QList<AddressBookEntry> AddressBookEntryList::selectedObjects() const {
    QList<AddressBookEntry> selected;
    for (int row : selectionIndexes())
        selected.append(entries[row]);
    return selected;
}

void AddressBookEntryList::addObjects(const QList<AddressBookEntry>& newEntries) {
    addObjects(QList<AddressBookEntry>(newEntries));
}

void AddressBookEntryList::addObjects(QList<AddressBookEntry>&& newEntries) {
    if (newEntries.isEmpty())
        return;
    changing = true;
    beginResetModel();
    if (entries.isEmpty())
        entries = std::move(newEntries);
    else
        entries.append(std::move(newEntries));
    arrange();
    endResetModel();
    selection.clearSelection();
    changing = false;
    emit selectedObjectsChanged();
}

void AddressBookEntryList::removeAllObjects() {
    setArrangedObjects({});
}

void AddressBookEntryList::setArrangedObjects(QList<AddressBookEntry> arranged) {
    changing = true;
    beginResetModel();
    entries = std::move(arranged);
    endResetModel();
    selection.clearSelection();
    changing = false;
    emit selectedObjectsChanged();
}

int AddressBookEntryList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(entries.size());
}

QVariant AddressBookEntryList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= entries.size() ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const AddressBookEntry& entry = entries[index.row()];
    return index.column() == NameColumn ? entry.name : entry.phoneNumber;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
