// Drives a libFuzzer harness without libFuzzer: a fixed seed makes every run
// replay the same inputs, so a failure found here reproduces exactly.
//
//   harness [--runs=N] [--seed=S] [file ...]
//
// Files given on the command line are run as they are; otherwise N inputs are
// generated: random bytes, random printable text, and splices of the harness's
// dictionary words (tsl_fuzz_dictionary, optional) so that parsers get past
// their first token.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// A harness may define this to give words worth splicing together.
extern "C" __attribute__((weak)) const char* const* tsl_fuzz_dictionary();

namespace {

std::string random_input(std::mt19937_64& rng, const std::vector<std::string>& words) {
  std::uniform_int_distribution<int> kind(0, 9);
  std::uniform_int_distribution<int> len(0, 96);
  std::string out;
  int k = kind(rng);
  int n = len(rng);
  if (k == 0) {
    for (int i = 0; i < n; ++i) out.push_back(static_cast<char>(rng() & 0xFF));
  } else if (k <= 3 || words.empty()) {
    static const char printable[] = " 0123456789abcdefABCDEF:-/.,+eE'\"()[];_ \t\nxXpPmMaAzZ0919";
    for (int i = 0; i < n; ++i) out.push_back(printable[rng() % (sizeof printable - 1)]);
  } else {
    int count = 1 + static_cast<int>(rng() % 12);
    for (int i = 0; i < count; ++i) {
      out += words[rng() % words.size()];
      if (rng() % 3) out.push_back(' ');
      if (rng() % 7 == 0) out.push_back(static_cast<char>(rng() & 0xFF));
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  long runs = 20000;
  unsigned long long seed = 20261208;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--runs=", 7) == 0) {
      runs = std::atol(argv[i] + 7);
    } else if (std::strncmp(argv[i], "--seed=", 7) == 0) {
      seed = std::strtoull(argv[i] + 7, nullptr, 10);
    } else {
      files.emplace_back(argv[i]);
    }
  }
  if (!files.empty()) {
    for (const auto& f : files) {
      std::ifstream in(f, std::ios::binary);
      std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(data.data()), data.size());
    }
    std::printf("replayed %zu files\n", files.size());
    return 0;
  }
  std::vector<std::string> words;
  if (tsl_fuzz_dictionary) {
    for (const char* const* w = tsl_fuzz_dictionary(); w && *w; ++w) words.emplace_back(*w);
  }
  std::mt19937_64 rng(seed);
  for (long i = 0; i < runs; ++i) {
    std::string input = random_input(rng, words);
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
  }
  std::printf("%ld inputs replayed without a fault\n", runs);
  return 0;
}
