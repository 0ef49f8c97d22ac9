#include <algorithm>
#include <new>
#include <string>

#include "engine/Format.h"
#include "engine/Messages.h"
#include "engine/run/CExecutor.h"
#include "platform/MessageBox.h"

namespace engine {
namespace {

std::string FileAndSizeLines(const std::string& path, std::uint64_t size) {
  return std::string("\n") + msg::kFileLine + path + "\n" +
         Format(msg::kSizeLine, static_cast<unsigned long long>(size));
}

}  // namespace

int CExecutor::OpenInputFile(std::size_t i) {
  platform::CFileException e;
  const unsigned flags = platform::CFile::modeRead;
  if (!m_fileIn.Open(m_arrInputPaths[i], flags, &e)) {
    m_bInputOpen = false;
    ShowFileError(e);
    return -1;
  }
  m_bInputOpen = true;

  // The version seen now is the one every byte of the output must come from.
  if (!platform::GetFileVersion(m_fileIn.GetHandle(), &m_inputVersion)) {
    const long err = platform::LastOsError();
    m_fileIn.Abort();
    m_bInputOpen = false;
    ShowFileError(platform::CFileException(platform::CauseFromOsError(err, m_arrInputPaths[i]), err,
                                           m_arrInputPaths[i]));
    return -1;
  }
  const std::uint64_t length = m_inputVersion.nSize;
  if (length > kMaxFileSize) {
    m_fileIn.Abort();
    m_bInputOpen = false;
    platform::AfxMessageBox(msg::kFileTooLarge + FileAndSizeLines(m_arrInputPaths[i], length));
    return -1;
  }
  m_nFileSize = static_cast<std::size_t>(length);

  // Mapped, a large file costs no copy and no memory of its own; a small one is read
  // faster than it is mapped. EUC text is converted in place, and some files cannot be
  // mapped: those are read by the split into memory left uninitialised (the split fills
  // every byte or fails).
  m_bLargeFile = m_nFileSize >= m_nLargeFile;
  if (m_bLargeFile && !m_bEuc) {
    m_pFileData = platform::MapFile(m_fileIn.GetHandle(), m_nFileSize);
  }
  if (!m_pFileData) m_pFileData = platform::AllocateFileBuffer(m_nFileSize);
  m_bDataMapped = platform::IsMapped(m_pFileData);
  if (!m_pFileData) {
    m_fileIn.Abort();
    m_bInputOpen = false;
    platform::AfxMessageBox(msg::kBufferAlloc + FileAndSizeLines(m_arrInputPaths[i], length));
    return -1;
  }
  return 0;
}

// A mapped input that lost bytes since it was opened has given zeros in their place, or
// failed a write that copied from it: nothing made of it can be trusted.
bool CExecutor::CheckLostInput() {
  const int cause = platform::CheckMappedFile(m_pFileData, m_fileIn.GetHandle());
  if (cause == platform::CFileException::none) return false;
  m_readError = platform::CFileException(cause, -1, m_fileIn.GetFilePath());
  return true;
}

// Bytes of two versions of a file must never pass for one: the run fails when the input
// was written, cut, or replaced under its name while it was converted.
bool CExecutor::ReportChangedInput(std::size_t i) const {
  platform::FileVersion now;
  platform::FileId atName;
  const bool bSame = platform::GetFileVersion(m_fileIn.GetHandle(), &now) &&
                     now == m_inputVersion &&
                     (!platform::GetFileId(m_arrInputPaths[i], &atName) || atName == now.id);
  if (bSame) return false;
  platform::AfxMessageBox(std::string(msg::kCannotRead) + msg::kInputChanged + "\n" +
                          msg::kFileLine + m_arrInputPaths[i]);
  return true;
}

void CExecutor::ConvertEucToSjis() {
  const EucConversion c = engine::ConvertEucToSjis(m_pFileData.get(), m_nFileSize);
  m_nFileSize = c.nSize;
  if (c.nReplaced == 0) return;
  const std::uint8_t* data = m_pFileData.get();
  const std::size_t line =
      1 + static_cast<std::size_t>(std::count(data, data + c.nFirstReplaced, '\n'));
  platform::AfxMessageBox(Format(msg::kJisX0212Replaced, c.nReplaced, line) + "\n" +
                              msg::kFileLine + m_fileIn.GetFilePath(),
                          platform::kMbOk, true);
}

// Each character becomes its Shift_JIS form; a JIS X 0212 one, which Shift_JIS lacks,
// becomes the geta mark 〓. No character grows, so the text is compacted in place.
EucConversion ConvertEucToSjis(std::uint8_t* data, std::size_t n) {
  EucConversion c{n, 0, 0};
  std::size_t p = 0, w = 0;
  const auto isRow = [](std::uint8_t b) { return b >= 0xA1 && b <= 0xFE; };
  while (p + 1 < n) {
    const std::uint8_t b = data[p];
    const std::uint8_t t = data[p + 1];
    if (b <= 0x7F || (b < 0xA1 && b != 0x8E && b != 0x8F) || b == 0xFF) {
      data[w++] = b;
      ++p;
    } else if (b == 0x8E) {
      if (t >= 0xA1 && t <= 0xDF) {  // half-width katakana: its one Shift_JIS byte
        data[w++] = t;
      } else {
        data[w++] = b;
        data[w++] = t;
      }
      p += 2;
    } else if (b == 0x8F) {
      if (p + 2 < n && isRow(t) && isRow(data[p + 2])) {
        if (c.nReplaced++ == 0) c.nFirstReplaced = w;
        data[w++] = 0x81;  // 〓
        data[w++] = 0xAC;
        p += 3;
      } else {
        data[w++] = b;
        ++p;
      }
    } else if (!isRow(t)) {
      // A lead byte cut from its pair (a log truncated mid-character): kept alone, so the
      // byte after it, often the "<" of a tag, is not swallowed into a made-up character.
      data[w++] = b;
      ++p;
    } else {
      std::uint8_t second;
      if (b & 1) {
        second = static_cast<std::uint8_t>(t - 0x61);
        if (second > 0x7E) ++second;
      } else {
        second = static_cast<std::uint8_t>(t - 2);
      }
      data[w++] = static_cast<std::uint8_t>(((b + 1) >> 1) + (b < 0xDF ? 0x30 : 0x70));
      data[w++] = second;
      p += 2;
    }
  }
  if (p < n) data[w++] = data[p];  // a last byte is never the first of a pair
  c.nSize = w;
  return c;
}

}  // namespace engine
