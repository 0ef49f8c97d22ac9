#include "platform/qt/CDialogBuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "platform/qt/CFitWidthValidator.h"

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
      auto* e = new QLineEdit(&dlg);
      if (!(c.style & kAutoHScroll)) e->setValidator(new CFitWidthValidator(e));
      return e;
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
        if (!(c.style & kAutoHScroll)) {
          b->lineEdit()->setValidator(new CFitWidthValidator(b->lineEdit()));
        }
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
  dlg.setFixedSize(MapDialogRect(fm, 0, 0, t.cx, t.cy).size());

  QWidget* previous = nullptr;
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
    w->setGeometry(r);
    if (c.style & kHidden) w->hide();
    if (c.style & kDisabled) w->setEnabled(false);
    if (w->focusPolicy() != Qt::NoFocus) {
      if (previous) QWidget::setTabOrder(previous, w);
      previous = w;
    }
  }
}

}  // namespace platform::qt
