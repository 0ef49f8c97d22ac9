#include "ui/qt/CDialogBuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>
#include <algorithm>
#include <vector>

namespace platform::qt {
namespace {

int MulDiv(int a, int b, int c) {
  return static_cast<int>((static_cast<long long>(a) * b + c / 2) / c);
}

// Average character width as the Windows dialog manager measures it.
int AverageCharWidth(const QFontMetrics& fm) {
  const int w =
      fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return (w / 26 + 1) / 2;
}

QWidget* CreateControl(QDialog& dlg, const ControlTemplate& c) {
  const QString caption = QString::fromUtf8(c.caption);
  switch (c.kind) {
    case ControlKind::kPushButton:
    case ControlKind::kDefPushButton: {
      auto* b = new QPushButton(caption, &dlg);
      b->setDefault(c.kind == ControlKind::kDefPushButton);
      return b;
    }
    case ControlKind::kCheckBox: {
      if (c.style & kPushLike) {
        auto* b = new QPushButton(caption, &dlg);
        b->setCheckable(true);
        b->setAutoDefault(false);
        return b;
      }
      return new QCheckBox(caption, &dlg);
    }
    case ControlKind::kRadioButton:
      return new QRadioButton(caption, &dlg);
    case ControlKind::kGroupBox:
      return new QGroupBox(caption, &dlg);
    case ControlKind::kLabel: {
      auto* l = new QLabel(caption, &dlg);
      l->setTextFormat(Qt::PlainText);
      l->setAlignment((c.style & kCentered) ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
      if (c.style & kSunken) l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
      return l;
    }
    case ControlKind::kIcon: {
      auto* l = new QLabel(&dlg);
      l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return l;
    }
    case ControlKind::kEdit: {
      if (c.style & kMultiLine) {
        auto* e = new QPlainTextEdit(&dlg);
        e->setReadOnly(c.style & kReadOnly);
        e->setTabChangesFocus(true);
        return e;
      }
      auto* e = new QLineEdit(&dlg);
      e->setReadOnly(c.style & kReadOnly);
      return e;
    }
    case ControlKind::kTreeView: {
      auto* t = new QTreeView(&dlg);
      t->setUniformRowHeights(true);  // a tree of many thousand rows is laid out at once
      return t;
    }
    case ControlKind::kListBox: {
      auto* l = new QListWidget(&dlg);
      l->setSelectionMode(QAbstractItemView::SingleSelection);
      const auto policy = (c.style & kNoScrollHide) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded;
      if (c.style & kVScroll) l->setVerticalScrollBarPolicy(policy);
      if (c.style & kHScroll) l->setHorizontalScrollBarPolicy(policy);
      l->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
      return l;
    }
    case ControlKind::kComboDropDown:
    case ControlKind::kComboDropList: {
      auto* b = new QComboBox(&dlg);
      if (c.kind == ControlKind::kComboDropDown) {
        b->setEditable(true);
        b->setInsertPolicy(QComboBox::NoInsert);
        b->setCompleter(nullptr);
        // As in a Windows combo box, typed text leaves no list item selected.
        QObject::connect(b->lineEdit(), &QLineEdit::textEdited, b, [b](const QString& text) {
          const int pos = b->lineEdit()->cursorPosition();
          b->setCurrentIndex(-1);
          b->setEditText(text);
          b->lineEdit()->setCursorPosition(pos);
        });
      }
      return b;
    }
    case ControlKind::kProgress: {
      auto* p = new QProgressBar(&dlg);
      p->setTextVisible(false);
      p->setRange(0, 100);
      p->setValue(0);
      return p;
    }
  }
  return nullptr;
}

// Keeps every control at its template rectangle, moved or stretched by what the dialog has
// grown beyond its template size, as the control's style asks.
class CTemplateLayout : public QObject {
 public:
  CTemplateLayout(QDialog& dlg, QSize base) : QObject(&dlg), m_base(base) {
    dlg.installEventFilter(this);
  }

  void Add(QWidget* w, const QRect& r, unsigned style) { m_controls.push_back({w, r, style}); }

  void Place(QSize size) const {
    const int dx = std::max(0, size.width() - m_base.width());
    const int dy = std::max(0, size.height() - m_base.height());
    for (const Control& c : m_controls) {
      QRect r = c.rect;
      r.translate(c.style & kMoveX ? dx : 0, c.style & kMoveY ? dy : 0);
      r.setSize(r.size() + QSize(c.style & kGrowX ? dx : 0, c.style & kGrowY ? dy : 0));
      c.widget->setGeometry(r);
    }
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Resize) Place(static_cast<QWidget*>(watched)->size());
    return false;
  }

 private:
  struct Control {
    QWidget* widget;
    QRect rect;
    unsigned style;
  };
  QSize m_base;
  std::vector<Control> m_controls;
};

}  // namespace

QFont CDialogBuilder::DialogFont() {
  // Matched by the font matcher, not looked up in the family list: in a Japanese locale that
  // list has the local names ("IPA Pゴシック") and the lookup fell back to a fixed-width font.
  QFont font;
  font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
  font.setPointSize(9);
  return font;
}

QRect CDialogBuilder::MapDialogRect(const QFontMetrics& fm, int x, int y, int cx, int cy) {
  const int baseX = AverageCharWidth(fm);
  const int baseY = fm.height();
  return QRect(MulDiv(x, baseX, 4), MulDiv(y, baseY, 8), MulDiv(cx, baseX, 4),
               MulDiv(cy, baseY, 8));
}

QString CDialogBuilder::ObjectName(int nId, int nIndex) {
  return nId >= 0 ? QString::number(nId) : QStringLiteral("static_%1").arg(nIndex);
}

void CDialogBuilder::Build(QDialog& dlg, const DialogTemplate& t) {
  dlg.setFont(DialogFont());
  dlg.setWindowTitle(QString::fromUtf8(t.caption));
  const QFontMetrics fm(dlg.font());
  const QSize size = MapDialogRect(fm, 0, 0, t.cx, t.cy).size();
  const bool bGrows =
      std::any_of(t.controls.begin(), t.controls.end(),
                  [](const ControlTemplate& c) { return (c.style & (kGrowX | kGrowY)) != 0; });
  if (bGrows) {
    dlg.setMinimumSize(size);
    dlg.resize(size);
  } else {
    dlg.setFixedSize(size);
  }
  auto* layout = new CTemplateLayout(dlg, size);

  QWidget* previous = nullptr;
  QLabel* mnemonic = nullptr;  // a label whose mnemonic waits for the next control in tab order
  int index = 0;
  for (const ControlTemplate& c : t.controls) {
    QWidget* w = CreateControl(dlg, c);
    w->setObjectName(ObjectName(c.nId, index++));
    QRect r = MapDialogRect(fm, c.x, c.y, c.cx, c.cy);
    // A combo box's rectangle includes its dropped list; the closed box keeps its own height.
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
      const int closed = combo->sizeHint().height();
      combo->setMaxVisibleItems(std::max(1, (r.height() - closed) / fm.height()));
      r.setHeight(closed);
    }
    layout->Add(w, r, c.style);
    if (c.style & kHidden) w->hide();
    if (c.style & kDisabled) w->setEnabled(false);
    if (w->focusPolicy() != Qt::NoFocus) {
      if (previous) QWidget::setTabOrder(previous, w);
      previous = w;
      if (mnemonic) mnemonic->setBuddy(w);
      mnemonic = nullptr;
    }
    auto* label = qobject_cast<QLabel*>(w);
    if (label && !(c.style & kNoPrefix) && label->text().contains('&')) mnemonic = label;
  }
  layout->Place(size);
}

}  // namespace platform::qt
