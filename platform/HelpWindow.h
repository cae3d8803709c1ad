// The help window of our own, for a desktop without a web browser: the pages of one help book
// in a text browser, with Back and Forward. Links between the book's pages are followed inside
// the window; links to the web go to the desktop; anything else is not followed. A page that
// forwards to another (<meta http-equiv="refresh" content="0; url=...">) shows that one.
#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

class QTextBrowser;
class QToolButton;

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class HelpWindow : public QWidget {
public:
    explicit HelpWindow(QWidget* parent = nullptr);
    ~HelpWindow() override;

    // Shows `page` (a file URL inside `bookFolder`) and brings the window forward.
    void showPage(const QString& bookFolder, const QUrl& page);

private:
    void followLink(const QUrl& link);
    void open(const QUrl& page);
    // The page of the book a forwarding page of the book leads to, or `page` itself.
    QUrl forwarded(const QUrl& page) const;
    // True for a file of the book.
    bool inBook(const QUrl& url) const;
    void updateTitle();

    QString book;
    QTextBrowser* browser;
    QToolButton* backButton;
    QToolButton* forwardButton;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
