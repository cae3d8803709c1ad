#include "InputStringChecker.h"

#include <QLineEdit>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace {

// The widest text a QLineEdit holds (its documented default maxLength).
constexpr int kLineEditLengthCeiling = 32767;

} // namespace

InputStringChecker::InputStringChecker(QObject* parent) : QValidator(parent) {}

InputStringChecker::~InputStringChecker() = default;

void InputStringChecker::setMaxLength(std::uint64_t length) {
    rule.setMaxLength(length);
}

void InputStringChecker::setAcceptableCodeRange(std::span<const char16_t> ranges) {
    rule.setAcceptableCodeRange(ranges);
}

void InputStringChecker::setUnAcceptableCodeRange(std::span<const char16_t> ranges) {
    rule.setUnAcceptableCodeRange(ranges);
}

bool InputStringChecker::isPartialStringValid(QStringView partial, QString* /*newEditingString*/,
                                              QString* /*errorDescription*/) const {
    // A refusal is silent: neither out-slot is ever written.
    return rule.accepts(partial);
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
