#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/search/SeparatorGrammar.h"
#include "platform/File.h"

namespace engine {

class CCluster;
class CMatchBatch;
class CMatchIndex;
class CSectionStore;

// Results of Search and SearchTag.
enum class SearchResult {
  kFound,
  kNotFound,
  kError,  // no buffer set, or an unregistered mode (a message was shown)
};

// Results of SearchLayer.
enum class LayerResult : std::uint8_t {
  kClosed,       // a closing block tag closed the cluster
  kNoMemory,     // a section could not be allocated
  kSearchError,  // the tag search reported an error
  kStopped,      // the checkpoint asked to stop
  kBodyEnd,      // "</BODY" was found
  kDocumentEnd,  // "</HTML" was found
  kBufferEnd,    // the buffer ended: no further key, or a tag without its '>'
};

// The search keys, grouped in numbered modes, and a forward-only scan over one loaded
// file that finds the earliest key of a mode (the first registered wins at one position).
class CSearcher {
 public:
  static constexpr std::size_t kMaxModes = 255;
  static constexpr std::size_t kMaxKeysPerMode = 255;

  static constexpr std::size_t kNoMatch = static_cast<std::size_t>(-1);

  CSearcher();
  ~CSearcher();
  CSearcher(const CSearcher&) = delete;
  CSearcher& operator=(const CSearcher&) = delete;

  // Key table. AddMode: 0, or 2 when the table is full or memory runs out.
  int AddMode(const std::string& text, std::uint8_t code);
  // AddKey: 0, or -1 when the mode is full or memory runs out.
  int AddKey(std::uint8_t mode, const std::string& text, std::uint8_t code);
  void Reset();

  // Scan. With a `source`, the buffer is that file's mapped view, unchanged: long stretches
  // are then read through the file (CScanWindow) rather than touched in the view.
  void SetBuffer(const std::uint8_t* buffer, std::size_t size,
                 platform::FileHandle source = platform::kNoFileHandle);
  // Back to the buffer's start, as after SetBuffer.
  void Rewind() { SetBuffer(m_pBuffer, m_nBufferSize, m_source); }
  // False for a mode that is not registered.
  bool SetMode(std::uint8_t mode);
  SearchResult Search();
  SearchResult SearchTag(std::uint8_t mode);

  // Reads one cluster of the body, cutting it into sections, recursing into opened blocks.
  LayerResult SearchLayer(CSectionStore& store, CCluster& cluster, std::uint8_t mode);

  // A key as one masked word compare: its first bytes (up to 8) and a mask over them.
  struct KeyScan {
    std::uint64_t prefix = 0;
    std::uint64_t mask = 0;
    std::size_t length = 0;
    // Of a key longer than a word: its last eight bytes, compared before the rest, so that
    // a string of repeated characters is not compared whole at each of its characters.
    std::uint64_t suffix = 0;
    // A tag, completed through its '>': the scan looks for it. A user's separator mostly
    // stands alone, and looking on for a '>' that is not there would cost a stretch a match.
    bool bTag = true;
  };
  // What the scan needs of a mode, kept up to date at registration.
  struct ModeScan {
    std::size_t min = 0;  // shortest and longest non-empty key
    std::size_t max = 0;
    std::array<bool, 256> first{};  // bytes that begin a key
    int distinctFirst = 0;
    std::uint8_t onlyFirst = 0;                 // the one first byte when distinctFirst is 1
    std::array<std::uint8_t, 2> firstBytes{};   // the first two distinct first bytes
    std::array<std::uint8_t, 8> secondBytes{};  // the first eight distinct second bytes
    int distinctSecond = 0;
    bool bShortKey = false;     // a key of one byte: candidates have no second byte to test
    std::vector<KeyScan> keys;  // one per registered key, in order
    // Bit k: key k can have this byte second (third); a key too short for it has every
    // byte. A candidate is compared only with the keys in both, so that "</b>" costs two
    // look-ups instead of a compare with each of a table mode's 18 keys. In use for modes
    // of 9 to 64 keys.
    std::array<std::uint64_t, 256> bySecond{};
    std::array<std::uint64_t, 256> byThird{};
    bool bSieve = false;
    // A filter on the first kFilterBytes bytes of a key, tested 32 positions at once. Keys
    // fall into eight groups (those that differ only in case share one); for each of the
    // bytes, a table of its low half and one of its high half give the groups that allow it
    // there. A position passes when one group allows all its bytes: "</b>" is no candidate
    // for "</BODY", as it was when only the first two bytes were tested.
    static constexpr std::size_t kFilterBytes = 4;
    std::array<std::array<std::uint8_t, 16>, kFilterBytes> lowNibble{};
    std::array<std::array<std::uint8_t, 16>, kFilterBytes> highNibble{};
  };
  // One mode's keys and the buffer, as a scan reads them. A scan on another thread works
  // on a copy, so it reads nothing the searcher writes while it searches.
  struct ScanView {
    const std::uint8_t* buffer = nullptr;
    std::size_t size = 0;
    const ModeScan* scan = nullptr;
    const std::string* texts = nullptr;
    platform::FileHandle source = platform::kNoFileHandle;
  };
  ScanView View(std::uint8_t mode) const;
  // The first position in [p, last] where a key of the view's mode begins, and that key;
  // kNoMatch when there is none.
  static std::size_t FindFirst(const ScanView& v, std::size_t p, std::size_t last,
                               std::size_t* pKey);
  // A match as the scans list it: its position, its key, and how far on from the position
  // the '>' that ends its tag is (0: not looked for, or not within kTagReach of the key), so
  // that completing the tag needs no look at the bytes. Positions fit 32 bits (kMaxFileSize).
  static std::uint64_t Entry(std::size_t pos, std::size_t reach, std::size_t key) {
    return static_cast<std::uint64_t>(pos) << 32 | static_cast<std::uint64_t>(reach) << 8 | key;
  }
  static std::size_t EntryPos(std::uint64_t e) { return static_cast<std::size_t>(e >> 32); }
  static std::size_t EntryReach(std::uint64_t e) {
    return static_cast<std::size_t>(e >> 8 & 0xFFFFFF);
  }
  static std::size_t EntryKey(std::uint64_t e) { return static_cast<std::size_t>(e & 0xFF); }
  static constexpr std::size_t kTagReach = 1024;
  static constexpr std::size_t kMaxReach = 0xFFFFFF;  // a key of 16 MiB leaves its reach unknown
  static constexpr std::size_t kMaxEntryPos = 0xFFFFFFFF;
  // Matches of one mode as entries, in file order: every match in [from, end) is in
  // [begin, stop).
  struct MatchSpan {
    const std::uint64_t* begin = nullptr;
    const std::uint64_t* stop = nullptr;
    std::size_t from = 0;
    std::size_t end = 0;
  };
  // Every position in [p, last] where a key begins, as an entry, in file order,
  // at most `room` (> 0) of them: how many, and in `*pNext` the first position not looked
  // at (last + 1 once all were). Keys that overlap are all there, each at its position.
  static std::size_t FindAll(const ScanView& v, std::size_t p, std::size_t last, std::uint64_t* out,
                             std::size_t room, std::size_t* pNext);

  // Has the matches of `mode` in [start, end of buffer) found on another thread, from the
  // end backwards, while Search works forward from the start, until the two meet; large
  // buffers only (m_nIndexMin). The buffer and the keys must stay as they are until
  // StopIndex, SetBuffer or Reset.
  void IndexAhead(std::uint8_t mode, std::size_t start);
  void StopIndex();
  std::size_t m_nIndexMin = 8u << 20;
  // When past the start, the file offset from which the index has every match and Search
  // none, wherever the threads would have met: tests put the boundary where they need it.
  std::size_t m_nIndexFrom = 0;

  // Called by the layered search each time the scan has passed another kCheckpointStep
  // bytes, with the scan position; false stops it (LayerResult::kStopped). A run reports its
  // progress and is stopped inside a large file through it.
  std::function<bool(std::size_t)> m_checkpoint;
  static constexpr std::size_t kCheckpointStep = 4u << 20;
  // Called by the layered search when the top cluster got another section and the scan has
  // passed another m_nTopStep bytes since the last call: the sections before the last one
  // are complete, and may be written.
  std::function<void()> m_onTopSections;
  std::size_t m_nTopStep = 1u << 20;

  // Scans walk 64 bytes at a time where the processor has AVX2, 32 otherwise; both give
  // the same answers (tests switch the wide walk off to compare).
  static bool s_bWideScan;

  // Key table, one entry per mode.
  std::vector<std::vector<std::string>> m_apKeyStrings;
  std::vector<std::vector<std::size_t>> m_apKeyLengths;
  std::vector<std::vector<std::uint8_t>> m_apKeyCodes;
  std::uint8_t m_nModeCount = 0;

  // Scan state.
  const std::uint8_t* m_pBuffer = nullptr;
  std::size_t m_nBufferSize = 0;
  platform::FileHandle m_source = platform::kNoFileHandle;
  bool m_bBufferSet = false;
  std::size_t m_nPos = 0;
  std::uint8_t m_nCurMode = 0;
  bool m_bAutoClose = true;
  std::size_t m_nMatchPos = 0;
  std::size_t m_nMatchLength = 0;
  std::uint8_t m_nMatchCode = 0;
  bool m_bMatchComplete = false;
  // Of the last match: where its tag's '>' is, from its position; 0 when unknown.
  std::size_t m_nMatchReach = 0;

 private:
  void AddToScan(std::uint8_t mode, const std::string& text, std::uint8_t code);
  std::size_t FindFrom(std::size_t p, std::size_t last, std::size_t* pKey, std::size_t* pReach);
  void ForgetSpan() { m_nSpanMode = -1; }
  static bool MatchAt(const ScanView& v, std::size_t p, std::size_t* pKey);

  std::vector<ModeScan> m_aModeScan;
  std::unique_ptr<CMatchBatch> m_pBatch;
  std::unique_ptr<CMatchIndex> m_pIndex;
  // The matches ahead of the scan position, from the batch or the index, while the mode
  // stays m_nSpanMode (-1: none); the next one to hand out is at m_pSpanNext.
  MatchSpan m_span;
  const std::uint64_t* m_pSpanNext = nullptr;
  int m_nSpanMode = -1;
  std::size_t m_nNextCheckpoint = 0;
  std::size_t m_nNextTop = 0;
  void TopSectionAdded(const CCluster& cluster);
};

// Folds the block codes: "<TABLE", "<TR", "<TD" open a block, their closing tags close one.
inline KeyCode GroupKeyCode(std::uint8_t code) {
  switch (code) {
    case kCodeTable:
    case kCodeTr:
    case kCodeTd:
      return kCodeBlockOpen;
    case kCodeTableEnd:
    case kCodeTrEnd:
    case kCodeTdEnd:
      return kCodeBlockClose;
    default:
      return static_cast<KeyCode>(code);
  }
}

}  // namespace engine
