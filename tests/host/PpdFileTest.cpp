// The filter's own PPD reader against libcups: whether a file is a PPD at all, the choice an
// option takes for a job and the printer's text encoding must be what libcups' ppdOpenFile,
// ppdMarkDefaults, cupsMarkOptions and ppdFindMarkedChoice give; each row also names the answer,
// so that both going wrong alike still fails.
#include "PpdFile.h"
#include "PpdEncoding.h"

#include <cups/cups.h>
#include <cups/ppd.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

using namespace com::velmora::cps::print::pde::tarncrest::directfax;
using namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob;
namespace fs = std::filesystem;

namespace {

constexpr const char* kNoPpd = "(no PPD)";
constexpr const char* kNoChoice = "(no choice)";
const std::string kHeader = "*PPD-Adobe: \"4.3\"\n";

// A PickOne option with these choices and default, in its own block.
std::string option(const std::string& keyword, const std::string& choices,
                   const std::string& byDefault = "Fine", const std::string& type = "PickOne") {
    std::string text =
        "*OpenUI *" + keyword + "/Quality: " + type + "\n*Default" + keyword + ": " + byDefault + "\n";
    for (size_t at = 0; at < choices.size();) {
        const size_t end = std::min(choices.find(' ', at), choices.size());
        text += "*" + keyword + " " + choices.substr(at, end - at) + ": \"\"\n";
        at = end + 1;
    }
    return text + "*CloseUI: *" + keyword + "\n";
}

const std::string kQuality = option("VMFaxImageQuality", "Standard Fine SuperFine");

struct Row {
    const char* name;
    std::string text;
    std::vector<std::pair<std::string, std::string>> job;
    const char* expected; // the choice of `keyword`, kNoPpd or kNoChoice
    const char* keyword = "VMFaxImageQuality";
    const char* encoding = ""; // the value of the first VMPrinterLanguageEncoding… attribute
};

std::string repeated(char c, size_t count) {
    return std::string(count, c);
}

// A line "*Blob: "…"" of `bytes` bytes as libcups keeps it (the line ends inside its quotes
// included, the file's lines 208 bytes at most), then a line end.
std::string quotedValueOf(size_t bytes) {
    std::string text = "*Blob: \"";
    while (text.size() + 1 < bytes) {
        text += repeated('x', std::min<size_t>(200, bytes - 1 - text.size()));
        if (text.size() + 1 < bytes)
            text += '\n';
    }
    return text + "\"\n";
}

// A row's answers: kNoPpd, kNoChoice or the marked choice of its keyword, and its encoding.
using Answer = std::pair<std::string, std::string>;

Answer libcups(const fs::path& path, const Row& row) {
    std::ofstream(path, std::ios::binary) << row.text;
    ppd_file_t* ppd = ppdOpenFile(path.c_str());
    if (!ppd)
        return {kNoPpd, ""};
    cups_option_t* options = nullptr;
    int count = 0;
    for (const auto& [name, value] : row.job)
        count = cupsAddOption(name.c_str(), value.c_str(), count, &options);
    ppdMarkDefaults(ppd);
    cupsMarkOptions(ppd, count, options);
    const ppd_choice_t* choice = ppdFindMarkedChoice(ppd, row.keyword);
    const ppd_attr_t* encoding = ppdFindAttr_ALT(ppd, "VMPrinterLanguageEncoding");
    Answer answer{choice ? choice->choice : kNoChoice, encoding && encoding->value ? encoding->value : ""};
    cupsFreeOptions(count, options);
    ppdClose(ppd);
    return answer;
}

Answer ours(const Row& row) {
    const std::optional<PpdFile> ppd = PpdFile::parse(row.text);
    if (!ppd)
        return {kNoPpd, ""};
    JobOptionList job;
    for (const auto& [name, value] : row.job)
        job.add(name, value);
    const std::optional<std::string> choice = ppd->markedChoice(row.keyword, job);
    const std::string* encoding = ppd->attributeStartingWith("VMPrinterLanguageEncoding");
    return {choice ? *choice : kNoChoice, encoding ? *encoding : ""};
}

void check(const std::vector<Row>& rows) {
    const fs::path path = fs::temp_directory_path() / ("ppd-file-test-" + std::to_string(getpid()));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Answer expected = libcups(path, row);
        EXPECT_EQ(ours(row), expected);
        EXPECT_EQ(expected, Answer(row.expected, row.encoding));
    }
    fs::remove(path);
}

TEST(PpdFileAgainstLibcups, MarksTheChoiceLibcupsMarks) {
    const std::string custom = "*CustomVMFaxImageQuality True: \"\"\n";
    const std::string pickMany = option("VMFaxImageQuality", "Standard Fine", "Fine", "PickMany");
    const std::string twice = "*OpenGroup: A\n" + option("VMFaxImageQuality", "Standard Fine") +
                              "*CloseGroup: A\n*OpenGroup: B\n" +
                              option("VMFaxImageQuality", "Photo Standard", "Standard") + "*CloseGroup: B\n";
    const std::string fortyName = repeated('Q', 40);
    std::ifstream file(DIRECTFAX_SOURCE_DIR "/host/samples/DirectFaxSample.ppd", std::ios::binary);
    const std::string sample((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    // clang-format off
    check({
        {"the default", kHeader + kQuality, {}, "Fine"},
        {"the job's choice in any case", kHeader + kQuality, {{"vmfaximagequality", "superfine"}}, "SuperFine"},
        {"a value that is no choice keeps the default", kHeader + kQuality, {{"VMFaxImageQuality", "Ultra"}}, "Fine"},
        {"a default that is no choice", kHeader + option("VMFaxImageQuality", "Standard", "Fine"), {}, kNoChoice},
        {"no such option", kHeader + option("VMFaxOther", "Fine"), {{"VMFaxImageQuality", "Fine"}}, kNoChoice},
        {"default before the block", kHeader + "*DefaultVMFaxImageQuality: Standard\n*OpenUI *VMFaxImageQuality: "
         "PickOne\n*VMFaxImageQuality Standard: \"\"\n*CloseUI: *VMFaxImageQuality\n", {}, "Standard"},
        {"default after the block, text dropped", kHeader + kQuality + "*DefaultVMFaxImageQuality: SuperFine/Best\n",
         {}, "SuperFine"},
        {"option keyword in another case", kHeader + option("vmfaxIMAGEquality", "Fine Photo"),
         {{"VMFAXIMAGEQUALITY", "photo"}}, "Photo"},
        {"the first of two options of a keyword, the second's default among its choices", kHeader + twice, {},
         "Standard"},
        {"a choice line outside the block is none", kHeader + kQuality + "*VMFaxImageQuality Photo: \"\"\n",
         {{"VMFaxImageQuality", "Photo"}}, "Fine"},
        {"a choice named custom is read as _custom", kHeader + option("VMFaxImageQuality", "custom Fine"),
         {{"VMFaxImageQuality", "_custom"}}, "_custom"},
        {"a custom value", kHeader + custom + "*ParamCustomVMFaxImageQuality Level: \"1 int 1 9\"\n" + kQuality,
         {{"VMFaxImageQuality", "Custom.7"}}, "Custom"},
        {"a custom value, no parameter", kHeader + custom + kQuality, {{"VMFaxImageQuality", "Custom.7"}}, "Fine"},
        {"a custom value in braces", kHeader + custom + kQuality, {{"VMFaxImageQuality", "{Level=7}"}}, "Custom"},
        {"a custom value, no custom choice", kHeader + kQuality, {{"VMFaxImageQuality", "Custom.7"}}, "Fine"},
        {"PickMany keeps the default first", kHeader + pickMany, {{"VMFaxImageQuality", "Standard"}}, "Fine"},
        {"a choice line in a quoted value is text", kHeader + "*Note: \"first\n*VMFaxImageQuality Photo: x\n\"\n" +
         kQuality, {{"VMFaxImageQuality", "Photo"}}, "Fine"},
        {"CR LF and CR line ends", "*PPD-Adobe: \"4.3\"\r\n*OpenUI *VMFaxImageQuality: PickOne\r\n"
         "*DefaultVMFaxImageQuality: Fine\r*VMFaxImageQuality Fine: \"\"\r\n*CloseUI: *VMFaxImageQuality\r", {},
         "Fine"},
        {"nothing after the work set", kHeader + "*%APLWORKSET START\n" + kQuality, {}, kNoChoice},
        {"a zero byte ends its line", kHeader + option("VMFaxImageQuality", "Fine") +
         std::string("*DefaultVMFaxImageQuality: Standard\0/x", 39) + "\n", {}, kNoChoice},
        {"end-of-file bytes are no characters", kHeader + "*Default\x1aVMFaxImageQuality: Standard\n" + kQuality,
         {}, "Fine"},
        {"a 41-byte default is cut to 40", kHeader + option("VMFaxImageQuality", fortyName, fortyName + "R"), {},
         fortyName.c_str()},
        {"a JCL option ends the group it is in", kHeader + "*OpenGroup: A\n*JCLOpenUI *JCLFax: PickOne\n"
         "*JCLCloseUI: *JCLFax\n*OpenGroup: B\n" + kQuality, {}, "Fine"},
        {"a line of blanks", kHeader + "   \t\n" + kQuality, {}, "Fine"},
        {"an encoding after a longer name", kHeader + "*VMPrinterLanguageEncodingNote: x\n"
         "*VMPrinterLanguageEncoding: UTF-8\n", {}, kNoChoice, "VMFaxImageQuality", "x"},
        {"the first encoding, quotes and line ends kept", kHeader + "*VMPrinterLanguageEncoding Spec/Text: "
         "\"multi\nline\"\n*VMPrinterLanguageEncoding: UTF-8\n", {}, kNoChoice, "VMFaxImageQuality", "multi\nline"},
        {"an option's choice is no attribute", kHeader + option("VMPrinterLanguageEncoding", "UTF-8", "UTF-8"), {},
         "UTF-8", "VMPrinterLanguageEncoding"},
        {"the sample printer's quality", sample, {}, "Fine", "VMFaxImageQuality", "UTF-8"},
        {"the sample printer's report", sample, {{"VMFaxTransmissionReport", "off"}}, "Off",
         "VMFaxTransmissionReport", "UTF-8"},
        {"the sample printer's cover page", sample, {}, "Standard", "VMFaxCoverPageMode", "UTF-8"},
        {"the sample printer's sender", sample, {{"VMFaxSenderMode", "LoginName"}}, "LoginName", "VMFaxSenderMode",
         "UTF-8"},
    });
    // clang-format on
}

TEST(PpdFileAgainstLibcups, RefusesWhatLibcupsRefuses) {
    const std::string name40 = repeated('K', 40);
    // clang-format off
    check({
        {"a 255-byte line", kHeader + "*%" + repeated('c', 253) + "\n" + kQuality, {}, "Fine"},
        {"a 256-byte line", kHeader + "*%" + repeated('c', 254) + "\n" + kQuality, {}, kNoPpd},
        {"a 40-byte keyword", kHeader + "*" + name40 + ": x\n" + kQuality, {}, "Fine"},
        {"a 41-byte keyword", kHeader + "*" + name40 + "K: x\n" + kQuality, {}, kNoPpd},
        {"a 40-byte choice name", kHeader + option("VMFaxImageQuality", name40 + " Fine"), {}, "Fine"},
        {"a 41-byte choice name", kHeader + option("VMFaxImageQuality", name40 + "K Fine"), {}, kNoPpd},
        {"a keyword outside ASCII", kHeader + "*Bad\xc3\xa9: x\n" + kQuality, {}, kNoPpd},
        {"a value of 262142 bytes", kHeader + quotedValueOf(262142) + kQuality, {}, "Fine"},
        {"a value of 262143 bytes", kHeader + quotedValueOf(262143) + kQuality, {}, kNoPpd},
        {"a line without an asterisk", kHeader + "plain\n" + kQuality, {}, kNoPpd},
        {"no header", kQuality, {}, kNoPpd},
        {"a version 3 header", "*PPD-Adobe: \"3.0\"\n" + kQuality, {}, kNoPpd},
        {"a blank line before the header", "\n" + kHeader + kQuality, {}, kNoPpd},
        {"a byte-order mark", "\xef\xbb\xbf" + kHeader + kQuality, {}, kNoPpd},
        {"a group in a group", kHeader + "*OpenGroup: A\n*OpenGroup: B\n" + kQuality, {}, kNoPpd},
        {"a JCL option of no type", kHeader + "*JCLOpenUI *JCLFax: Pick\n" + kQuality, {}, kNoPpd},
    });
    // clang-format on
}

TEST(PpdFile, AFileOverItsBoundIsNoPpd) {
    const fs::path path = fs::temp_directory_path() / ("ppd-file-bound-" + std::to_string(getpid()));
    for (const size_t size : {PpdFile::kMaxBytes, PpdFile::kMaxBytes + 1}) {
        std::string text = kHeader + kQuality;
        text += repeated('\n', size - text.size());
        std::ofstream(path, std::ios::binary) << text;
        const std::optional<PpdFile> ppd = PpdFile::open(path.c_str());
        EXPECT_EQ(ppd.has_value(), size == PpdFile::kMaxBytes) << size;
    }
    fs::remove(path);
    EXPECT_FALSE(PpdFile::open("/nonexistent/file.ppd"));
}

} // namespace
