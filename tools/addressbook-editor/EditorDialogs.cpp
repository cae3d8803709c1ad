#include "EditorDialogs.h"

#include "BookTableModels.h"
#include "InputStringChecker.h"
#include "ui_EntryDialog.h"

#include <ModalRun.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace com::velmora::cps::print::pde::tarncrest::directfax::editor {

namespace {

struct EditorDialogs {
    Q_DECLARE_TR_FUNCTIONS(EditorDialogs)
};

// Runs `dialog` modally until its buttons end it; OK is taken only when `accept` agrees.
bool runDialog(QDialog& dialog, QDialogButtonBox* buttons, const std::function<bool()>& accept) {
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&accept] {
        if (accept())
            platform::ModalRun::stopModalWithCode(platform::NSModalResponseOK);
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog,
                     [] { platform::ModalRun::stopModalWithCode(platform::NSModalResponseCancel); });
    return platform::ModalRun::runModalForWindow(&dialog) == platform::NSModalResponseOK;
}

} // namespace

std::optional<QString> askText(QWidget* parent, const QString& title, const QString& label,
                               const QString& text,
                               const std::function<std::optional<QString>(const QString&)>& check) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("textDialog"));
    dialog.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(label, &dialog));
    auto* field = new QLineEdit(text, &dialog);
    field->setObjectName(QStringLiteral("textField"));
    layout->addWidget(field);
    auto* problem = new QLabel(&dialog);
    problem->setObjectName(QStringLiteral("problemLabel"));
    problem->setWordWrap(true);
    layout->addWidget(problem);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(buttons);
    const bool ok = runDialog(dialog, buttons, [&] {
        const std::optional<QString> why = check(field->text());
        problem->setText(why.value_or(QString()));
        return !why;
    });
    return ok ? std::optional(field->text()) : std::nullopt;
}

std::optional<QString> askPassword(QWidget* parent, const QString& printer) {
    InputStringChecker checker;
    checker.setMaxLength(4);
    checker.setAcceptableCodeRange(kPasswordAcceptableRange);
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("passwordDialog"));
    dialog.setWindowTitle(EditorDialogs::tr("Printer's Address Book"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(
        EditorDialogs::tr("The password of the printer %1 (leave empty when it has none):").arg(printer),
        &dialog));
    auto* field = new QLineEdit(&dialog);
    field->setObjectName(QStringLiteral("passwordField"));
    field->setEchoMode(QLineEdit::Password);
    checker.installOn(field);
    layout->addWidget(field);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(buttons);
    const bool ok = runDialog(dialog, buttons, [] { return true; });
    field->setValidator(nullptr);
    return ok ? std::optional(field->text()) : std::nullopt;
}

void askNewEntry(QWidget* parent, EditorBook& book) {
    QDialog dialog(parent);
    Ui::EntryDialog ui;
    ui.setupUi(&dialog);
    InputStringChecker name, fax;
    name.setMaxLength(addressbook::kNameUnits);
    name.setAcceptableCodeRange(kAddressNameAcceptableRange);
    fax.setMaxLength(kPhoneNumberMaxLength);
    fax.setAcceptableCodeRange(kPhoneNumberAcceptableRange);
    name.installOn(ui.nameField);
    fax.installOn(ui.faxField);
    ui.companyField->setMaxLength(int(addressbook::kCompanyUnits));
    runDialog(dialog, ui.buttons, [&] {
        EditorEntry entry;
        entry.name = ui.nameField->text();
        entry.faxNumber = ui.faxField->text();
        entry.company = ui.companyField->text();
        entry.note = ui.noteField->toPlainText();
        const std::optional<QString> why = book.addEntry(entry);
        ui.problemLabel->setText(why.value_or(QString()));
        return !why;
    });
    ui.nameField->setValidator(nullptr);
    ui.faxField->setValidator(nullptr);
}

std::optional<addressbook::ImportOptions> askImportOptions(QWidget* parent, const QString& source) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("importDialog"));
    dialog.setWindowTitle(EditorDialogs::tr("Import"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(EditorDialogs::tr("Import the cards or rows of %1:").arg(source), &dialog));
    auto* skipInvalid =
        new QCheckBox(EditorDialogs::tr("Import the rest when some cannot be imported"), &dialog);
    auto* skipDuplicates =
        new QCheckBox(EditorDialogs::tr("Import the rest when some are already in the book"), &dialog);
    auto* normalize =
        new QCheckBox(EditorDialogs::tr("Clean up fax numbers (+49 (30) 1234 becomes 0049301234)"), &dialog);
    skipInvalid->setObjectName(QStringLiteral("skipInvalid"));
    skipDuplicates->setObjectName(QStringLiteral("skipDuplicates"));
    normalize->setObjectName(QStringLiteral("normalizeNumbers"));
    for (QCheckBox* box : {skipInvalid, skipDuplicates, normalize})
        layout->addWidget(box);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(buttons);
    if (!runDialog(dialog, buttons, [] { return true; }))
        return std::nullopt;
    addressbook::ImportOptions options;
    options.skipInvalid = skipInvalid->isChecked();
    options.skipDuplicates = skipDuplicates->isChecked();
    options.normalizeNumbers = normalize->isChecked();
    return options;
}

std::optional<int> askCopyTarget(QWidget* parent, const QStringList& targets) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("copyDialog"));
    dialog.setWindowTitle(EditorDialogs::tr("Copy"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(EditorDialogs::tr("Copy the chosen entries and groups to:"), &dialog));
    auto* choice = new QComboBox(&dialog);
    choice->setObjectName(QStringLiteral("copyTarget"));
    choice->addItems(targets);
    layout->addWidget(choice);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(buttons);
    if (!runDialog(dialog, buttons, [] { return true; }))
        return std::nullopt;
    return choice->currentIndex();
}

std::optional<std::vector<uint16_t>> pickEntries(QWidget* parent, EditorBook& book) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("memberPicker"));
    dialog.setWindowTitle(EditorDialogs::tr("Add Members"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* search = new QLineEdit(&dialog);
    search->setPlaceholderText(EditorDialogs::tr("Search by name"));
    layout->addWidget(search);
    EntryTableModel model(book);
    auto* table = new QTableView(&dialog);
    table->setObjectName(QStringLiteral("pickerTable"));
    table->setModel(&model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->hide();
    layout->addWidget(table);
    QObject::connect(search, &QLineEdit::textChanged, &model, &EntryTableModel::setSearchText);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(buttons);
    dialog.resize(520, 420);
    if (!runDialog(dialog, buttons, [] { return true; }))
        return std::nullopt;
    std::vector<uint16_t> ids;
    for (const QModelIndex& index : table->selectionModel()->selectedRows())
        ids.push_back(model.idAt(index.row()));
    return ids;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::editor
