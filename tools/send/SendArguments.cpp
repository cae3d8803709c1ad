// The command line of directfax-send. Read by hand, not by QCommandLineParser: the order of --book,
// --entry and --group matters, the destinations keep the order in which they are given, and file
// names keep their bytes.
#include "FaxSend.h"

#include <QStringList>

namespace com::velmora::cps::print::pde::tarncrest::directfax::send {

namespace {

// Options that take a value, in their long spelling; -P and -o are the short ones lp knows.
const QStringList kValueOptions = {
    QStringLiteral("--printer"),    QStringLiteral("--server"),   QStringLiteral("--to"),
    QStringLiteral("--book"),       QStringLiteral("--entry"),    QStringLiteral("--group"),
    QStringLiteral("--at"),         QStringLiteral("--password"), QStringLiteral("--password-file"),
    QStringLiteral("--sender"),     QStringLiteral("--option"),   QStringLiteral("--timeout"),
    QStringLiteral("--dial-prefix")};

// Seconds of --timeout: a whole number from 1 to kMaxWaitTimeout.
std::optional<std::chrono::seconds> timeoutOf(const QString& value) {
    bool number = false;
    const qlonglong seconds = value.toLongLong(&number);
    if (!number || seconds < 1 || seconds > kMaxWaitTimeout.count())
        return std::nullopt;
    return std::chrono::seconds(seconds);
}

} // namespace

std::optional<SendRequest> parseSendArguments(const QByteArrayList& arguments, QString* error) {
    SendRequest request;
    QByteArray book;
    QByteArrayList documents;
    bool timeoutGiven = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i) == "--") {
            // Everything after it is a document, even when its name starts with "-".
            documents += arguments.mid(i + 1);
            break;
        }
        QString option = QString::fromLocal8Bit(arguments.at(i));
        const QString spelled = option; // as the user wrote it, for messages
        QByteArray rawValue;            // the value's bytes, for file names
        if (option == QLatin1String("-P"))
            option = QStringLiteral("--printer");
        else if (option == QLatin1String("-o"))
            option = QStringLiteral("--option");
        if (option.startsWith(QLatin1String("--")) && option.contains(QLatin1Char('='))) {
            const QByteArray& argument = arguments.at(i);
            rawValue = argument.mid(argument.indexOf('=') + 1);
            option = option.section(QLatin1Char('='), 0, 0);
            if (!kValueOptions.contains(option)) {
                *error = QStringLiteral("The option %1 takes no value").arg(option);
                return std::nullopt;
            }
        } else if (kValueOptions.contains(option)) {
            if (++i == arguments.size()) {
                *error = QStringLiteral("The option %1 needs a value").arg(spelled);
                return std::nullopt;
            }
            rawValue = arguments.at(i);
        }
        const QString value = QString::fromLocal8Bit(rawValue);

        if (option == QLatin1String("--help")) {
            request.help = true;
        } else if (option == QLatin1String("--version")) {
            request.version = true;
        } else if (option == QLatin1String("--printer")) {
            request.queue = value;
        } else if (option == QLatin1String("--server")) {
            if (value.isEmpty()) {
                *error = QStringLiteral("--server takes HOST[:PORT] or the path of the server's socket");
                return std::nullopt;
            }
            request.server = rawValue;
        } else if (option == QLatin1String("--to")) {
            const qsizetype split = value.indexOf(QLatin1Char('='));
            if (split < 0) {
                *error = QStringLiteral("--to takes NAME=NUMBER (the name may be empty: =NUMBER), not \"%1\"")
                             .arg(value);
                return std::nullopt;
            }
            request.destinations.append(
                {DestinationSource::Typed, {}, value.left(split), value.mid(split + 1)});
        } else if (option == QLatin1String("--book")) {
            book = rawValue;
        } else if (option == QLatin1String("--entry") || option == QLatin1String("--group")) {
            if (book.isEmpty()) {
                *error = QStringLiteral("%1 needs --book BOOK before it").arg(option);
                return std::nullopt;
            }
            request.destinations.append(
                {option == QLatin1String("--entry") ? DestinationSource::Entry : DestinationSource::Group,
                 book,
                 value,
                 {}});
        } else if (option == QLatin1String("--at")) {
            const QTime time = QTime::fromString(value, QStringLiteral("HH:mm"));
            if (!time.isValid()) {
                *error = QStringLiteral("--at takes a time of day as HH:mm (24-hour clock), not \"%1\"")
                             .arg(value);
                return std::nullopt;
            }
            request.at = time;
        } else if (option == QLatin1String("--password")) {
            request.password = value;
        } else if (option == QLatin1String("--password-file")) {
            request.passwordFile = rawValue;
        } else if (option == QLatin1String("--sender")) {
            request.sender = value;
        } else if (option == QLatin1String("--option")) {
            const qsizetype split = value.indexOf(QLatin1Char('='));
            if (split <= 0) {
                *error = QStringLiteral("-o takes KEY=VALUE, not \"%1\"").arg(value);
                return std::nullopt;
            }
            request.options.append({value.left(split), value.mid(split + 1)});
        } else if (option == QLatin1String("--dial-prefix")) {
            request.dialPrefix = value;
        } else if (option == QLatin1String("--list")) {
            request.list = true;
        } else if (option == QLatin1String("--wait")) {
            request.wait = true;
        } else if (option == QLatin1String("--timeout")) {
            const auto timeout = timeoutOf(value);
            if (!timeout) {
                *error = QStringLiteral("--timeout takes whole seconds from 1 to %1, not \"%2\"")
                             .arg(kMaxWaitTimeout.count())
                             .arg(value);
                return std::nullopt;
            }
            request.timeout = *timeout;
            timeoutGiven = true;
        } else if (option.startsWith(QLatin1Char('-')) && option != QLatin1String("-")) {
            *error = QStringLiteral("Unknown option %1 (see --help; put -- before a document whose name "
                                    "starts with -)")
                         .arg(option);
            return std::nullopt;
        } else {
            documents.append(arguments.at(i));
        }
    }
    if (request.help || request.version || request.list)
        return request;
    if (timeoutGiven && !request.wait) {
        *error = QStringLiteral("--timeout needs --wait");
        return std::nullopt;
    }
    if (request.password && !request.passwordFile.isEmpty()) {
        *error = QStringLiteral("Give the password either with --password or with --password-file");
        return std::nullopt;
    }
    if (request.queue.isEmpty()) {
        *error = QStringLiteral("No printer: give the fax queue with -P QUEUE");
        return std::nullopt;
    }
    if (documents.size() != 1) {
        *error = documents.isEmpty() ? QStringLiteral("No document: give a file, or - for standard input")
                                     : QStringLiteral("Only one document can be sent at a time");
        return std::nullopt;
    }
    request.document = documents.first();
    return request;
}

QString sendHelpText() {
    return QStringLiteral(
        "Usage: directfax-send -P QUEUE [options] [--] FILE|-\n"
        "Sends FILE (PDF, PostScript or text, at most 64 MiB; - reads standard input) as a fax\n"
        "through the fax queue QUEUE, with the rules of the fax-job dialog, and writes the CUPS job\n"
        "id. On a CUPS fax queue of any printer (IPP FaxOut, cupsFax) each destination is a job of\n"
        "its own, and every id is written, one a line. Put -- before a FILE whose name starts with -.\n"
        "\n"
        "Destinations (at most 30; the same name and number twice is refused):\n"
        "  --to NAME=NUMBER        a name (may be empty) and a fax number (0-9 # * - : =)\n"
        "  --book BOOK             the address book the following --entry and --group read\n"
        "  --entry NAME            the entry NAME of that book\n"
        "  --group NAME            every member of the group NAME of that book\n"
        "\n"
        "Job:\n"
        "  --at HH:mm              send later, at this time of day\n"
        "  --password-file FILE    the password (up to 4 digits) from the first line of FILE;\n"
        "                          - reads it from standard input\n"
        "  --password NNNN         the password on the command line. Avoid it: any user of the\n"
        "                          computer can read a program's arguments while it runs, and the\n"
        "                          shell may keep them in its history\n"
        "  --sender NAME           the sender name of the cover page\n"
        "  -o KEY=VALUE            a choice of the printer's options (VMFaxImageQuality=Fine, ...)\n"
        "  --dial-prefix DIGITS    what a CUPS fax queue dials first (an outside line, such as 0)\n"
        "\n"
        "Following the job:\n"
        "  --wait                  wait until the job is completed, stopped, cancelled or aborted,\n"
        "                          and write how it ended with CUPS's message; Ctrl+C stops\n"
        "                          waiting and leaves the job in the queue\n"
        "  --timeout SECONDS       wait at most this long (default 300)\n"
        "\n"
        "  -P, --printer QUEUE     the fax queue\n"
        "  --server SERVER         the CUPS server: HOST[:PORT], or the path of its socket such as\n"
        "                          /run/cups/cups.sock (default: CUPS_SERVER, else the system's)\n"
        "  --list                  the queues it can fax to, each with its kind, one a line\n"
        "  --help                  this text\n"
        "  --version               the version\n"
        "\n"
        "Exit status: 0 when CUPS took the job (with --wait: when the job completed), 1 when it was\n"
        "refused or could no longer be followed, 2 for a bad command line; with --wait 3 when the\n"
        "job was stopped, cancelled or aborted, 4 when the time ran out (the job stays in the\n"
        "queue), 130 after Ctrl+C (the job stays in the queue).\n");
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::send
