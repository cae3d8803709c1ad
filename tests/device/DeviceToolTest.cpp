// The printer's book through the transfer library and directfax-addressbook's device commands,
// against the emulator: what the printer cannot hold is left out and listed, at each limit's edge.
#include "DeviceProtocol.h"
#include "DeviceTransfer.h"
#include "EmulatorProcess.h"
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace com::velmora::cps::print::pde::tarncrest::directfax;
using addressbook::Book;
namespace emulated = com::velmora::cps::print::pde::tarncrest::directfax::testing;

namespace {

Book bookOf(std::vector<addressbook::BookEntry> entries, std::vector<addressbook::BookGroup> groups = {}) {
    Book book;
    book.kind = kAbifFileDevice;
    book.entries = std::move(entries);
    book.groups = std::move(groups);
    return book;
}

addressbook::BookEntry entry(uint16_t id, std::string name, std::string fax = "0301234") {
    addressbook::BookEntry e;
    e.id = id;
    e.name = std::move(name);
    e.fax = std::move(fax);
    return e;
}

addressbook::BookGroup group(std::string name, size_t members) {
    addressbook::BookGroup g;
    g.name = std::move(name);
    for (size_t i = 1; i <= members; ++i)
        g.members.push_back(uint16_t(i));
    return g;
}

std::vector<addressbook::BookEntry> entries(size_t count) {
    std::vector<addressbook::BookEntry> out;
    for (size_t i = 1; i <= count; ++i)
        out.push_back(entry(uint16_t(i), "E" + std::to_string(i)));
    return out;
}

const std::string k32(32, 'n');
const std::string kFox = "🦊"; // two UTF-16 units

TEST(FitToDevice, LeavesOutWhatThePrinterCannotHoldAtEachEdge) {
    struct Case {
        const char* name;
        Book book;
        size_t entriesKept, groupsKept;
        std::string reason; // of the one left out; empty: none
    };
    const Case cases[] = {
        {"a name of 32 units", bookOf({entry(1, k32)}), 1, 0, ""},
        {"a name of 33 units", bookOf({entry(1, k32 + "n")}), 0, 0, "name is too long"},
        {"30 units and a pair", bookOf({entry(1, k32.substr(2) + kFox)}), 1, 0, ""},
        {"31 units and a pair", bookOf({entry(1, k32.substr(1) + kFox)}), 0, 0, "name is too long"},
        {"a number of 50", bookOf({entry(1, "A", std::string(50, '5'))}), 1, 0, ""},
        {"a number of 51", bookOf({entry(1, "A", std::string(51, '5'))}), 0, 0, "number is too long"},
        {"no number", bookOf({entry(1, "A", "")}), 0, 0, "no fax number"},
        {"an Id twice", bookOf({entry(1, "A"), entry(1, "B")}), 1, 0, "no Id of its own"},
        {"205 members", bookOf(entries(206), {group("G", 205)}), 206, 1, ""},
        {"206 members", bookOf(entries(206), {group("G", 206)}), 206, 0, "206 members"},
        {"a group name of 33", bookOf({entry(1, "A")}, {group(k32 + "n", 1)}), 1, 0, "name is too long"},
        {"10,000 entries", bookOf(entries(ABIF_DEVICE_MAX_ENTRIES)), ABIF_DEVICE_MAX_ENTRIES, 0, ""},
        {"10,001 entries", bookOf(entries(ABIF_DEVICE_MAX_ENTRIES + 1)), ABIF_DEVICE_MAX_ENTRIES, 0,
         "at most 10000 entries"},
        {"1,000 groups", bookOf({}, std::vector(ABIF_DEVICE_MAX_GROUPS, group("G", 0))), 0,
         ABIF_DEVICE_MAX_GROUPS, ""},
        {"1,001 groups", bookOf({}, std::vector(ABIF_DEVICE_MAX_GROUPS + 1, group("G", 0))), 0,
         ABIF_DEVICE_MAX_GROUPS, "at most 1000 groups"},
    };
    for (const Case& c : cases) {
        addressbook::DeviceFit fit = addressbook::fitToDevice(c.book);
        EXPECT_EQ(fit.book.entries.size(), c.entriesKept) << c.name;
        EXPECT_EQ(fit.book.groups.size(), c.groupsKept) << c.name;
        ASSERT_EQ(fit.leftOut.size(), c.reason.empty() ? 0u : 1u) << c.name;
        if (!c.reason.empty()) {
            EXPECT_NE(fit.leftOut[0].reason.find(c.reason), std::string::npos)
                << c.name << ": " << fit.leftOut[0].reason;
        }
    }
    // A group keeps the members that stay, in order, and drops those left out.
    Book book = bookOf({entry(1, "A"), entry(2, k32 + "n"), entry(3, "C")}, {group("G", 3)});
    EXPECT_EQ(addressbook::fitToDevice(book).book.groups.at(0).members, (std::vector<uint16_t>{1, 3}));
}

class DeviceToolTest : public abiftest::ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        emulated::writeJsonBook(bookFile, {{{1, "Anna", "0301234"}}, {{"Team", {1}}}});
        std::string error;
        ASSERT_TRUE(emulator.start({"--book", bookFile, "--write-book", "--port", "0", "--password", "4711"},
                                   dir.file("log"), error))
            << error;
        setenv("ABIF_DEVICE_PORT", std::to_string(emulator.port()).c_str(), 1);
        write("password", "4711\n");
    }
    void TearDown() override {
        emulator.stop();
        unsetenv("ABIF_DEVICE_PORT");
        ToolTest::TearDown();
    }
    std::vector<std::string> device(std::vector<std::string> args) {
        args.insert(args.begin(), "device");
        for (const char* a : {"--address", "127.0.0.1", "--password-file"})
            args.push_back(a);
        args.push_back(dir.file("password"));
        return args;
    }

    std::string bookFile = dir.file("device.json");
    emulated::EmulatorProcess emulator;
};

// A vCard import: the entries go in, and a group over the printer's member count is left out and
// named, in one write; the export gives back what the printer holds.
TEST_F(DeviceToolTest, ImportLeavesOutAndListsWhatThePrinterCannotHold) {
    std::string cards, members;
    for (int i = 1; i <= 206; ++i) {
        cards += "BEGIN:VCARD\r\nVERSION:4.0\r\nUID:urn:uuid:c-" + std::to_string(i) + "\r\nFN:P" +
                 std::to_string(i) + "\r\nTEL;TYPE=fax:0" + std::to_string(100000 + i) + "\r\nEND:VCARD\r\n";
        members += "MEMBER:urn:uuid:c-" + std::to_string(i) + "\r\n";
    }
    cards += "BEGIN:VCARD\r\nVERSION:4.0\r\nKIND:group\r\nFN:Everyone\r\n" + members + "END:VCARD\r\n";
    cards += "BEGIN:VCARD\r\nVERSION:4.0\r\nKIND:group\r\nFN:Few\r\nMEMBER:urn:uuid:c-1\r\nEND:VCARD\r\n";
    ASSERT_EQ(run(device({"import", write("in.vcf", cards)})), 0) << errors;
    EXPECT_NE(output.find("Added 206 entries and 1 group to the printer at 127.0.0.1."), std::string::npos)
        << output;
    EXPECT_NE(output.find("group \"Everyone\": 206 members; the printer's groups hold at most 205"),
              std::string::npos)
        << output;

    abif::DeviceBook stored;
    ASSERT_EQ(abif::decodeAddressBook(read(bookFile), stored), kAbifSuccess);
    EXPECT_EQ(stored.entries.size(), 207u);
    ASSERT_EQ(stored.groups.size(), 2u);
    EXPECT_EQ(stored.groups[1].name, "Few");

    ASSERT_EQ(run(device({"export", "-", "--format", "csv"})), 0) << errors;
    EXPECT_EQ(output.substr(0, 39), "name,fax,company,note\r\nAnna,0301234,,\r\n");
    EXPECT_NE(errors.find("CSV holds no groups"), std::string::npos);
}

} // namespace
