#include "FaxSend.h"

#include "AddressBook.h"
#include "CupsSubmitter.h"
#include "FaxJobFields.h"
#include "FaxNumberRule.h"
#include "FaxOutSubmitter.h"
#include "FileNames.h"
#include "HostDocument.h"
#include "HostPrinter.h"
#include "InputStringRule.h"
#include "JobTicket.h"
#include "PpdFeature.h"
#include "SendDocument.h"

#include <QFile>
#include <cups/cups.h>
#include <map>

namespace com::velmora::cps::print::pde::tarncrest::directfax::send {

namespace {

using platform::HostDocument;
using platform::HostPrinter;

// A password file holds a few digits; more than this is not a password file.
constexpr qint64 kPasswordFileLimit = 256;
// How long the server may take to accept a connection.
constexpr int kConnectTimeoutMs = 10000;

bool checked(QStringView text, std::uint64_t maxLength, std::span<const char16_t> range) {
    InputStringRule rule;
    rule.setMaxLength(maxLength);
    rule.setAcceptableCodeRange(range);
    return rule.accepts(text);
}

bool fail(QString* error, const QString& message) {
    *error = message;
    return false;
}

// The destinations an entry or a group of a book stands for.
std::optional<QList<AddressInformation>> bookDestinations(const DestinationSource& source, QString* error) {
    addressbook::Book book;
    const QString bookName = platform::decodeFileName(source.book);
    try {
        book = addressbook::readBook(addressbook::resolveBookPath(source.book.toStdString()));
    } catch (const std::exception& failure) {
        *error = QStringLiteral("Cannot read the address book \"%1\": %2")
                     .arg(bookName, QString::fromStdString(failure.what()));
        return std::nullopt;
    }
    const std::string name = source.name.toStdString();
    std::map<uint16_t, const addressbook::BookEntry*> byId;
    for (const auto& entry : book.entries)
        byId[entry.id] = &entry;
    QList<AddressInformation> found;
    auto take = [&](const addressbook::BookEntry& entry) {
        found.append(
            AddressInformation(QString::fromStdString(entry.name), QString::fromStdString(entry.fax)));
    };
    if (source.kind == DestinationSource::Entry) {
        for (const auto& entry : book.entries)
            if (entry.name == name)
                take(entry);
        if (found.size() > 1) {
            *error = QStringLiteral("The address book \"%1\" has %2 entries named \"%3\"; add the one you "
                                    "mean with --to NAME=NUMBER")
                         .arg(bookName)
                         .arg(found.size())
                         .arg(source.name);
            return std::nullopt;
        }
    } else {
        for (const auto& group : book.groups) {
            if (group.name != name)
                continue;
            for (uint16_t id : group.members)
                if (const auto it = byId.find(id); it != byId.end())
                    take(*it->second);
            if (found.isEmpty()) {
                *error = QStringLiteral("The group \"%1\" of the address book \"%2\" has no members")
                             .arg(source.name, bookName);
                return std::nullopt;
            }
            break;
        }
    }
    if (found.isEmpty()) {
        *error = QStringLiteral("The address book \"%1\" has no %2 named \"%3\"")
                     .arg(bookName,
                          source.kind == DestinationSource::Entry ? QStringLiteral("entry")
                                                                  : QStringLiteral("group"),
                          source.name);
        return std::nullopt;
    }
    return found;
}

QString describe(const AddressInformation& item) {
    return item.name().isEmpty() ? item.phoneNumber()
                                 : QStringLiteral("%1 (%2)").arg(item.name(), item.phoneNumber());
}

} // namespace

bool addDestinations(const QList<DestinationSource>& sources, DestinationList& list, QString* error) {
    for (const DestinationSource& source : sources) {
        QList<AddressInformation> items;
        if (source.kind == DestinationSource::Typed) {
            if (!checked(source.name, kAddressNameMaxLength, kAddressNameAcceptableRange))
                return fail(error,
                            QStringLiteral("The name \"%1\" is not accepted: at most %2 letters, digits, "
                                           "spaces and punctuation of plain ASCII")
                                .arg(source.name)
                                .arg(kAddressNameMaxLength));
            items.append(AddressInformation(source.name, source.number));
        } else {
            const auto found = bookDestinations(source, error);
            if (!found)
                return false;
            items = *found;
        }
        for (const AddressInformation& item : items) {
            const QString& number = item.phoneNumber();
            if (!isValidFaxNumber(std::u16string_view(reinterpret_cast<const char16_t*>(number.utf16()),
                                                      static_cast<size_t>(number.size()))))
                return fail(error, QStringLiteral("The fax number \"%1\" is not accepted: 1 to %2 of the "
                                                  "characters 0-9 # * - : =")
                                       .arg(item.phoneNumber())
                                       .arg(kPhoneNumberMaxLength));
            if (list.indexOfAddress(item.name(), item.phoneNumber()) >= 0)
                return fail(error, QStringLiteral("The destination %1 is given twice").arg(describe(item)));
            if (!list.addObject(item))
                return fail(
                    error,
                    QStringLiteral("A fax job can go to at most %1 destinations").arg(kMaxDestinationCount));
        }
    }
    return true;
}

bool checkPassword(const QString& password, QString* error) {
    if (checked(password, kPasswordMaxLength, kPasswordAcceptableRange))
        return true;
    return fail(error,
                QStringLiteral("The password is not accepted: at most %1 digits").arg(kPasswordMaxLength));
}

std::optional<QString> readPasswordFile(const QByteArray& path, QString* error) {
    const QString name = platform::decodeFileName(path);
    QFile file;
    QString why;
    if (!openInputFile(path, file, &why)) {
        *error = QStringLiteral("Cannot read the password file \"%1\": %2").arg(name, why);
        return std::nullopt;
    }
    const QByteArray head = file.read(kPasswordFileLimit);
    const qsizetype end = head.indexOf('\n');
    if (end < 0 && head.size() == kPasswordFileLimit) {
        *error = QStringLiteral("The password file \"%1\" holds no password").arg(name);
        return std::nullopt;
    }
    return QString::fromUtf8(head.left(end < 0 ? head.size() : end)).remove(QLatin1Char('\r'));
}

QString currentServer() {
    const QString server = platform::decodeFileName(cupsServer());
    if (server.startsWith(QLatin1Char('/')))
        return server;
    return QStringLiteral("%1:%2").arg(server).arg(ippPort());
}

http_t* connectToServer() {
    return httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, kConnectTimeoutMs,
                        nullptr);
}

bool serverReachable(QString* error) {
    if (http_t* http = connectToServer()) {
        httpClose(http);
        return true;
    }
    // libcups keeps no reliable reason; errno is long overwritten when it answers.
    *error =
        QStringLiteral("The CUPS server at %1 cannot be reached: is it running, and is that its address?")
            .arg(currentServer());
    return false;
}

QList<int> sendFax(const SendRequest& request, QString* error) {
    DestinationList list;
    list.setSortDescriptors(DestinationList::destinationSortDescriptors());
    if (!addDestinations(request.destinations, list, error))
        return {};
    if (list.count() == 0) {
        *error = QStringLiteral("No destination: give at least one with --to, --entry or --group");
        return {};
    }
    std::optional<QString> password = request.password;
    if (!request.passwordFile.isEmpty()) {
        if (request.passwordFile == "-" && request.document == "-") {
            *error = QStringLiteral("Standard input cannot hold both the password and the document");
            return {};
        }
        password = readPasswordFile(request.passwordFile, error);
        if (!password)
            return {};
    }
    if (password && !checkPassword(*password, error))
        return {};
    if (!isValidDialPrefix(request.dialPrefix.toStdU16String())) {
        *error = QStringLiteral("The dial prefix \"%1\" is not accepted: at most %2 digits, # * and ,")
                     .arg(request.dialPrefix)
                     .arg(kDialPrefixMaxLength);
        return {};
    }
    if (request.sender && !checked(*request.sender, kSenderNameMaxLength, kSenderNameAcceptableRange)) {
        *error = QStringLiteral("The sender name is not accepted: at most %1 letters, digits, spaces and "
                                "punctuation of plain ASCII")
                     .arg(kSenderNameMaxLength);
        return {};
    }

    // The document before any server is asked: a wrong file name is the most common mistake.
    const std::optional<HostDocument> document = openDocument(request.document, error);
    if (!document)
        return {};

    if (!request.server.isEmpty())
        cupsSetServer(request.server.constData());
    if (!serverReachable(error))
        return {};
    std::unique_ptr<HostPrinter> printer = HostPrinter::openQueue(request.queue, error);
    if (!printer)
        return {};
    for (const auto& [keyword, choice] : request.options) {
        if (!PpdMarkOption(printer->ppd(), keyword, choice)) {
            *error = QStringLiteral("The printer \"%1\" has no option %2 with the choice %3")
                         .arg(request.queue, keyword, choice);
            return {};
        }
    }

    // As the dialog writes it: without a delayed send, the flag off and the current time.
    FaxJobRecord record;
    if (password && !password->isEmpty()) {
        record.password = *password;
        record.passwordEncoding = GetEncodingInfoFromPPD(printer->ppd());
    }
    record.delayedTime = QDateTime::currentDateTime();
    if (request.at) {
        record.delayedPrint = 1;
        record.delayedTime = QDateTime(QDate::currentDate(), *request.at);
    }
    record.destinations = list.arrangedObjects();
    platform::PrintSettings settings;
    WriteFaxJobRecord(record, &settings);
    if (request.sender)
        settings.setValue(QString::fromLatin1(kSenderNamePrintSettingsKey), *request.sender);
    if (!request.dialPrefix.isEmpty())
        settings.setValue(QString::fromLatin1(platform::kDialPrefixKey), request.dialPrefix);

    platform::PrintSession session;
    session.destinationType = platform::kPMDestinationPrinter;
    const platform::JobTicket ticket = platform::makeJobTicket(*printer, *document, settings, session);
    if (ticket.cupsFaxQueue) {
        const auto plan = platform::faxOutPlan(ticket, QDateTime::currentDateTime(), error);
        return plan ? platform::submitFaxOut(ticket, *document, *plan, error) : QList<int>();
    }
    const int job = platform::CupsSubmitter::submit(ticket, *document, error);
    return job ? QList<int>{job} : QList<int>();
}

QList<QPair<QString, QString>> faxQueues() {
    QList<QPair<QString, QString>> queues;
    for (const QString& queue : HostPrinter::queueNames()) {
        QString error;
        const std::unique_ptr<HostPrinter> printer = HostPrinter::openQueue(queue, &error);
        if (!printer)
            continue;
        if (platform::isCupsFaxQueue(queue, printer->ppd(), printer->printerType()))
            queues.append({queue, QStringLiteral("fax")});
        else if (!PpdChoices(printer->ppd(), QStringLiteral("VMFaxImageQuality")).isEmpty())
            queues.append({queue, QStringLiteral("DirectFax")});
    }
    return queues;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::send
