// What the host takes from outside: the document, the command line, the plug-in folders.
#include "FileNames.h"
#include "HostDocument.h"
#include "HostOptions.h"
#include "PluginHost.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace com::velmora::cps::print::pde::tarncrest::directfax::platform;

TEST(HostDocument, TellsTheFormatFromTheFirstBytes) {
    struct Row {
        QByteArray data;
        const char* format;
    };
    for (const Row& row :
         {Row{"%PDF-1.7\n%\xe2\xe3\xcf\xd3\n", "application/pdf"},
          Row{"%!PS-Adobe-3.0\n", "application/postscript"}, Row{"Hello, fax\n", "text/plain"},
          Row{"Gr\xc3\xbc\xc3\x9f"
              "e\n",
              "text/plain"},
          Row{"", "text/plain"}, Row{QByteArray("ab\0cd", 5), ""}, Row{"\xff\xfe\x00", ""},
          Row{"\x89PNG\r\n", ""}}) {
        SCOPED_TRACE(row.data.toHex().toStdString());
        EXPECT_EQ(HostDocument::formatOf(row.data), row.format);
    }
}

TEST(HostDocument, OpensAFileOrReportsWhyNot) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath("letter.pdf");
    const QString image = dir.filePath("image.png");
    {
        QFile f(pdf);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("%PDF-1.4\n");
        QFile g(image);
        ASSERT_TRUE(g.open(QIODevice::WriteOnly));
        g.write("\x89PNG\r\n\x1a\n\0\0", 10);
    }
    QString error;
    auto document = HostDocument::open(pdf, &error);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->title(), "letter.pdf");
    EXPECT_EQ(document->format(), "application/pdf");
    EXPECT_FALSE(document->isSample());

    EXPECT_FALSE(HostDocument::open(image, &error));
    EXPECT_TRUE(error.contains("image.png"));
    EXPECT_FALSE(HostDocument::open(dir.filePath("missing.txt"), &error));
    EXPECT_TRUE(error.contains("missing.txt"));

    const HostDocument sample = HostDocument::sample();
    EXPECT_TRUE(sample.isSample());
    EXPECT_EQ(sample.format(), "text/plain");
    EXPECT_FALSE(sample.data().isEmpty());
}

TEST(HostOptions, ParsesTheCommandLine) {
    QString error;
    bool help = false;
    auto options = HostOptions::parse({"directfax-print", "--printer", "fax", "--plugins", "/a", "--plugins",
                                       "/b", "--destination", "preview", "--dry-run", "doc.pdf"},
                                      &error, &help);
    ASSERT_TRUE(options) << error.toStdString();
    EXPECT_EQ(options->printer, "fax");
    EXPECT_EQ(options->pluginFolders, QStringList({"/a", "/b"}));
    EXPECT_EQ(options->destination, kPMDestinationPreview);
    EXPECT_TRUE(options->dryRun);
    EXPECT_EQ(options->document, "doc.pdf");

    // QApplication's own options are left to it.
    options = HostOptions::parse({"directfax-print", "-platform", "offscreen", "-reverse"}, &error, &help);
    ASSERT_TRUE(options) << error.toStdString();
    EXPECT_TRUE(options->printer.isEmpty());
    EXPECT_TRUE(options->document.isEmpty());
    EXPECT_EQ(options->destination, kPMDestinationPrinter);

    // A document whose name starts with a dash follows two dashes.
    options = HostOptions::parse({"directfax-print", "--dry-run", "--", "-report.pdf"}, &error, &help);
    ASSERT_TRUE(options) << error.toStdString();
    EXPECT_EQ(options->document, "-report.pdf");
    EXPECT_TRUE(options->dryRun);

    for (const QStringList& bad : {QStringList{"directfax-print", "--destination", "fax"},
                                   QStringList{"directfax-print", "a.pdf", "b.pdf"},
                                   QStringList{"directfax-print", "--no-such-option"}}) {
        error.clear();
        EXPECT_FALSE(HostOptions::parse(bad, &error, &help));
        EXPECT_FALSE(help);
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_FALSE(HostOptions::parse({"directfax-print", "--help"}, &error, &help));
    EXPECT_TRUE(help);
    // The help is written before Qt starts; it names the program all the same.
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    EXPECT_EQ(HostOptions::helpText().section(QLatin1Char('\n'), 0, 0),
              QStringLiteral("Usage: directfax-print [options] document"));
}

TEST(PluginHost, TheCommandLineWinsOverTheEnvironmentWhichWinsOverTheDefault) {
    EXPECT_EQ(PluginHost::pluginFolders({"/cli"}, "/env1:/env2", "/default"), QStringList{"/cli"});
    EXPECT_EQ(PluginHost::pluginFolders({}, "/env1::/env2", "/default"), QStringList({"/env1", "/env2"}));
    EXPECT_EQ(PluginHost::pluginFolders({}, "", "/default"), QStringList{"/default"});
}

TEST(PluginHost, ReportsFoldersAndBundlesItCannotLoad) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("Broken.plugin/Contents"));
    PluginHost host;
    EXPECT_EQ(host.loadFolders({dir.path(), dir.filePath("absent")}), 0);
    EXPECT_EQ(host.pluginCount(), 0u);
    ASSERT_EQ(host.errors().size(), 2);
    EXPECT_TRUE(host.errors()[0].contains("Broken.plugin"));
    EXPECT_TRUE(host.errors()[1].contains("absent"));
}

TEST(FileNames, NamesThatAreNotUtf8KeepTheirBytes) {
    for (const QByteArray& bytes :
         {QByteArray("caf\xe9.ps"),
          QByteArray("Gr\xc3\xbc\xc3\x9f"
                     "e.ps"),
          QByteArray("\xed\xb2\x80\xff\xc3"), QByteArray("\xf0\x9f\x93\xa0 fax.pdf"),
          QByteArray("\xe0\x80\xaf overlong")}) {
        SCOPED_TRACE(bytes.toHex().toStdString());
        EXPECT_EQ(encodeFileName(decodeFileName(bytes)), bytes);
    }
    EXPECT_EQ(decodeFileName("Gr\xc3\xbc\xc3\x9f"
                             "e"),
              QStringLiteral("Grüße"));
    // directfax-send's document test opens a document under such a name.
}
