#include "bench/CopyFloor.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/File.h"

namespace bench {
namespace {

// A few small blocks stay in the processor's cache from their read to their write: on a
// 256 MiB log, blocks of 1 MiB (2 or 8 of them) took 0.077 to 0.103 s, four of 256 KiB
// 0.062 s, cp 0.057 s.
constexpr std::size_t kBlock = 256u << 10;
constexpr std::size_t kSlots = 4;
constexpr std::size_t kCopiedPiece = 512;

// '<' in [p, p + n), sixteen bytes at a time where the processor has SSE2, so that looking
// costs about what a key scan does.
std::size_t CountOpen(const std::uint8_t* p, std::size_t n) {
  std::size_t count = 0;
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i open = _mm_set1_epi8('<');
  while (n - i >= 16) {
    // Each lane counts up to 255 matches before the lanes are summed.
    __m128i lanes = _mm_setzero_si128();
    const std::size_t stop = i + std::min<std::size_t>((n - i) / 16, 255) * 16;
    for (; i < stop; i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(v, open));
    }
    const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
    count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
             static_cast<std::size_t>(_mm_extract_epi16(sums, 4));
  }
#endif
  for (; i < n; ++i) count += p[i] == '<';
  return count;
}

struct Block {
  std::uint64_t offset = 0;
  std::size_t length = 0;
  std::size_t slot = 0;
};

}  // namespace

long long CopyFloor(const std::string& input, const std::string& output, std::size_t piece) {
  piece = std::max<std::size_t>(piece, 1);
  platform::CFile in;
  platform::CFile out;
  platform::CFileException error;
  if (!in.Open(input, platform::CFile::modeRead, &error)) {
    std::fprintf(stderr, "velmorant-loggen: cannot read %s\n", input.c_str());
    return -1;
  }
  // A file that is there already is left alone: the floor writes only a name that is free.
  constexpr unsigned kNew = platform::CFile::modeWrite | platform::CFile::modeCreate |
                            platform::CFile::modeReplace | platform::CFile::modeNoReplace;
  if (!out.Open(output, kNew, &error)) {
    std::fprintf(stderr, "velmorant-loggen: cannot write %s: %s\n", output.c_str(),
                 std::strerror(static_cast<int>(error.m_lOsError)));
    return -1;
  }
  std::uint64_t size = 0;
  try {
    size = in.GetLength();
    out.Reserve(size);
  } catch (const platform::CFileException&) {
    std::fprintf(stderr, "velmorant-loggen: cannot read %s\n", input.c_str());
    return -1;
  }

  std::array<std::unique_ptr<std::uint8_t[]>, kSlots> slots;
  for (auto& s : slots) s.reset(new std::uint8_t[kBlock]);
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<Block> full;
  std::deque<std::size_t> free;
  for (std::size_t i = 0; i < kSlots; ++i) free.push_back(i);
  bool bDone = false;
  bool bFailed = false;

  std::thread writer([&] {
    platform::CFile w;
    w.AttachPositioned(out.GetHandle(), output);
    for (;;) {
      Block b;
      {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return bDone || !full.empty(); });
        if (full.empty()) break;
        b = full.front();
        full.pop_front();
      }
      try {
        // The block's mirror image in the output, its pieces last to first.
        w.SetPosition(size - b.offset - b.length);
        const std::uint8_t* data = slots[b.slot].get();
        for (std::size_t end = b.length; end > 0;) {
          const std::size_t start = end > piece ? end - piece : 0;
          // Short pieces cost less copied together than handed to the system one by one.
          if (end - start < kCopiedPiece) {
            w.Write(data + start, end - start);
          } else {
            w.WriteKept(data + start, end - start);
          }
          end = start;
        }
        w.Flush();
      } catch (const platform::CFileException&) {
        std::lock_guard lock(mutex);
        bFailed = true;
      }
      std::lock_guard lock(mutex);
      free.push_back(b.slot);
      changed.notify_all();
    }
    w.Abort();
  });

  long long seen = 0;
  bool bReadFailed = false;
  for (std::uint64_t at = 0; at < size && !bReadFailed; at += kBlock) {
    Block b;
    {
      std::unique_lock lock(mutex);
      changed.wait(lock, [&] { return !free.empty(); });
      b.slot = free.front();
      free.pop_front();
    }
    b.offset = at;
    b.length = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, size - at));
    std::uint8_t* data = slots[b.slot].get();
    if (!platform::ReadAt(in.GetHandle(), at, data, b.length)) {
      bReadFailed = true;
      break;
    }
    seen += static_cast<long long>(CountOpen(data, b.length));
    std::lock_guard lock(mutex);
    full.push_back(b);
    changed.notify_all();
  }
  {
    std::lock_guard lock(mutex);
    bDone = true;
    changed.notify_all();
  }
  writer.join();
  if (bReadFailed) {
    std::fprintf(stderr, "velmorant-loggen: cannot read %s\n", input.c_str());
    return -1;
  }
  try {
    if (!bFailed) {
      out.SetPosition(size);  // what the other thread wrote is the file's
      out.Close();
      return seen;
    }
  } catch (const platform::CFileException&) {
  }
  std::fprintf(stderr, "velmorant-loggen: cannot write %s\n", output.c_str());
  return -1;
}

}  // namespace bench
