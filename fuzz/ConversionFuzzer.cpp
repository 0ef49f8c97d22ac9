// Converts random bytes as a log under random settings, in memory, and checks the section
// tree and the output against properties that hold for every log.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <atomic>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "engine/request/CRunRequest.h"
#include "engine/run/CExecutor.h"
#include "engine/search/SeparatorGrammar.h"
#include "engine/sections/CSection.h"
#include "platform/MessageBox.h"
#include "platform/posix/SysCalls.h"

namespace {

// Input files and one output file, all in memory, behind the file layer's system calls.
// Input i is "in<i>.html" on descriptor 1000 + i; the output is "out.html" on 999.
struct MemoryFiles {
  std::vector<std::string_view> inputs;
  std::vector<std::size_t> positions;
  std::string output;
  int openCount = 0;
  bool bPutInPlace = false;  // the output was renamed over its name: the run finished
};
MemoryFiles* g_files = nullptr;
// Two threads write the output's parts at their places at once, as on a real file.
std::mutex g_outputLock;

constexpr int kInFd = 1000;
constexpr int kOutFd = 999;
// A name no real file has: the output is made as a new file in the working folder (an
// unnamed one, then linked in and renamed), all in memory.
constexpr char kOutName[] = "velmorant-fuzz-output-that-does-not-exist.html";

std::string InputName(std::size_t i) {
  return "in" + std::to_string(i) + ".html";
}

bool IsInput(int fd) {
  return fd >= kInFd && static_cast<std::size_t>(fd - kInFd) < g_files->inputs.size();
}

int Error(int err) {
  errno = err;
  return -1;
}

const platform::SysCalls kMemoryCalls = {
    [](const char* path, int flags, mode_t) -> int {
      for (std::size_t i = 0; i < g_files->inputs.size(); ++i) {
        if (InputName(i) != path) continue;
        g_files->positions[i] = 0;
        ++g_files->openCount;
        return kInFd + static_cast<int>(i);
      }
      if ((flags & O_TMPFILE) != O_TMPFILE) return Error(ENOENT);
      g_files->output.clear();
      ++g_files->openCount;
      return kOutFd;
    },
    [](int fd, void* buf, size_t count) -> ssize_t {
      if (!IsInput(fd)) return Error(EBADF);
      const std::string_view in = g_files->inputs[fd - kInFd];
      std::size_t& pos = g_files->positions[fd - kInFd];
      const std::size_t n = std::min(count, in.size() - std::min(pos, in.size()));
      std::memcpy(buf, in.data() + pos, n);
      pos += n;
      return static_cast<ssize_t>(n);
    },
    [](int fd, void* buf, size_t count, off_t at) -> ssize_t {
      if (!IsInput(fd)) return Error(EBADF);
      const std::string_view in = g_files->inputs[fd - kInFd];
      const std::size_t from = std::min(static_cast<std::size_t>(at), in.size());
      const std::size_t n = std::min(count, in.size() - from);
      std::memcpy(buf, in.data() + from, n);
      return static_cast<ssize_t>(n);
    },
    [](int fd, const void* buf, size_t count) -> ssize_t {
      if (fd != kOutFd) return Error(EBADF);
      std::lock_guard lock(g_outputLock);
      g_files->output.append(static_cast<const char*>(buf), count);
      return static_cast<ssize_t>(count);
    },
    [](int fd) -> int {
      if (!IsInput(fd) && fd != kOutFd) return Error(EBADF);
      --g_files->openCount;
      return 0;
    },
    [](int fd, struct stat* st) -> int {
      std::lock_guard lock(g_outputLock);
      *st = {};
      st->st_mode = S_IFREG | 0644;
      st->st_size = static_cast<off_t>(IsInput(fd) ? g_files->inputs[fd - kInFd].size()
                                                   : g_files->output.size());
      return 0;
    },
    [](int fd, off_t offset, int) -> off_t {
      if (IsInput(fd)) g_files->positions[fd - kInFd] = static_cast<std::size_t>(offset);
      return offset;
    },
    [](int, int, int) -> int { return 0; },
    [](int fd, const iovec* iov, int count) -> ssize_t {
      if (fd != kOutFd) return Error(EBADF);
      std::lock_guard lock(g_outputLock);
      ssize_t total = 0;
      for (int i = 0; i < count; ++i) {
        g_files->output.append(static_cast<const char*>(iov[i].iov_base), iov[i].iov_len);
        total += static_cast<ssize_t>(iov[i].iov_len);
      }
      return total;
    },
    [](int fd, const iovec* iov, int count, off_t at) -> ssize_t {
      if (fd != kOutFd) return Error(EBADF);
      std::lock_guard lock(g_outputLock);
      auto pos = static_cast<std::size_t>(at);
      for (int i = 0; i < count; ++i) {
        if (g_files->output.size() < pos + iov[i].iov_len) {
          g_files->output.resize(pos + iov[i].iov_len);
        }
        std::memcpy(g_files->output.data() + pos, iov[i].iov_base, iov[i].iov_len);
        pos += iov[i].iov_len;
      }
      return static_cast<ssize_t>(pos - static_cast<std::size_t>(at));
    },
    // A view of an input: its bytes in fresh read-only pages.
    [](void* address, size_t length, int prot, int flags, int fd, off_t offset) -> void* {
      if (fd < 0) return ::mmap(address, length, prot, flags, fd, offset);  // memory
      if (!IsInput(fd)) {
        errno = ENODEV;
        return MAP_FAILED;
      }
      void* p = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
      if (p == MAP_FAILED) return p;
      const std::string_view in = g_files->inputs[fd - kInFd];
      std::memcpy(p, in.data(), std::min(length, in.size()));
      ::mprotect(p, length, prot);
      return p;
    },
    ::munmap, [](int fd, int, off_t, off_t) -> int { return fd == kOutFd ? 0 : Error(EBADF); },
    // Cutting the output back must never cut what was written.
    [](int fd, off_t length) -> int {
      if (fd != kOutFd) return Error(EBADF);
      std::lock_guard lock(g_outputLock);
      g_files->output.resize(static_cast<std::size_t>(length));
      return 0;
    },
    // The new output linked in: under its own name when there was none, else beside it.
    [](int, const char*, int, const char* to, int) -> int {
      if (std::string_view(to).find("/.velmorant-") == std::string_view::npos) {
        g_files->bPutInPlace = true;
      }
      return 0;
    },
    [](const char*, const char*) -> int {
      g_files->bPutInPlace = true;
      return 0;
    },
    [](const char*) -> int { return 0; },
    [](int fd, mode_t) -> int { return fd == kOutFd ? 0 : Error(EBADF); },
    // Names, owners, attributes and memory as the system has them.
    ::renameat2, ::stat, ::lstat, ::readlink, ::access, ::geteuid, ::getegid, ::fchown,
    ::flistxattr, ::fgetxattr, ::fsetxattr,
    [](void* p, size_t from, size_t to, int flags) { return ::mremap(p, from, to, flags); },
    ::madvise};

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "property violated: %s\n", what);
  std::abort();
}

bool StartsWith(std::string_view s, std::size_t pos, std::string_view prefix) {
  return pos <= s.size() && s.substr(pos).substr(0, prefix.size()) == prefix;
}

// "</BODY" or "</HTML" in either letter case the grammar knows, with its '>' somewhere after.
bool IsEndTag(std::string_view s, std::size_t pos) {
  const bool bTag = StartsWith(s, pos, "</BODY") || StartsWith(s, pos, "</body") ||
                    StartsWith(s, pos, "</HTML") || StartsWith(s, pos, "</html");
  return bTag && s.find('>', pos) != std::string_view::npos;
}

// Walks one file's section tree and checks how its pieces fit together.
struct TreeChecker {
  engine::CExecutor& m_ex;
  std::string_view m_buf;
  std::string_view m_separator;
  std::size_t m_last = 0;

  void CheckCluster(const engine::CCluster& c, int depth) {
    using engine::Offset;
    Check(depth <= 16, "tree deeper than the layer limit allows");
    Check(static_cast<std::size_t>(c.m_nStart) + c.m_nLength <= m_buf.size(),
          "cluster ends beyond the buffer");
    Check(c.m_nLeadLength <= c.m_nLength, "opening part longer than the cluster");
    if (c.m_nCount == 0) {
      // A separator cluster: the separator alone.
      if (c.m_nLength == 0) return;
      Check(c.m_nLength == c.m_nLeadLength, "separator cluster length is not its separator");
      const bool bHr = StartsWith(m_buf, c.m_nStart, "<HR") || StartsWith(m_buf, c.m_nStart, "<hr");
      const bool bUser = !m_separator.empty() && StartsWith(m_buf, c.m_nStart, m_separator);
      Check(bHr || bUser, "separator cluster does not start with a separator");
      if (bUser && !m_ex.m_bAutoClose) {
        Check(c.m_nLength == m_separator.size(), "user separator matched with another length");
      } else {
        Check(m_buf[c.m_nStart + c.m_nLength - 1] == '>', "separator tag does not end with '>'");
      }
      return;
    }
    Check(c.m_byLayerLimit == m_ex.m_byLayerLimit, "cluster with another layer limit");
    Check(c.m_byLayer < c.m_byLayerLimit || c.m_nCount == 1,
          "a cluster at or above the limit was divided");
    Check(!c.m_bLeaf || c.m_nCount == 1, "a divided cluster kept its leaf mark");
    std::size_t expected = static_cast<std::size_t>(c.m_nStart) + c.m_nLeadLength;
    for (Offset i = 0; i < c.m_nCount; ++i) {
      const engine::CSection& s = c.GetSection(m_ex.Sections(), i);
      Check(s.Start() == expected, "sections are not contiguous in file order");
      // A whole end tag ends the body wherever it is met: no section holds one as its text.
      Check(s.m_nHeadLength == 0 || !IsEndTag(m_buf, s.Start()),
            "a section starts with the body's end tag");
      Check(s.Layer() == c.m_byLayer + 1, "section layer is not its cluster's plus one");
      if (s.m_cluster.m_nLength != 0 && s.m_cluster.m_nCount != 0) {
        // An opened block: its opening tag leads it.
        Check(s.m_cluster.m_nLeadLength > 0 && m_buf[s.m_cluster.m_nStart] == '<' &&
                  m_buf[s.m_cluster.m_nStart + s.m_cluster.m_nLeadLength - 1] == '>',
              "block does not start with a whole opening tag");
      }
      if (i + 1 == c.m_nCount && s.m_cluster.m_nLength != 0) {
        // Only a cluster that the end of the buffer cut off may end inside a nested one.
        Check(
            static_cast<std::size_t>(s.m_cluster.m_nStart) + s.m_cluster.m_nLength == m_buf.size(),
            "last section has a nested cluster");
      }
      CheckCluster(s.m_cluster, depth + 1);
      expected = static_cast<std::size_t>(s.Start()) + s.TotalLength();
    }
    if (c.m_nCloseLength != 0) {
      Check(c.ClosePos() == expected, "closing tag does not follow the last section");
      Check(StartsWith(m_buf, c.ClosePos(), "</") &&
                m_buf[c.ClosePos() + c.m_nCloseLength - 1] == '>',
            "closing part is not a whole closing tag");
    }
    Check(c.m_nStart + static_cast<std::size_t>(c.m_nLength) == expected + c.m_nCloseLength,
          "cluster length does not cover its sections and closing tag");
    m_last = expected;
  }
};

// The settings come first: 8 bytes, then the user separator, then the log.
struct FuzzSettings {
  int kind = 0;
  bool euc = false;
  bool autoCloseFlip = false;
  bool twoFiles = false;  // the log's halves as two inputs of one output
  // The second half of the body searched on another thread, and each top section written
  // at its place on a third as soon as it is complete.
  bool index = false;
  bool map = false;          // inputs mapped instead of read
  bool readThrough = false;  // a mapped input's bytes read through the file, not the view
  engine::COptionValues o;
  std::string separator;
};

std::string_view Decode(std::string_view data, FuzzSettings& s) {
  std::uint8_t b[8] = {};
  const std::size_t head = std::min<std::size_t>(8, data.size());
  std::memcpy(b, data.data(), head);
  data.remove_prefix(head);
  s.kind = b[0] & 3;
  s.euc = (b[0] >> 2) & 1;
  s.o.m_bSeparatorFirst = (b[0] >> 3) & 1;
  s.o.m_bCutOutsideRange = (b[0] >> 4) & 1;
  s.o.m_bSimpleHeader = (b[0] >> 5) & 1;
  s.autoCloseFlip = (b[0] >> 6) & 1;
  s.index = (b[0] >> 7) & 1;
  for (int l = 1; l <= engine::kMaxLayer; ++l) {
    s.o.m_abyReverse[l] = ((b[1] | (b[2] << 8)) >> (l - 1)) & 1;
    s.o.m_abyRange[l] = ((b[3] | (b[4] << 8)) >> (l - 1)) & 1;
  }
  s.o.m_nLeadCut = b[5] % (engine::kMaxCut + 1);
  s.o.m_nTrailCut = b[6] % (engine::kMaxCut + 1);
  s.o.m_bAppendSeparator = true;
  s.o.m_nSeparatorStyle = 1;
  s.twoFiles = (b[7] >> 7) & 1;
  s.map = (b[7] >> 3) & 1;
  s.readThrough = (b[7] >> 4) & 1;
  // Kind 3 needs a string; the other kinds may go without.
  std::size_t sepLength = b[7] % 8;
  if (s.kind == 3 && sepLength == 0) sepLength = 1;
  sepLength = std::min(sepLength, data.size());
  s.separator.assign(data.substr(0, sepLength));
  data.remove_prefix(sepLength);
  return data;
}

std::string Sorted(std::string_view s) {
  std::string r(s);
  std::sort(r.begin(), r.end());
  return r;
}

// Writes down each call of an outline: what a printer would be given.
class OutlineRecorder : public engine::COutlineReader {
 public:
  std::string text;
  void Begin(const engine::FileOutline& f) override {
    text += "begin " + f.strPath + " " + std::to_string(f.bHeader) + " " +
            std::to_string(f.nHeaderOffset) + "+" + std::to_string(f.nHeaderLength) + "\n";
  }
  void Add(const engine::OutlineSection& o, bool bDivided) override {
    text += std::to_string(o.nLayer) + " #" + std::to_string(o.nIndex) + " " +
            std::to_string(o.nOffset) + "+" + std::to_string(o.nLength) + "/" +
            std::to_string(o.nHeadLength) + " " + engine::ActionName(o.action) + " " + o.strText +
            (bDivided ? " {\n" : "\n");
  }
  void Leave() override { text += "}\n"; }
  void End(const engine::FileOutline& f) override {
    text += "end " + std::to_string(f.bComplete) + " " + std::to_string(f.bTrailer) + " " +
            std::to_string(f.nTrailerOffset) + "+" + std::to_string(f.nTrailerLength) + "\n";
  }
};

// Fills the run settings through the request's own steps, as either front end would, and
// converts `inputs` into one output in memory; with `pOutline`, prints their outline there
// instead, writing nothing; with bKeptBytes, the outline keeps the bytes and each text is
// made on its own afterwards.
int RunFiles(const FuzzSettings& fs, const std::vector<std::string_view>& inputs,
             engine::CExecutor& ex, std::string& output, std::string* pOutline = nullptr,
             bool bKeptBytes = false) {
  MemoryFiles files;
  files.inputs = inputs;
  files.positions.assign(inputs.size(), 0);
  g_files = &files;
  platform::ScopedSysCalls calls(kMemoryCalls);
  platform::ScopedMessageSink sink([](const platform::Message&) { return platform::kIdOk; });

  engine::CRunRequest request;
  request.m_nSeparatorKind = fs.kind;
  request.m_bOptionsOpened = true;
  request.m_bUserSeparator = fs.separator.empty() ? 0 : 1;
  if (!fs.separator.empty()) request.CheckAutoClose(fs.separator);
  if (fs.autoCloseFlip)
    request.m_bAutoClose = !request.m_bAutoClose;  // the engine must cope with either

  ex.m_strSeparator = fs.separator;
  Check(request.RegisterSearchKeys(ex) == 0, "search keys not registered");
  ex.m_bAutoClose = request.m_bAutoClose;
  ex.m_bEuc = fs.euc;
  if (fs.index) {
    ex.m_searcher.m_nIndexMin = 0;
    ex.m_nPlaceMin = 0;
    ex.m_searcher.m_nTopStep = 0;
  }
  if (fs.map) ex.m_nLargeFile = 0;
  ex.m_bReadThrough = fs.readThrough;
  request.HandOverOptions(fs.o, ex);
  request.SelectStartMode(ex);
  std::atomic<int> abort{0};
  ex.m_pAbortFlag = &abort;
  ex.m_strOutputPath = kOutName;
  std::vector<std::string> names;
  for (std::size_t i = 0; i < inputs.size(); ++i) names.push_back(InputName(i));
  ex.SetInputFiles(names);

  if (pOutline) {
    OutlineRecorder recorder;
    ex.m_bOutlineKeepsBytes = bKeptBytes;
    const int result = !bKeptBytes ? ex.Outline(recorder) : ex.Outline([&](engine::FileOutline& f) {
      recorder.Begin(f);
      const std::function<void(const std::vector<engine::OutlineSection>&)> walk =
          [&](const std::vector<engine::OutlineSection>& sections) {
            for (const engine::OutlineSection& s : sections) {
              engine::OutlineSection alone = s;  // a printer is given no children
              alone.children.clear();
              alone.strText = engine::SectionText(f, s);
              recorder.Add(alone, !s.children.empty());
              if (s.children.empty()) continue;
              walk(s.children);
              recorder.Leave();
            }
          };
      walk(f.sections);
      recorder.End(f);
    });
    Check(files.openCount == 0, "an outline left a file open");
    Check(!ex.HoldsFiles(), "the buffer outlived the outline");
    *pOutline = std::move(recorder.text);
    g_files = nullptr;
    return result;
  }
  const int result = ex.Run();
  ex.CloseFiles();
  Check(files.openCount == 0, "a file was left open");
  Check(!ex.HoldsFiles(), "the buffer outlived the run");
  Check(result == 0 || result == -1, "run result out of range");
  // A failed run must leave the output as it was: the new one is never put in place.
  Check(files.bPutInPlace == (result == 0), "a failed run replaced the output, or a run did not");
  output = result == 0 ? std::move(files.output) : std::string();
  g_files = nullptr;
  return result;
}

// One file converted on its own, checked, and cut into the parts a longer run is made of.
struct FilePart {
  bool ok = false;
  std::string header;
  std::string body;
  std::string footer;
};

FilePart ConvertAndCheck(const FuzzSettings& fs, std::string_view log) {
  engine::CExecutor ex;
  std::string out;
  const int result = RunFiles(fs, {log}, ex, out);
  std::string buf(log);
  if (fs.euc) {
    buf.resize(
        engine::ConvertEucToSjis(reinterpret_cast<std::uint8_t*>(buf.data()), buf.size()).nSize);
  }
  if (result != 0) return {};  // only the split can fail in memory
  const engine::CExecutor::SplitBounds split = ex.LastSplit();
  // Header.
  Check(split.bHeader, "a written file without a header");
  Check(split.nHeaderPos + split.nHeaderLength == split.nBodyStart,
        "header does not end at the body");
  Check(StartsWith(buf, split.nHeaderPos, "<HTML") || StartsWith(buf, split.nHeaderPos, "<html"),
        "header does not start at <HTML");
  Check(split.nBodyStart <= buf.size() && buf[split.nBodyStart - 1] == '>',
        "body does not start after a whole <BODY tag");

  // Tree.
  const engine::CCluster& root = ex.Tree();
  Check(root.m_byLayer == 0 && root.m_nCount >= 1, "root without sections");
  Check(root.m_nStart == split.nBodyStart, "root does not start at the body");
  Check(root.m_nLeadLength == 0, "root with an opening part");
  const std::size_t rootEnd = root.m_nStart + static_cast<std::size_t>(root.m_nLength);
  // A run that wrote while it split keeps the last sections only: the same log split
  // without writing has its tree checked, and the two outputs are compared.
  if (ex.TreeWhole()) {
    TreeChecker tree{ex, buf, fs.separator};
    tree.CheckCluster(root, 0);
    Check(tree.m_last == rootEnd, "root's last section does not end the root");
  } else {
    Check(fs.index, "a tree was dropped while nothing was written as the log was split");
  }

  // Trailer.
  std::string_view trailer;
  if (split.bTrailer) {
    Check(split.nTrailerPos == rootEnd, "trailer does not start where the body ends");
    Check(split.nTrailerPos + split.nTrailerLength <= buf.size(), "trailer beyond the buffer");
    Check(StartsWith(buf, split.nTrailerPos, "</") &&
              buf[split.nTrailerPos + split.nTrailerLength - 1] == '>',
          "trailer is not whole end tags");
    trailer = std::string_view(buf).substr(split.nTrailerPos, split.nTrailerLength);
  } else {
    Check(rootEnd == buf.size() || StartsWith(buf, rootEnd, "</BODY") ||
              StartsWith(buf, rootEnd, "</body"),
          "body without trailer ends neither at </BODY nor at the buffer end");
  }

  // Output: header, body, trailer.
  const std::string header = fs.o.m_bSimpleHeader
                                 ? std::string("<HTML>\r\n<BODY>\r\n")
                                 : std::string(buf.substr(split.nHeaderPos, split.nHeaderLength));
  const std::string footer =
      split.bTrailer ? std::string(trailer) : std::string("\r\n</BODY>\r\n</HTML>\r\n");
  Check(out.size() >= header.size() + footer.size() && out.compare(0, header.size(), header) == 0 &&
            out.compare(out.size() - footer.size(), footer.size(), footer) == 0,
        "output is not framed by the header and the footer");
  const std::string_view bodyOut =
      std::string_view(out).substr(header.size(), out.size() - header.size() - footer.size());
  const std::string_view bodyIn = std::string_view(buf).substr(root.m_nStart, root.m_nLength);

  const bool anyRange = fs.o.m_abyRange.any();
  if (fs.o.m_abyReverse.none() && !anyRange) {
    Check(bodyOut == bodyIn, "without layer flags the body changed");
  } else if (!anyRange || fs.o.m_bCutOutsideRange) {
    Check(bodyOut.size() == bodyIn.size(), "reordering changed the body's length");
    Check(Sorted(bodyOut) == Sorted(bodyIn), "reordering changed the body's bytes");
  } else {
    Check(bodyOut.size() <= bodyIn.size(), "cutting made the body longer");
  }
  return {true, header, std::string(bodyOut), footer};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzSettings fs;
  const std::string_view log =
      Decode(std::string_view(reinterpret_cast<const char*>(data), size), fs);
  if (fs.kind == 3 && fs.separator.empty()) return 0;
  if (!fs.twoFiles) {
    const FilePart a = ConvertAndCheck(fs, log);
    if (fs.index) {
      FuzzSettings plain = fs;
      plain.index = false;
      plain.readThrough = !fs.readThrough;  // the view and the reads give the same bytes
      const FilePart b = ConvertAndCheck(plain, log);
      Check(a.ok == b.ok && a.header == b.header && a.body == b.body && a.footer == b.footer,
            "searching and writing on more threads changed the output");
      // The outline printed while the log is split is the one printed from the whole tree.
      std::string streamed, whole, unused;
      engine::CExecutor exStreamed, exWhole;
      const int rs = RunFiles(fs, {log}, exStreamed, unused, &streamed);
      const int rw = RunFiles(plain, {log}, exWhole, unused, &whole);
      Check(rs == rw && streamed == whole, "printing the outline during the split changed it");
      // Each text made on its own is the one made from the text of the section holding it.
      std::string kept;
      engine::CExecutor exKept;
      const int rk = RunFiles(plain, {log}, exKept, unused, &kept, true);
      Check(rk == rw && kept == whole, "a text made from another differs from one made alone");
    }
    return 0;
  }
  // Two files in one output: each part as when the file is converted alone, so nothing
  // of the first file's run carries over into the second's.
  const std::string_view first = log.substr(0, log.size() / 2);
  const std::string_view second = log.substr(log.size() / 2);
  const FilePart a = ConvertAndCheck(fs, first);
  const FilePart b = ConvertAndCheck(fs, second);
  engine::CExecutor ex;
  std::string out;
  const int result = RunFiles(fs, {first, second}, ex, out);
  Check((result == 0) == (a.ok && b.ok), "two files fail differently than each alone");
  std::string expected;
  if (a.ok && b.ok)
    expected = a.header + a.body + engine::NumberedSeparatorLine(0) + b.body + b.footer;
  Check(out == expected, "two files in one output differ from each converted alone");
  return 0;
}
