// A test with the demo fax printer running (private cupsd, fax filter, printer emulator) and
// libcups pointed at it, with helpers that read the scheduler's view of a job over IPP and the
// jobs the printer filed in its outbox.
#pragma once

#include "DemoFaxPrinter.h"

#include <QJsonObject>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <map>

namespace demo_printer_test {

namespace pf = com::velmora::cps::print::pde::tarncrest::directfax::platform;

inline const QString kBin = QStringLiteral(DIRECTFAX_BINARY_DIR);
// Prefix of the print-settings keys as job options.
inline const QString kPrefix = QStringLiteral("com.velmora.cps.print.printsettings.");
inline constexpr std::chrono::seconds kJobWait{60};

using Attributes = std::map<QString, QString>; // IPP attribute name -> value text
using Record = std::map<QString, QString>;     // base name of a print-settings key -> value

// Submits the built-in text to `queue` (on the process's CUPS server) with the fax record
// `record`; the job id, or 0 with `error` set.
int submitRecord(const QString& queue, const Record& record, QString* error);
// A record to one destination, "Ann" at `number`, sent at once.
Record recordTo(const QString& number);

// The value of `name`, or "" when it is missing.
QString valueOf(const Attributes& attributes, const QString& name);

// A widget application: rendering a text document needs its fonts, the panels its widgets.
void ensureApplication();

class DemoPrinterTest : public ::testing::Test {
protected:
    // The application, and a configuration folder of the test's own for what the plug-in
    // registers.
    static void SetUpTestSuite();
    // Skips the test when the demo printer cannot run here.
    void SetUp() override;
    void TearDown() override;

    // The answer to `request` as (name -> value text), sent as `user`; with `owner` the request
    // carries the scheduler's certificate for this process's user, so it counts as the job's owner.
    Attributes ask(ipp_t* request, const char* user, bool owner);
    Attributes jobAttributes(int job, const char* user, bool owner);
    // Waits until no job of the queue is pending or printing; false when some still are.
    bool settle(std::chrono::milliseconds limit = kJobWait);
    // The queue's state message.
    QString printerStateMessage();
    // Number of jobs the scheduler knows of, done or not.
    int schedulerJobCount();

    // The job folders in the outbox, and the record.json of one of them.
    QStringList filedJobs() const;
    QJsonObject filedRecord(const QString& job) const;
    QString filedPath(const QString& job, const QString& file) const;

    QTemporaryDir outboxDir;
    pf::DemoFaxPrinter printer;
};

} // namespace demo_printer_test
