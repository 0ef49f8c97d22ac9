#include "ui/preview/CPreviewDlg.h"

#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyleOptionViewItem>
#include <QTreeView>
#include <algorithm>

#include "ui/preview/COutlineModel.h"
#include "ui/qt/CDialogBuilder.h"
#include "ui/resources/ControlIds.h"
#include "ui/resources/PreviewDialog.h"

using platform::qt::GetDlgItem;

namespace {
// A tree of up to this many rows opens expanded; a larger one would take long to lay out.
constexpr std::size_t kExpandAll = 500;
}  // namespace

CPreviewDlg::CPreviewDlg(QWidget* parent)
    : QDialog(parent), CPreviewBehaviour(static_cast<IDialogView&>(*this)) {
  platform::qt::CDialogBuilder::Build(*this, resources::kPreviewDialog);
  m_labelFile = GetDlgItem<QLabel>(*this, resources::kIdPreviewFile);
  m_treeOutline = GetDlgItem<QTreeView>(*this, resources::kIdPreviewTree);
  m_editMessages = GetDlgItem<QPlainTextEdit>(*this, resources::kIdPreviewMessages);
  m_pModel = new COutlineModel(this, font());
  m_treeOutline->setModel(m_pModel);
  m_treeOutline->setAlternatingRowColors(true);
  m_treeOutline->setAllColumnsShowFocus(true);
  m_treeOutline->header()->setStretchLastSection(true);  // the text takes the spare width
  FitColumns();
  resize(platform::qt::CDialogBuilder::MapDialogRect(fontMetrics(), 0, 0, resources::kPreviewWidth,
                                                     resources::kPreviewHeight)
             .size());
  connect(GetDlgItem<QPushButton>(*this, resources::kIdCancel), &QPushButton::clicked, this,
          &QDialog::reject);

  connect(&m_timerUpdate, &QTimer::timeout, this, [this] { OnTimer(kUpdateTimer); });
  connect(&m_timerProgress, &QTimer::timeout, this, [this] { OnTimer(kProgressTimer); });
}

CPreviewDlg::~CPreviewDlg() {
  m_worker.Quit();  // its last result would be posted to this window
  // The tree goes first: its view may still ask the model while the window is torn down.
  m_treeOutline->setModel(nullptr);
}

std::string CPreviewDlg::Text(int nId) const {
  if (nId == resources::kIdPreviewFile) return m_labelFile->text().toStdString();
  return m_editMessages->toPlainText().toStdString();
}

void CPreviewDlg::SetText(int nId, const std::string& text) {
  if (nId == resources::kIdPreviewFile)
    m_labelFile->setText(QString::fromStdString(text));
  else
    m_editMessages->setPlainText(QString::fromStdString(text));
}

void CPreviewDlg::Post(std::function<void()> task) {
  QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

void CPreviewDlg::SetTimer(int nTimer, int nMilliseconds) {
  QTimer& timer = nTimer == kUpdateTimer ? m_timerUpdate : m_timerProgress;
  if (nMilliseconds == 0)
    timer.stop();
  else
    timer.start(nMilliseconds);
}

void CPreviewDlg::ShowPath(const std::string& path) {
  m_labelFile->setToolTip(QFile::decodeName(QByteArray::fromStdString(path)));
}

const OutlineResult* CPreviewDlg::ShownResult() const {
  return m_pModel->Result();
}

std::unique_ptr<OutlineResult> CPreviewDlg::ShowResult(std::unique_ptr<OutlineResult> result) {
  if (!result) return m_pModel->Reset(nullptr);
  const bool bExpand = result->nodes.size() <= kExpandAll;
  // Another outline of the same file keeps the place the user scrolled to.
  const OutlineResult* shown = m_pModel->Result();
  const bool bSameFile = shown && shown->outline.strPath == result->outline.strPath;
  const int scrolled = m_treeOutline->verticalScrollBar()->value();
  std::unique_ptr<OutlineResult> old = m_pModel->Reset(std::move(result));
  if (bExpand) m_treeOutline->expandAll();
  if (bSameFile) {
    m_treeOutline->doItemsLayout();
    m_treeOutline->verticalScrollBar()->setValue(scrolled);
  }
  FitColumns();
  return old;
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
  // The widest text of each column in the tree shown: the deepest layer and the largest
  // index, the largest number, the actions there are.
  const OutlineResult* result = m_pModel->Result();
  int nLayer = 0;
  std::size_t nIndex = 0, nNumber = 0;
  unsigned actions = 0;
  if (result) {
    const engine::FileOutline& f = result->outline;
    if (f.bHeader) nNumber = std::max(f.nHeaderOffset, f.nHeaderLength);
    if (f.bTrailer) nNumber = std::max({nNumber, f.nTrailerOffset, f.nTrailerLength});
    for (const OutlineResult::Node& node : result->nodes) {
      if (!node.pSection) continue;
      nLayer = std::max(nLayer, node.pSection->nLayer);
      nIndex = std::max(nIndex, node.pSection->nIndex);
      nNumber = std::max({nNumber, node.pSection->nOffset, node.pSection->nLength});
      actions |= 1u << static_cast<int>(node.pSection->action);
    }
  }
  // What a cell needs for a text (and an action's mark) in the view's style.
  const QTreeView& view = *m_treeOutline;
  const auto cell = [&view](const QString& text, bool bMark = false) {
    QStyleOptionViewItem option;
    option.initFrom(&view);
    option.font = view.font();
    option.text = text;
    option.features = QStyleOptionViewItem::HasDisplay;
    if (bMark) {
      const int size = view.style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, &view);
      option.features |= QStyleOptionViewItem::HasDecoration;
      option.decorationSize = QSize(size, size);
    }
    return view.style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, {}, &view).width();
  };
  int layer = 0, action = 0;
  if (result && result->HasHeaderRow())
    layer = cell(QString::fromUtf8(resources::kHeaderRow)) + view.indentation();
  if (result && result->HasTrailerRow())
    layer = std::max(layer, cell(QString::fromUtf8(resources::kTrailerRow)) + view.indentation());
  if (nLayer > 0)
    layer = std::max(layer, cell(QStringLiteral("L%1 #%2").arg(nLayer).arg(nIndex)) +
                                nLayer * view.indentation());
  for (int i = 0; i < static_cast<int>(std::size(resources::kActionLabels)); ++i)
    if (actions & (1u << i))
      action = std::max(action, cell(QString::fromUtf8(resources::kActionLabels[i]), true));
  const int number = result ? cell(QString::number(nNumber)) : 0;
  QHeaderView* header = m_treeOutline->header();
  const int content[] = {layer, number, number, action};
  for (int column = 0; column < COutlineModel::kText; ++column)
    header->resizeSection(column, std::max(content[column], header->sectionSizeHint(column)));
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
  OnShown();
}

void CPreviewDlg::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  OnHidden();
}
