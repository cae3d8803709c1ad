#include "HelpWindow.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

// A forwarding page names its target near its top; chains of them end after a few steps.
constexpr qint64 kForwardingHeadBytes = 16 * 1024;
constexpr int kMaxForwards = 4;

QString text(const char* source) {
    return QCoreApplication::translate("HelpWindow", source);
}

} // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("helpWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    browser = new QTextBrowser(this);
    browser->setObjectName(QStringLiteral("helpTextBrowser"));
    // Links are followed here, where the book's bounds are kept.
    browser->setOpenLinks(false);
    backButton = new QToolButton(this);
    backButton->setObjectName(QStringLiteral("backButton"));
    backButton->setArrowType(Qt::LeftArrow);
    backButton->setToolTip(text("Back"));
    backButton->setEnabled(false);
    forwardButton = new QToolButton(this);
    forwardButton->setObjectName(QStringLiteral("forwardButton"));
    forwardButton->setArrowType(Qt::RightArrow);
    forwardButton->setToolTip(text("Forward"));
    forwardButton->setEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(backButton);
    buttons->addWidget(forwardButton);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser, 1);
    resize(640, 560);

    connect(backButton, &QToolButton::clicked, browser, &QTextBrowser::backward);
    connect(forwardButton, &QToolButton::clicked, browser, &QTextBrowser::forward);
    connect(browser, &QTextBrowser::backwardAvailable, backButton, &QWidget::setEnabled);
    connect(browser, &QTextBrowser::forwardAvailable, forwardButton, &QWidget::setEnabled);
    connect(browser, &QTextBrowser::anchorClicked, this, &HelpWindow::followLink);
    connect(browser, &QTextBrowser::sourceChanged, this, &HelpWindow::updateTitle);
}

HelpWindow::~HelpWindow() = default;

void HelpWindow::showPage(const QString& bookFolder, const QUrl& page) {
    book = QDir::cleanPath(QFileInfo(bookFolder).absoluteFilePath());
    open(page);
    show();
    raise();
    activateWindow();
}

void HelpWindow::followLink(const QUrl& link) {
    const QUrl target = browser->source().resolved(link);
    if (target.isLocalFile())
        open(target);
    else if (target.scheme() == QLatin1String("http") || target.scheme() == QLatin1String("https") ||
             target.scheme() == QLatin1String("mailto"))
        QDesktopServices::openUrl(target);
}

void HelpWindow::open(const QUrl& page) {
    if (inBook(page))
        browser->setSource(forwarded(page), QTextDocument::HtmlResource);
}

QUrl HelpWindow::forwarded(const QUrl& page) const {
    static const QRegularExpression refresh(
        QStringLiteral("<meta\\s+http-equiv\\s*=\\s*[\"']?refresh[\"']?\\s+content\\s*=\\s*[\"']\\s*0\\s*;"
                       "\\s*url\\s*=\\s*([^\"'>\\s]+)"),
        QRegularExpression::CaseInsensitiveOption);
    QUrl current = page;
    for (int step = 0; step < kMaxForwards; ++step) {
        QFile file(current.toLocalFile());
        if (!file.open(QIODevice::ReadOnly))
            break;
        const QRegularExpressionMatch match =
            refresh.match(QString::fromUtf8(file.read(kForwardingHeadBytes)));
        if (!match.hasMatch())
            break;
        QUrl next = current.resolved(QUrl(match.captured(1)));
        if (!next.hasFragment() && current.hasFragment())
            next.setFragment(current.fragment()); // the anchor asked for goes along
        if (!inBook(next))
            break;
        current = next;
    }
    return current;
}

bool HelpWindow::inBook(const QUrl& url) const {
    if (!url.isLocalFile() || book.isEmpty())
        return false;
    const QString path = QDir::cleanPath(url.toLocalFile());
    return path.startsWith(book + QLatin1Char('/')) && QFileInfo(path).isFile();
}

void HelpWindow::updateTitle() {
    QString title = browser->documentTitle();
    if (title.isEmpty())
        title = text("Help");
    const QString application = QGuiApplication::applicationDisplayName();
    setWindowTitle(application.isEmpty() ? title : QStringLiteral("%1 \u2014 %2").arg(title, application));
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
