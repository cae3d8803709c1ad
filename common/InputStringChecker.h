#pragma once

#include "InputStringRule.h"

#include <QString>
#include <QStringView>
#include <QValidator>
#include <QVariant>

#include <cstdint>
#include <optional>
#include <span>

class QLineEdit;

namespace com::velmora::cps::print::pde::tarncrest::directfax {

// The formatter of the free-text fields whose content ends up in the fax job. It bounds the length of
// the text (in UTF-16 code units) and the set of code units that may appear in it; it converts nothing.
//
// It can be called directly (isPartialStringValid) and installed on a QLineEdit as its validator
// (installOn), where a refused edit leaves the field's text as it was.
class InputStringChecker : public QValidator {
public:
    // Number of entries of a code-unit table: one per UTF-16 code unit.
    static constexpr std::size_t kCodeUnitCount = InputStringRule::kCodeUnitCount;
    // The maxLength after construction: no limit.
    static constexpr std::uint64_t kNoLimit = InputStringRule::kNoLimit;

    explicit InputStringChecker(QObject* parent = nullptr);
    ~InputStringChecker() override;

    InputStringChecker(const InputStringChecker&) = delete;
    InputStringChecker& operator=(const InputStringChecker&) = delete;

    // Largest accepted text length, in UTF-16 code units.
    void setMaxLength(std::uint64_t length);

    // Builds the acceptance table from a code range list; the list is read during the call only. Each
    // call replaces the previous set. The list is also bounded by the span: a list without its closing
    // zero ends with the span, and a low value without its high value adds nothing.
    void setAcceptableCodeRange(std::span<const char16_t> ranges);
    // Builds the second table the same way. Validation does not consult it.
    void setUnAcceptableCodeRange(std::span<const char16_t> ranges);

    // True when the proposed string is acceptable. Never writes either out-slot; both may be null.
    bool isPartialStringValid(QStringView partial, QString* newEditingString = nullptr,
                              QString* errorDescription = nullptr) const;

    // The object itself when it holds a string, otherwise nothing.
    std::optional<QString> stringForObjectValue(const QVariant& object) const;

    // Stores a string equal to the given one into the object slot (when there is one) and answers true.
    bool getObjectValue(QVariant* object, const QString& string, QString* errorDescription = nullptr) const;

    // QValidator: Acceptable when isPartialStringValid accepts the whole proposed text, Invalid otherwise,
    // which makes the line edit undo the edit that produced it.
    State validate(QString& input, int& pos) const override;

    // Attaches the checker to a line edit as its validator. The field keeps its current text, and its own
    // length limit is raised to the widget's maximum so that an overlong paste reaches the checker whole
    // and is refused, not cut. The checker must outlive the field or be detached first.
    void installOn(QLineEdit* field);

    // Puts a text into a field from the program. QLineEdit stops refusing edits after a program-set text
    // that its validator does not accept, until the user's edits make it acceptable again; setting the
    // text with the validator detached keeps every later edit checked. The text itself is not checked.
    static void setFieldText(QLineEdit* field, const QString& text);

private:
    InputStringRule rule;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
