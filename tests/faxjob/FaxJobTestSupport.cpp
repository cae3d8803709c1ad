#include "FaxJobTestSupport.h"

#include <ModalRun.h>
#include <SystemInfo.h>
#include <UtilityService.h>

namespace faxjob_test {

void FaxDialogTest::SetUp() {
    WidgetTest::SetUp();
    ASSERT_TRUE(dataHome.isValid());
    savedDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
    setHome(QStringLiteral("/home/tester"));
    bundle = directFaxBundle();
    ASSERT_TRUE(bundle);
    QString error;
    controller = df::FaxSettingController::loadInterfaceFile(*bundle, objects, &error);
    ASSERT_NE(controller, nullptr) << error.toStdString();
    controller->setBundle(bundle);
}

void FaxDialogTest::TearDown() {
    objects.clear();
    if (savedDataHome.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", savedDataHome);
    pf::SystemInfo::setHomeDirectorySource({});
    df::UtilityService::resetSandboxedForTesting();
    WidgetTest::TearDown();
}

void FaxDialogTest::setHome(const QString& home) {
    pf::SystemInfo::setHomeDirectorySource([home] { return std::optional<QString>(home); });
    df::UtilityService::resetSandboxedForTesting();
}

void FaxDialogTest::addTyped(const QString& name, const QString& number) {
    controller->setAddressName(name);
    controller->setAddressPhoneNumber(number);
    controller->addAddressInfo();
}

QStringList FaxDialogTest::destinations() const {
    QStringList result;
    for (const df::AddressInformation& item : controller->addressArrayController()->arrangedObjects())
        result.append(item.name() + QLatin1Char('/') + item.phoneNumber());
    return result;
}

QStringList alertMessages(const pf::ScriptedModalDriver& driver) {
    QStringList messages;
    for (const pf::AlertRequest& alert : driver.alerts())
        messages.append(alert.messageText);
    return messages;
}

} // namespace faxjob_test
