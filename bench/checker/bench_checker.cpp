// Validation throughput of the input string checker, in UTF-16 code units per second.
#include "InputStringChecker.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace com::velmora::cps::print::pde::tarncrest::directfax;

namespace {

constexpr qsizetype kMiB = 1 << 20; // code units

// Printable ASCII in a repeating, non-trivial pattern: every unit passes, so the whole text is scanned.
QString printableAscii(qsizetype length) {
    QString text(length, Qt::Uninitialized);
    for (qsizetype i = 0; i < length; ++i)
        text[i] = QChar(char16_t(0x20 + (i * 7) % 95));
    return text;
}

// Units spread over the whole Basic Multilingual Plane (except U+0000), so the lookups miss the cache.
QString randomBmp(qsizetype length) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<unsigned> unit(1, 0xFFFF);
    QString text(length, Qt::Uninitialized);
    for (qsizetype i = 0; i < length; ++i)
        text[i] = QChar(char16_t(unit(random)));
    return text;
}

// Items are the code units the check has to look at per call.
void run(benchmark::State& state, const InputStringChecker& checker, const QString& text, bool expected,
         qsizetype unitsLookedAt) {
    for (auto _ : state) {
        const bool accepted = checker.isPartialStringValid(text);
        benchmark::DoNotOptimize(accepted);
        if (accepted != expected) {
            state.SkipWithError("unexpected answer");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * unitsLookedAt);
    state.SetBytesProcessed(state.iterations() * unitsLookedAt * qsizetype(sizeof(char16_t)));
}

// The goal case: a 1 MiB text whose every unit is looked up in the sender-name table.
void BM_ValidateAsciiText(benchmark::State& state) {
    InputStringChecker checker;
    checker.setAcceptableCodeRange(kSenderNameAcceptableRange);
    run(state, checker, printableAscii(state.range(0)), true, state.range(0));
}
BENCHMARK(BM_ValidateAsciiText)->Arg(kMiB)->Arg(30);

// Worst case for the table: random units over the whole plane, all allowed.
void BM_ValidateRandomBmpText(benchmark::State& state) {
    InputStringChecker checker;
    const char16_t everything[] = {1, 0xFFFF, 0};
    checker.setAcceptableCodeRange(everything);
    run(state, checker, randomBmp(state.range(0)), true, state.range(0));
}
BENCHMARK(BM_ValidateRandomBmpText)->Arg(kMiB);

// A field with a length limit refuses an overlong text without looking at its units (time per call).
void BM_RefuseOverlongText(benchmark::State& state) {
    InputStringChecker checker;
    checker.setMaxLength(30);
    checker.setAcceptableCodeRange(kSenderNameAcceptableRange);
    run(state, checker, printableAscii(state.range(0)), false, 0);
}
BENCHMARK(BM_RefuseOverlongText)->Arg(kMiB);

} // namespace
