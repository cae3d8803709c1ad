#include "EditorBook.h"

#include "InputStringChecker.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cstdio>
#include <set>
#include <unistd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax::editor {

namespace {

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

std::string toUtf8(const QString& text) {
    return text.toStdString();
}

// The job dialog's checkers: a name of printable ASCII, a fax number of its characters.
const InputStringChecker& checker(EntryField field) {
    static const auto make = [](uint64_t length, std::span<const char16_t> ranges) {
        auto* c = new InputStringChecker;
        c->setMaxLength(length);
        c->setAcceptableCodeRange(ranges);
        return c;
    };
    static const InputStringChecker* name = make(addressbook::kNameUnits, kAddressNameAcceptableRange);
    static const InputStringChecker* fax = make(kPhoneNumberMaxLength, kPhoneNumberAcceptableRange);
    return field == EntryField::Name ? *name : *fax;
}

bool hasControl(const QString& text, bool singleLine) {
    for (QChar c : text)
        if (c.unicode() == 0 || (c.unicode() < 0x20 && (singleLine || (c != u'\n' && c != u'\t'))))
            return true;
    return false;
}

} // namespace

EditorEntry EditorEntry::of(const addressbook::BookEntry& e) {
    return {e.id,  fromUtf8(e.name), fromUtf8(e.fax), fromUtf8(e.company), fromUtf8(e.note), e.added,
            e.uid, e.structuredName};
}

const QString& EditorEntry::field(EntryField f) const {
    switch (f) {
    case EntryField::Name:
        return name;
    case EntryField::FaxNumber:
        return faxNumber;
    case EntryField::Company:
        return company;
    case EntryField::Note:
        break;
    }
    return note;
}

QString& EditorEntry::field(EntryField f) {
    return const_cast<QString&>(std::as_const(*this).field(f));
}

bool FileStamp::operator==(const FileStamp& o) const {
    return device == o.device && inode == o.inode && size == o.size && modified.tv_sec == o.modified.tv_sec &&
           modified.tv_nsec == o.modified.tv_nsec;
}

FileStamp FileStamp::of(const QString& path) {
    struct stat st {};
    FileStamp s;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0)
        s = {st.st_dev, st.st_ino, st.st_size, st.st_mtim};
    return s;
}

EditorBook::EditorBook(QObject* parent) : QObject(parent) {
    connect(&watcher, &QFileSystemWatcher::fileChanged, this, &EditorBook::fileEvent);
    connect(&watcher, &QFileSystemWatcher::directoryChanged, this, &EditorBook::fileEvent);
}

std::optional<QString> EditorBook::open(const QString& path) {
    addressbook::Book book;
    try {
        book = addressbook::readBook(QFile::encodeName(path).toStdString());
    } catch (const addressbook::ToolError& e) {
        return tr("The address book cannot be read: %1").arg(QString::fromUtf8(e.what()));
    }
    filePath = path;
    bookTitle = QFileInfo(path).fileName();
    stamp = FileStamp::of(path);
    externalChangeTold = false;
    load(book);
    watch();
    return std::nullopt;
}

void EditorBook::show(const addressbook::Book& book, const QString& title) {
    if (!watcher.files().isEmpty())
        watcher.removePaths(watcher.files());
    if (!watcher.directories().isEmpty())
        watcher.removePaths(watcher.directories());
    filePath.clear();
    bookTitle = title;
    load(book);
}

std::optional<QString> EditorBook::revert() {
    if (filePath.isEmpty())
        return tr("This address book has no file to read again.");
    return open(filePath);
}

void EditorBook::load(const addressbook::Book& book) {
    bookKind = book.kind;
    entryList.clear();
    entryList.reserve(book.entries.size());
    for (const auto& e : book.entries)
        entryList.push_back({e.id, fromUtf8(e.name), fromUtf8(e.fax), fromUtf8(e.company), fromUtf8(e.note),
                             e.added, e.uid, e.structuredName});
    groupList.clear();
    for (const auto& g : book.groups)
        groupList.push_back({fromUtf8(g.name), g.members, g.uid});
    undo.clear();
    emit reset();
    emit groupsChanged();
}

void EditorBook::watch() {
    if (!watcher.files().isEmpty())
        watcher.removePaths(watcher.files());
    if (!watcher.directories().isEmpty())
        watcher.removePaths(watcher.directories());
    // The folder too: a file replaced by a rename stops being watched as a file.
    watcher.addPath(filePath);
    watcher.addPath(QFileInfo(filePath).absolutePath());
}

bool EditorBook::changedOnDisk() const {
    return !filePath.isEmpty() && !(FileStamp::of(filePath) == stamp);
}

void EditorBook::fileEvent() {
    if (filePath.isEmpty())
        return;
    if (!watcher.files().contains(filePath) && QFileInfo::exists(filePath))
        watcher.addPath(filePath);
    if (changedOnDisk() && !externalChangeTold) {
        externalChangeTold = true;
        emit externalChange();
    }
}

size_t EditorBook::groupLimit() const {
    return addressbook::groupLimit(bookKind);
}

int EditorBook::entryIndex(uint16_t id) const {
    for (size_t i = 0; i < entryList.size(); ++i)
        if (entryList[i].id == id)
            return int(i);
    return -1;
}

addressbook::Book EditorBook::toBook() const {
    addressbook::Book book;
    book.kind = bookKind;
    for (const auto& e : entryList)
        book.entries.push_back({e.id, toUtf8(e.name), toUtf8(e.faxNumber), toUtf8(e.company), toUtf8(e.note),
                                e.added, e.uid, e.structuredName, 0});
    for (const auto& g : groupList)
        book.groups.push_back({toUtf8(g.name), g.members, g.uid, 0, 0});
    return book;
}

EditorBook::SaveResult EditorBook::save(QString* error, bool overwriteExternalChange) {
    if (filePath.isEmpty()) {
        *error = tr("This address book has no file to write.");
        return SaveResult::Failed;
    }
    if (changedOnDisk() && !overwriteExternalChange)
        return SaveResult::ChangedOnDisk;
    const addressbook::Book book = toBook();
    const QFileInfo info(filePath);
    const QString temporary =
        info.absolutePath() + QStringLiteral("/.") + info.fileName() +
        QStringLiteral(".saving-%1").arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'));
    const std::string temporaryName = QFile::encodeName(temporary).toStdString();
    const std::string finalName = QFile::encodeName(filePath).toStdString();
    try {
        addressbook::createBook(temporaryName, bookKind, book.entries, book.groups);
    } catch (const addressbook::ToolError& e) {
        *error = tr("The address book was not saved: %1").arg(QString::fromUtf8(e.what()));
        return SaveResult::Failed;
    }
    const auto replace =
        replaceFile ? replaceFile : [](const char* from, const char* to) { return ::rename(from, to); };
    if (replace(temporaryName.c_str(), finalName.c_str()) != 0) {
        ::unlink(temporaryName.c_str());
        *error = tr("The address book was not saved: the file cannot be replaced.");
        return SaveResult::Failed;
    }
    stamp = FileStamp::of(filePath);
    externalChangeTold = false;
    undo.setClean();
    watch();
    return SaveResult::Saved;
}

std::optional<QString> EditorBook::checkField(EntryField field, const QString& text) {
    switch (field) {
    case EntryField::Name:
        if (text.isEmpty())
            return tr("An entry needs a name.");
        if (!checker(field).isPartialStringValid(text))
            return tr("A name holds at most %1 characters: letters, digits, spaces and punctuation of plain "
                      "ASCII.")
                .arg(addressbook::kNameUnits);
        break;
    case EntryField::FaxNumber:
        if (!checker(field).isPartialStringValid(text) ||
            !isValidFaxNumber(
                std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()))))
            return tr("A fax number holds 1 to %1 of the characters 0 to 9, #, *, -, : and =.")
                .arg(kPhoneNumberMaxLength);
        break;
    case EntryField::Company:
        if (size_t(text.size()) > addressbook::kCompanyUnits || hasControl(text, true))
            return tr("A company name holds at most %1 characters on one line.")
                .arg(addressbook::kCompanyUnits);
        break;
    case EntryField::Note:
        if (size_t(text.size()) > addressbook::kNoteUnits || hasControl(text, false))
            return tr("A note holds at most %1 characters.").arg(addressbook::kNoteUnits);
        break;
    }
    return std::nullopt;
}

std::optional<QString> EditorBook::checkGroupName(const QString& name) {
    if (name.isEmpty())
        return tr("A group needs a name.");
    if (!checker(EntryField::Name).isPartialStringValid(name))
        return tr("A group name holds at most %1 characters: letters, digits, spaces and punctuation of "
                  "plain "
                  "ASCII.")
            .arg(addressbook::kNameUnits);
    return std::nullopt;
}

std::optional<QString> EditorBook::checkPair(const QString& name, const QString& fax, uint16_t except) const {
    for (const auto& e : entryList)
        if (e.id != except && e.name == name && e.faxNumber == fax)
            return tr("\"%1\" with the fax number %2 is already in this address book.").arg(name, fax);
    return std::nullopt;
}

uint16_t EditorBook::freeId() const {
    std::vector<bool> used(65536);
    for (const auto& e : entryList)
        used[e.id] = true;
    for (uint32_t id = 1; id < used.size(); ++id)
        if (!used[id])
            return uint16_t(id);
    return 0;
}

void EditorBook::push(const QString& text, std::function<void()> redo, std::function<void()> undoIt) {
    struct Command : QUndoCommand {
        std::function<void()> r, u;
        void redo() override { r(); }
        void undo() override { u(); }
    };
    auto* command = new Command;
    command->setText(text);
    command->r = std::move(redo);
    command->u = std::move(undoIt);
    undo.push(command);
}

std::optional<QString> EditorBook::addEntry(const EditorEntry& entry) {
    for (EntryField f : {EntryField::Name, EntryField::FaxNumber, EntryField::Company, EntryField::Note})
        if (auto why = checkField(f, entry.field(f)))
            return why;
    if (auto why = checkPair(entry.name, entry.faxNumber, 0))
        return why;
    EditorEntry added = entry;
    added.id = freeId();
    if (added.id == 0)
        return tr("This address book holds no more entries.");
    push(
        tr("Add \"%1\"").arg(entry.name),
        [this, added] {
            entryList.push_back(added);
            emit reset();
        },
        [this] {
            entryList.pop_back();
            emit reset();
        });
    return std::nullopt;
}

std::optional<QString> EditorBook::setEntryField(uint16_t id, EntryField field, const QString& text) {
    const int index = entryIndex(id);
    if (index < 0)
        return tr("This entry is no longer in the address book.");
    const EditorEntry& entry = entryList[size_t(index)];
    if (entry.field(field) == text)
        return std::nullopt;
    if (auto why = checkField(field, text))
        return why;
    if (field == EntryField::Name || field == EntryField::FaxNumber) {
        EditorEntry changed = entry;
        changed.field(field) = text;
        if (auto why = checkPair(changed.name, changed.faxNumber, id))
            return why;
    }
    const QString before = entry.field(field);
    const auto set = [this, id, field](const QString& value) {
        const int i = entryIndex(id);
        entryList[size_t(i)].field(field) = value;
        emit entryChanged(i);
    };
    push(
        tr("Change \"%1\"").arg(entry.name), [set, text] { set(text); }, [set, before] { set(before); });
    return std::nullopt;
}

void EditorBook::removeEntries(const std::vector<uint16_t>& ids) {
    if (ids.empty())
        return;
    const std::set<uint16_t> gone(ids.begin(), ids.end());
    auto entriesAfter = std::make_shared<std::vector<EditorEntry>>();
    auto groupsAfter = std::make_shared<std::vector<EditorGroup>>(groupList);
    for (const auto& e : entryList)
        if (!gone.count(e.id))
            entriesAfter->push_back(e);
    for (auto& g : *groupsAfter)
        std::erase_if(g.members, [&gone](uint16_t m) { return gone.count(m) != 0; });
    auto entriesBefore = std::make_shared<std::vector<EditorEntry>>(entryList);
    auto groupsBefore = std::make_shared<std::vector<EditorGroup>>(groupList);
    const auto set = [this](const auto& entries, const auto& groups) {
        entryList = *entries;
        groupList = *groups;
        emit reset();
        emit groupsChanged();
    };
    push(
        ids.size() == 1 ? tr("Remove an entry") : tr("Remove %n entries", nullptr, int(ids.size())),
        [set, entriesAfter, groupsAfter] { set(entriesAfter, groupsAfter); },
        [set, entriesBefore, groupsBefore] { set(entriesBefore, groupsBefore); });
}

std::optional<QString> EditorBook::addGroup(const QString& name) {
    if (auto why = checkGroupName(name))
        return why;
    if (groupList.size() >= 65535)
        return tr("This address book holds no more groups.");
    push(
        tr("Add the group \"%1\"").arg(name),
        [this, name] {
            groupList.push_back({name, {}, {}});
            emit groupsChanged();
        },
        [this] {
            groupList.pop_back();
            emit groupsChanged();
        });
    return std::nullopt;
}

std::optional<QString> EditorBook::renameGroup(int group, const QString& name) {
    if (group < 0 || size_t(group) >= groupList.size() || groupList[size_t(group)].name == name)
        return std::nullopt;
    if (auto why = checkGroupName(name))
        return why;
    const QString before = groupList[size_t(group)].name;
    const auto set = [this, group](const QString& value) {
        groupList[size_t(group)].name = value;
        emit groupsChanged();
    };
    push(
        tr("Rename the group \"%1\"").arg(before), [set, name] { set(name); },
        [set, before] { set(before); });
    return std::nullopt;
}

std::optional<QString> EditorBook::addMembers(int group, const std::vector<uint16_t>& ids) {
    if (group < 0 || size_t(group) >= groupList.size())
        return std::nullopt;
    std::vector<uint16_t> members = groupList[size_t(group)].members;
    for (uint16_t id : ids)
        if (entryIndex(id) >= 0 && std::find(members.begin(), members.end(), id) == members.end())
            members.push_back(id);
    if (members.size() > groupLimit())
        return tr("A group of this address book holds at most %1 members.").arg(groupLimit());
    const std::vector<uint16_t> before = groupList[size_t(group)].members;
    if (members == before)
        return std::nullopt;
    const auto set = [this, group](const std::vector<uint16_t>& value) {
        groupList[size_t(group)].members = value;
        emit groupsChanged();
    };
    push(
        tr("Add members to \"%1\"").arg(groupList[size_t(group)].name), [set, members] { set(members); },
        [set, before] { set(before); });
    return std::nullopt;
}

void EditorBook::removeMembers(int group, const std::vector<uint16_t>& ids) {
    if (group < 0 || size_t(group) >= groupList.size())
        return;
    const std::vector<uint16_t> before = groupList[size_t(group)].members;
    std::vector<uint16_t> members = before;
    std::erase_if(members, [&ids](uint16_t m) { return std::find(ids.begin(), ids.end(), m) != ids.end(); });
    if (members == before)
        return;
    const auto set = [this, group](const std::vector<uint16_t>& value) {
        groupList[size_t(group)].members = value;
        emit groupsChanged();
    };
    push(
        tr("Remove members from \"%1\"").arg(groupList[size_t(group)].name), [set, members] { set(members); },
        [set, before] { set(before); });
}

void EditorBook::removeGroup(int group) {
    if (group < 0 || size_t(group) >= groupList.size())
        return;
    const EditorGroup removed = groupList[size_t(group)];
    push(
        tr("Remove the group \"%1\"").arg(removed.name),
        [this, group] {
            groupList.erase(groupList.begin() + group);
            emit groupsChanged();
        },
        [this, group, removed] {
            groupList.insert(groupList.begin() + group, removed);
            emit groupsChanged();
        });
}

void EditorBook::addRecords(const std::vector<EditorEntry>& entries, const std::vector<EditorGroup>& groups,
                            const QString& text) {
    if (entries.empty() && groups.empty())
        return;
    const size_t entryCount = entryList.size(), groupCount = groupList.size();
    push(
        text,
        [this, entries, groups] {
            entryList.insert(entryList.end(), entries.begin(), entries.end());
            groupList.insert(groupList.end(), groups.begin(), groups.end());
            emit reset();
            emit groupsChanged();
        },
        [this, entryCount, groupCount] {
            entryList.resize(entryCount);
            groupList.resize(groupCount);
            emit reset();
            emit groupsChanged();
        });
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::editor
