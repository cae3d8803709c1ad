// Help on a desktop without a web browser: the plug-in's help book in a window of our own, and
// how the desktop's browser is found.
#include "FrameTestSupport.h"

#include <HelpViewer.h>
#include <UtilityFunctions.h>

#include <QFile>
#include <QGuiApplication>
#include <QPointer>
#include <QTextBrowser>
#include <QToolButton>
#include <QtTest/QTest>

namespace frame_test {
namespace {

using pf::HelpViewer;
using HelpWindowTest = WidgetTest;

TEST_F(HelpWindowTest, WithoutABrowserTheBookOpensInAWindowWithLinksAndHistory) {
    HelpViewer::setUrlHandler([](const QUrl&) { return false; }); // it cannot show pages
    // The dialogs ask for the page at the book's root, which forwards to the real one.
    df::GotoHelpPage(directFaxBundle(), QStringLiteral("set_check_fax_transmission.htm"));
    HelpViewer::setUrlHandler({});
    const QPointer<QWidget> window = HelpViewer::helpWindow();
    ASSERT_TRUE(window && window->isVisible());
    auto* browser = window->findChild<QTextBrowser*>();
    auto* back = window->findChild<QToolButton*>(QStringLiteral("backButton"));
    auto* forward = window->findChild<QToolButton*>(QStringLiteral("forwardButton"));
    ASSERT_TRUE(browser && back && forward);
    const auto shown = [browser] {
        return browser->source().toString().section(QLatin1String("DirectFaxHelp/"), 1);
    };
    EXPECT_EQ(shown(), QStringLiteral("VelmoraDirectFaxHelp/set_check_fax_transmission.htm"));
    EXPECT_EQ(window->windowTitle(),
              QStringLiteral("DirectFax: Setting and checking a fax transmission \u2014 ") +
                  QGuiApplication::applicationDisplayName());

    QTest::keyClick(browser, Qt::Key_Tab); // to the first link, "Fax Settings"
    QTest::keyClick(browser, Qt::Key_Return);
    EXPECT_EQ(shown(), QStringLiteral("fax.htm"));
    EXPECT_TRUE(window->windowTitle().startsWith(QStringLiteral("DirectFax: Fax Settings \u2014")));
    back->click();
    EXPECT_EQ(shown(), QStringLiteral("VelmoraDirectFaxHelp/set_check_fax_transmission.htm"));
    forward->click();
    EXPECT_EQ(shown(), QStringLiteral("fax.htm"));
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window);
}

TEST(DesktopBrowserTest, IsBrowserXWwwBrowserOrXdgMimesProgramForHtml) {
    QTemporaryDir bin;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()));
    qunsetenv("BROWSER");
    const struct {
        const char* program;
        const char* script;
        bool found;
    } cases[] = {{"xdg-mime", "exit 0", false}, // no program for text/html
                 {"xdg-mime", "[ \"$*\" = 'query default text/html' ] && echo firefox-esr.desktop", true},
                 {"x-www-browser", "exit 0", true},
                 {"BROWSER", nullptr, true}};
    EXPECT_FALSE(HelpViewer::desktopHasBrowser()); // nothing at all
    for (const auto& c : cases) {
        if (!c.script)
            qputenv(c.program, "lynx");
        QFile file(bin.filePath(QLatin1String(c.program)));
        if (c.script && file.open(QIODevice::WriteOnly))
            file.write(QByteArray("#!/bin/sh\n") + c.script + '\n');
        file.close();
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        EXPECT_EQ(HelpViewer::desktopHasBrowser(), c.found) << c.program << ": " << c.script;
        file.remove();
    }
    qunsetenv("BROWSER");
    qputenv("PATH", path);
}

} // namespace
} // namespace frame_test
