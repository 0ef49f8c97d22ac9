#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/request/CRunRequest.h"
#include "engine/run/CExecutor.h"

// What the preview is asked to show: one input, with the dialog's settings as a run reads them.
struct OutlineJob {
  std::string strPath;
  std::string strSeparator;  // the separator field, UTF-8
  int bEuc = 0;              // the EUC box
  int bUserSeparator = 0;
  int nSeparatorKind = 0;
  engine::COptionValues options;  // those a run would take
  // The file as it was when asked: a file changed since is read again.
  std::int64_t nFileSize = 0;
  std::int64_t nModified = 0;

  bool operator==(const OutlineJob&) const = default;
};

// A made outline, with the links a tree view walks: nodes [0, nTopLevel) are the top-level
// rows (the header, the sections, the trailer), and the children of each section lie
// together from its nFirstChild on, so that every step of a view is an index.
struct OutlineResult {
  struct Node {
    const engine::OutlineSection* pSection;  // null for the header and trailer rows
    std::uint32_t nParent;                   // kTop for a top-level row
    std::uint32_t nFirstChild;
  };
  static constexpr std::uint32_t kTop = 0xFFFFFFFF;

  std::uint64_t nGeneration = 0;
  engine::TextEncoding encoding = engine::TextEncoding::kShiftJis;
  bool bDetected = false;  // the encoding was read from the bytes, against the EUC box
  engine::FileOutline outline;
  std::vector<Node> nodes;
  std::uint32_t nTopLevel = 0;
  std::vector<std::string> messages;  // what the engine said, in order

  bool HasHeaderRow() const { return outline.bHeader; }
  // The trailer's row: the log's own, or the fixed footer written for a complete split.
  bool HasTrailerRow() const { return outline.bTrailer || outline.bComplete; }
  // Fills nodes from outline.
  void Link();
};

// Makes outlines on a thread of its own, one at a time, with an executor of its own. A newer
// request replaces one still waiting and stops the one being made through its abort flag;
// only the latest is handed over. The engine's messages are collected with the result,
// never shown.
class COutlineWorker {
 public:
  // `onReady` runs on the worker's thread when a result can be taken.
  explicit COutlineWorker(std::function<void()> onReady);
  ~COutlineWorker();
  // Ends the thread: nothing more is made and `onReady` is not called again.
  void Quit();
  COutlineWorker(const COutlineWorker&) = delete;
  COutlineWorker& operator=(const COutlineWorker&) = delete;

  // Makes `job` next, as `nGeneration`; none: makes nothing more.
  void Request(std::optional<OutlineJob> job, std::uint64_t nGeneration);
  // The latest result, once ready.
  std::unique_ptr<OutlineResult> Take();
  // Frees a result on the worker's thread: a tree of a million sections takes long to free.
  void Discard(std::unique_ptr<OutlineResult> result);
  // Bytes of the current file split so far.
  std::uint64_t Progress() const { return m_executor.GetProgress().nDone; }

  // The worker's own; tests hook the executor's checkpoints.
  engine::CExecutor m_executor;
  engine::CRunRequest m_request;

 private:
  void Loop();
  void Make(const OutlineJob& job, std::uint64_t nGeneration);
  bool IsLatest(std::uint64_t nGeneration);

  std::function<void()> m_onReady;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::optional<OutlineJob> m_pending;
  std::uint64_t m_nLatest = 0;
  std::unique_ptr<OutlineResult> m_ready;
  std::vector<std::unique_ptr<OutlineResult>> m_trash;
  bool m_bQuit = false;
  std::thread m_thread;  // last: starts once the rest is there
};
