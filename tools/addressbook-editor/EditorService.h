// The editor on the session bus: it owns the name equal to its desktop entry id, which is how the
// panel's launcher sees it running, and answers org.freedesktop.Application there, so that a
// second launch brings the running window forward (Activate) and hands it its arguments
// (ActivateAction "open" with the command line's words) instead of starting a second copy. The
// book shown and the last request are readable as the properties CurrentBook and Request of
// com.velmora.AddressBookEditor. When the session bus goes away, the session has ended, and so
// does the editor.
#pragma once

#include "LaunchRequest.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

namespace com::velmora::cps::print::pde::tarncrest::directfax::editor {

inline constexpr char kEditorIdentifier[] = "com.velmora.AddressBookEditor";
inline constexpr char kEditorObjectPath[] = "/com/velmora/AddressBookEditor";
// The action that carries a command line to the running copy.
inline constexpr char kOpenAction[] = "open";

// How a request reads on the bus: "computer", "computer:FILE", "printer:USB", "printer:NET:ADDRESS".
QString describeRequest(const LaunchRequest& request);

class EditorService : public QObject {
    Q_OBJECT

public:
    explicit EditorService(QObject* parent = nullptr);

    // Publishes the object and takes the name; false when another copy owns it (or there is no bus).
    bool claim();
    // Hands `arguments` to the running copy (Activate without any); false when that fails.
    static bool forwardToRunningCopy(const QStringList& arguments);

    QString currentBook;
    QString request;

signals:
    void activated();
    void launchRequested(const QStringList& arguments);
    void sessionEnded();
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::editor
