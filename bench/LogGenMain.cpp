// Writes one benchmark log: velmorant-loggen hr|table|user SIZE_BYTES OUTPUT (a name not
// taken yet)
// and prints "<bytes> <posts> <sections> <output bytes>": the sections the benchmark's
// conversion makes (for its memory bound) and the size its output must have.
//
// velmorant-loggen touch MIB prints the seconds it takes to back MIB of fresh memory as
// the section arrays are backed. A virtual machine that hands freed memory back to its host
// pays many times more for it than for memory freed a moment ago; a conversion of a table
// log needs tens of megabytes of it, and cp none.
//
// velmorant-loggen floor INPUT OUTPUT PIECE writes INPUT reversed in pieces of PIECE bytes
// with the least work a conversion could do (see CopyFloor), to be timed beside cp.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/CopyFloor.h"
#include "bench/LogGenerator.h"
#include "platform/File.h"
#include "platform/GrowableRegion.h"

namespace {

int Touch(std::size_t mib) {
  const std::size_t bytes = mib << 20;
  platform::CGrowableRegion region;
  const auto start = std::chrono::steady_clock::now();
  if (!region.Reserve(bytes)) {
    std::fprintf(stderr, "velmorant-loggen: no memory for %zu MiB\n", mib);
    return 1;
  }
  region.PopulateTo(bytes);
  auto* p = static_cast<volatile unsigned char*>(region.Data());
  for (std::size_t at = 0; at < bytes; at += 4096) p[at] = 1;
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("%.4f\n", took.count());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "touch") == 0) {
    return Touch(std::strtoull(argv[2], nullptr, 10));
  }
  if (argc == 5 && std::strcmp(argv[1], "floor") == 0) {
    const long long seen = bench::CopyFloor(argv[2], argv[3], std::strtoull(argv[4], nullptr, 10));
    if (seen < 0) return 1;
    std::printf("%lld\n", seen);
    return 0;
  }
  bench::LogVariant variant;
  if (argc != 4 || !bench::ParseVariant(argv[1], &variant)) {
    std::fprintf(stderr,
                 "usage: velmorant-loggen hr|table|user SIZE_BYTES OUTPUT\n"
                 "       velmorant-loggen touch MIB\n"
                 "       velmorant-loggen floor INPUT OUTPUT PIECE\n");
    return 2;
  }
  const bench::GeneratedLog log = bench::GenerateLog(variant, std::strtoull(argv[2], nullptr, 10));
  // Only a free name is written: a mistyped argument must not cost a file.
  platform::CFile out;
  platform::CFileException error;
  try {
    if (!out.Open(argv[3],
                  platform::CFile::modeWrite | platform::CFile::modeCreate |
                      platform::CFile::modeReplace | platform::CFile::modeNoReplace,
                  &error)) {
      throw error;
    }
    out.Write(log.bytes.data(), log.bytes.size());
    out.Close();
  } catch (const platform::CFileException& e) {
    std::fprintf(stderr, "velmorant-loggen: cannot write %s: %s\n", argv[3],
                 std::strerror(static_cast<int>(e.m_lOsError)));
    return 1;
  }
  // Reordering keeps every byte from <HTML> through </HTML>; the line end after it goes.
  const std::size_t end = log.bytes.rfind("</HTML>") + 7;
  std::printf("%zu %zu %zu %zu\n", log.bytes.size(), log.posts.size(),
              bench::ExpectedSections(variant, log.posts.size()), end);
  return 0;
}
