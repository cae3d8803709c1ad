// The printer's address from its device URI: the URI schemes, host names against the real
// resolver (in a private network with its own hosts file), and discovered services through the
// service-discovery seam and against a private Avahi daemon.
#include "PrivateNetwork.h"

#include <PrintSettings.h>
#include <ServiceDiscovery.h>
#include <TargetDeviceResolver.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <WaitUntil.h>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <netinet/in.h>
#include <optional>

namespace {

namespace df = com::velmora::cps::print::pde::tarncrest::directfax;
namespace pf = df::platform;
using df::testing::PrivateAvahi;
using df::testing::PrivateNetwork;
using df::testing::waitUntil;

void ensureApplication() {
    static int argc = 1;
    static char name[] = "test_target_device";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

QByteArray ipv4(const char* text) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    inet_pton(AF_INET, text, &address.sin_addr);
    return QByteArray(reinterpret_cast<const char*>(&address), sizeof address);
}

QByteArray ipv6(const char* text, unsigned scope = 0) {
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    inet_pton(AF_INET6, text, &address.sin6_addr);
    address.sin6_scope_id = scope;
    return QByteArray(reinterpret_cast<const char*>(&address), sizeof address);
}

QByteArray otherFamily() {
    sockaddr_storage address{};
    address.ss_family = AF_UNIX;
    return QByteArray(reinterpret_cast<const char*>(&address), sizeof address);
}

// Service discovery that records what is asked and answers when the test says so.
class FakeDiscovery {
public:
    struct Request {
        QString domain, type, name;
        pf::NetServiceResultHandler handler;
    };

    FakeDiscovery() {
        pf::setNetServiceBackend([this](const QString& domain, const QString& type, const QString& name,
                                        pf::NetServiceResultHandler handler) {
            requests.push_back({domain, type, name, std::move(handler)});
            return std::make_unique<Resolution>(active);
        });
    }
    ~FakeDiscovery() { pf::setNetServiceBackend({}); }

    std::vector<Request> requests;
    int active = 0;

private:
    struct Resolution : pf::NetServiceResolution {
        explicit Resolution(int& active) : active(active) { ++active; }
        ~Resolution() override { --active; }
        int& active;
    };
};

// What a resolver handed to the panel.
struct Received {
    std::vector<QString> addresses;
    df::TargetDeviceResolver::AddressSetter setter() {
        return [this](const QString& address) { addresses.push_back(address); };
    }
    std::optional<QString> only() const {
        return addresses.size() == 1 ? std::optional<QString>(addresses.front()) : std::nullopt;
    }
};

struct UriCase {
    const char* uri;
    std::optional<QString> address;
    // For discovered services: the name and type asked for.
    const char* serviceName = nullptr;
    const char* serviceType = nullptr;
};

TEST(TargetDeviceResolver, TurnsEachKindOfDeviceUriIntoTheAddress) {
    ensureApplication();
    const std::optional<QString> none;
    const UriCase cases[] = {
        {"socket://192.168.0.20:9100", QStringLiteral("192.168.0.20")},
        {"SOCKET://10.0.0.5", QStringLiteral("10.0.0.5")},
        {"lpd://user@127.0.0.1/queue", QStringLiteral("127.0.0.1")},
        {"IPP://[2001:db8::7]:631/ipp/print", QStringLiteral("2001:db8::7")},
        {"ipp://[fe80::1%25lo]:631/ipp", QStringLiteral("fe80::1%lo")},
        {"usb://Velmora/FX-100?serial=42", QStringLiteral("")},
        {"USB://Velmora/FX-100", QStringLiteral("")},
        {"ipps://10.0.0.1/ipp/print", none},
        {"https://10.0.0.1/", none},
        {"file:///dev/null", none},
        {"ipp:///no-host", none},
        {"dnssd://My%20Printer._ipp._tcp.local./?uuid=1", none, "My Printer", "_ipp._tcp."},
        {"MDNS://Office.Fax._pdl-datastream._tcp.local.", none, "Office.Fax", "_pdl-datastream._tcp."},
        {"dnssd://Printer._tcp.local./", none},
        {"dnssd://", none},
    };
    for (const UriCase& c : cases) {
        SCOPED_TRACE(c.uri);
        FakeDiscovery discovery;
        Received received;
        df::TargetDeviceResolver resolver;
        testing::internal::CaptureStderr();
        resolver.resolveTargetDevice(QString::fromUtf8(c.uri), received.setter());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(received.only(), c.address);
        EXPECT_EQ(received.addresses.size(), c.address ? 1u : 0u);
        ASSERT_EQ(discovery.requests.size(), c.serviceName ? 1u : 0u);
        EXPECT_EQ(resolver.isResolving(), c.serviceName != nullptr);
        if (c.serviceName) {
            EXPECT_EQ(discovery.requests[0].domain, QStringLiteral("local."));
            EXPECT_EQ(discovery.requests[0].type, QString::fromUtf8(c.serviceType));
            EXPECT_EQ(discovery.requests[0].name, QString::fromUtf8(c.serviceName));
        }
    }
}

TEST(CopyResolvedIPAddress, CopiesNumericAddressesThatFit) {
    struct {
        const char* host;
        std::size_t size;
        const char* address;
    } const cases[] = {
        {"192.0.2.1", 4096, "192.0.2.1"},
        {"2001:db8::1", 4096, "2001:db8::1"},
        {"192.0.2.1", 10, "192.0.2.1"},
        {"192.168.100.200", 8, "-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host);
        char buffer[4096] = "-";
        testing::internal::CaptureStderr();
        EXPECT_EQ(df::CopyResolvedIPAddress(c.host, buffer, c.size), 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_STREQ(buffer, c.address);
    }
}

TEST(TargetDeviceResolver, LeavesAnOverlongHostUnresolved) {
    Received received;
    df::TargetDeviceResolver resolver;
    resolver.resolveTargetDevice(QStringLiteral("socket://") + QString(5000, QLatin1Char('1')),
                                 received.setter());
    EXPECT_TRUE(received.addresses.empty());
}

TEST(TargetDeviceResolver, ReadsTheDeviceUriOfThePrinter) {
    pf::Printer printer;
    printer.deviceURI = QStringLiteral("socket://192.0.2.1");
    Received received;
    df::TargetDeviceResolver resolver;
    resolver.resolveTargetDevice(nullptr, received.setter());
    resolver.resolveTargetDevice(&printer, received.setter());
    EXPECT_EQ(received.only(), QStringLiteral("192.0.2.1"));
}

struct ServiceCase {
    const char* what;
    std::vector<QByteArray> addresses;
    std::optional<QString> address;
};

TEST(TargetDeviceResolver, TakesTheFirstInternetAddressOfAResolvedService) {
    ensureApplication();
    const unsigned loopback = if_nametoindex("lo");
    const ServiceCase cases[] = {
        {"IPv4", {ipv4("10.1.2.3"), ipv6("2001:db8::9")}, QStringLiteral("10.1.2.3")},
        {"other family skipped",
         {otherFamily(), ipv6("2001:db8::5", loopback)},
         QStringLiteral("2001:db8::5")},
        {"link-local", {ipv6("fe80::5", loopback)}, QStringLiteral("fe80::5%lo")},
        {"unknown interface", {ipv6("fe80::5", 999999)}, QStringLiteral("fe80::5")},
        {"other families only", {otherFamily()}, std::nullopt},
        {"no address", {}, std::nullopt},
    };
    for (const ServiceCase& c : cases) {
        SCOPED_TRACE(c.what);
        FakeDiscovery discovery;
        Received received;
        df::TargetDeviceResolver resolver;
        resolver.resolveTargetDevice(QStringLiteral("dnssd://Fax._ipp._tcp.local."), received.setter());
        ASSERT_EQ(discovery.requests.size(), 1u);
        discovery.requests[0].handler(c.addresses);
        EXPECT_EQ(received.only(), c.address);
        EXPECT_EQ(received.addresses.size(), c.address ? 1u : 0u);
        // The service is stopped and released in every case.
        EXPECT_FALSE(resolver.isResolving());
        EXPECT_EQ(discovery.active, 0);
    }
}

QStringList capturedWarnings;
void captureWarning(QtMsgType, const QMessageLogContext&, const QString& message) {
    capturedWarnings << message;
}

TEST(TargetDeviceResolver, LogsAServiceThatDoesNotResolve) {
    ensureApplication();
    FakeDiscovery discovery;
    Received received;
    df::TargetDeviceResolver resolver;
    resolver.resolveTargetDevice(QStringLiteral("dnssd://My%20Fax._ipp._tcp.local."), received.setter());
    capturedWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(captureWarning);
    discovery.requests.at(0).handler(std::nullopt);
    qInstallMessageHandler(previous);
    EXPECT_EQ(capturedWarnings, QStringList{QStringLiteral("Failed to resolve the Bonjour service My Fax")});
    EXPECT_TRUE(received.addresses.empty());
    EXPECT_EQ(discovery.active, 0);
}

TEST(TargetDeviceResolver, StopsAPendingResolutionWhenItGoes) {
    ensureApplication();
    FakeDiscovery discovery;
    Received received;
    {
        df::TargetDeviceResolver resolver;
        resolver.resolveTargetDevice(QStringLiteral("dnssd://Fax._ipp._tcp.local."), received.setter());
        EXPECT_EQ(discovery.active, 1);
        // A second start replaces the first.
        resolver.resolveTargetDevice(QStringLiteral("mdns://Fax._ipp._tcp.local."), received.setter());
        EXPECT_EQ(discovery.active, 1);
    }
    EXPECT_EQ(discovery.active, 0);
    EXPECT_TRUE(received.addresses.empty());
}

class RecordingDelegate : public pf::NetServiceDelegate {
public:
    void netServiceDidResolveAddress(pf::NetService*) override { ++resolved; }
    void netService(pf::NetService*, const QVariantMap& errorDict) override {
        errors << errorDict.value(pf::NSNetServicesErrorCode).toInt();
    }
    int resolved = 0;
    QList<int> errors;
};

TEST(NetService, FailsWithATimeOutWhenNoAnswerComes) {
    ensureApplication();
    FakeDiscovery discovery;
    RecordingDelegate delegate;
    pf::NetService service(QStringLiteral("local."), QStringLiteral("_ipp._tcp."), QStringLiteral("Fax"));
    service.setDelegate(&delegate);
    service.resolveWithTimeout(0.05);
    ASSERT_TRUE(waitUntil([&] { return !delegate.errors.isEmpty(); }));
    EXPECT_EQ(delegate.errors, QList<int>{pf::NSNetServicesTimeoutError});
    EXPECT_EQ(delegate.resolved, 0);
    EXPECT_EQ(discovery.active, 0);
}

// Host names against the real resolver, in a private network whose hosts file the test writes.
// The outer test runs the inner one there.
TEST(TargetDeviceNames, ResolveThroughAPrivateHostsFile) {
    ensureApplication();
    QString reason;
    if (!PrivateNetwork::permitted(&reason))
        GTEST_SKIP() << reason.toStdString();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile hosts(dir.filePath(QStringLiteral("hosts")));
    ASSERT_TRUE(hosts.open(QIODevice::WriteOnly));
    hosts.write("127.0.0.1 localhost\n192.0.2.10 fax-v4.test\n2001:db8::10 fax-v6.test\n");
    hosts.close();
    QFile nsswitch(dir.filePath(QStringLiteral("nsswitch.conf")));
    ASSERT_TRUE(nsswitch.open(QIODevice::WriteOnly));
    nsswitch.write("hosts: files\n");
    nsswitch.close();
    QString output;
    const int status = PrivateNetwork::run(
        QStringLiteral("mount --bind '%1' /etc/hosts\nmount --bind '%2' /etc/nsswitch.conf\n"
                       "DIRECTFAX_PRIVATE_HOSTS=1 exec '%3' --gtest_filter=PrivateHosts.*\n")
            .arg(hosts.fileName(), nsswitch.fileName(), QCoreApplication::applicationFilePath()),
        &output);
    EXPECT_EQ(status, 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
}

TEST(PrivateHosts, NamesResolveToTheirAddresses) {
    if (qEnvironmentVariableIsEmpty("DIRECTFAX_PRIVATE_HOSTS"))
        GTEST_SKIP() << "runs inside ResolveThroughAPrivateHostsFile";
    struct {
        const char* host;
        int answer;
        std::size_t size;
        const char* address;
        const char* message;
    } const cases[] = {
        {"fax-v4.test", 0, 4096, "192.0.2.10", ""},
        {"fax-v6.test", 0, 4096, "2001:db8::10", ""},
        {"fe80::1%lo", 0, 4096, "fe80::1%lo", ""},
        // The suffix does not fit: the address alone.
        {"fe80::1%lo", 0, 10, "fe80::1", ""},
        // Nothing fits: answered 0, the buffer as it was.
        {"fax-v6.test", 0, 8, "-", ""},
        {"fax-v4.test", 0, 8, "-",
         "CopyResolvedIPAddress - inet_ntop-IPv4 error.\nCopyResolvedIPAddress - inet_ntop-IPv4 error.\n"
         "CopyResolvedIPAddress - inet_ntop-IPv4 error.\n"},
        {"nowhere.test", 1, 4096, "-", "CopyResolvedIPAddress - getaddrinfo failed.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host);
        char buffer[4096] = "-";
        testing::internal::CaptureStderr();
        EXPECT_EQ(df::CopyResolvedIPAddress(c.host, buffer, c.size), c.answer);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
        EXPECT_STREQ(buffer, c.address);
    }
    Received received;
    df::TargetDeviceResolver resolver;
    resolver.resolveTargetDevice(QStringLiteral("lpd://fax-v4.test/queue"), received.setter());
    resolver.resolveTargetDevice(QStringLiteral("ipp://nowhere.test/ipp"), received.setter());
    EXPECT_EQ(received.addresses, std::vector<QString>{QStringLiteral("192.0.2.10")});
}

// Discovered services against a real Avahi daemon on the loopback interface of a private
// network, reached through its own system bus.
TEST(TargetDeviceServices, ResolveThroughAPrivateAvahiDaemon) {
    QString reason;
    if (!PrivateNetwork::permitted(&reason))
        GTEST_SKIP() << reason.toStdString();
    ensureApplication();
    PrivateAvahi avahi;
    QString error;
    ASSERT_TRUE(avahi.start({{QStringLiteral("My Printer"), QStringLiteral("_ipp._tcp"), 631},
                             {QStringLiteral("Office.Fax"), QStringLiteral("_pdl-datastream._tcp"), 9100}},
                            &error))
        << error.toStdString();
    const QByteArray previousBus = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", avahi.busAddress().toUtf8());

    Received printer, office, abandoned;
    df::TargetDeviceResolver printerResolver, officeResolver;
    auto abandonedResolver = std::make_unique<df::TargetDeviceResolver>();
    printerResolver.resolveTargetDevice(QStringLiteral("dnssd://My%20Printer._ipp._tcp.local./?uuid=1"),
                                        printer.setter());
    officeResolver.resolveTargetDevice(QStringLiteral("mdns://Office.Fax._pdl-datastream._tcp.local."),
                                       office.setter());
    abandonedResolver->resolveTargetDevice(QStringLiteral("dnssd://My%20Printer._ipp._tcp.local."),
                                           abandoned.setter());
    abandonedResolver.reset();
    EXPECT_TRUE(waitUntil([&] { return !printerResolver.isResolving() && !officeResolver.isResolving(); }));
    // Let anything still on its way arrive.
    waitUntil([] { return false; }, 100);

    const std::optional<QString> loopback = QStringLiteral("127.0.0.1");
    EXPECT_EQ(printer.only(), loopback);
    EXPECT_EQ(office.only(), loopback);
    EXPECT_TRUE(abandoned.addresses.empty());

    if (previousBus.isNull())
        qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    else
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", previousBus);
    avahi.stop();
}

} // namespace
