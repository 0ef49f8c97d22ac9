#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/FileException.h"

namespace platform {

// An open file of the system as a number: a POSIX descriptor, or a Windows handle.
using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFileHandle = -1;

// One range of bytes waiting to be written, laid out as the system's gather-write entry
// (POSIX iovec), so that a list of them is handed to the system as it is.
struct GatherRange {
  void* iov_base;
  std::size_t iov_len;
};

// A binary file with the open modes the engine uses. Reads go straight to the caller's
// buffer. Writes are collected and reach the file in large gathered blocks, so that
// writing many small byte ranges costs few system calls: copied into a buffer (Write), or
// referenced where they lie (WriteKept). Move-only; closes itself.
//
// With modeReplace a regular file (or a name not yet taken) is never written in place:
// the bytes go to a new file in the same folder, which Close puts in place by a rename
// once everything reached it. Until then, and after Abort, a failure or the end of the
// process, the old file stays exactly as it was. The new file keeps the old one's
// permissions, owner (where allowed), ACL and extended attributes (on Windows its
// attributes, ACL and alternate streams). Other targets (devices, FIFOs, pipes) are written
// directly. With modeNoReplace the name must still be free when the file is put in place: a
// file someone else made meanwhile is never replaced (EEXIST, ERROR_FILE_EXISTS).
class CFile {
 public:
  enum OpenFlags : unsigned {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeCreate = 0x1000,
    modeReplace = 0x10000,
    modeNoReplace = 0x20000,
  };

  CFile() = default;
  ~CFile();
  CFile(CFile&& other) noexcept;
  CFile& operator=(CFile&& other) noexcept;
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  // Opens `path`; on failure returns false and fills `pError` instead of throwing.
  // Reading accepts regular files only (a FIFO or device would block or never end);
  // no open ever blocks.
  bool Open(const std::string& path, unsigned flags, CFileException* pError);

  // Writes to a file the caller owns (standard output); Close flushes but keeps it open.
  void Attach(FileHandle fd, std::string name);
  // The same, for another thread to write parts of a file that another CFile has open:
  // each write goes to its own place (SetPosition), whatever that file's position is.
  // Writers given one `pTurns` write one at a time. The system takes the writes to a file in
  // turn anyway, and a writer that waits for it spins while the other one writes, taking a
  // processor from the threads that have work (a sixth of a run's time); waiting for the
  // mutex, it sleeps.
  void AttachPositioned(FileHandle fd, std::string name, std::mutex* pTurns = nullptr);

  bool IsOpen() const { return m_fd != kNoFileHandle; }
  FileHandle GetHandle() const { return m_fd; }
  const std::string& GetFilePath() const { return m_strPath; }

  // These throw CFileException on failure.
  std::uint64_t GetLength() const;
  void SeekToBegin();
  // Reads up to `count` bytes, fewer only at the end of the file.
  std::size_t Read(void* buffer, std::size_t count);
  void Write(const void* data, std::size_t count);
  // Like Write, without copying: the bytes must stay in place and unchanged until the next
  // Flush, Close or Abort. A failed flush forgets them as well.
  void WriteKept(const void* data, std::size_t count);
  void Flush();
  // Flushes, then writes on at `offset`; with `bCut` the file also ends there. After
  // positioned writes to the file, a CFile that writes it in order moves with this.
  void SetPosition(std::uint64_t offset, bool bCut = false);
  // Where the next byte goes.
  std::uint64_t GetPosition() const;
  // Sets disk space aside for the next `count` bytes of a file this object created, so
  // that writing them is faster and less fragmented. A hint: nothing happens where the
  // file system cannot do it, and space not written is given back when the file closes.
  void Reserve(std::uint64_t count);
  // Flushes and closes; throws when either fails, the descriptor is released in any case.
  // A file opened with modeReplace is put in place now, or not at all when this throws.
  void Close();

  // Closes without reporting errors (after a failure, or from the destructor). A file
  // opened with modeReplace is dropped: the old one stays.
  void Abort() noexcept;

  // The new bytes go to a file of their own until Close (modeReplace on a regular file).
  bool IsReplacing() const { return m_bReplacing; }
  // What of the old file the new one could not keep (ACL, attribute names), after Open.
  // Always empty on Windows, where ReplaceFileW keeps them only as it puts the file in place.
  const std::string& GetLostAttributes() const { return m_strLostAttributes; }

 private:
  void WriteThrough(const void* data, std::size_t count);
  // Held while this writer's bytes go to the system (see AttachPositioned).
  std::unique_lock<std::mutex> TakeTurn() const {
    return m_pTurns ? std::unique_lock(*m_pTurns) : std::unique_lock<std::mutex>();
  }
  void Gather(const std::uint8_t* data, std::size_t count);
  [[noreturn]] void Throw(int err) const;
  void ReleaseReserve() noexcept;
  // Closes the handle where it is this object's own, and forgets it: 0, or the system's error.
  int ReleaseHandle() noexcept;
  void TakeFrom(CFile& other) noexcept;
  void ResetWriteState() noexcept;
  bool OpenDirect(const std::string& path, unsigned flags, CFileException* pError);
  bool OpenReplacing(const std::string& path, unsigned flags, CFileException* pError);
  void Commit();
  void Discard() noexcept;

  FileHandle m_fd = kNoFileHandle;
  bool m_bOwned = false;
  bool m_bCreated = false;     // created or emptied by Open: nothing follows what is written
  bool m_bPositioned = false;  // writes at m_nOffset, never through the file's own position
  std::mutex* m_pTurns = nullptr;
  std::string m_strPath;
  std::unique_ptr<std::uint8_t[]> m_pWriteBuffer;
  std::size_t m_nBuffered = 0;          // bytes of m_pWriteBuffer in use
  std::vector<GatherRange> m_aPending;  // what the next flush writes, in order
  std::uint64_t m_nOffset = 0;          // bytes written since the file was opened
  std::uint64_t m_nPendingBytes = 0;
  std::uint64_t m_nReservedEnd = 0;
  bool m_bReplacing = false;
  std::string m_strTarget;    // the file Close replaces (symbolic links followed)
  std::string m_strTempPath;  // the new file's name; empty while it has none (O_TMPFILE)
  int m_nTempSlot = -1;       // its entry in the list removed when a signal ends the process
  bool m_bNoReplace = false;  // the target must not exist when the new file takes its name
  std::string m_strLostAttributes;
};

// Write failures are reported by the call instead of ending the process: a closed pipe
// (SIGPIPE) gives EPIPE, the file-size limit (SIGXFSZ) EFBIG. For programs to call first;
// Windows has no such signals.
void IgnoreWriteSignals();

// Opens a closed standard input, output or error on /dev/null (on Windows a missing or
// dangling standard handle on NUL), as coreutils does, so that no file the program opens
// becomes one of them (and gets its messages). Call it first.
void OpenStandardStreams();

// For a program that ends when its run ends: a signal (on Windows a console event) that
// would end it while a finished output is put in place waits until the next file is opened,
// or is dropped when the program ends after reporting its success.
void HoldEndingSignalsAfterPlacing();

// True when a regular file of that name exists (the overwrite question); devices and
// FIFOs are written directly, never replaced.
bool RegularFileExists(const std::string& path);

// Where the file name begins in `path`: after its last folder separator ('/'; on Windows
// also '\\', and the colon of a drive, as in "C:log.html"); 0 when it has none.
std::size_t FileNameStart(const std::string& path);
// The size of the file of that name; false when it cannot be looked at.
bool GetFileSize(const std::string& path, std::uint64_t* pSize);
// The whole content of a file of any kind (a pipe too); false with the OS error when it
// cannot be read.
bool ReadWholeFile(const std::string& path, std::string* pText, long* pError);
// True when the name leads to a folder.
bool IsFolder(const std::string& path);

// Device and inode of an existing file, after following symbolic links.
struct FileId {
  std::uint64_t dev = 0;
  std::uint64_t ino = 0;
  bool operator==(const FileId&) const = default;
};
bool GetFileId(const std::string& path, FileId* pId);
bool GetFileId(FileHandle fd, FileId* pId);

// One version of a file: another version has another inode, size, modification or
// change time. Read through the system-call table, so tests can change it.
struct FileVersion {
  FileId id;
  std::uint64_t nSize = 0;
  std::int64_t nModified = 0;  // the system's own time stamps, compared only
  std::int64_t nChanged = 0;
  bool operator==(const FileVersion&) const = default;
};
bool GetFileVersion(FileHandle fd, FileVersion* pVersion);

// Reads `count` bytes at `offset` of the open file `fd` into `buffer`; false when fewer
// could be had (the file ends sooner, or a read failed). The file's own position is left
// alone on POSIX and may move on Windows. A mapped file's bytes read this way cost no page
// faults: where the first touch of each mapped page is dear (a virtual machine with shadow
// page tables), a large view is best read through here.
bool ReadAt(FileHandle fd, std::uint64_t offset, void* buffer, std::size_t count);

// True when both names lead to one existing file (another spelling, a symbolic or a hard link).
bool IsSameFile(const std::string& a, const std::string& b);

}  // namespace platform
