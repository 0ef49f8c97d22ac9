#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/File.h"

namespace platform {

// Frees a file buffer of either kind: unmaps a mapped one, deletes an allocated one.
struct FileBufferRelease {
  std::size_t nMapped = 0;  // length of the mapping; 0 for memory from new[]
  void operator()(std::uint8_t* p) const noexcept;
};

// The bytes of one input file, read into memory or mapped.
using FileBuffer = std::unique_ptr<std::uint8_t[], FileBufferRelease>;

// `size` bytes of uninitialised memory; null when there is none.
FileBuffer AllocateFileBuffer(std::size_t size);

// A read-only view of the first `size` (> 0) bytes of the open file `fd`: no copy and no
// memory of its own. Null when the file cannot be mapped; it must be read then.
//
// A mapped file can lose bytes while it is in use (another program truncates it, or the
// disk fails). Touching a lost page would end the process; here it reads as zeros instead.
// A write that copies from a lost page fails with EFAULT. Either way what was made of the
// buffer cannot be trusted: CheckMappedFile tells. (On Windows no other program can cut an
// input: it is open for reading only, shared with readers only.)
FileBuffer MapFile(FileHandle fd, std::size_t size);

bool IsMapped(const FileBuffer& buffer);

// Whether a large view's bytes are best read through the file (ReadAt) into memory that is
// used again, rather than touched where they are mapped. Linux maps many pages of a file
// at each first touch, which costs less than copying them: on a 256 MiB log, touching every
// page took 21 ms and reading it 48 ms. Where each first touch is a fault of its own, or
// costs a virtual machine's host work (shadow page tables: 1.6 us a page), reading wins.
bool ReadsBeatMappedPages();

// Whether a mapped buffer still holds its file's bytes: CFileException::none, endOfFile
// when the file is shorter now than the view, hardIO when a page could not be read, or the
// cause of the failure to look at the file. Always none for an allocated buffer.
int CheckMappedFile(const FileBuffer& buffer, FileHandle fd);

}  // namespace platform
