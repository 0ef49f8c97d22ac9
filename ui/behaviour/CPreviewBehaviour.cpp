#include "ui/behaviour/CPreviewBehaviour.h"

#include <algorithm>

#include "ui/behaviour/Format.h"
#include "ui/behaviour/Paths.h"
#include "ui/resources/ControlIds.h"
#include "ui/resources/PreviewDialog.h"

namespace behaviour {
namespace {
constexpr int kUpdateDelay = 100;       // ms after the last change before the settings are taken
constexpr int kProgressInterval = 100;  // ms between two percentages
using namespace resources;
}  // namespace

CPreviewBehaviour::CPreviewBehaviour(IDialogView& view)
    : m_worker([this] { m_view.Post([this] { OnReady(); }); }), m_view(view) {}

void CPreviewBehaviour::Schedule() {
  if (!m_bVisible) return;
  m_bUpdateDue = true;
  m_view.SetTimer(kUpdateTimer, kUpdateDelay);
}

bool CPreviewBehaviour::IsBusy() const {
  return m_bUpdateDue || m_nShown != m_nGeneration;
}

std::string CPreviewBehaviour::FileName() const {
  return m_job ? NameOf(m_job->strPath) : std::string();
}

void CPreviewBehaviour::OnTimer(int nTimer) {
  if (nTimer == kUpdateTimer) Update();
  if (nTimer == kProgressTimer) ShowProgress();
}

void CPreviewBehaviour::Update() {
  m_bUpdateDue = false;
  m_view.SetTimer(kUpdateTimer, 0);
  std::optional<OutlineJob> job = m_jobOfDialog ? m_jobOfDialog() : std::nullopt;
  if (m_bAsked && job == m_job) return;
  // A tree of another file must not stand under this file's name while this one is made.
  const OutlineResult* shown = ShownResult();
  if (!job || (shown && shown->outline.strPath != job->strPath))
    m_worker.Discard(ShowResult(nullptr));
  m_bAsked = true;
  m_job = std::move(job);
  m_worker.Request(m_job, ++m_nGeneration);
  if (!m_job) {
    m_nShown = m_nGeneration;
    m_view.SetTimer(kProgressTimer, 0);
    m_view.SetText(kIdPreviewFile, kPreviewNoInput);
    ShowPath({});
    m_view.SetText(kIdPreviewMessages, {});
    return;
  }
  ShowPath(m_job->strPath);
  ShowProgress();
  m_view.SetTimer(kProgressTimer, kProgressInterval);
}

void CPreviewBehaviour::ShowProgress() {
  const std::uint64_t size =
      m_job ? static_cast<std::uint64_t>(std::max<std::int64_t>(1, m_job->nFileSize)) : 1;
  const std::uint64_t percent = std::min<std::uint64_t>(100, m_worker.Progress() * 100 / size);
  m_view.SetText(kIdPreviewFile, Format(kPreviewBusy, {FileName(), std::to_string(percent)}));
}

void CPreviewBehaviour::OnReady() {
  std::unique_ptr<OutlineResult> result = m_worker.Take();
  if (!result) return;
  if (result->nGeneration != m_nGeneration) {  // settings changed since it was asked for
    m_worker.Discard(std::move(result));
    return;
  }
  m_nShown = result->nGeneration;
  m_view.SetTimer(kProgressTimer, 0);
  std::string title = Format(kPreviewOf, {FileName(), engine::EncodingName(result->encoding)});
  if (result->bDetected) title += kPreviewDetected;
  std::string messages;
  for (const std::string& text : result->messages)
    messages += (messages.empty() ? "" : "\n") + text;
  m_worker.Discard(ShowResult(std::move(result)));
  m_view.SetText(kIdPreviewFile, title);
  m_view.SetText(kIdPreviewMessages, messages);
}

void CPreviewBehaviour::OnShown() {
  m_bVisible = true;
  Update();
}

void CPreviewBehaviour::OnHidden() {
  // Nothing is made for a window nobody sees; it starts afresh when shown again.
  m_bVisible = false;
  m_bUpdateDue = false;
  m_view.SetTimer(kUpdateTimer, 0);
  m_view.SetTimer(kProgressTimer, 0);
  m_bAsked = false;
  m_job.reset();
  m_worker.Request(std::nullopt, ++m_nGeneration);
  m_nShown = m_nGeneration;
}

}  // namespace behaviour
