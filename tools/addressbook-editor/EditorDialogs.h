// The small modal windows of the editor, each run through the platform's modal seam so that
// tests drive them: a name (of a book or a group), a new entry, the printer's password, and the
// picker of a group's members.
#pragma once

#include "BookTransfer.h"
#include "EditorBook.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

class QWidget;

namespace com::velmora::cps::print::pde::tarncrest::directfax::editor {

// Asks for one line of text; `check` answers why a text cannot be taken. Nothing when cancelled.
std::optional<QString> askText(QWidget* parent, const QString& title, const QString& label,
                               const QString& text,
                               const std::function<std::optional<QString>(const QString&)>& check);
// Asks for the printer's password (at most 4 digits, as the job dialog takes it).
std::optional<QString> askPassword(QWidget* parent, const QString& printer);
// Asks for a new entry; it is added to `book` (one undo step) when the user presses OK.
void askNewEntry(QWidget* parent, EditorBook& book);
// Asks for the options of an import (as the tool takes them: skip what cannot be imported, skip
// duplicates, clean up fax numbers).
std::optional<addressbook::ImportOptions> askImportOptions(QWidget* parent, const QString& source);
// Asks which of `targets` to copy to; its index, nothing when cancelled.
std::optional<int> askCopyTarget(QWidget* parent, const QStringList& targets);
// Lets the user pick entries of `book`; their Ids, nothing when cancelled.
std::optional<std::vector<uint16_t>> pickEntries(QWidget* parent, EditorBook& book);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::editor
