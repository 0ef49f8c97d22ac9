#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/run/CCommitGate.h"
#include "engine/run/TextEncoding.h"
#include "engine/search/CSearcher.h"
#include "engine/sections/CCluster.h"
#include "engine/sections/CSectionStore.h"
#include "engine/sections/Outline.h"
#include "engine/sections/OutlineStream.h"
#include "engine/sections/PlacedWriter.h"
#include "platform/File.h"
#include "platform/FileBuffer.h"

namespace engine {

// Results of Split.
enum SplitResult : int {
  kSplitOk = 0,
  kSplitNoMemory = 2,
  kSplitCannot = 3,        // no "<HTML", no body, a failed search or read, a stray closing tag
  kSplitHtmlEndFirst = 7,  // "</HTML" came before any "<BODY"
  kSplitStopped = 9,       // the run was asked to stop
};

// What stopped a split, for the message that names the file and the place.
enum SplitFailure : int {
  kFailNone = 0,
  kFailRead,          // the file could not be read whole (m_readError)
  kFailLost,          // a mapped file lost bytes while in use (m_readError)
  kFailNoHtml,        // no "<HTML"
  kFailNoBody,        // neither "<BODY" nor "</HTML" after "<HTML"
  kFailHtmlEndFirst,  // "</HTML" before "<BODY", at m_nFailurePos
  kFailStrayClose,    // a closing block tag with no block open, at m_nFailurePos
  kFailNoMemory,      // the section tree could not grow
  kFailSearch,        // the searcher reported an error (and showed it)
};

// Results of ChooseOrder.
enum ClusterOrder : int {
  kInOrder = 0,
  kReversed = 1,
  kUnchanged = 2,
};

// Files larger than this cannot be converted: their offsets would not fit the section tree.
inline constexpr std::uint64_t kMaxFileSize = 0xFFFFFFFEull;

// One conversion run over the input list: loading, splitting, reordered writing and the
// headers, footers and separators around it. The run settings are filled by the run
// request before every run; the state of the run is its own, seen through the queries below.
class CExecutor {
 public:
  CExecutor();
  ~CExecutor();
  CExecutor(const CExecutor&) = delete;
  CExecutor& operator=(const CExecutor&) = delete;

  void ResetRun();
  int SetInputFiles(const std::vector<std::string>& paths);
  int Run();
  void CloseFiles();
  // Splits each input as a run would and hands its tree to `sink`, which may keep it (move
  // it away), writing nothing. A file that cannot be split gets its outline up to the fault,
  // then the run's message; the other inputs go on. The abort flag ends it at once, with no
  // outline and no message for that file (Stopped()). 0, or -1 when an input could not be
  // opened or split, or the outline was stopped.
  int Outline(const std::function<void(FileOutline&)>& sink);
  // The same, handed to `reader` section by section (texts made, bytes not kept); a large
  // file's sections as the split finishes them, so that an outline stopped part way has
  // handed over what came before, and one whose file was cut meanwhile stops where it was
  // last seen whole.
  int Outline(COutlineReader& reader);
  // 1: Outline hands each file's bytes over with its tree instead of making the texts.
  bool m_bOutlineKeepsBytes = false;

  // After a failed run: the lines that say what it left (the output unchanged, or which
  // input stopped a per-file run and how many were not converted).
  std::string StopReport() const;
  // The line naming the input a run was working on when it stopped; empty when none.
  std::string StoppedInputLine() const;

  // Opens input i and loads its bytes (mapped or read whole): 0, or -1 after the message
  // that names the file.
  int OpenInputFile(std::size_t i);
  // "Rev_" before the input's file name, in the input's folder or in `folder`.
  static void MakeOutputPath(std::string& out, const std::string& inputPath,
                             const std::string& folder = {});

  // Run settings.
  bool m_bAutoClose = false;
  std::uint8_t m_byLayerLimit = 0;
  std::array<std::uint8_t, 256> m_abyReverse{};
  std::array<std::uint8_t, 256> m_abyRange{};
  std::uint8_t m_nStartMode = 7;
  bool m_bCutOutsideRange = false;
  bool m_bOneFile = true;
  int m_nSeparatorStyle = 0;
  bool m_bSeparatorFirst = false;
  int m_nTrailCut = 0;
  bool m_bAppendSeparator = false;
  int m_nLeadCut = 0;
  bool m_bSimpleHeader = false;
  std::string m_strSeparator;
  bool m_bEuc = false;
  // The inputs are UTF-8: the numbered line between files is written in UTF-8 too.
  bool m_bUtf8 = false;
  // Told of each input whose bytes look like another encoding than the run's (as
  // DetectEncoding decides); unset, the inputs are not looked at.
  std::function<void(const std::string& path, TextEncoding looksLike)> m_onEncodingMismatch;
  std::string m_strOutputPath;
  // In one-file output, a file to write to instead of opening m_strOutputPath (standard
  // output of the command line); kNoFileHandle when unused.
  platform::FileHandle m_fdOutput = platform::kNoFileHandle;
  // In per-file output, the folder the "Rev_" files go to; empty: beside each input.
  std::string m_strOutputDir;
  // Outputs that did not exist when the run was asked for: a file someone else gives that
  // name meanwhile is never replaced.
  std::unordered_set<std::string> m_setNewOutputs;
  // The caller's abort flag: 1 stops the run before the next file, or inside a large one
  // within a few megabytes. Another thread may set it.
  std::atomic<int>* m_pAbortFlag = nullptr;
  // Held by a front end while it asks whether to stop: the run waits before it puts an
  // output in place, then reads the abort flag.
  CCommitGate m_commitGate;
  // From this size on a file is mapped rather than read, and its output space reserved.
  std::size_t m_nLargeFile = 1u << 20;
  // From this size on a file's output is written while it is split, where the order of
  // its sections allows (no cuts, a new output file).
  std::size_t m_nPlaceMin = 8u << 20;
  // A mapped file's bytes are read through the file for the search, the writers and an
  // outline, instead of being touched in the view, where the system makes that cheaper.
  bool m_bReadThrough = platform::ReadsBeatMappedPages();

  // The searcher the run splits with: the run request registers its keys; thresholds and
  // the checkpoint hook may be set before a run.
  CSearcher m_searcher;

  // How far the run is, for another thread to show: units of work done out of a total of
  // two per input byte (one for the split, one for the writing), and the inputs written
  // whole.
  struct Progress {
    std::uint64_t nDone;
    std::uint64_t nTotal;
    std::size_t nFilesDone;
  };
  Progress GetProgress() const;
  // Starts the shown progress again from nothing (a new outline, or one that was dropped).
  void ClearProgress() { m_nProgressDone.store(0); }
  // The last run or outline ended because the abort flag was set.
  bool Stopped() const { return m_bStopped; }
  // An input or output is open, or an input's bytes are held.
  bool HoldsFiles() const;

  // Where the last split found the header, the body and the trailer, and its tree. The tree
  // is whole unless the output was written while the file was split: the sections written
  // then are dropped, and only the last top section stays.
  struct SplitBounds {
    bool bHeader;
    std::size_t nHeaderPos, nHeaderLength, nBodyStart;
    bool bTrailer;
    std::size_t nTrailerPos, nTrailerLength;
  };
  SplitBounds LastSplit() const;
  const CCluster& Tree() const { return m_rootCluster; }
  bool TreeWhole() const { return !m_bPlacedDropped; }
  const CSectionStore& Sections() const { return m_sections; }

 private:
  // The writer benchmark times WriteCluster alone, over a tree split once.
  friend struct WriterBenchAccess;

  // Input loading, output naming, opening and putting in place.
  void ConvertEucToSjis();
  int OpenOutputFile(std::size_t i);
  int CommitOutput();
  // Splitting and reordered output.
  int Split();
  int FindHeader();
  int WriteCluster(const CCluster& cluster);
  int ChooseOrder(const CCluster& cluster) const;

  // Run state.
  CCluster m_rootCluster;
  CSectionStore m_sections;
  std::size_t m_nTrailerLength = 0;
  bool m_bTrailerFound = false;
  std::size_t m_nTrailerPos = 0;
  std::size_t m_nBodyStart = 0;
  std::size_t m_nHeaderPos = 0;
  std::size_t m_nHeaderLength = 0;
  bool m_bOutputOpen = false;
  bool m_bInputOpen = false;
  platform::CFile m_fileIn;
  platform::CFile m_fileOut;
  std::size_t m_nInputCount = 0;
  platform::FileBuffer m_pFileData;  // mapped, or read by Split
  std::size_t m_nFileSize = 0;
  bool m_bHeaderFound = false;
  std::vector<std::string> m_arrInputPaths;
  // Why the last Split failed, and where.
  int m_nSplitFailure = kFailNone;
  std::size_t m_nFailurePos = 0;
  std::size_t m_nFailureLength = 0;
  platform::CFileException m_readError;
  // The input a failed run stopped at (m_nInputCount: none), and whether the output was
  // written in place (standard output, a device) rather than replaced when complete.
  std::size_t m_nStoppedAt = 0;
  bool m_bOutputDirect = false;
  bool m_bStopped = false;  // the last run ended because the abort flag was set
  std::atomic<std::uint64_t> m_nProgressDone{0};
  std::atomic<std::uint64_t> m_nProgressTotal{0};
  std::atomic<std::size_t> m_nProgressFiles{0};
  platform::FileVersion m_inputVersion;  // the current input as it was opened

  void WriteFilePart(std::size_t i);
  void WritePartHead(std::size_t i);
  void WritePartEnd(std::size_t i);
  // Writes `count` bytes that are not the input's.
  void Put(const void* data, std::size_t count);
  // Writing a part at its places while its file is split: the head at once, then the top
  // sections as the search finishes them, with the body's end guessed (m_nGuessedEnd) where
  // the top layer is reversed. FinishPlacing writes the rest (1), or drops what was written
  // when the guess was wrong (0: the part is to be written in order); -1: stopped.
  bool CanPlace() const;
  void StartPlacing();
  void PlaceTopSections();
  void PlaceSections(Offset from, Offset to);
  int FinishPlacing(std::size_t i);
  void StopPlacing() noexcept;
  bool PlacedProgress(std::uint64_t written);
  void RaiseProgress(std::uint64_t done);
  CPlacedWriter m_placed;
  std::optional<platform::CFileException> m_placeError;  // the output failed before placing
  // A part holds each byte of its file at most once, and a header, footer or separator line.
  static constexpr std::size_t kPartExtra = 256;
  bool m_bPlaceArmed = false;   // the next split may start placing
  bool m_bRecording = false;    // what is written goes to m_placed's part
  bool m_bGuessFailed = false;  // a section ended past the guessed end of the body
  // The placed top sections were dropped, with those nested in them: writing the part in
  // order after all needs the file split again.
  bool m_bPlacedDropped = false;
  std::size_t m_nPartIndex = 0;
  std::uint64_t m_nPartStart = 0;  // where the part and its body begin in the output
  std::uint64_t m_nBodyOut = 0;
  std::size_t m_nGuessedEnd = 0;
  Offset m_nPlacedSections = 0;               // of the top sections kept, those handed over
  std::atomic<std::uint64_t> m_nSearched{0};  // of this file, for the writing thread's progress
  std::atomic<std::uint64_t> m_nPlacedBytes{0};
  void WriteClusterBytes(const CCluster& cluster);
  void WriteSectionBytes(const CSection& section);
  void Copy(std::size_t pos, std::size_t length);
  bool Checkpoint(std::uint64_t doneInFile);
  void StartProgress();
  bool m_bLargeFile = false;
  std::vector<std::uint64_t> m_anExpectedSizes;  // input sizes when the run started
  std::uint64_t m_nProgressBase = 0;             // work of the files before this one
  std::uint64_t m_nCopied = 0;                   // input bytes written for this file
  std::uint64_t m_nNextCopyCheck = 0;
  bool m_bDataMapped = false;  // output ranges are written from the file's view in place
  // The file whose view the bytes are, for scans and copies to read through.
  platform::FileHandle ScanSource() const {
    return m_bDataMapped && m_bReadThrough ? m_fileIn.GetHandle() : platform::kNoFileHandle;
  }
  bool ReadInput();
  void NoteEncoding() const;
  TextEncoding RunEncoding() const;
  // Which sections of a cluster a range leaves in: [lead, rangeEnd) are written in the
  // cluster's order, the others cut (or kept in place from trailStart on, and before lead).
  struct CutBounds {
    std::size_t lead, rangeEnd, trailStart;
  };
  CutBounds Bounds(const CCluster& cluster) const;
  // Which sections Bounds leaves in, for a cluster of `count` sections in all.
  CutBounds Bounds(const CCluster& cluster, std::size_t count) const;
  // Outlines: each input split and printed through a COutlineReader, as the split goes where
  // it can (OutlineInput).
  int OutlineInputs(COutlineReader& reader, bool bText,
                    const std::function<void(std::size_t, FileOutline&)>& done);
  int OutlineInput(std::size_t i, COutlineReader& reader, bool bText, FileOutline& file);
  void CloseOutlineInput();
  void BeginStream();
  void StreamTopSections();
  void StreamSections(Offset from, Offset to, std::size_t count);
  void AddOutlineEntries(const CCluster& cluster, Offset from, Offset to, std::size_t base,
                         std::size_t count, OutlineBatch& batch) const;
  // A tree of fewer top sections, printed after the split, is printed on this thread.
  static constexpr Offset kThreadsFrom = 4096;
  COutlineStream* m_pStream = nullptr;  // the outline being printed, while its file is split
  COutlineReader* m_pStreamReader = nullptr;
  FileOutline* m_pStreamFile = nullptr;
  bool m_bStreamArmed = false;    // top sections are printed and dropped as the split finishes them
  bool m_bStreamBegun = false;    // the reader was given the file's start
  std::size_t m_nStreamBase = 0;  // top sections dropped before the root's first
  Offset m_nStreamed = 0;         // of the root's sections, those printed
  int SplitLoaded();
  int SplitBuffer();
  // Splits the loaded file once more, for a tree whole again; throws SplitFailed.
  void SplitAgain();
  struct SplitFailed {
    int result;
  };
  int FailSplit(int result, int failure, std::size_t pos = 0, std::size_t length = 0);
  bool CheckLostInput();
  void ReportSplitFailure(std::size_t i) const;
  bool ReportChangedInput(std::size_t i) const;
};

// Lines naming the file of a failed operation and its OS cause, to go under a message.
std::string FileLines(const platform::CFileException& e);

// Composes the message for a failed open: 0, or 1 when the cause is `none`.
int GetFileErrorText(std::string& text, const platform::CFileException& e);
// Shows the message for a failed open, naming the file and the cause.
void ShowFileError(const platform::CFileException& e);
// The same for a failed write, and for a failed read.
void ShowWriteError(const platform::CFileException& e);
void ShowReadError(const platform::CFileException& e);
// The text of one cause, "Unknown Error" outside 0 to 14.
const char* FileErrorCauseText(int cause);

// What converting EUC-JP to Shift_JIS made of a buffer: its new size (half-width katakana
// lose their prefix byte, JIS X 0212 characters one byte), and how many JIS X 0212
// characters became 〓, the first at offset nFirstReplaced of the converted bytes.
struct EucConversion {
  std::size_t nSize;
  std::size_t nReplaced;
  std::size_t nFirstReplaced;
};
// Converts EUC-JP bytes to Shift_JIS in place (JIS X 0208 row and cell arithmetic).
EucConversion ConvertEucToSjis(std::uint8_t* data, std::size_t size);

// The numbered line written between files, for the file at 0-based position `index`, in
// Shift_JIS or in UTF-8.
std::string NumberedSeparatorLine(std::size_t index, bool bUtf8 = false);

}  // namespace engine
