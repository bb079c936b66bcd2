// Replay driver for fuzz targets when libFuzzer is not linked: runs every file
// of the given corpus folders, then deterministic mutations of each, so the
// targets keep running in the ordinary test suite.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<uint8_t> ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Run(const std::vector<uint8_t>& v) {
  // A copy of exactly the input's size lets the sanitizers see any overread.
  std::vector<uint8_t> exact(v);
  LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
}

std::vector<uint8_t> Mutate(std::vector<uint8_t> v, std::mt19937& rng) {
  std::uniform_int_distribution<int> kind(0, 5);
  std::uniform_int_distribution<int> byte(0, 255);
  int rounds = 1 + static_cast<int>(rng() % 4);
  for (int r = 0; r < rounds; ++r) {
    size_t n = v.size();
    switch (kind(rng)) {
      case 0:
        if (n) v.resize(rng() % n);
        break;
      case 1:
        if (n) v[rng() % n] ^= static_cast<uint8_t>(1u << (rng() % 8));
        break;
      case 2:
        if (n) v[rng() % n] = static_cast<uint8_t>(byte(rng));
        break;
      case 3:
        v.insert(v.begin() + static_cast<long>(n ? rng() % n : 0), static_cast<uint8_t>(byte(rng)));
        break;
      case 4:
        if (n >= 4) {
          size_t at = rng() % (n - 3);
          uint32_t values[] = {0u, 0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 0xFFFFu, 0xFFu};
          uint32_t x = values[rng() % 6];
          for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
        }
        break;
      default:
        if (n) v.erase(v.begin() + static_cast<long>(rng() % n));
        break;
    }
  }
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::vector<uint8_t>> corpus;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path p(argv[i]);
    if (std::filesystem::is_directory(p)) {
      for (auto& e : std::filesystem::recursive_directory_iterator(p))
        if (e.is_regular_file()) corpus.push_back(ReadAll(e.path()));
    } else if (std::filesystem::is_regular_file(p)) {
      corpus.push_back(ReadAll(p));
    }
  }
  corpus.push_back({});
  const char* env = std::getenv("FUZZ_REPLAY_MUTATIONS");
  int mutations = env ? std::atoi(env) : 2000;
  std::mt19937 rng(12345);
  size_t runs = 0;
  for (const auto& input : corpus) {
    Run(input);
    ++runs;
  }
  for (int m = 0; m < mutations; ++m) {
    Run(Mutate(corpus[static_cast<size_t>(m) % corpus.size()], rng));
    ++runs;
  }
  std::printf("replayed %zu inputs (%zu corpus files)\n", runs, corpus.size() - 1);
  return 0;
}
