#include "EditorService.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QUrl>

namespace com::velmora::cps::print::pde::tarncrest::directfax::editor {

class ApplicationAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    explicit ApplicationAdaptor(EditorService* service) : QDBusAbstractAdaptor(service), service(service) {}

public slots:
    void Activate(const QVariantMap&) { emit service->activated(); }
    void Open(const QStringList& uris, const QVariantMap&) {
        QStringList files;
        for (const QString& uri : uris)
            if (const QUrl url(uri); url.isLocalFile())
                files << url.toLocalFile();
        emit service->launchRequested(files);
    }
    void ActivateAction(const QString& name, const QVariantList& parameter, const QVariantMap&) {
        if (name != QLatin1String(kOpenAction)) {
            emit service->activated();
            return;
        }
        QStringList arguments;
        for (const QVariant& word : parameter)
            arguments << word.toString();
        emit service->launchRequested(arguments);
    }

private:
    EditorService* service;
};

class StateAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.velmora.AddressBookEditor")
    Q_PROPERTY(QString CurrentBook READ currentBook)
    Q_PROPERTY(QString Request READ request)

public:
    explicit StateAdaptor(EditorService* service) : QDBusAbstractAdaptor(service), service(service) {}
    QString currentBook() const { return service->currentBook; }
    QString request() const { return service->request; }

private:
    EditorService* service;
};

EditorService::EditorService(QObject* parent) : QObject(parent) {
    new ApplicationAdaptor(this);
    new StateAdaptor(this);
}

QString describeRequest(const LaunchRequest& request) {
    switch (request.kind) {
    case LaunchRequest::Kind::UsbPrinter:
        return QStringLiteral("printer:USB");
    case LaunchRequest::Kind::NetworkPrinter:
        return QStringLiteral("printer:NET:") + request.address;
    case LaunchRequest::Kind::ComputerBooks:
        break;
    }
    return request.files.isEmpty() ? QStringLiteral("computer")
                                   : QStringLiteral("computer:") + request.files.front();
}

bool EditorService::claim() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.registerObject(QString::fromLatin1(kEditorObjectPath), this))
        return false;
    bus.connect(QString(), QStringLiteral("/org/freedesktop/DBus/Local"),
                QStringLiteral("org.freedesktop.DBus.Local"), QStringLiteral("Disconnected"), this,
                SIGNAL(sessionEnded()));
    if (bus.registerService(QString::fromLatin1(kEditorIdentifier)))
        return true;
    bus.unregisterObject(QString::fromLatin1(kEditorObjectPath));
    return false;
}

bool EditorService::forwardToRunningCopy(const QStringList& arguments) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kEditorIdentifier), QString::fromLatin1(kEditorObjectPath),
        QStringLiteral("org.freedesktop.Application"),
        arguments.isEmpty() ? QStringLiteral("Activate") : QStringLiteral("ActivateAction"));
    if (!arguments.isEmpty()) {
        QVariantList words;
        for (const QString& argument : arguments)
            words << argument;
        call << QString::fromLatin1(kOpenAction) << QVariant(words);
    }
    call << QVariantMap{};
    return bus.call(call, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::editor

#include "EditorService.moc"
