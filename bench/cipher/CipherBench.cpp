// Blowfish ECB decipher throughput: BlowfishCipher against OpenSSL's BF_ecb_encrypt, 10 MB buffer.
//
// OpenSSL's legacy Blowfish API takes one 8-byte block per call, so the baseline loops over the
// buffer; both sides use the program's key and decipher the same enciphered data.
#include "core/definitions/BlowfishCipher.h"

#include <benchmark/benchmark.h>
#include <openssl/blowfish.h>

#include <cstring>
#include <random>
#include <vector>

using namespace hookwise::core;

namespace {

constexpr std::size_t kBufferBytes = 10 * 1000 * 1000;
const unsigned char kKey[] = {'5', '7', '3', '9', '0', '2', '6', '4'};

const std::vector<unsigned char>& Input() {
    static const std::vector<unsigned char> input = [] {
        std::vector<unsigned char> bytes(kBufferBytes);
        std::mt19937 random(2026);
        for (unsigned char& byte : bytes)
            byte = static_cast<unsigned char>(random());
        return bytes;
    }();
    return input;
}

void BM_BlowfishCipherDecipherEcb(benchmark::State& state) {
    const std::vector<unsigned char>& in = Input();
    std::vector<unsigned char> out(in.size());
    const BlowfishCipher cipher(kKey, sizeof kKey);
    for (auto _ : state) {
        cipher.Decipher(in.data(), out.data(), in.size(), BlowfishCipher::ECB);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}

void BM_OpenSslDecipherEcb(benchmark::State& state) {
    const std::vector<unsigned char>& in = Input();
    std::vector<unsigned char> out(in.size());
    BF_KEY schedule;
    BF_set_key(&schedule, sizeof kKey, kKey);
    for (auto _ : state) {
        for (std::size_t offset = 0; offset < in.size(); offset += 8)
            BF_ecb_encrypt(in.data() + offset, out.data() + offset, &schedule, BF_DECRYPT);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}

// The key schedule runs once per start-up; shown for scale.
void BM_BlowfishCipherKeySchedule(benchmark::State& state) {
    for (auto _ : state) {
        BlowfishCipher cipher(kKey, sizeof kKey);
        benchmark::DoNotOptimize(&cipher);
    }
}

} // namespace

BENCHMARK(BM_BlowfishCipherDecipherEcb)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenSslDecipherEcb)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlowfishCipherKeySchedule)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
