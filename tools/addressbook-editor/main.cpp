// directfax-addressbook-editor: one copy per session. A second start hands its command line to
// the running copy over the session bus and ends.
#include "EditorService.h"
#include "EditorWindow.h"
#include "LaunchRequest.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QPixmap>
#include <QTranslator>
#include <cstdio>
#include <cstring>

namespace editor = com::velmora::cps::print::pde::tarncrest::directfax::editor;

int main(int argc, char* argv[]) {
    // Before Qt, which needs a display for its application.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("directfax-addressbook-editor %s\n", DIRECTFAX_VERSION);
        return 0;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("directfax-addressbook-editor"));
    QApplication::setApplicationVersion(QStringLiteral(DIRECTFAX_VERSION));
    QApplication::setDesktopFileName(QString::fromLatin1(editor::kEditorIdentifier));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/com.velmora.AddressBookEditor.svg")));
    QTranslator texts, qtTexts;
    if (texts.load(QLocale(), QStringLiteral("directfax-addressbook-editor"), QStringLiteral("_"),
                   QStringLiteral(":/i18n")))
        QApplication::installTranslator(&texts);
    if (qtTexts.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    QApplication::setApplicationDisplayName(QApplication::translate("main", "Address Book Editor"));

    QStringList arguments = QApplication::arguments().mid(1);
    // --screenshot FILE: the window as it first shows, into a PNG; no other copy is asked.
    QString screenshot;
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--screenshot"));
        at >= 0 && at + 1 < arguments.size()) {
        screenshot = arguments[at + 1];
        arguments.remove(at, 2);
    }
    const editor::ParsedLaunch parsed = editor::parseLaunchArguments(arguments);
    if (!parsed.request) {
        std::fprintf(stderr, "directfax-addressbook-editor: %s\n", qPrintable(parsed.problem));
        return 2;
    }

    editor::EditorService service;
    if (screenshot.isEmpty() && !service.claim()) {
        if (editor::EditorService::forwardToRunningCopy(arguments))
            return 0;
        std::fprintf(stderr, "%s\n",
                     qPrintable(QApplication::translate("main", "directfax-addressbook-editor: another copy "
                                                                "seems to run but does not answer; starting "
                                                                "anyway.")));
    }
    editor::EditorWindow window;
    QObject::connect(&window, &editor::EditorWindow::currentBookChanged, &service,
                     [&service](const QString& book) { service.currentBook = book; });
    QObject::connect(&service, &editor::EditorService::sessionEnded, &application, &QApplication::quit);
    // Queued: the caller has its answer before a question of the window holds the editor.
    QObject::connect(&service, &editor::EditorService::activated, &window,
                     &editor::EditorWindow::bringForward, Qt::QueuedConnection);
    const auto handle = [&window, &service](const editor::LaunchRequest& request) {
        service.request = editor::describeRequest(request);
        window.handle(request);
    };
    QObject::connect(
        &service, &editor::EditorService::launchRequested, &window,
        [&window, handle](const QStringList& words) {
            const editor::ParsedLaunch request = editor::parseLaunchArguments(words);
            window.bringForward();
            if (request.request)
                handle(*request.request);
        },
        Qt::QueuedConnection);
    window.show();
    handle(*parsed.request);
    if (!screenshot.isEmpty()) {
        window.grab().save(screenshot);
        return 0;
    }
    return QApplication::exec();
}
