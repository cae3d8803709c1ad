// Reading hostile import texts with directfax-addressbook's readers: a CSV header of 320,000
// Google "Phone N - Type" columns, 20,000 short rows under a header of 20,000 "Phone N - Type" and
// "- Value" pairs, and a vCard group naming each of 65,535 cards. Goal: each in time linear in
// its input (well under a second).
#include "Csv.h"
#include "ImportPlan.h"
#include "VCard.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

namespace tool = com::velmora::cps::print::pde::tarncrest::directfax::addressbook;

std::string phoneTypeHeader(int columns) {
    std::string text = "Name,Fax";
    for (int i = 1; i <= columns; ++i)
        text += ",Phone " + std::to_string(i) + " - Type";
    return text + "\nAnna,123\n";
}

// Rows without a fax number: each looks at the typed phones of the header.
std::string shortRowsUnderPhonePairs(int pairs, int rows) {
    std::string text = "Name,Fax";
    for (int i = 1; i <= pairs; ++i)
        text += ",Phone " + std::to_string(i) + " - Type,Phone " + std::to_string(i) + " - Value";
    text += "\n";
    for (int i = 0; i < rows; ++i) {
        text += 'P';
        text += std::to_string(i);
        text += ",\n";
    }
    return text;
}

std::string groupOfAllCards(int cards) {
    std::string text;
    for (int i = 0; i < cards; ++i)
        text += "BEGIN:VCARD\nVERSION:4.0\nUID:u" + std::to_string(i) + "\nFN:P" + std::to_string(i) +
                "\nTEL;TYPE=fax:" + std::to_string(i) + "\nEND:VCARD\n";
    text += "BEGIN:VCARD\nVERSION:4.0\nKIND:group\nFN:Everyone\n";
    for (int i = 0; i < cards; ++i)
        text += "MEMBER:u" + std::to_string(i) + "\n";
    return text + "END:VCARD\n";
}

void BM_CsvHeaderOfPhoneTypes(benchmark::State& state) {
    const std::string text = phoneTypeHeader(320000);
    for (auto _ : state) {
        tool::ParsedImport parsed = tool::parseCsv(text);
        benchmark::DoNotOptimize(parsed.book.entries.data());
    }
    state.counters["columns"] = 320002;
}
BENCHMARK(BM_CsvHeaderOfPhoneTypes)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CsvRowsUnderWideHeader(benchmark::State& state) {
    const std::string text = shortRowsUnderPhonePairs(20000, 20000);
    for (auto _ : state) {
        tool::ParsedImport parsed = tool::parseCsv(text);
        benchmark::DoNotOptimize(parsed.rejected.data());
    }
}
BENCHMARK(BM_CsvRowsUnderWideHeader)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_VCardGroupOfAllCards(benchmark::State& state) {
    const std::string text = groupOfAllCards(65535);
    for (auto _ : state) {
        tool::ImportPlan plan = tool::planImport(tool::parseVCards(text), tool::Book{}, false);
        benchmark::DoNotOptimize(plan.groups.data());
    }
}
BENCHMARK(BM_VCardGroupOfAllCards)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
