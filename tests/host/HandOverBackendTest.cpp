// The fax printer's backend run as CUPS runs it, on the bounds it keeps: the size of a document
// (at the limit and one byte more), one that never ends, the owner's session folder and fax inbox
// (missing, a link, open to others). The fax agent is played by the test,
// which holds the inbox's lock.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kBackend = QStringLiteral(DIRECTFAX_BINARY_DIR "/tools/fax-handover/directfax-handover");
constexpr qint64 kMaxBytes = 100000;
constexpr int kReadSeconds = 2;
constexpr int kSessionWaitSeconds = 1;

QString thisUser() {
    const passwd* user = ::getpwuid(::geteuid());
    return user ? QString::fromLocal8Bit(user->pw_name) : QString();
}

class HandOverBackend : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(serverBin.isValid() && root.isValid());
        QFile configuration(serverBin.filePath("directfax-handover.conf"));
        ASSERT_TRUE(configuration.open(QIODevice::WriteOnly));
        configuration.write("sessions-root " + QFile::encodeName(root.path()) + "\nsession-wait " +
                            QByteArray::number(kSessionWaitSeconds) + "\nmax-bytes " +
                            QByteArray::number(kMaxBytes) + "\nread-time " +
                            QByteArray::number(kReadSeconds) + "\n");
        configuration.close();
        ::chmod(QFile::encodeName(configuration.fileName()).constData(), 0644);
        session = root.filePath(QString::number(::geteuid()));
        inbox = session + "/directfax-inbox";
    }
    void TearDown() override {
        if (lock >= 0)
            ::close(lock);
    }

    // This user's session with a running agent.
    void makeSession() {
        ASSERT_TRUE(QDir().mkpath(inbox));
        ::chmod(QFile::encodeName(session).constData(), 0700);
        ::chmod(QFile::encodeName(inbox).constData(), 0700);
        lock = ::open(QFile::encodeName(inbox + "/.agent").constData(), O_RDWR | O_CREAT, 0600);
        ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    }

    struct Run {
        int exitCode = -1;
        QString errors;
        qint64 milliseconds = 0;
    };
    // The backend on `document` for a job of `owner`; with `endless` standard input stays open,
    // and with `cancelAfterMs` the scheduler's SIGTERM comes then.
    Run run(const QByteArray& document, const QString& owner, bool endless = false,
            const QString& title = QStringLiteral("title"), int cancelAfterMs = -1) {
        QProcess backend;
        QProcessEnvironment environment;
        environment.insert("CUPS_SERVERBIN", serverBin.path());
        backend.setProcessEnvironment(environment);
        QElapsedTimer clock;
        clock.start();
        backend.start(kBackend, {"42", owner, title, "1", ""});
        backend.write(document);
        if (!endless)
            backend.closeWriteChannel();
        if (cancelAfterMs >= 0 && !backend.waitForFinished(cancelAfterMs))
            backend.terminate();
        backend.waitForFinished(30000);
        return {backend.exitCode(), QString::fromLocal8Bit(backend.readAllStandardError()), clock.elapsed()};
    }

    // The documents and part files in the inbox.
    QStringList documents() const {
        QStringList names = QDir(inbox).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
        names.removeAll(QStringLiteral(".agent"));
        return names;
    }

    QTemporaryDir serverBin;
    QTemporaryDir root;
    QString session;
    QString inbox;
    int lock = -1;
};

TEST_F(HandOverBackend, HandsOverDocumentsUpToTheSizeLimitAndNoneAbove) {
    makeSession();
    const struct {
        qint64 size;
        const char* failure; // none: handed over
    } rows[] = {{kMaxBytes, nullptr}, {kMaxBytes + 1, "larger than the fax printer takes"}, {0, "is empty"}};
    for (const auto& row : rows) {
        const QByteArray document(row.size, 'x');
        const Run result = run(document, thisUser());
        EXPECT_EQ(result.exitCode == 0, !row.failure) << row.size << result.errors.toStdString();
        EXPECT_TRUE(!row.failure || result.errors.contains(row.failure)) << result.errors.toStdString();
        ASSERT_EQ(documents().size(), row.failure ? 0 : 1) << row.size << documents().join(' ').toStdString();
        if (row.failure)
            continue;
        QFile delivered(inbox + '/' + documents().first());
        EXPECT_EQ(delivered.permissions() & 0x0077, 0) << "readable by others";
        ASSERT_TRUE(delivered.open(QIODevice::ReadOnly));
        EXPECT_EQ(delivered.readAll(), document);
        delivered.remove();
    }
}

TEST_F(HandOverBackend, NamesTheDocumentAfterItsTitleAsFarAsThatMakesAFileName) {
    makeSession();
    const QString ae = QString::fromUtf8("\xc3\xa4");
    const struct {
        QString title;
        QString stem; // before " (job 42-RANDOM).pdf"
    } rows[] = {
        {"Quarterly report.pdf", "Quarterly report"},
        {"../../etc/passwd", "-..-etc-passwd"},
        {"", "Document"},
        {"line\nbreak", "line break"},
        {QString(81, 'x'), QString(80, 'x')},
        {ae.repeated(40), ae.repeated(39)}, // 80 bytes: the 40th character would end past them
    };
    for (const auto& row : rows) {
        for (const QString& name : documents())
            QFile::remove(inbox + '/' + name);
        const Run result = run("%PDF-1.4\n", thisUser(), false, row.title);
        ASSERT_EQ(result.exitCode, 0) << result.errors.toStdString();
        ASSERT_EQ(documents().size(), 1);
        EXPECT_EQ(documents().first().section(" (job 42-", 0, 0), row.stem) << row.title.toStdString();
        EXPECT_TRUE(documents().first().endsWith(").pdf")) << documents().first().toStdString();
    }
}

TEST_F(HandOverBackend, ADocumentThatNeverEndsFailsAfterTheReadTimeOrWhenCancelled) {
    makeSession();
    const struct {
        int cancelAfterMs;
        const char* message;
        int minMs, maxMs;
    } rows[] = {{-1, "did not arrive whole", kReadSeconds * 1000, kReadSeconds * 1000 + 5000},
                {300, "was cancelled", 300, kReadSeconds * 1000}};
    for (const auto& row : rows) {
        const Run result = run("%PDF-1.4\n", thisUser(), true, "title", row.cancelAfterMs);
        EXPECT_NE(result.exitCode, 0);
        EXPECT_TRUE(result.errors.contains(row.message)) << result.errors.toStdString();
        EXPECT_GE(result.milliseconds, row.minMs);
        EXPECT_LT(result.milliseconds, row.maxMs);
        EXPECT_TRUE(documents().isEmpty()) << documents().join(' ').toStdString();
    }
}

TEST_F(HandOverBackend, RefusesSessionsThatAreMissingLinkedOrOpenToOthers) {
    QTemporaryDir elsewhere;
    const struct {
        const char* name;
        std::function<void()> arrange;
        const char* message;
    } rows[] = {
        {"no session", [] {}, "has no desktop session"},
        {"no agent",
         [&] {
             QDir().mkpath(inbox);
             ::chmod(QFile::encodeName(session).constData(), 0700);
             ::chmod(QFile::encodeName(inbox).constData(), 0700);
         },
         "fax agent does not run"},
        {"the inbox is a link",
         [&] {
             QDir().mkpath(session);
             ::chmod(QFile::encodeName(session).constData(), 0700);
             ::chmod(QFile::encodeName(elsewhere.path()).constData(), 0700);
             QFile::link(elsewhere.path(), inbox);
             lock =
                 ::open(QFile::encodeName(elsewhere.filePath(".agent")).constData(), O_RDWR | O_CREAT, 0600);
             ::flock(lock, LOCK_EX);
         },
         "not a private folder"},
        {"the session folder is open to others",
         [&] {
             makeSession();
             ::chmod(QFile::encodeName(session).constData(), 0755);
         },
         "not a private folder"},
    };
    for (const auto& row : rows) {
        QDir(session).removeRecursively();
        QFile::remove(session);
        row.arrange();
        const Run result = run("%PDF-1.4\n", thisUser());
        EXPECT_NE(result.exitCode, 0) << row.name;
        EXPECT_TRUE(result.errors.contains(row.message)) << row.name << ": " << result.errors.toStdString();
        EXPECT_LT(result.milliseconds, kSessionWaitSeconds * 1000 + 5000) << row.name;
        EXPECT_TRUE(QDir(elsewhere.path()).entryList({"*.pdf*"}, QDir::Files | QDir::Hidden).isEmpty())
            << row.name;
        if (lock >= 0)
            ::close(lock);
        lock = -1;
    }
}

} // namespace
