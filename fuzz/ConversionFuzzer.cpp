// Converts random bytes as a log under random settings, in memory, and checks the section
// tree and the output against properties that hold for every log.
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/request/CRunRequest.h"
#include "engine/run/CExecutor.h"
#include "engine/search/SeparatorGrammar.h"
#include "engine/sections/CSection.h"
#include "platform/MessageBox.h"
#include "platform/SysCalls.h"

namespace {

// One input and one output file, both in memory, behind the file layer's system calls.
struct MemoryFiles {
  std::string_view input;
  std::string output;
  std::size_t inputPos = 0;
  int openCount = 0;
};
MemoryFiles* g_files = nullptr;

constexpr int kInFd = 1000;
constexpr int kOutFd = 1001;
constexpr char kInName[] = "in.html";
constexpr char kOutName[] = "out.html";

int MemOpen(const char* path, int, mode_t) {
  if (std::strcmp(path, kInName) == 0) {
    g_files->inputPos = 0;
    ++g_files->openCount;
    return kInFd;
  }
  if (std::strcmp(path, kOutName) == 0) {
    g_files->output.clear();
    ++g_files->openCount;
    return kOutFd;
  }
  errno = ENOENT;
  return -1;
}

ssize_t MemRead(int fd, void* buf, size_t count) {
  if (fd != kInFd) {
    errno = EBADF;
    return -1;
  }
  const std::size_t n = std::min(count, g_files->input.size() - g_files->inputPos);
  std::memcpy(buf, g_files->input.data() + g_files->inputPos, n);
  g_files->inputPos += n;
  return static_cast<ssize_t>(n);
}

ssize_t MemWrite(int fd, const void* buf, size_t count) {
  if (fd != kOutFd) {
    errno = EBADF;
    return -1;
  }
  g_files->output.append(static_cast<const char*>(buf), count);
  return static_cast<ssize_t>(count);
}

int MemClose(int fd) {
  if (fd != kInFd && fd != kOutFd) {
    errno = EBADF;
    return -1;
  }
  --g_files->openCount;
  return 0;
}

int MemFstat(int fd, struct stat* st) {
  *st = {};
  st->st_mode = S_IFREG | 0644;
  st->st_size = fd == kInFd ? static_cast<off_t>(g_files->input.size())
                            : static_cast<off_t>(g_files->output.size());
  return 0;
}

off_t MemLseek(int fd, off_t offset, int) {
  if (fd == kInFd) g_files->inputPos = static_cast<std::size_t>(offset);
  return offset;
}

int MemFcntl(int, int, int) {
  return 0;
}

const platform::SysCalls kMemoryCalls = {MemOpen,  MemRead,  MemWrite, MemClose,
                                         MemFstat, MemLseek, MemFcntl};

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "property violated: %s\n", what);
  std::abort();
}

void Check(bool ok, const char* what) {
  if (!ok) Fail(what);
}

bool StartsWith(std::string_view s, std::size_t pos, std::string_view prefix) {
  return pos <= s.size() && s.substr(pos).substr(0, prefix.size()) == prefix;
}

// Walks one file's section tree and checks how its pieces fit together.
class TreeChecker {
 public:
  TreeChecker(engine::CExecutor& ex, std::string_view buf, std::string_view separator)
      : m_ex(ex), m_buf(buf), m_separator(separator) {}

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
    Check(c.m_bLeaf == 0 || c.m_nCount == 1, "a divided cluster kept its leaf mark");
    std::size_t expected = static_cast<std::size_t>(c.m_nStart) + c.m_nLeadLength;
    for (Offset i = 0; i < c.m_nCount; ++i) {
      const engine::CSection& s = c.GetSection(m_ex.m_sections, i);
      Check(s.m_nStart == expected, "sections are not contiguous in file order");
      Check(s.m_nHeadStart == s.m_nStart, "head does not start at its section");
      Check(s.m_nIndex == i, "section index out of place");
      Check(s.m_byLayer == c.m_byLayer + 1, "section layer is not its cluster's plus one");
      Check(s.m_cluster.m_byLayer == s.m_byLayer, "nested cluster layer differs from its section");
      Check(s.m_nTotalLength == static_cast<std::uint64_t>(s.m_nHeadLength) + s.m_cluster.m_nLength,
            "section length is not head plus nested cluster");
      if (s.m_cluster.m_nLength != 0) {
        Check(s.m_cluster.m_nStart == s.m_nStart + s.m_nHeadLength,
              "nested cluster does not start where the head ends");
        if (s.m_cluster.m_nCount != 0) {
          // An opened block: its opening tag leads it.
          Check(s.m_cluster.m_nLeadLength > 0 && m_buf[s.m_cluster.m_nStart] == '<' &&
                    m_buf[s.m_cluster.m_nStart + s.m_cluster.m_nLeadLength - 1] == '>',
                "block does not start with a whole opening tag");
        }
      }
      if (i + 1 == c.m_nCount && s.m_cluster.m_nLength != 0) {
        // Only a cluster that the end of the buffer cut off may end inside a nested one.
        Check(
            static_cast<std::size_t>(s.m_cluster.m_nStart) + s.m_cluster.m_nLength == m_buf.size(),
            "last section has a nested cluster");
      }
      CheckCluster(s.m_cluster, depth + 1);
      expected = static_cast<std::size_t>(s.m_nStart) + s.m_nTotalLength;
    }
    if (c.m_nCloseLength != 0) {
      Check(c.m_nClosePos == expected, "closing tag does not follow the last section");
      Check(StartsWith(m_buf, c.m_nClosePos, "</") &&
                m_buf[c.m_nClosePos + c.m_nCloseLength - 1] == '>',
            "closing part is not a whole closing tag");
    }
    Check(c.m_nStart + static_cast<std::size_t>(c.m_nLength) == expected + c.m_nCloseLength,
          "cluster length does not cover its sections and closing tag");
    m_last = expected;
  }

  std::size_t m_last = 0;

 private:
  engine::CExecutor& m_ex;
  std::string_view m_buf;
  std::string_view m_separator;
};

// The settings come first: 8 bytes, then the user separator, then the log.
struct FuzzSettings {
  int kind = 0;
  bool euc = false;
  bool separatorFirst = false;
  bool keepCut = false;
  bool simpleHeader = false;
  bool autoCloseFlip = false;
  std::array<std::uint8_t, 16> reverse{};
  std::array<std::uint8_t, 16> range{};
  int leadCut = 0;
  int trailCut = 0;
  std::string separator;
};

std::string_view Decode(std::string_view data, FuzzSettings& s) {
  std::uint8_t b[8] = {};
  const std::size_t head = std::min<std::size_t>(8, data.size());
  std::memcpy(b, data.data(), head);
  data.remove_prefix(head);
  s.kind = b[0] & 3;
  s.euc = (b[0] >> 2) & 1;
  s.separatorFirst = (b[0] >> 3) & 1;
  s.keepCut = (b[0] >> 4) & 1;
  s.simpleHeader = (b[0] >> 5) & 1;
  s.autoCloseFlip = (b[0] >> 6) & 1;
  const unsigned reverse = b[1] | (b[2] << 8);
  const unsigned range = b[3] | (b[4] << 8);
  for (int l = 1; l <= 15; ++l) {
    s.reverse[l] = (reverse >> (l - 1)) & 1;
    s.range[l] = (range >> (l - 1)) & 1;
  }
  s.leadCut = b[5] % 20;
  s.trailCut = b[6] % 20;
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzSettings fs;
  const std::string_view log =
      Decode(std::string_view(reinterpret_cast<const char*>(data), size), fs);
  if (fs.kind == 3 && fs.separator.empty()) return 0;

  MemoryFiles files;
  files.input = log;
  g_files = &files;
  platform::ScopedSysCalls calls(kMemoryCalls);
  int messages = 0;
  platform::ScopedMessageSink sink([&](const platform::Message&) {
    ++messages;
    return platform::IDOK;
  });

  // The request's own steps fill the settings, as a run from either front end would.
  engine::CExecutor ex;
  engine::CRunRequest request;
  request.m_nSeparatorKind = fs.kind;
  request.m_bOptionsOpened = 1;
  request.m_bUserSeparator = fs.separator.empty() ? 0 : 1;
  if (!fs.separator.empty()) request.CheckAutoClose(fs.separator);
  if (fs.autoCloseFlip) request.m_bAutoClose ^= 1;  // the engine must cope with either
  engine::COptionValues o;
  o.m_abyReverse = fs.reverse;
  o.m_abyRange = fs.range;
  o.m_bCutOutsideRange = fs.keepCut;
  o.m_bSeparatorFirst = fs.separatorFirst;
  o.m_nLeadCut = fs.leadCut;
  o.m_nTrailCut = fs.trailCut;
  o.m_bSimpleHeader = fs.simpleHeader;
  o.m_bAppendSeparator = 1;
  o.m_nSeparatorStyle = 1;

  ex.m_strSeparator = fs.separator;
  if (request.RegisterSearchKeys(ex) != 0) Fail("search keys not registered");
  ex.m_bAutoClose = request.m_bAutoClose;
  ex.m_bEuc = fs.euc;
  request.HandOverOptions(o, ex);
  request.SelectStartMode(ex);
  int abort = 0;
  ex.m_pAbortFlag = &abort;
  ex.m_strOutputPath = kOutName;
  ex.SetInputFiles({kInName});

  const int result = ex.Run();
  ex.CloseFiles();
  Check(files.openCount == 0, "a file was left open");
  Check(ex.m_pFileData == nullptr, "the buffer outlived the run");

  std::string buf(log);
  if (fs.euc) engine::ConvertEucToSjis(reinterpret_cast<std::uint8_t*>(buf.data()), buf.size());
  if (result != 0) {
    // Only the split can fail in memory; then nothing of this file is written.
    Check(result == -1, "run result out of range");
    Check(files.output.empty(), "a failed split wrote output");
    g_files = nullptr;
    return 0;
  }

  // Header.
  Check(ex.m_bHeaderFound == 1, "a written file without a header");
  Check(ex.m_nHeaderPos + ex.m_nHeaderLength == ex.m_nBodyStart, "header does not end at the body");
  Check(StartsWith(buf, ex.m_nHeaderPos, "<HTML") || StartsWith(buf, ex.m_nHeaderPos, "<html"),
        "header does not start at <HTML");
  Check(ex.m_nBodyStart <= buf.size() && buf[ex.m_nBodyStart - 1] == '>',
        "body does not start after a whole <BODY tag");

  // Tree.
  const engine::CCluster& root = ex.m_rootCluster;
  Check(root.m_byLayer == 0 && root.m_nCount >= 1, "root without sections");
  Check(root.m_nStart == ex.m_nBodyStart, "root does not start at the body");
  Check(root.m_nLeadLength == 0, "root with an opening part");
  TreeChecker tree(ex, buf, fs.separator);
  tree.CheckCluster(root, 0);
  const std::size_t rootEnd = root.m_nStart + static_cast<std::size_t>(root.m_nLength);
  Check(tree.m_last == rootEnd, "root's last section does not end the root");

  // Trailer.
  std::string_view trailer;
  if (ex.m_bTrailerFound) {
    Check(ex.m_nTrailerPos == rootEnd, "trailer does not start where the body ends");
    Check(ex.m_nTrailerPos + ex.m_nTrailerLength <= buf.size(), "trailer beyond the buffer");
    Check(StartsWith(buf, ex.m_nTrailerPos, "</") &&
              buf[ex.m_nTrailerPos + ex.m_nTrailerLength - 1] == '>',
          "trailer is not whole end tags");
    trailer = std::string_view(buf).substr(ex.m_nTrailerPos, ex.m_nTrailerLength);
  } else {
    Check(rootEnd == buf.size() || StartsWith(buf, rootEnd, "</BODY") ||
              StartsWith(buf, rootEnd, "</body"),
          "body without trailer ends neither at </BODY nor at the buffer end");
  }

  // Output: header, body, trailer.
  const std::string header = fs.simpleHeader
                                 ? std::string("<HTML>\r\n<BODY>\r\n")
                                 : std::string(buf.substr(ex.m_nHeaderPos, ex.m_nHeaderLength));
  const std::string footer =
      ex.m_bTrailerFound ? std::string(trailer) : std::string("\r\n</BODY>\r\n</HTML>\r\n");
  const std::string& out = files.output;
  Check(out.size() >= header.size() + footer.size() && out.compare(0, header.size(), header) == 0 &&
            out.compare(out.size() - footer.size(), footer.size(), footer) == 0,
        "output is not framed by the header and the footer");
  const std::string_view bodyOut =
      std::string_view(out).substr(header.size(), out.size() - header.size() - footer.size());
  const std::string_view bodyIn = std::string_view(buf).substr(root.m_nStart, root.m_nLength);

  bool anyReverse = false;
  bool anyRange = false;
  for (int l = 1; l <= 15; ++l) {
    anyReverse |= fs.reverse[l] != 0;
    anyRange |= fs.range[l] != 0;
  }
  if (!anyReverse && !anyRange) {
    Check(bodyOut == bodyIn, "without layer flags the body changed");
  } else if (!anyRange || fs.keepCut) {
    Check(bodyOut.size() == bodyIn.size(), "reordering changed the body's length");
    Check(Sorted(bodyOut) == Sorted(bodyIn), "reordering changed the body's bytes");
  } else {
    Check(bodyOut.size() <= bodyIn.size(), "cutting made the body longer");
  }
  g_files = nullptr;
  return 0;
}
