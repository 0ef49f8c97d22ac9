#include "ui/preview/CPreviewDlg.h"

#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTreeView>
#include <algorithm>

#include "platform/qt/CDialogBuilder.h"
#include "resources/PreviewDialog.h"
#include "ui/preview/COutlineModel.h"

using platform::qt::GetDlgItem;

namespace {
constexpr int kUpdateDelay = 100;       // ms after the last change before the settings are taken
constexpr int kProgressInterval = 100;  // ms between two percentages
// A tree of up to this many rows opens expanded; a larger one would take long to lay out.
constexpr std::size_t kExpandAll = 500;
}  // namespace

CPreviewDlg::CPreviewDlg(QWidget* parent)
    : QDialog(parent), m_worker([this] {
        QMetaObject::invokeMethod(
            this, [this] { OnReady(); }, Qt::QueuedConnection);
      }) {
  platform::qt::CDialogBuilder::Build(*this, resources::kPreviewDialog);
  m_labelFile = GetDlgItem<QLabel>(*this, 1001);
  m_treeOutline = GetDlgItem<QTreeView>(*this, 1002);
  m_editMessages = GetDlgItem<QPlainTextEdit>(*this, 1003);
  m_pModel = new COutlineModel(this, font());
  m_treeOutline->setModel(m_pModel);
  m_treeOutline->setAlternatingRowColors(true);
  m_treeOutline->setAllColumnsShowFocus(true);
  m_treeOutline->header()->setStretchLastSection(true);  // the text takes the spare width
  FitColumns();
  resize(platform::qt::CDialogBuilder::MapDialogRect(fontMetrics(), 0, 0, resources::kPreviewWidth,
                                                     resources::kPreviewHeight)
             .size());
  connect(GetDlgItem<QPushButton>(*this, 2), &QPushButton::clicked, this, &QDialog::reject);

  m_timerUpdate.setSingleShot(true);
  m_timerUpdate.setInterval(kUpdateDelay);
  connect(&m_timerUpdate, &QTimer::timeout, this, [this] { Update(); });
  m_timerProgress.setInterval(kProgressInterval);
  connect(&m_timerProgress, &QTimer::timeout, this, [this] { ShowProgress(); });
}

CPreviewDlg::~CPreviewDlg() {
  // The tree goes first: its view may still ask the model while the window is torn down.
  m_treeOutline->setModel(nullptr);
}

void CPreviewDlg::Schedule() {
  if (isVisible()) m_timerUpdate.start();
}

bool CPreviewDlg::IsBusy() const {
  return m_timerUpdate.isActive() || m_nShown != m_nGeneration;
}

QString CPreviewDlg::FileName() const {
  return m_job ? QFileInfo(QFile::decodeName(QByteArray::fromStdString(m_job->strPath))).fileName()
               : QString();
}

void CPreviewDlg::Update() {
  m_timerUpdate.stop();
  std::optional<OutlineJob> job = m_jobOfDialog ? m_jobOfDialog() : std::nullopt;
  if (m_bAsked && job == m_job) return;
  // A tree of another file must not stand under this file's name while this one is made.
  const OutlineResult* shown = m_pModel->Result();
  if (!job || (shown && shown->outline.strPath != job->strPath))
    m_worker.Discard(m_pModel->Reset(nullptr));
  m_bAsked = true;
  m_job = std::move(job);
  m_worker.Request(m_job, ++m_nGeneration);
  if (!m_job) {
    m_nShown = m_nGeneration;
    m_timerProgress.stop();
    m_labelFile->setText(QString::fromUtf8(resources::kPreviewNoInput));
    m_labelFile->setToolTip(QString());
    m_editMessages->clear();
    return;
  }
  m_labelFile->setToolTip(QFile::decodeName(QByteArray::fromStdString(m_job->strPath)));
  ShowProgress();
  m_timerProgress.start();
}

void CPreviewDlg::ShowProgress() {
  const std::uint64_t size =
      m_job ? static_cast<std::uint64_t>(std::max<std::int64_t>(1, m_job->nFileSize)) : 1;
  const std::uint64_t percent = std::min<std::uint64_t>(100, m_worker.Progress() * 100 / size);
  m_labelFile->setText(QString::fromUtf8(resources::kPreviewBusy).arg(FileName()).arg(percent));
}

void CPreviewDlg::OnReady() {
  std::unique_ptr<OutlineResult> result = m_worker.Take();
  if (!result) return;
  if (result->nGeneration != m_nGeneration) {  // settings changed since it was asked for
    m_worker.Discard(std::move(result));
    return;
  }
  m_nShown = result->nGeneration;
  m_timerProgress.stop();
  QString title = QString::fromUtf8(resources::kPreviewOf)
                      .arg(FileName(), QString::fromUtf8(engine::EncodingName(result->encoding)));
  if (result->bDetected) title += QString::fromUtf8(resources::kPreviewDetected);
  QStringList messages;
  for (const std::string& text : result->messages) messages << QString::fromStdString(text);
  const bool bExpand = result->nodes.size() <= kExpandAll;
  // Another outline of the same file keeps the place the user scrolled to.
  const OutlineResult* shown = m_pModel->Result();
  const bool bSameFile = shown && shown->outline.strPath == result->outline.strPath;
  const int scrolled = m_treeOutline->verticalScrollBar()->value();
  m_worker.Discard(m_pModel->Reset(std::move(result)));
  if (bExpand) m_treeOutline->expandAll();
  if (bSameFile) {
    m_treeOutline->doItemsLayout();
    m_treeOutline->verticalScrollBar()->setValue(scrolled);
  }
  FitColumns();
  m_labelFile->setText(title);
  m_editMessages->setPlainText(messages.join('\n'));
}

QRect CPreviewDlg::Beside(const QRect& owner, const QRect& screen, QSize preferred,
                          const QSize& minimum) {
  constexpr int kGap = 8;
  preferred = preferred.boundedTo(screen.size()).expandedTo(minimum);
  const int right = screen.right() - owner.right() - kGap;  // room on either side
  const int left = owner.left() - screen.left() - kGap;
  const bool bRight = right >= left;
  int x;
  if (std::max(left, right) >= minimum.width()) {
    preferred.setWidth(std::min(preferred.width(), std::max(left, right)));
    x = bRight ? owner.right() + 1 + kGap : owner.left() - kGap - preferred.width();
  } else {  // over the owner's side that has more room, against the screen's edge, narrow
    preferred.setWidth(minimum.width());
    x = bRight ? screen.right() + 1 - preferred.width() : screen.left();
  }
  const int y = std::clamp(owner.top(), screen.top(),
                           std::max(screen.top(), screen.bottom() + 1 - preferred.height()));
  return {QPoint(x, y), preferred};
}

void CPreviewDlg::FitColumns() {
  // The widest of each column's texts, from the largest numbers of the tree shown.
  const OutlineResult* result = m_pModel->Result();
  int nLayer = 1;
  std::size_t nIndex = 0, nNumber = 0;
  if (result) {
    nNumber = std::max(result->outline.nHeaderOffset + result->outline.nHeaderLength,
                       result->outline.nTrailerOffset + result->outline.nTrailerLength);
    for (const OutlineResult::Node& node : result->nodes) {
      if (!node.pSection) continue;
      nLayer = std::max(nLayer, node.pSection->nLayer);
      nIndex = std::max(nIndex, node.pSection->nIndex);
      nNumber = std::max({nNumber, node.pSection->nOffset, node.pSection->nLength});
    }
  }
  const QFontMetrics fm(m_treeOutline->font());
  const auto width = [&fm](const char* text) {
    return fm.horizontalAdvance(QString::fromUtf8(text));
  };
  int action = 0;
  for (const char* label : resources::kActionLabels) action = std::max(action, width(label));
  const int content[] = {
      std::max(std::max(result && result->HasHeaderRow() ? width(resources::kHeaderRow) : 0,
                        result && result->HasTrailerRow() ? width(resources::kTrailerRow) : 0) +
                   m_treeOutline->indentation(),
               fm.horizontalAdvance(QStringLiteral("L%1 #%2").arg(nLayer).arg(nIndex)) +
                   nLayer * m_treeOutline->indentation()),
      fm.horizontalAdvance(QString::number(nNumber)),
      fm.horizontalAdvance(QString::number(nNumber)),
      action + style()->pixelMetric(QStyle::PM_SmallIconSize),
  };
  QHeaderView* header = m_treeOutline->header();
  const int pad = 2 * fm.averageCharWidth();
  for (int column = 0; column < COutlineModel::kText; ++column)
    header->resizeSection(column, std::max(content[column] + pad, header->sectionSizeHint(column)));
}

void CPreviewDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Beside the dialog, where its settings can be changed while the tree is watched.
  if (!m_bPlaced && parentWidget()) {
    m_bPlaced = true;
    const QWidget& owner = *parentWidget();
    const QSize frame = owner.frameGeometry().size() - owner.size();  // this one's is not known yet
    const QScreen* screen = owner.screen();
    if (screen) {
      const QRect place = Beside(owner.frameGeometry(), screen->availableGeometry(), size() + frame,
                                 minimumSize() + frame);
      resize(place.size() - frame);
      move(place.topLeft());
    }
  }
  Update();
}

void CPreviewDlg::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  // Nothing is made for a window nobody sees; it starts afresh when shown again.
  m_timerUpdate.stop();
  m_timerProgress.stop();
  m_bAsked = false;
  m_job.reset();
  m_worker.Request(std::nullopt, ++m_nGeneration);
  m_nShown = m_nGeneration;
}
