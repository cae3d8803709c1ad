#include "InputStringChecker.h"

#include <QLineEdit>

#include <algorithm>
#include <cstring>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace {

// The widest text a QLineEdit holds (its documented default maxLength).
constexpr int kLineEditLengthCeiling = 32767;

// Answers whether every code unit has entry 1 in the table (entries are 0 or 1). The units are taken in
// blocks whose entries are combined without a branch per unit, and read four at a time as one 64-bit
// word, so the loop runs at the speed of the table loads; the scan still stops at the block that holds
// the first refused unit. The order of the four units in the word does not matter: all of them are tested.
bool allCodeUnitsAcceptable(const std::uint8_t* table, const char16_t* units, std::size_t count) {
    constexpr std::size_t kBlock = 64;
    std::size_t i = 0;
    for (; i + kBlock <= count; i += kBlock) {
        unsigned even = 1;
        unsigned odd = 1;
        for (std::size_t k = 0; k < kBlock; k += 4) {
            std::uint64_t word;
            std::memcpy(&word, units + i + k, sizeof word);
            even &= table[word & 0xFFFF];
            odd &= table[(word >> 16) & 0xFFFF];
            even &= table[(word >> 32) & 0xFFFF];
            odd &= table[word >> 48];
        }
        if ((even & odd) != 1)
            return false;
    }
    unsigned all = 1;
    for (; i < count; ++i)
        all &= table[units[i]];
    return all == 1;
}

} // namespace

InputStringChecker::InputStringChecker(QObject* parent) : QValidator(parent) {}

InputStringChecker::~InputStringChecker() = default;

void InputStringChecker::setMaxLength(std::uint64_t length) {
    maxLength = length;
}

void InputStringChecker::setAcceptableCodeRange(std::span<const char16_t> ranges) {
    fillTable(acceptableCodeRange, ranges);
}

void InputStringChecker::setUnAcceptableCodeRange(std::span<const char16_t> ranges) {
    fillTable(unAcceptableCodeRange, ranges);
}

void InputStringChecker::fillTable(CodeUnitTable& table, std::span<const char16_t> ranges) {
    // The table is allocated once and reused; each call replaces the whole set.
    if (!table)
        table = std::make_unique_for_overwrite<std::uint8_t[]>(kCodeUnitCount);
    std::memset(table.get(), 0, kCodeUnitCount);

    for (std::size_t i = 0; i < ranges.size(); i += 2) {
        const char16_t low = ranges[i];
        if (low == 0 || i + 1 >= ranges.size())
            break;
        const char16_t high = ranges[i + 1];
        // Bounds as plain integers: a range that ends at U+FFFF must not wrap around.
        if (low <= high)
            std::fill(table.get() + low, table.get() + std::size_t{high} + 1, std::uint8_t{1});
    }
}

bool InputStringChecker::isPartialStringValid(QStringView partial, QString* /*newEditingString*/,
                                              QString* /*errorDescription*/) const {
    // A refusal is silent: neither out-slot is ever written.
    if (static_cast<std::uint64_t>(partial.size()) > maxLength)
        return false;
    if (!acceptableCodeRange)
        return true;
    // Every UTF-16 code unit on its own, so a character outside the Basic Multilingual Plane is tested
    // as its two surrogates.
    return allCodeUnitsAcceptable(acceptableCodeRange.get(), partial.utf16(),
                                  static_cast<std::size_t>(partial.size()));
}

std::optional<QString> InputStringChecker::stringForObjectValue(const QVariant& object) const {
    if (object.typeId() == QMetaType::QString)
        return object.toString();
    return std::nullopt;
}

bool InputStringChecker::getObjectValue(QVariant* object, const QString& string,
                                        QString* /*errorDescription*/) const {
    if (object)
        *object = QVariant(QString(string));
    return true;
}

QValidator::State InputStringChecker::validate(QString& input, int& /*pos*/) const {
    return isPartialStringValid(input) ? Acceptable : Invalid;
}

void InputStringChecker::installOn(QLineEdit* field) {
    if (!field)
        return;
    // The widget would cut a paste at its own limit before asking the validator; with the limit at its
    // ceiling the checker sees the whole proposed text. Raising the limit never shortens the text.
    if (field->maxLength() < kLineEditLengthCeiling)
        field->setMaxLength(kLineEditLengthCeiling);
    // Installing a validator leaves the current text as it is.
    field->setValidator(this);
}

void InputStringChecker::setFieldText(QLineEdit* field, const QString& text) {
    if (!field)
        return;
    const QValidator* validator = field->validator();
    field->setValidator(nullptr);
    field->setText(text);
    field->setValidator(validator);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
