#include "ui/behaviour/COutlineWorker.h"

#include <utility>

#include "engine/request/RunEncoding.h"
#include "platform/MessageBox.h"

void OutlineResult::Link() {
  nodes.clear();
  if (HasHeaderRow()) nodes.push_back({nullptr, kTop, 0});
  for (const engine::OutlineSection& s : outline.sections) nodes.push_back({&s, kTop, 0});
  if (HasTrailerRow()) nodes.push_back({nullptr, kTop, 0});
  nTopLevel = static_cast<std::uint32_t>(nodes.size());
  // Breadth first: the children of each node come one after another.
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    const engine::OutlineSection* s = nodes[i].pSection;
    if (!s || s->children.empty()) continue;
    nodes[i].nFirstChild = static_cast<std::uint32_t>(nodes.size());
    for (const engine::OutlineSection& child : s->children)
      nodes.push_back({&child, static_cast<std::uint32_t>(i), 0});
  }
}

COutlineWorker::COutlineWorker(std::function<void()> onReady)
    : m_onReady(std::move(onReady)), m_thread([this] { Loop(); }) {}

COutlineWorker::~COutlineWorker() {
  Quit();
}

void COutlineWorker::Quit() {
  if (!m_thread.joinable()) return;
  {
    std::lock_guard lock(m_mutex);
    m_bQuit = true;
    m_request.m_nAbort.store(1);
  }
  m_wake.notify_one();
  m_thread.join();
}

void COutlineWorker::Request(std::optional<OutlineJob> job, std::uint64_t nGeneration) {
  {
    // Under the lock: the next job is taken after this stop, so its own start (which clears
    // the flag) cannot come before it.
    std::lock_guard lock(m_mutex);
    m_pending = std::move(job);
    m_nLatest = nGeneration;
    m_request.m_nAbort.store(1);
    m_executor.ClearProgress();  // not the percentage of the one stopped
  }
  m_wake.notify_one();
}

std::unique_ptr<OutlineResult> COutlineWorker::Take() {
  std::lock_guard lock(m_mutex);
  return std::move(m_ready);
}

void COutlineWorker::Discard(std::unique_ptr<OutlineResult> result) {
  if (!result) return;
  {
    std::lock_guard lock(m_mutex);
    m_trash.push_back(std::move(result));
  }
  m_wake.notify_one();
}

bool COutlineWorker::IsLatest(std::uint64_t nGeneration) {
  std::lock_guard lock(m_mutex);
  return nGeneration == m_nLatest;
}

void COutlineWorker::Loop() {
  for (;;) {
    std::optional<OutlineJob> job;
    std::uint64_t generation = 0;
    std::vector<std::unique_ptr<OutlineResult>> trash;
    {
      std::unique_lock lock(m_mutex);
      m_wake.wait(lock, [this] { return m_bQuit || m_pending || !m_trash.empty(); });
      if (m_bQuit) return;
      trash.swap(m_trash);
      job = std::exchange(m_pending, std::nullopt);
      generation = m_nLatest;
    }
    trash.clear();
    if (job) Make(*job, generation);
  }
}

void COutlineWorker::Make(const OutlineJob& job, std::uint64_t nGeneration) {
  auto result = std::make_unique<OutlineResult>();
  result->nGeneration = nGeneration;
  {
    OutlineResult& r = *result;
    const platform::ScopedThreadMessageSink sink([&r](const platform::Message& m) {
      r.messages.push_back(m.text);
      return (m.nType & platform::kMbYesNo) ? platform::kIdNo : platform::kIdOk;
    });
    // As a run whose encoding question was answered Yes: bytes that say what they are decide.
    engine::EncodingRequest asked;
    asked.choice = job.bEuc ? engine::EncodingChoice::kEucJp : engine::EncodingChoice::kShiftJis;
    asked.separator = job.strSeparator;
    asked.firstInput = engine::DetectFileEncoding(job.strPath);
    r.bDetected = false;
    engine::RunInputs inputs;
    inputs.astrInputPaths = {job.strPath};
    inputs.target = engine::RunInputs::Target::kNone;
    r.encoding =
        engine::ApplyEncoding(inputs, asked, [&r](const std::string&, engine::TextEncoding) {
          r.bDetected = true;
          return true;
        });
    m_request.m_bUserSeparator = job.bUserSeparator;
    m_request.m_nSeparatorKind = job.nSeparatorKind;
    m_request.m_bOptionsOpened = true;
    m_executor.ClearProgress();
    // Preparing clears the abort flag: a newer request that came meanwhile is seen here.
    if (m_request.PrepareOutline(inputs, engine::OutlineOptions(job.options), m_executor) &&
        IsLatest(nGeneration)) {
      // The view shows a few rows at a time: their texts are made as they are shown.
      m_executor.m_bOutlineKeepsBytes = true;
      m_executor.Outline([&r](engine::FileOutline& file) { r.outline = std::move(file); });
      r.Link();
    }
  }
  std::unique_ptr<OutlineResult> replaced;
  {
    std::lock_guard lock(m_mutex);
    if (nGeneration != m_nLatest || m_bQuit) return;  // freed here, on this thread
    replaced = std::exchange(m_ready, std::move(result));
    // Under the lock: Quit waits for it, so the front end is still there.
    m_onReady();
  }
}
