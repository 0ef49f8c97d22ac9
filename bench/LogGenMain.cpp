// Writes one benchmark log: velmorant-loggen hr|table|user SIZE_BYTES OUTPUT
// and prints "<bytes> <posts> <sections> <output bytes>": the sections the benchmark's
// conversion makes (for its memory bound) and the size its output must have.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/LogGenerator.h"

int main(int argc, char** argv) {
  bench::LogVariant variant;
  if (argc != 4 || !bench::ParseVariant(argv[1], &variant)) {
    std::fprintf(stderr, "usage: velmorant-loggen hr|table|user SIZE_BYTES OUTPUT\n");
    return 2;
  }
  const bench::GeneratedLog log = bench::GenerateLog(variant, std::strtoull(argv[2], nullptr, 10));
  std::FILE* f = std::fopen(argv[3], "wb");
  if (f == nullptr || std::fwrite(log.bytes.data(), 1, log.bytes.size(), f) != log.bytes.size() ||
      std::fclose(f) != 0) {
    std::perror(argv[3]);
    return 1;
  }
  // Reordering keeps every byte from <HTML> through </HTML>; the line end after it goes.
  const std::size_t end = log.bytes.rfind("</HTML>") + 7;
  std::printf("%zu %zu %zu %zu\n", log.bytes.size(), log.posts.size(),
              bench::ExpectedSections(variant, log.posts.size()), end);
  return 0;
}
