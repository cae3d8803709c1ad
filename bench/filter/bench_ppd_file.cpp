// The fax filter's PPD reader: the sample printer's file as every job reads it, and files of the
// largest size it takes built to make each step of the reading as costly as it can be.
#include "JobOptions.h"
#include "PpdFile.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>

using namespace com::velmora::cps::print::pde::tarncrest::directfax::faxjob;

namespace {

const char* const kKeywords[] = {"VMFaxImageQuality", "VMFaxTransmissionReport", "VMFaxCoverPageMode",
                                 "VMFaxSenderMode"};

// `head`, then `line` again and again up to the reader's bound, then `tail`.
std::string filled(const std::string& head, const std::string& line, const std::string& tail) {
    std::string text = "*PPD-Adobe: \"4.3\"\n" + head;
    while (text.size() + line.size() + tail.size() <= PpdFile::kMaxBytes)
        text += line;
    return text + tail;
}

void readAndMark(benchmark::State& state, const std::string& text) {
    const JobOptionList job = parseJobOptions("VMFaxImageQuality=superfine VMFaxSenderMode=Custom.1");
    for (auto _ : state) {
        const std::optional<PpdFile> ppd = PpdFile::parse(text);
        if (!ppd)
            state.SkipWithError("not read as a PPD");
        for (const char* keyword : kKeywords)
            benchmark::DoNotOptimize(ppd->markedChoice(keyword, job));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
    state.counters["MiB"] = double(text.size()) / (1 << 20);
}

void BM_SamplePrinter(benchmark::State& state) {
    std::ifstream file(DIRECTFAX_SOURCE_DIR "/host/samples/DirectFaxSample.ppd", std::ios::binary);
    readAndMark(state, std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
}

// One option with choices of every name, then defaults that each look a "_Custom…" choice up.
void BM_ManyChoicesAndCustomDefaults(benchmark::State& state) {
    std::string choices = "*OpenUI *VMFaxImageQuality: PickOne\n";
    for (int i = 0; i < 200000; ++i)
        choices += "*VMFaxImageQuality C" + std::to_string(i) + ": \"\"\n";
    choices += "*CloseUI: *VMFaxImageQuality\n";
    readAndMark(state, filled(choices, "*DefaultVMFaxImageQuality: Custom.1\n", ""));
}

// A group for each option, every one of the same keyword, so each default is marked in turn.
void BM_OneKeywordInEveryGroup(benchmark::State& state) {
    int group = 0;
    std::string text = "*PPD-Adobe: \"4.3\"\n";
    while (text.size() < PpdFile::kMaxBytes - 200) {
        const std::string name = std::to_string(group++);
        text += "*OpenGroup: G" + name +
                "\n*OpenUI *VMFaxImageQuality: PickOne\n*DefaultVMFaxImageQuality: F" + name +
                "\n*VMFaxImageQuality F" + name + ": \"\"\n*CloseUI: *VMFaxImageQuality\n*CloseGroup: G\n";
    }
    readAndMark(state, text);
}

// Quoted values as long as libcups takes them, in lines of 200 bytes.
void BM_LongQuotedValues(benchmark::State& state) {
    std::string value = "*Blob: \"";
    while (value.size() < 262000)
        value += std::string(200, 'x') + "\n";
    readAndMark(state, filled("", value + "\"\n", ""));
}

} // namespace

BENCHMARK(BM_SamplePrinter)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ManyChoicesAndCustomDefaults)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneKeywordInEveryGroup)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LongQuotedValues)->Unit(benchmark::kMillisecond);
