// Throughput of the password digest, beside OpenSSL's SHA-1 as a yardstick.
#include <benchmark/benchmark.h>

#include <string>

#include "common/password_digest.h"

#ifdef VK_HAVE_OPENSSL
#include <openssl/sha.h>
#endif

namespace vk {
namespace {

// digestOf takes NUL-terminated text, so the input holds no zero byte.
std::string inputOf(std::size_t length) {
  std::string s(length, ' ');
  for (std::size_t i = 0; i < length; ++i) s[i] = static_cast<char>('!' + (i * 31) % 90);
  return s;
}

void BM_DigestOf(benchmark::State& state) {
  const std::string text = inputOf(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    PasswordDigest d = digestOf(text.c_str());
    benchmark::DoNotOptimize(d);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_DigestOf)->Arg(64)->Arg(1 << 20);

#ifdef VK_HAVE_OPENSSL
void BM_OpenSslSha1(benchmark::State& state) {
  const std::string text = inputOf(static_cast<std::size_t>(state.range(0)));
  unsigned char md[SHA_DIGEST_LENGTH];
  for (auto _ : state) {
    SHA1(reinterpret_cast<const unsigned char*>(text.data()), text.size(), md);
    benchmark::DoNotOptimize(md);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_OpenSslSha1)->Arg(64)->Arg(1 << 20);
#endif

}  // namespace
}  // namespace vk
