// directfax-send: a fax job from the command line. The destinations go through the rules of the
// fax-job dialog (its checkers, the destination list with its arrangement and limit), the record
// is written by the dialog's own WriteFaxJobRecord, and the job goes to CUPS as the print dialog
// host submits it.
#pragma once

#include "DestinationList.h"
#include "FaxJobRecord.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QPair>
#include <QString>
#include <QTime>
#include <chrono>
#include <cups/http.h>
#include <optional>

namespace com::velmora::cps::print::pde::tarncrest::directfax::send {

// File names stay the bytes the command line gave (a name need not be UTF-8); messages show them
// decoded.

// Where one destination comes from: typed (--to NAME=NUMBER), or an entry or a group of an
// address-book file (--book BOOK, then --entry NAME or --group NAME).
struct DestinationSource {
    enum Kind { Typed, Entry, Group } kind = Typed;
    QByteArray book; // Entry and Group: the book's name or path
    QString name;
    QString number; // Typed only
};

// How long --wait follows a job unless --timeout says otherwise, and the most it may say.
inline constexpr std::chrono::seconds kDefaultWaitTimeout{300};
inline constexpr std::chrono::seconds kMaxWaitTimeout{7 * 24 * 3600};

struct SendRequest {
    QString queue;
    QByteArray server; // HOST[:PORT] or a socket's path; empty: the CUPS server of the environment
    QList<DestinationSource> destinations;
    std::optional<QTime> at;
    std::optional<QString> password;
    QByteArray passwordFile; // "-": standard input
    std::optional<QString> sender;
    QList<QPair<QString, QString>> options; // -o KEY=VALUE, in order
    QByteArray document;                    // "-": standard input
    QString dialPrefix;                     // a CUPS fax queue's faxPrefix; empty: none
    bool list = false;                      // name the queues it can fax to
    bool wait = false;                      // follow the job until it ends
    std::chrono::seconds timeout = kDefaultWaitTimeout;
    bool help = false;
    bool version = false;
};

// Reads the command line as the program got it (program name first); nullopt with `error` set
// when it is refused.
std::optional<SendRequest> parseSendArguments(const QByteArrayList& arguments, QString* error);
QString sendHelpText();

// Exit statuses of the program.
enum SendExit {
    kExitSent = 0,         // CUPS took the job; with --wait: the job completed
    kExitRefused = 1,      // refused before or by CUPS, or the job could no longer be followed
    kExitUsage = 2,        // a bad command line
    kExitJobFailed = 3,    // --wait: the job was stopped, cancelled or aborted
    kExitTimedOut = 4,     // --wait: the job had not ended when the time was up
    kExitInterrupted = 130 // --wait: Ctrl+C (128 + SIGINT); the job goes on
};

// Adds the request's destinations to `list` in the order given, as the fax-job dialog takes them:
// a typed name of printable ASCII up to its field's length, a fax number the number field takes,
// at most kMaxDestinationCount destinations. A destination equal in name and fax number to one
// already listed is refused (the dialog asks; a script cannot be asked). False with `error` set
// on the first refused one.
bool addDestinations(const QList<DestinationSource>& sources, DestinationList& list, QString* error);

// Checks a password as the dialog's password field does (up to 4 digits); an empty one is none.
bool checkPassword(const QString& password, QString* error);
// The first line of `path` ("-": standard input), at most a few bytes read.
std::optional<QString> readPasswordFile(const QByteArray& path, QString* error);

// Sends the fax: checks the destinations, the password and the document, then asks the server:
// opens the queue, marks the -o choices, writes the record into the print settings and submits
// the document (one job per destination on a CUPS fax queue). Answers the CUPS job ids, or none
// with `error` set.
QList<int> sendFax(const SendRequest& request, QString* error);

// The queues of the current server that take faxes, each with its kind ("DirectFax" for the
// maker's fax driver, "fax" for a CUPS fax queue of any printer), in the server's order.
QList<QPair<QString, QString>> faxQueues();

// The CUPS server libcups talks to, as the user names it: HOST:PORT or the socket's path.
QString currentServer();
// A connection to the current CUPS server (given up when it is not accepted within a few
// seconds), or null; the caller closes it with httpClose.
http_t* connectToServer();
// True when the current CUPS server accepts a connection; else false with `error` set.
bool serverReachable(QString* error);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::send
