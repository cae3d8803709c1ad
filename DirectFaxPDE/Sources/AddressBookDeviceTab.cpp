// Tab 1 of the address book dialog: the fax entries and groups stored in the printer, read with
// the job's fax password, and the search by name. The device is asked on a thread of its own, so
// a slow or silent printer never freezes the dialog; the user may stop waiting.
#include "AddressBookController.h"
#include "AddressBookRecords.h"

#include <AddressBookIf.h>
#include <Alerts.h>
#include <BackgroundWork.h>

#include <QLineEdit>
#include <string>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace {

constexpr RecordLogLines kDeviceLogLines{"initDeviceAddressTab: Individual - Invalid name",
                                         "initDeviceAddressTab: Individual - Invalid phone number",
                                         "initDeviceAddressTab: Group - Invalid name"};

// The status the device must report to be read, the wait for it, and the records asked for.
constexpr int32_t kStatusTimeoutMs = 2048;
constexpr int32_t kReadAllRecords = 23;

// One reading of the device: what the worker was given and what it found. The worker owns it,
// the data handle included, until it has finished.
struct DeviceReading {
    std::optional<std::string> address;
    std::optional<std::string> password;
    int32_t result = kAbifErrDeviceUnreachable;
    bool addressUnresolved = false;
    DataHandle data;
};

std::optional<std::string> utf8(const std::optional<QString>& text) {
    return text ? std::optional<std::string>(text->toStdString()) : std::nullopt;
}

// Initialize, select, status, create, read: every call that may wait for the device.
void readDevice(DeviceReading& reading) {
    reading.result = Abif_Initialize(0);
    if (reading.result != kAbifSuccess)
        return;
    if (!reading.address) {
        reading.addressUnresolved = true;
        return;
    }
    if (reading.address->empty())
        AbifDevice_SetDestinationDevice(0, kAbifDeviceUSB, nullptr);
    else
        AbifDevice_SetDestinationDevice(0, kAbifDeviceNetwork, reading.address->c_str());
    reading.result = AbifDevice_GetStatus(0, kStatusTimeoutMs);
    if (reading.result != kAbifDeviceReachable)
        return;
    reading.data.reset(ABIFData_Create());
    if (!reading.data) {
        reading.result = kAbifErrNoMemory;
        return;
    }
    // Without a password the device is not asked: it would refuse anyway.
    reading.result = reading.password ? AbifDevice_ReadData(0, reading.data.get(), kReadAllRecords,
                                                            reading.password->c_str())
                                      : int32_t(kAbifErrWrongPassword);
}

} // namespace

void AddressBookController::initDeviceAddressTab() {
    deviceEntries.removeAllObjects();
    clearSearchField(deviceSearchField, deviceSearchText);
    // A failed reading must not bring back the entries of an earlier one through the search.
    originalDeviceAddressList.clear();

    auto reading = std::make_shared<DeviceReading>();
    reading->address = utf8(printerAddress);
    reading->password = utf8(password);
    const platform::BackgroundWork::Progress progress{localized("Reading the printer's address book…"),
                                                      localized("Cancel"), window};
    if (!deviceReading)
        deviceReading = std::make_unique<platform::BackgroundWork>();
    const auto outcome =
        deviceReading->run([reading] { readDevice(*reading); }, progress, [] { AbifDevice_Cancel(0); });
    if (outcome == platform::BackgroundWork::Outcome::Cancelled)
        return; // the user stopped waiting: the tab stays empty

    if (reading->addressUnresolved) {
        qWarning("initDeviceAddressTab - Device type cannot be resolved.");
        reportDeviceResult(kAbifErrDeviceUnreachable);
        return;
    }
    if (reading->result == kAbifSuccess) {
        QList<AddressBookEntry> entries;
        readRecords(reading->data.get(), RecordSource::Device, kDeviceLogLines, entries);
        deviceEntries.addObjects(entries);
        originalDeviceAddressList = deviceEntries.arrangedObjects();
    }
    reading->data.reset();
    reportDeviceResult(reading->result);
}

void AddressBookController::reportDeviceResult(int32_t result) {
    if (result == kAbifSuccess)
        return;
    platform::RunAlert(
        localized("Device Access Failure"),
        localized(result == kAbifErrWrongPassword ? "Invalid Password" : "Failed to retrieve data"),
        {localized("OK")}, window);
}

void AddressBookController::sortDeviceAddressData(QObject* sender) {
    const auto* field = qobject_cast<QLineEdit*>(sender);
    deviceSearchText = field ? field->text() : QString();
    filterByName(deviceEntries, originalDeviceAddressList, deviceSearchText);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax
