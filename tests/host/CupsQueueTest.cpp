// The host against a private CUPS scheduler with one fax queue made from the sample PPD.
#include "HostPrinter.h"
#include "PrivateCupsd.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cups/cups.h>
#include <cups/ppd.h>
#include <gtest/gtest.h>

using namespace com::velmora::cps::print::pde::tarncrest::directfax::platform;

namespace {

const QString kSamplePpd = QStringLiteral(DIRECTFAX_SOURCE_DIR "/host/samples/DirectFaxSample.ppd");
const QString kHost = QStringLiteral(DIRECTFAX_BINARY_DIR "/host/directfax-print");
// A printer no job of these tests reaches.
const QString kDeviceUri = QStringLiteral("ipp://127.0.0.1:9/printers/none");

class CupsQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        QString error;
        if (!cupsd.start(&error))
            GTEST_SKIP() << "A private cupsd cannot run here: " << error.toStdString();
        ASSERT_TRUE(
            cupsd.addQueue({"fax", kDeviceUri, kSamplePpd, {{"VMFaxImageQuality", "Photo"}}, {}}, &error))
            << error.toStdString() << cupsd.errorLogTail().toStdString();
        cupsSetServer(QFile::encodeName(cupsd.server()).constData());
    }
    void TearDown() override {
        cupsSetServer(nullptr);
        cupsd.stop();
    }

    PrivateCupsd cupsd;
};

} // namespace

TEST_F(CupsQueueTest, TheHostTakesTheQueuesPpdDeviceUriAndDefaults) {
    EXPECT_TRUE(HostPrinter::queueNames().contains("fax"));
    QString error;
    auto printer = HostPrinter::openQueue("fax", &error);
    ASSERT_TRUE(printer) << error.toStdString();
    EXPECT_FALSE(printer->isSample());
    EXPECT_EQ(printer->printer()->queueName, "fax");
    EXPECT_EQ(printer->printer()->deviceURI, kDeviceUri);
    EXPECT_EQ(printer->displayName(), "fax");
    // The PPD is the queue's copy of the sample, with the queue's default marked.
    ppd_file_t* ppd = printer->ppd();
    ASSERT_NE(ppdFindOption(ppd, "VMFaxCoverPageMode"), nullptr);
    EXPECT_STREQ(ppdFindMarkedChoice(ppd, "VMFaxImageQuality")->choice, "Photo");
    EXPECT_STREQ(ppdFindMarkedChoice(ppd, "VMFaxSenderMode")->choice, "EnterName");
}

TEST_F(CupsQueueTest, QueuesAreListedByNameInTheOrderOfLibcupsDestinations) {
    QString error;
    for (const char* name : {"b-Raw", "A_first", "Zed", "a2", "ZZ", "_under"})
        ASSERT_TRUE(cupsd.addQueue({name, kDeviceUri, {}, {}, {}}, &error)) << error.toStdString();
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    QStringList expected;
    for (int i = 0; i < count; ++i)
        expected << QString::fromUtf8(dests[i].name);
    cupsFreeDests(count, dests);
    EXPECT_EQ(HostPrinter::queueNames(), expected);
    EXPECT_EQ(expected.size(), 7);
}

TEST_F(CupsQueueTest, TheDeviceUriComesFromTheQueuesAttribute) {
    EXPECT_EQ(HostPrinter::queryDeviceURI("fax"), kDeviceUri);
    EXPECT_TRUE(HostPrinter::queryDeviceURI("nosuchqueue").isEmpty());
}

TEST_F(CupsQueueTest, ARawQueueGivesAPrinterWithoutPpd) {
    QString error;
    ASSERT_TRUE(cupsd.addQueue({"raw", kDeviceUri, {}, {}, {}}, &error)) << error.toStdString();
    auto printer = HostPrinter::openQueue("raw", &error);
    ASSERT_TRUE(printer) << error.toStdString();
    EXPECT_EQ(printer->ppd(), nullptr);
    EXPECT_EQ(printer->printer()->deviceURI, kDeviceUri);
}

TEST_F(CupsQueueTest, AnUnknownQueueIsReported) {
    QString error;
    EXPECT_FALSE(HostPrinter::openQueue("nosuchqueue", &error));
    EXPECT_TRUE(error.contains("nosuchqueue"));
}

TEST_F(CupsQueueTest, TheProgramPrintsToTheQueueInADryRun) {
    QTemporaryDir noPlugins;
    QProcess host;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("CUPS_SERVER", cupsd.server());
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    host.setProcessEnvironment(environment);
    host.start(kHost,
               {"--printer", "fax", "--plugins", noPlugins.path(), "--destination", "preview", "--dry-run"});
    ASSERT_TRUE(host.waitForFinished(30000));
    const QString out = QString::fromUtf8(host.readAllStandardOutput());
    EXPECT_EQ(host.exitCode(), 0) << host.readAllStandardError().toStdString();
    EXPECT_TRUE(out.contains("queue: fax\n")) << out.toStdString();
    EXPECT_TRUE(out.contains("device-uri: " + kDeviceUri + "\n")) << out.toStdString();
    EXPECT_TRUE(out.contains("destination: preview\n")) << out.toStdString();
    EXPECT_TRUE(out.contains("ppd VMFaxImageQuality=Photo\n")) << out.toStdString();
}

TEST(SamplePpd, PassesCupsTestPpd) {
    const QString tool = QStandardPaths::findExecutable("cupstestppd");
    if (tool.isEmpty())
        GTEST_SKIP() << "cupstestppd is not installed (Debian package cups-client)";
    QProcess check;
    check.setProcessChannelMode(QProcess::MergedChannels);
    check.start(tool, {"-q", kSamplePpd});
    ASSERT_TRUE(check.waitForFinished(30000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAll().toStdString();
}
