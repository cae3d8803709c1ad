// directfax-send: the fax-job dialog's rules without the dialog, and a job sent end to end
// through the demo fax printer (private cupsd, fax filter, printer emulator).
#include "FaxSend.h"
#include "AddressBook.h"
#include "DemoFaxPrinter.h"
#include "JobWatch.h"
#include "SchedulerAttributes.h"
#include "SendDocument.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTime>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <tuple>
#include <unistd.h>

using namespace com::velmora::cps::print::pde::tarncrest::directfax;
using namespace com::velmora::cps::print::pde::tarncrest::directfax::send;

namespace {

const QString kBin = QStringLiteral(DIRECTFAX_BINARY_DIR);
const QString kSend = kBin + "/tools/send/directfax-send";
const QString kPrefix = QStringLiteral("com.velmora.cps.print.printsettings.");

// A computer address book with three entries and the group "Partners" of two of them.
QString makeBook(const QTemporaryDir& dir) {
    const QString path = dir.filePath("Customers.abk");
    std::vector<addressbook::BookEntry> entries(3);
    for (auto [index, name, fax] :
         {std::tuple{0, "Anna Berg", "0301111"}, std::tuple{1, "Carl Dahl", "0302222"},
          std::tuple{2, "Anna Berg", "0303333"}}) {
        entries[index].id = static_cast<uint16_t>(index + 1);
        entries[index].name = name;
        entries[index].fax = fax;
    }
    addressbook::BookGroup partners;
    partners.name = "Partners";
    partners.members = {1, 2};
    addressbook::createBook(path.toStdString(), kAbifFileComputer, entries, {partners});
    return path;
}

TEST(FaxSendRules, RefusesWhatTheDialogRefuses) {
    QTemporaryDir dir;
    const QByteArray book = QFile::encodeName(makeBook(dir));
    QList<DestinationSource> thirtyOne;
    for (int i = 0; i < 31; ++i)
        thirtyOne.append({DestinationSource::Typed, {}, QString::number(i), "0301" + QString::number(i)});
    struct Row {
        QList<DestinationSource> sources;
        const char* message;
    };
    const QList<Row> rows = {
        {{{DestinationSource::Typed, {}, "Eva", "030 1234"}}, "The fax number \"030 1234\" is not accepted"},
        {{{DestinationSource::Typed, {}, "Eva", ""}}, "The fax number \"\" is not accepted"},
        {{{DestinationSource::Typed, {}, QString(33, 'x'), "0301"}}, "is not accepted: at most 32"},
        {{{DestinationSource::Typed, {}, "Jürgen", "0301"}}, "The name \"Jürgen\" is not accepted"},
        {{{DestinationSource::Typed, {}, "Eva", "0301"}, {DestinationSource::Typed, {}, "Eva", "0301"}},
         "The destination Eva (0301) is given twice"},
        // A group member already typed in is the same destination.
        {{{DestinationSource::Typed, {}, "Carl Dahl", "0302222"},
          {DestinationSource::Group, book, "Partners", {}}},
         "The destination Carl Dahl (0302222) is given twice"},
        {thirtyOne, "at most 30 destinations"},
        {{{DestinationSource::Entry, book, "Anna Berg", {}}}, "has 2 entries named \"Anna Berg\""},
        {{{DestinationSource::Entry, book, "Nobody", {}}}, "has no entry named \"Nobody\""},
        {{{DestinationSource::Group, book, "Nobody", {}}}, "has no group named \"Nobody\""},
        {{{DestinationSource::Entry, QFile::encodeName(dir.filePath("missing.abk")), "Anna Berg", {}}},
         "Cannot read the address book"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        DestinationList list;
        QString error;
        EXPECT_FALSE(addDestinations(row.sources, list, &error));
        EXPECT_TRUE(error.contains(QString::fromUtf8(row.message))) << error.toStdString();
    }

    // Thirty fit, in the dialog's arrangement (names descending).
    DestinationList list;
    list.setSortDescriptors(DestinationList::destinationSortDescriptors());
    QString error;
    ASSERT_TRUE(addDestinations(thirtyOne.mid(1), list, &error)) << error.toStdString();
    EXPECT_EQ(list.count(), 30);
    EXPECT_EQ(list.arrangedObjects().first().name(), "9");

    for (const char* password : {"12345", "12a", "１２"}) {
        EXPECT_FALSE(checkPassword(QString::fromUtf8(password), &error)) << password;
    }
    EXPECT_TRUE(checkPassword("0042", &error));
    EXPECT_TRUE(checkPassword("", &error));
}

TEST(FaxSendRules, CommandLine) {
    QString error;
    auto parse = [&](QByteArrayList arguments) {
        arguments.prepend("directfax-send");
        return parseSendArguments(arguments, &error);
    };
    const auto request = parse({"-P", "Fax", "--to", "Eva=0301=2", "--book", "B", "--group", "G",
                                "--to=Bo=0302", "--at", "07:30", "-o", "VMFaxImageQuality=Fine", "-"});
    ASSERT_TRUE(request) << error.toStdString();
    EXPECT_EQ(request->queue, "Fax");
    ASSERT_EQ(request->destinations.size(), 3);
    EXPECT_EQ(request->destinations[0].number, "0301=2"); // "=" belongs to fax numbers
    EXPECT_EQ(request->destinations[1].kind, DestinationSource::Group);
    EXPECT_EQ(request->destinations[1].book, "B");
    EXPECT_EQ(request->destinations[2].name, "Bo");
    EXPECT_EQ(request->at, QTime(7, 30));
    EXPECT_EQ(request->document, "-");

    // "--" ends the options; a file name keeps its bytes; --wait and its time limit.
    struct Parsed {
        QByteArrayList arguments;
        QByteArray document;
        bool wait;
        int timeout;
    };
    for (const Parsed& row :
         {Parsed{{"--", "-x.pdf"}, "-x.pdf", false, 300}, Parsed{{"--", "-"}, "-", false, 300},
          Parsed{{"--wait", "--", "--wait"}, "--wait", true, 300},
          Parsed{{"caf\xe9.pdf"}, "caf\xe9.pdf", false, 300},
          Parsed{{"--wait", "--timeout=604800", "f"}, "f", true, 604800}}) {
        SCOPED_TRACE(row.arguments.join(' ').toStdString());
        const auto parsed = parse(QByteArrayList{"-P", "Fax"} + row.arguments);
        ASSERT_TRUE(parsed) << error.toStdString();
        EXPECT_EQ(parsed->document, row.document);
        EXPECT_EQ(parsed->wait, row.wait);
        EXPECT_EQ(parsed->timeout.count(), row.timeout);
    }

    struct Row {
        QByteArrayList arguments;
        const char* message;
    };
    for (const Row& row :
         {Row{{"-P", "Fax", "--", "a", "b"}, "Only one document"},
          Row{{"-P", "Fax", "-x.pdf"}, "put -- before"},
          Row{{"-P", "Fax", "--timeout", "5", "f"}, "--timeout needs --wait"},
          Row{{"-P", "Fax", "--wait", "--timeout", "0", "f"}, "whole seconds from 1 to 604800, not \"0\""},
          Row{{"-P", "Fax", "--wait", "--timeout", "604801", "f"}, "not \"604801\""},
          Row{{"-P", "Fax", "--server=", "f"}, "--server takes HOST[:PORT] or the path"},
          Row{{"--to", "A=1", "f.pdf"}, "No printer"}, Row{{"-P", "Fax", "--to", "A=1"}, "No document"},
          Row{{"-P", "Fax", "--entry", "A", "f.pdf"}, "--entry needs --book"},
          Row{{"-P", "Fax", "--to", "0301", "f.pdf"}, "--to takes NAME=NUMBER"},
          Row{{"-P", "Fax", "--at", "25:00", "f.pdf"}, "--at takes a time of day"},
          Row{{"-P", "Fax", "--password", "1", "--password-file", "p", "f.pdf"}, "either"},
          Row{{"-P", "Fax", "--fast", "f.pdf"}, "Unknown option --fast"}, Row{{"-P"}, "-P needs a value"}}) {
        SCOPED_TRACE(row.message);
        EXPECT_FALSE(parse(row.arguments));
        EXPECT_TRUE(error.contains(row.message)) << error.toStdString();
    }
}

// A document is read up to its bound and no further: from a file, a pipe, a pipe or a device
// that never ends. A file name that is not UTF-8 opens by its bytes.
TEST(FaxSendDocument, ReadsUpToTheBoundAndNoFurther) {
    QTemporaryDir dir;
    const QByteArray latin1Name = QFile::encodeName(dir.path()) + "/caf\xe9.pdf";
    constexpr qint64 kLimit = platform::HostDocument::kMaxDocumentBytes;
    struct Row {
        bool pipe;
        qint64 size; // -1: endless
        const char* message;
    };
    for (const Row& row :
         {Row{true, 0, "is empty"}, Row{true, kLimit, ""}, Row{true, kLimit + 1, "larger than"},
          Row{true, -1, "larger than"}, Row{false, kLimit, ""},
          Row{false, kLimit + 1, "larger than a fax job takes (64 MB)"}, Row{false, -1, "larger than"}}) {
        SCOPED_TRACE(testing::Message() << row.pipe << " " << row.size);
        QString error;
        // Lines of text, as much as the row says, or without end.
        const QByteArray text = row.size < 0 ? "yes" : "yes | head -c " + QByteArray::number(row.size);
        std::optional<platform::HostDocument> document;
        if (row.pipe) {
            FILE* pipe = popen(text.constData(), "r");
            QFile input;
            ASSERT_TRUE(pipe && input.open(pipe, QIODevice::ReadOnly));
            document = platform::HostDocument::read(input, "doc", "doc", &error);
            input.close();
            pclose(pipe); // the endless writer ends at the closed pipe
        } else {
            ASSERT_TRUE(row.size < 0 || std::system(text + " > '" + latin1Name + "'") == 0);
            document = openDocument(row.size < 0 ? "/dev/zero" : latin1Name, &error);
        }
        EXPECT_EQ(document.has_value(), !*row.message) << error.toStdString();
        EXPECT_EQ(document ? document->data().size() : 0, document ? row.size : 0);
        EXPECT_TRUE(error.contains(row.message)) << error.toStdString();
    }

    unlink(latin1Name.constData()); // QDir cannot name it to remove it
}

TEST(FaxSendProgram, ARefusedJobExitsWithItsReasonAndContactsNoServer) {
    struct Row {
        QStringList arguments;
        int exitCode;
        QString message;
    };
    QTemporaryDir dir;
    QFile pin(dir.filePath("pin"));
    ASSERT_TRUE(pin.open(QIODevice::WriteOnly));
    pin.write("12345\n");
    pin.close();
    QFile document(dir.filePath("doc.txt")), empty(dir.filePath("empty.txt"));
    ASSERT_TRUE(document.open(QIODevice::WriteOnly) && document.write("A fax.\n") == 7 &&
                empty.open(QIODevice::WriteOnly));
    document.close();
    const QString socket = dir.filePath("cups.sock");
    for (const Row& row :
         {Row{{"-P", "Fax", "--to", "A=1", "--to", "A=1", "f.pdf"}, 1, "is given twice"},
          Row{{"-P", "Fax", "--to", "A=1", "--password-file", pin.fileName(), "f.pdf"},
              1,
              "at most 4 digits"},
          Row{{"-P", "Fax", "f.pdf"}, 1, "No destination"}, Row{{"--bogus"}, 2, "Unknown option --bogus"},
          // The document is looked at before any server is asked.
          Row{{"-P", "Fax", "--to", "A=1", "f.pdf"}, 1, "Cannot open the document \"f.pdf\": No such file"},
          Row{{"-P", "Fax", "--to", "A=1", empty.fileName()}, 1, "is empty; there is nothing to send"},
          Row{{"-P", "Fax", "--to", "A=1", document.fileName()},
              1,
              "The CUPS server at 127.0.0.1:1 cannot be reached"},
          Row{{"-P", "Fax", "--to", "A=1", "--server", socket, document.fileName()},
              1,
              "The CUPS server at " + socket + " cannot be reached"}}) {
        SCOPED_TRACE(row.message.toStdString());
        QProcess send;
        // A server that answers nobody: a refusal must come before any CUPS request. Without a
        // runtime folder Qt has words of its own, which the user must not get.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("CUPS_SERVER", "127.0.0.1:1");
        environment.remove("XDG_RUNTIME_DIR");
        send.setProcessEnvironment(environment);
        send.start(kSend, row.arguments);
        ASSERT_TRUE(send.waitForFinished(30000));
        EXPECT_EQ(send.exitCode(), row.exitCode);
        const QString err = QString::fromLocal8Bit(send.readAllStandardError());
        EXPECT_TRUE(err.startsWith("directfax-send: ") && err.contains(row.message) && err.count('\n') == 1)
            << err.toStdString();
        EXPECT_TRUE(send.readAllStandardOutput().isEmpty());
    }
}

// The program loads no GUI library; a text document goes to the program that draws it, and where
// that one is missing the user is told so.
TEST(FaxSendProgram, LoadsNoGuiAndHandsTextToItsDrawer) {
    QProcess loader;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LD_TRACE_LOADED_OBJECTS", "1"); // the loader lists the libraries and stops
    loader.setProcessEnvironment(environment);
    loader.start(kSend, {"--version"});
    ASSERT_TRUE(loader.waitForFinished(20000));
    const QByteArray libraries = loader.readAllStandardOutput();
    EXPECT_TRUE(libraries.contains("libQt6Core.so"));
    for (const char* gui : {"libQt6Gui", "libQt6Widgets", "libQt6DBus", "libdirectfax_platform"})
        EXPECT_FALSE(libraries.contains(gui)) << gui;

    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(kSend, dir.filePath("directfax-send")));
    QProcess alone;
    alone.start(dir.filePath("directfax-send"), {"-P", "Fax", "--to", "A=1", "-"});
    alone.closeWriteChannel();
    ASSERT_TRUE(alone.waitForFinished(20000));
    EXPECT_EQ(alone.exitCode(), 1);
    EXPECT_TRUE(alone.readAllStandardError().startsWith("directfax-send: A text document cannot be sent: the "
                                                        "program that draws text ("));
}

// The program against the demo fax printer.
class FaxSendPrinterTest : public ::testing::Test {
protected:
    void SetUp() override {
        const platform::DemoFaxPrinter::Setup setup{
            kBin + "/tools/device-emulator/directfax-device-emulator",
            kBin + "/tools/fax-filter/directfax-fax-filter",
            kBin + "/tools/print-backend/directfax-backend",
            QStringLiteral(DIRECTFAX_SOURCE_DIR "/host/samples/DirectFaxSample.ppd"),
            dir.filePath("outbox"),
            {},
            {}};
        QString error;
        if (!printer.start(setup, &error))
            GTEST_SKIP() << "The demo fax printer cannot run here: " << error.toStdString();
    }

    struct Run {
        int exitCode;
        QString out, err;
    };
    // Sends to the printer's queue with `arguments` and `input` on standard input; `meanwhile`
    // runs while the program does.
    Run send(const QStringList& arguments, const QByteArray& input,
             const std::function<void(QProcess&)>& meanwhile = {}, const QString& queue = {}) {
        QProcess program;
        program.start(kSend, QStringList{"-P", queue.isEmpty() ? printer.queue() : queue, "--server",
                                         printer.server()} +
                                 arguments);
        program.waitForStarted();
        program.write(input);
        program.closeWriteChannel();
        if (meanwhile)
            meanwhile(program);
        program.waitForFinished(60000);
        return {program.exitCode(), QString::fromUtf8(program.readAllStandardOutput()),
                QString::fromUtf8(program.readAllStandardError())};
    }

    QTemporaryDir dir;
    platform::DemoFaxPrinter printer;
};

TEST_F(FaxSendPrinterTest, SendsThroughThePrivateCupsWithTheDialogsRecord) {
    const QString book = makeBook(dir);
    QFile pin(dir.filePath("pin"));
    ASSERT_TRUE(pin.open(QIODevice::WriteOnly));
    pin.write("1234\n");
    pin.close();

    // The document from standard input; the destinations from the command line and a group.
    QProcess send;
    send.start(kSend, {"-P", printer.queue(), "--server", printer.server(), "--to", "=0309999", "--book",
                       book, "--group", "Partners", "--at", "21:05", "--password-file", pin.fileName(),
                       "--sender", "Front Desk", "-o", "VMFaxImageQuality=SuperFine", "-"});
    ASSERT_TRUE(send.waitForStarted());
    send.write("A fax from a script.\n");
    send.closeWriteChannel();
    ASSERT_TRUE(send.waitForFinished(60000));
    const QString err = QString::fromLocal8Bit(send.readAllStandardError());
    ASSERT_EQ(send.exitCode(), 0) << err.toStdString();
    bool number = false;
    const int job = QString::fromLatin1(send.readAllStandardOutput()).trimmed().toInt(&number);
    ASSERT_TRUE(number && job > 0);
    ASSERT_TRUE(printer.waitForJobs(std::chrono::seconds(60)).isEmpty())
        << printer.scheduler().errorLogTail().toStdString();

    // The fax filter took the record: the password unscrambled, the destinations arranged.
    const QStringList filed = QDir(printer.outbox()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(filed.size(), 1) << printer.scheduler().errorLogTail().toStdString();
    QFile recordFile(printer.outbox() + "/" + filed.first() + "/record.json");
    ASSERT_TRUE(recordFile.open(QIODevice::ReadOnly));
    const QJsonObject record = QJsonDocument::fromJson(recordFile.readAll()).object();
    EXPECT_EQ(record["job"].toInt(), job);
    EXPECT_EQ(record["password"].toString(), "1234");
    EXPECT_EQ(record["delayedTime"].toString(), "21:05");
    EXPECT_EQ(record["VMFaxImageQuality"].toString(), "SuperFine");
    const QJsonArray destinations = record["destinations"].toArray();
    ASSERT_EQ(destinations.size(), 3);
    EXPECT_EQ(destinations[0]["name"].toString(), "Carl Dahl");
    EXPECT_EQ(destinations[1]["name"].toString(), "Anna Berg");
    EXPECT_EQ(destinations[2]["phoneNumber"].toString(), "0309999");

    // The record keys as the owner reads them back over IPP.
    const auto attributes =
        jobAttributesOf(printer.server(), job, cupsUser(), printer.scheduler().localCertificate());
    auto value = [&](const QString& key) { return attributes.count(key) ? attributes.at(key) : QString(); };
    EXPECT_EQ(value(kPrefix + "DFaxDestinationNumber"), "3");
    EXPECT_EQ(value(kPrefix + "DFaxDestinationPhoneNumber1"), "0302222");
    EXPECT_EQ(value(kPrefix + "DFaxDelayedPrint"), "1");
    EXPECT_EQ(value(kPrefix + "DFaxCoverSenderName"), "Front Desk");
    EXPECT_NE(value(kPrefix + "DFaxPassword"), "1234"); // scrambled
}

// On a CUPS fax queue each destination is a job of its own with the dial prefix, and --wait
// follows them all; --list tells that queue from the maker's.
TEST_F(FaxSendPrinterTest, OnACupsFaxQueueEachDestinationIsAJobAndWaitFollowsThemAll) {
    QProcess list;
    list.start(kSend, {"--list", "--server", printer.server()});
    ASSERT_TRUE(list.waitForFinished(20000));
    EXPECT_EQ(QString::fromUtf8(list.readAllStandardOutput()), "DirectFax\tDirectFax\nFax\tfax\n");

    const Run refused = send({"--to", "Ann=0301", "--dial-prefix", "9a", "-"}, "A fax.\n", {}, "Fax");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("The dial prefix \"9a\" is not accepted")) << refused.err.toStdString();

    const Run run = send({"--to", "Ann=0301", "--to", "Bob=0302", "--dial-prefix", "9", "--wait", "-"},
                         "A fax to two.\n", {}, "Fax");
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << run.out.toStdString();
    EXPECT_TRUE(lines[2].startsWith("Job " + lines[0] + " completed")) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].startsWith("Job " + lines[1] + " completed")) << lines[3].toStdString();
    std::map<QString, QString> filed;
    for (const QString& job : QDir(printer.outbox()).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile recordFile(printer.outbox() + "/" + job + "/record.json");
        EXPECT_TRUE(recordFile.open(QIODevice::ReadOnly));
        for (const auto& value : QJsonDocument::fromJson(recordFile.readAll())["destinations"].toArray())
            filed[value[QLatin1String("uri")].toString()] = value[QLatin1String("preDialString")].toString();
    }
    EXPECT_EQ(filed, (std::map<QString, QString>{{"tel:0301", "9"}, {"tel:0302", "9"}}));
}

// A PDF or PostScript document goes as it is, without a GUI: it is sent where no GUI platform
// could start.
TEST_F(FaxSendPrinterTest, SendsPdfAndPostScriptWithoutAGui) {
    for (const char* document : {"three-pages.pdf", "letter-filled.ps"}) {
        SCOPED_TRACE(document);
        QProcess send;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "no-such-platform");
        send.setProcessEnvironment(environment);
        send.start(kSend, {"-P", printer.queue(), "--server", printer.server(), "--to", "Eva=0301",
                           QStringLiteral(DIRECTFAX_SOURCE_DIR "/tests/fixtures/fax/") + document});
        ASSERT_TRUE(send.waitForFinished(60000));
        EXPECT_EQ(send.exitCode(), 0) << send.readAllStandardError().toStdString();
        EXPECT_GT(send.readAllStandardOutput().trimmed().toInt(), 0);
    }
}

// --wait follows the job to its end and tells it with CUPS's words; without --at the job is sent
// at once, as from the dialog.
TEST_F(FaxSendPrinterTest, WaitFollowsTheJobToItsEnd) {
    struct Row {
        QByteArray document;
        int exitCode;
        const char* said;
    };
    const QString sent = QTime::currentTime().toString("HH:mm");
    for (const Row& row :
         {Row{"A fax sent now.\n", 0, "completed"},
          // ghostscript refuses it, so the fax filter stops the job
          Row{"%!PS\nno_such_operator\n", 3,
              "stopped: The document is not a readable PostScript file: it stops with an error."}}) {
        const Run run = send({"--wait", "--to", "Eva=0301", "-"}, row.document);
        EXPECT_EQ(run.exitCode, row.exitCode) << run.err.toStdString();
        const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 2) << run.out.toStdString();
        EXPECT_TRUE(lines[1].startsWith("Job " + lines[0] + " " + row.said)) << lines[1].toStdString();
    }
    const QStringList filed = QDir(printer.outbox()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(filed.size(), 1);
    QFile recordFile(printer.outbox() + "/" + filed.first() + "/record.json");
    ASSERT_TRUE(recordFile.open(QIODevice::ReadOnly));
    const QJsonObject record = QJsonDocument::fromJson(recordFile.readAll()).object();
    EXPECT_FALSE(record["delayedPrint"].toBool());
    EXPECT_GE(record["delayedTime"].toString(), sent); // the time it was sent (not at midnight)
}

// A job that cannot reach the printer (its queue is paused): the wait ends at its time limit, or
// at Ctrl+C, and the job stays in the queue.
TEST_F(FaxSendPrinterTest, WaitEndsAtItsLimitOrCtrlCAndLeavesTheJob) {
    ipp_t* pause = ippNewRequest(IPP_OP_PAUSE_PRINTER);
    ippAddString(pause, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 "ipp://localhost/printers/DirectFax");
    askScheduler(printer.server(), pause, cupsUser());
    ASSERT_LE(cupsLastError(), IPP_STATUS_OK_CONFLICTING) << cupsLastErrorString();
    for (const bool interrupt : {false, true}) {
        QString said;
        const Run run = send({"--wait", "--to", "Eva=0301", "--timeout", interrupt ? "60" : "1", "-"},
                             "A fax.\n", [&](QProcess& program) {
                                 program.setReadChannel(QProcess::StandardError);
                                 while (interrupt && !said.contains("Ctrl+C stops waiting") &&
                                        program.waitForReadyRead(20000))
                                     said += QString::fromUtf8(program.readAll());
                                 if (interrupt)
                                     kill(pid_t(program.processId()), SIGINT);
                             });
        EXPECT_EQ(run.exitCode, interrupt ? 130 : 4);
        EXPECT_TRUE(run.err.contains(interrupt ? "Stopped waiting; the job "
                                               : "not ended in time (--timeout 1); it is "))
            << run.err.toStdString();
        const int job = run.out.trimmed().toInt();
        const auto attributes = jobAttributesOf(printer.server(), job, cupsUser());
        EXPECT_TRUE(attributes.count("job-state") && attributes.at("job-state") != "canceled");
    }
}

// What the server says is shown as one line of printable text of bounded length.
TEST(FaxSendWait, ShowsTheServersWordsTamed) {
    const QString hostile = "Paper\x1b[2J\njam" + QString(1000, 'x');
    const QString shown = describeStatus({6, hostile, {}});
    EXPECT_TRUE(shown.startsWith("stopped: Paper [2J jamxxx")) << shown.toStdString();
    EXPECT_EQ(shown.size(), QString("stopped: ").size() + 300 + 3);
    EXPECT_EQ(describeStatus({4, {}, {"job-hold-until-specified"}}), "held (job-hold-until-specified)");
}

} // namespace
