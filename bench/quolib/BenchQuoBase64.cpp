// Base64 of 1 MiB: QuoLib against OpenSSL's EVP_EncodeBlock / EVP_DecodeBlock.
#include "QuoLib.h"

#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

using namespace com::velmora::cps::print::pde::tarncrest::directfax;

constexpr int32_t kPlainSize = 1 << 20;
constexpr int32_t kTextSize = 4 * ((kPlainSize + 2) / 3);

const std::vector<uint8_t>& plain() {
    static const std::vector<uint8_t> bytes = [] {
        std::vector<uint8_t> b(kPlainSize);
        std::mt19937 random(20);
        for (auto& x : b)
            x = static_cast<uint8_t>(random());
        return b;
    }();
    return bytes;
}

const std::vector<char>& text() {
    static const std::vector<char> chars = [] {
        std::vector<char> t(kTextSize + 1);
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(t.data()), plain().data(), kPlainSize);
        t.resize(kTextSize);
        return t;
    }();
    return chars;
}

void BM_QuoBinToB64(benchmark::State& state) {
    std::vector<char> out(kTextSize);
    for (auto _ : state) {
        int32_t length = 0;
        if (QuoBinToB64(plain().data(), kPlainSize, out.data(), &length, kTextSize) != kQuoSuccess)
            state.SkipWithError("QuoBinToB64 failed");
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t{kPlainSize});
}

void BM_OpenSslEncodeBlock(benchmark::State& state) {
    std::vector<unsigned char> out(kTextSize + 1); // it appends a zero byte
    for (auto _ : state) {
        if (EVP_EncodeBlock(out.data(), plain().data(), kPlainSize) != kTextSize)
            state.SkipWithError("EVP_EncodeBlock failed");
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t{kPlainSize});
}

void BM_QuoB64ToBin(benchmark::State& state) {
    std::vector<uint8_t> out(kPlainSize);
    for (auto _ : state) {
        int32_t length = 0;
        if (QuoB64ToBin(text().data(), kTextSize, out.data(), &length, kPlainSize) != kQuoSuccess ||
            length != kPlainSize)
            state.SkipWithError("QuoB64ToBin failed");
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t{kPlainSize});
}

void BM_OpenSslDecodeBlock(benchmark::State& state) {
    std::vector<unsigned char> out(kPlainSize + 3); // it writes whole groups, padding included
    const auto* in = reinterpret_cast<const unsigned char*>(text().data());
    for (auto _ : state) {
        if (EVP_DecodeBlock(out.data(), in, kTextSize) < kPlainSize)
            state.SkipWithError("EVP_DecodeBlock failed");
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t{kPlainSize});
}

BENCHMARK(BM_QuoBinToB64);
BENCHMARK(BM_OpenSslEncodeBlock);
BENCHMARK(BM_QuoB64ToBin);
BENCHMARK(BM_OpenSslDecodeBlock);

} // namespace
