// Every caption of the four dialogs fits the rectangle its control draws it in, measured
// with the control's font and style; the preview fits the screen beside the main dialog.
// CMake runs this on a 1024 x 768 screen under the C and ja_JP.UTF-8 locales at scale
// factors 1 and 2.
#include <QCheckBox>
#include <QDebug>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include "ui/CAboutDlg.h"
#include "ui/CMainDlg.h"
#include "ui/preview/COutlineModel.h"

namespace {

// The rectangle the style draws a control's caption in, and the caption; empty when the
// control shows no text.
std::pair<QRect, QString> CaptionRoom(QWidget* w) {
  if (auto* label = qobject_cast<QLabel*>(w)) {
    const int m = label->margin() + std::max(0, label->indent());
    return {label->contentsRect().adjusted(m, m, -m, -m), label->text()};
  }
  if (auto* box = qobject_cast<QGroupBox*>(w)) {
    QStyleOptionGroupBox opt;
    opt.initFrom(box);
    opt.text = box->title();
    opt.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    return {box->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, box),
            box->title()};
  }
  auto* button = qobject_cast<QAbstractButton*>(w);
  if (!button) return {};
  QStyleOptionButton opt;
  opt.initFrom(button);
  opt.text = button->text();
  const QStyle::SubElement contents = qobject_cast<QCheckBox*>(w) ? QStyle::SE_CheckBoxContents
                                      : qobject_cast<QRadioButton*>(w)
                                          ? QStyle::SE_RadioButtonContents
                                          : QStyle::SE_PushButtonContents;
  return {button->style()->subElementRect(contents, &opt, button), button->text()};
}

}  // namespace

class TextFitTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // The template's own size, not one the user left.
    static QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    if (qgetenv("LANG").startsWith("ja"))
      QCOMPARE(QLocale::system().language(), QLocale::Japanese);  // the locale is installed
  }

  void captionsFit_data() {
    QTest::addColumn<int>("dialog");
    QTest::newRow("main") << 0;
    QTest::newRow("options") << 1;
    QTest::newRow("about") << 2;
    QTest::newRow("preview") << 3;
  }
  void captionsFit() {
    QFETCH(int, dialog);
    CMainDlg main;
    CAboutDlg about;
    QDialog* dlg = dialog == 0   ? static_cast<QDialog*>(&main)
                   : dialog == 1 ? static_cast<QDialog*>(&main.m_dlgOptions)
                   : dialog == 2 ? static_cast<QDialog*>(&about)
                                 : &main.m_dlgPreview;  // without an input: its longest line
    if (dialog == 0) main.OnInitDialog();
    if (dialog == 1) main.m_dlgOptions.OnInitDialog();
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg));
    QStringList clipped;
    for (QWidget* w : dlg->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      const auto [room, text] = CaptionRoom(w);
      if (text.isEmpty() || w->isHidden()) continue;
      const QSize need = w->fontMetrics().size(Qt::TextShowMnemonic, text);
      if (need.width() > room.width() || need.height() > room.height())
        clipped << QStringLiteral("%1 \"%2\": needs %3 x %4, has %5 x %6")
                       .arg(w->objectName(), text)
                       .arg(need.width())
                       .arg(need.height())
                       .arg(room.width())
                       .arg(room.height());
    }
    QVERIFY2(clipped.isEmpty(), qPrintable(QLocale().name() + ":\n" + clipped.join('\n')));
  }

  // The main dialog at the screen's left or right edge, or in the middle: the preview opens
  // beside it where there is room, else over its side with more room, against the screen's
  // edge; always inside the screen, which its smallest size fits with a title bar above. Its
  // text column takes the width the others leave.
  void previewBesideTheDialog_data() {
    QTest::addColumn<double>("where");  // the dialog's left edge, as a share of the free width
    QTest::newRow("dialog at the left edge") << 0.0;
    QTest::newRow("dialog at the right edge") << 1.0;
    QTest::newRow("dialog in the middle") << 0.5;
  }
  void previewBesideTheDialog() {
    QFETCH(double, where);
    constexpr int kTitleBar = 40, kGap = 8;
    CMainDlg main;
    main.OnInitDialog();
    CPreviewDlg& preview = main.m_dlgPreview;
    const QRect screen = main.screen()->availableGeometry();
    QString geometry;  // for the messages
    QDebug(&geometry) << "screen" << screen << "minimum" << preview.minimumSize();
    QVERIFY2(preview.minimumWidth() <= screen.width() &&
                 preview.minimumHeight() + kTitleBar <= screen.height(),
             qPrintable(geometry));
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    const int x = int(where * std::max(0, screen.width() - main.frameGeometry().width()));
    main.move(screen.topLeft() + QPoint(x, 0));
    QTRY_COMPARE(main.frameGeometry().top(), screen.top());
    main.OnPreview();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    const QRect m = main.frameGeometry(), p = preview.frameGeometry();
    QDebug(&geometry) << "dialog" << m << "preview" << p;
    QVERIFY2(screen.contains(p), qPrintable(geometry));
    const int left = m.left() - screen.left() - kGap, right = screen.right() - m.right() - kGap;
    const int frame = p.width() - preview.width();
    if (std::max(left, right) >= preview.minimumWidth() + frame)
      QVERIFY2(!p.intersects(m), qPrintable(geometry));
    else
      QVERIFY2(right >= left ? p.right() == screen.right() : p.left() == screen.left(),
               qPrintable(geometry));
    const QHeaderView* header = preview.m_treeOutline->header();
    QCOMPARE(header->sectionViewportPosition(COutlineModel::kText) +
                 header->sectionSize(COutlineModel::kText),
             header->viewport()->width());
  }
};

QTEST_MAIN(TextFitTest)
#include "TextFitTest.moc"
