// The host answers its command line before Qt starts: no display is needed to be told about a
// bad option, the help or the version.
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

namespace {

TEST(HostCommandLine, AnswersWithoutADisplay) {
    struct Row {
        const char* argument;
        int exitCode;
        const char* output; // on standard output for 0, on standard error otherwise
    };
    for (const Row& row : {Row{"--no-such-option", 2, "Unknown option 'no-such-option'"},
                           Row{"--version", 0, "directfax-print " DIRECTFAX_VERSION "\n"},
                           Row{"--help", 0, "--screenshot <FILE>"}}) {
        SCOPED_TRACE(row.argument);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(name);
        QProcess host;
        host.setProcessEnvironment(environment);
        host.start(QStringLiteral(DIRECTFAX_BINARY_DIR "/host/directfax-print"), {row.argument});
        ASSERT_TRUE(host.waitForFinished(30000));
        EXPECT_EQ(host.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(host.exitCode(), row.exitCode);
        const QString text = QString::fromLocal8Bit(row.exitCode == 0 ? host.readAllStandardOutput()
                                                                      : host.readAllStandardError());
        EXPECT_TRUE(text.contains(QLatin1String(row.output))) << text.toStdString();
    }
}

} // namespace
