#include "DesktopNotification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QStringList>
#include <QVariantMap>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

constexpr int kAnswerMs = 3000;
// The service's own choice of how long a notification stays.
constexpr int kDefaultExpiry = -1;
constexpr uchar kNormalUrgency = 1;
constexpr uchar kCriticalUrgency = 2;

} // namespace

bool showDesktopNotification(const QString& summary, const QString& body, NotificationKind kind) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const bool failure = kind == NotificationKind::Failure;
    QVariantMap hints{
        {QStringLiteral("urgency"), QVariant::fromValue(failure ? kCriticalUrgency : kNormalUrgency)}};
    const QString desktopEntry = QGuiApplication::desktopFileName();
    if (!desktopEntry.isEmpty())
        hints.insert(QStringLiteral("desktop-entry"), desktopEntry);
    QDBusMessage notify = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QString applicationName = QGuiApplication::applicationDisplayName();
    notify << applicationName << uint(0)
           << (failure ? QStringLiteral("dialog-error") : desktopEntry) // the icon, by name
           << summary << body << QStringList() << hints << kDefaultExpiry;
    // Events go on while the service answers: it may be this very process in a test.
    const QDBusMessage reply = bus.call(notify, QDBus::BlockWithGui, kAnswerMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform
