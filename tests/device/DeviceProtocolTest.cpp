// The device protocol's pieces without a device: addresses, message decoding, record building.
#include "DeviceProtocol.h"
#include "AbifRecords.h"
#include "DeviceBook.h"
#include "DeviceEndpoint.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace abif;

namespace {

struct EndpointCase {
    int32_t kind;
    const char* address;
    int32_t result;
    const char* connectHost;
    const char* hostHeader;
};

class EndpointTest : public ::testing::TestWithParam<EndpointCase> {
protected:
    void SetUp() override {
        unsetenv("ABIF_DEVICE_PORT");
        unsetenv("ABIF_USB_PORT");
    }
};

TEST_P(EndpointTest, SelectsHostAndHostHeader) {
    const EndpointCase& c = GetParam();
    DeviceEndpoint endpoint;
    ASSERT_EQ(makeDeviceEndpoint(c.kind, c.address, endpoint), c.result);
    if (c.result != kAbifSuccess)
        return;
    EXPECT_EQ(endpoint.connectHost, c.connectHost);
    EXPECT_EQ(endpoint.hostHeader, c.hostHeader);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, EndpointTest,
    ::testing::Values(
        EndpointCase{kAbifDeviceNetwork, "192.0.2.7", kAbifSuccess, "192.0.2.7", "192.0.2.7:8631"},
        EndpointCase{kAbifDeviceNetwork, "2001:db8::7", kAbifSuccess, "2001:db8::7", "[2001:db8::7]:8631"},
        EndpointCase{kAbifDeviceNetwork, "[::1]", kAbifSuccess, "::1", "[::1]:8631"},
        EndpointCase{kAbifDeviceNetwork, "fe80::1%lo", kAbifSuccess, "fe80::1%1", "[fe80::1%25lo]:8631"},
        EndpointCase{kAbifDeviceNetwork, "fe80::1%1", kAbifSuccess, "fe80::1%1", "[fe80::1%251]:8631"},
        EndpointCase{kAbifDeviceUSB, nullptr, kAbifSuccess, "127.0.0.1", "localhost:60000"},
        EndpointCase{kAbifDeviceUSB, "192.0.2.7", kAbifSuccess, "127.0.0.1", "localhost:60000"},
        // Host names are not looked up, zones must name an interface, only IPv6 has zones.
        EndpointCase{kAbifDeviceNetwork, "printer.example", kAbifErrInvalidArgument, "", ""},
        EndpointCase{kAbifDeviceNetwork, "", kAbifErrInvalidArgument, "", ""},
        EndpointCase{kAbifDeviceNetwork, nullptr, kAbifErrInvalidArgument, "", ""},
        EndpointCase{kAbifDeviceNetwork, "fe80::1%", kAbifErrInvalidArgument, "", ""},
        EndpointCase{kAbifDeviceNetwork, "fe80::1%nosuchif9", kAbifErrInvalidArgument, "", ""},
        EndpointCase{kAbifDeviceNetwork, "192.0.2.7%lo", kAbifErrInvalidArgument, "", ""},
        EndpointCase{kAbifDeviceNetwork, "192.0.2.7:631", kAbifErrInvalidArgument, "", ""},
        EndpointCase{7, "192.0.2.7", kAbifErrInvalidArgument, "", ""}));

TEST(DevicePortTest, VariablesOverrideTheDefaultsOnlyWithPortNumbers) {
    EXPECT_EQ(portFromText("9100"), 9100);
    EXPECT_EQ(portFromText("65535"), 65535);
    for (const char* bad : {"0", "65536", "70000", "12ab", "", "-1", " 80", "99999999999999999999"})
        EXPECT_EQ(portFromText(bad), 0) << bad;
    EXPECT_EQ(portFromText(nullptr), 0);

    DeviceEndpoint endpoint;
    setenv("ABIF_DEVICE_PORT", "9100", 1);
    setenv("ABIF_USB_PORT", "not-a-port", 1);
    ASSERT_EQ(makeDeviceEndpoint(kAbifDeviceNetwork, "::1", endpoint), kAbifSuccess);
    EXPECT_EQ(endpoint.port, 9100);
    ASSERT_EQ(makeDeviceEndpoint(kAbifDeviceUSB, nullptr, endpoint), kAbifSuccess);
    EXPECT_EQ(endpoint.port, kUsbPort);
    unsetenv("ABIF_DEVICE_PORT");
    unsetenv("ABIF_USB_PORT");
}

TEST(DeviceProtocolTest, AddressBookSurvivesTheWire) {
    // Brackets inside texts are not nesting.
    const std::string brackets = "\\\"[[[[[[[[[[{{{{{{{{{{";
    DeviceBook book{{{1, "Anna", "+49 30 1"}, {65535, "Zoë 🦊", "555"}, {0, brackets, "1"}},
                    {{"Team", {1, 65535, 1}}, {"None", {}}}};
    DeviceBook decoded;
    ASSERT_EQ(decodeAddressBook(encodeAddressBook(book), decoded), kAbifSuccess);
    ASSERT_EQ(decoded.entries.size(), 3u);
    EXPECT_EQ(decoded.entries[1].id, 65535);
    EXPECT_EQ(decoded.entries[1].name, "Zoë 🦊");
    EXPECT_EQ(decoded.entries[2].name, brackets);
    ASSERT_EQ(decoded.groups.size(), 2u);
    EXPECT_EQ(decoded.groups[0].members, (std::vector<uint16_t>{1, 65535, 1}));
    EXPECT_TRUE(decoded.groups[1].members.empty());

    std::string password;
    ASSERT_TRUE(decodeReadRequest(encodeReadRequest("12\"34"), password));
    EXPECT_EQ(password, "12\"34");
}

TEST(DeviceProtocolTest, MissingListsAreEmpty) {
    DeviceBook book{{{1, "x", "y"}}, {}};
    ASSERT_EQ(decodeAddressBook("{}", book), kAbifSuccess);
    EXPECT_TRUE(book.entries.empty());
    EXPECT_TRUE(book.groups.empty());
}

struct MalformedCase {
    const char* name;
    std::string body;
};

class MalformedBookTest : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedBookTest, IsAProtocolFailureAndLeavesTheBookAlone) {
    DeviceBook book{{{9, "kept", "1"}}, {}};
    EXPECT_EQ(decodeAddressBook(GetParam().body, book), kAbifErrProtocol);
    ASSERT_EQ(book.entries.size(), 1u);
    EXPECT_EQ(book.entries[0].name, "kept");
}

INSTANTIATE_TEST_SUITE_P(
    Replies, MalformedBookTest,
    ::testing::Values(
        MalformedCase{"Empty", ""}, MalformedCase{"NotJson", "not json"},
        MalformedCase{"TopLevelArray", "[]"}, MalformedCase{"Null", "null"},
        MalformedCase{"EntriesNotArray", R"({"entries": {}})"},
        MalformedCase{"GroupsNotArray", R"({"groups": 3})"},
        MalformedCase{"CutShort", R"({"entries": [{"id": 1, "name": "a", "number": "1"})"},
        MalformedCase{"NegativeId", R"({"entries": [{"id": -1, "name": "a", "number": "1"}]})"},
        MalformedCase{"IdTooLarge", R"({"entries": [{"id": 65536, "name": "a", "number": "1"}]})"},
        MalformedCase{"FractionalId", R"({"entries": [{"id": 1.5, "name": "a", "number": "1"}]})"},
        MalformedCase{"TextId", R"({"entries": [{"id": "1", "name": "a", "number": "1"}]})"},
        MalformedCase{"NoId", R"({"entries": [{"name": "a", "number": "1"}]})"},
        MalformedCase{"NoName", R"({"entries": [{"id": 1, "number": "1"}]})"},
        MalformedCase{"NumberNotText", R"({"entries": [{"id": 1, "name": "a", "number": 1}]})"},
        MalformedCase{"EntryNotObject", R"({"entries": [7]})"},
        MalformedCase{"GroupWithoutName", R"({"groups": [{"members": [1]}]})"},
        MalformedCase{"TextMember", R"({"groups": [{"name": "g", "members": ["1"]}]})"},
        MalformedCase{"NestedMember", R"({"groups": [{"name": "g", "members": [[1]]}]})"},
        MalformedCase{"MembersNotArray", R"({"groups": [{"name": "g", "members": 1}]})"},
        MalformedCase{"InvalidUtf8", "{\"entries\": [], \"x\": \"\xff\"}"},
        MalformedCase{"DeepNesting", std::string(100000, '[') + std::string(100000, ']')},
        MalformedCase{"LongText", R"({"x": ")" + std::string(kMaxTextBytes + 1, 'a') + "\"}"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DeviceProtocolTest, RecordCountsAreCapped) {
    DeviceBook book;
    // The documented 10,000 entries and 1,000 groups, then one more of each.
    book.entries.assign(10000, {1, "n", "1"});
    book.groups.assign(1000, {"g", {}});
    DeviceBook decoded;
    ASSERT_EQ(decodeAddressBook(encodeAddressBook(book), decoded), kAbifSuccess);
    book.entries.push_back({1, "n", "1"});
    EXPECT_EQ(decodeAddressBook(encodeAddressBook(book), decoded), kAbifErrProtocol);
    book.entries.pop_back();
    book.groups.push_back({"g", {}});
    EXPECT_EQ(decodeAddressBook(encodeAddressBook(book), decoded), kAbifErrProtocol);
}

TEST(DeviceProtocolTest, StatusReplies) {
    EXPECT_EQ(decodeStatus(encodeStatus(true)), kAbifDeviceReachable);
    EXPECT_EQ(decodeStatus(encodeStatus(false)), kAbifDeviceNotReady);
    for (const char* bad : {"", "{}", R"({"ready": "yes"})", R"({"ready": 1})", "[true]", R"({"ready": tru)"})
        EXPECT_EQ(decodeStatus(bad), kAbifErrProtocol) << bad;
}

TEST(DeviceRecordsTest, LongTextsAndMemberListsAreCutToTheRecord) {
    // 31 letters then a surrogate pair: the pair does not fit the 32 units before the zero.
    std::string name = std::string(31, 'a') + "🦊";
    std::vector<uint16_t> members(206); // one more than a device group holds
    for (size_t i = 0; i < members.size(); ++i)
        members[i] = uint16_t(i + 1);
    DeviceBook book{{{42, name, std::string(51, '9')}}, {{name, members}}};
    std::vector<ABIF_Fax> entries;
    std::vector<ABIF_FaxGroup> groups;
    EXPECT_EQ(makeFaxRecords(book, entries, groups), 1u);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(readU16(entries[0].bytes + ABIF_FAX_ID), 42);
    EXPECT_EQ(readText(entries[0].bytes + ABIF_FAX_NAME, ABIF_FAX_NAME_SIZE), std::u16string(31, u'a'));
    EXPECT_EQ(readText(entries[0].bytes + ABIF_FAX_PHONE, ABIF_FAX_PHONE_SIZE), std::u16string(50, u'9'));
    ASSERT_EQ(groups.size(), 1u);
    auto kept = readMembers(groups[0].bytes, ABIF_FAXGROUP_COUNT, ABIF_FAXGROUP_MEMBERS, 1000);
    ASSERT_EQ(kept.size(), 205u);
    EXPECT_EQ(kept.back(), 205);
}

TEST(DeviceRecordsTest, ComputerRecordsBecomeDeviceEntries) {
    ABIFData data;
    data.myFax.push_back(makeMyFax(5, u"Jörg", u"0301", {}, {}, 0));
    const uint16_t ids[] = {5, 6};
    data.myFaxGroups.push_back(makeGroup<ABIF_MyFaxGroup>(kMyFaxGroupLayout, u"Crew", ids));

    DeviceBook book = deviceBookFromRecords(data);
    ASSERT_EQ(book.entries.size(), 1u);
    EXPECT_EQ(book.entries[0].id, 5);
    EXPECT_EQ(book.entries[0].name, "Jörg");
    EXPECT_EQ(book.entries[0].number, "0301");
    ASSERT_EQ(book.groups.size(), 1u);
    EXPECT_EQ(book.groups[0].name, "Crew");
    EXPECT_EQ(book.groups[0].members, (std::vector<uint16_t>{5, 6}));
}

} // namespace
