// The main dialog's Qt wiring: its widgets reach the behaviour (buttons, keys, drops, typing,
// the file-dialog and message-box seams), the preview shows the command line's outline, and
// what the window does as a desktop window (keys, growing, remembered folders).
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // designated rows

#include "tests/support/MessageRecorder.h"
#include "tests/support/SampleLogs.h"
#include "tests/support/TestFiles.h"
#include "ui/CMainDlg.h"
#include "ui/preview/COutlineModel.h"
#include "ui/qt/CDialogBuilder.h"
#include "ui/qt/CFileDialog.h"
#include "ui/resources/ControlIds.h"

using namespace resources;

using platform::qt::CFileDialog;
using testing_support::kTextA;
using testing_support::kTextB;
using testing_support::MessageRecorder;
using testing_support::Sjis;
using testing_support::TempDir;

namespace {

// Near the left edge: a check box takes clicks on its box and text only.
void Click(QWidget& dlg, int id) {
  auto* b = platform::qt::GetDlgItem<QAbstractButton>(dlg, id);
  QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
}

// Drops `urls` on `target` as a file manager does: enter, then drop if the enter was taken.
bool Drop(QWidget* target, const QList<QUrl>& urls) {
  QMimeData mime;
  mime.setUrls(urls);
  const QPoint pos = target->rect().center();
  QDragEnterEvent enter(pos, Qt::CopyAction, &mime, Qt::LeftButton, {});
  QCoreApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(pos, Qt::CopyAction, &mime, Qt::LeftButton, {});
  QCoreApplication::sendEvent(target, &drop);
  return drop.isAccepted();
}

// Waits until the preview shows what the dialog's settings ask for.
bool Settle(const CMainDlg& dlg) {
  const QDeadlineTimer deadline(30000);
  while (dlg.m_dlgPreview.IsBusy() && !deadline.hasExpired()) QTest::qWait(5);
  return !dlg.m_dlgPreview.IsBusy();
}

QStringList Paths(const TempDir& d, const QStringList& names) {
  QStringList paths;
  for (const QString& name : names) paths << QString::fromStdString(d.File(name.toStdString()));
  return paths;
}

// The tree as the command line's --outline prints it: a line a row, nested rows indented.
void Print(const QAbstractItemModel& m, const QModelIndex& parent, int depth, QStringList& out) {
  const QMap<QString, QString> actions = {{"順番どおり", "in-order"},
                                          {"反転", "reversed"},
                                          {"カット", "cut"},
                                          {"そのまま", "kept"},
                                          {"まるごと", "whole"}};
  for (int r = 0; r < m.rowCount(parent); ++r) {
    QStringList cells;
    for (int c = 0; c < m.columnCount(parent); ++c)
      cells << m.index(r, c, parent).data().toString();
    const QString span = "  offset " + cells[1] + "  length " + cells[2];
    if (cells[0] == "ヘッダー")
      out << "header" + span;
    else if (cells[0] == "トレーラー")
      out << "trailer" + (cells[4] == "なし: 決まったフッターを書きます"
                              ? "  none: the fixed footer is written"
                              : span);
    else
      out << QString(2 * depth, ' ') + cells[0] + span + "  " + actions[cells[3]] + "  " + cells[4];
    Print(m, m.index(r, 0, parent), depth + 1, out);
  }
}

// What the user does, on the dialog and the files of a folder (named relative to it).
using Step = std::function<void(CMainDlg&, const TempDir&)>;
using Steps = QList<Step>;

// "追加参照" (or "参照"), the file dialog answering with the files (none: cancelled).
Step Add(const QStringList& names, int button = kIdAddInput) {
  return [=](CMainDlg& dlg, const TempDir& d) {
    CFileDialog::SetNextAnswer(Paths(d, names));
    Click(dlg, button);
  };
}
// Clicks row `row` of the list (-1: keeps the selection), then the button `id` (a key:
// presses it in the list).
Step Press(int id, int row = -1) {
  return [=](CMainDlg& dlg, const TempDir&) {
    QListWidget* list = dlg.m_listInput;
    if (row >= 0)
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                        list->visualItemRect(list->item(row)).center());
    if (id >= Qt::Key_Escape) QTest::keyClick(list, Qt::Key(id));
    if (id > 0 && id < Qt::Key_Escape) Click(dlg, id);
  };
}
// Files dropped on the list; "https:" a link that is no file.
Step DropOnList(const QStringList& names) {
  return [=](CMainDlg& dlg, const TempDir& d) {
    QList<QUrl> urls;
    for (const QString& name : names)
      urls << (name.startsWith("https:") ? QUrl(name)
                                         : QUrl::fromLocalFile(Paths(d, {name}).first()));
    Drop(dlg.m_listInput->viewport(), urls);
  };
}
// The user's pick from the separator list.
Step Pick(int item) {
  return [=](CMainDlg& dlg, const TempDir&) {
    dlg.m_comboSeparator->setCurrentIndex(item);
    emit dlg.m_comboSeparator->activated(item);
  };
}
// Into the separator field, a character at a time as from an input method ("\b": all of it
// selected and erased), or at once.
Step Type(const QString& text) {
  return [=](CMainDlg& dlg, const TempDir&) {
    QLineEdit* edit = dlg.m_comboSeparator->lineEdit();
    for (const QChar c : text) {
      if (c == '\b') edit->selectAll();
      QTest::sendKeyEvent(QTest::Click, edit, c == '\b' ? Qt::Key_Backspace : Qt::Key_unknown,
                          c == '\b' ? QString() : QString(c), {});
    }
  };
}
Step Paste(const QString& text) {
  return [=](CMainDlg& dlg, const TempDir&) { dlg.m_comboSeparator->lineEdit()->insert(text); };
}
// Opens the preview and waits for its tree.
Step Preview() {
  return [](CMainDlg& dlg, const TempDir&) {
    Click(dlg, kIdPreview);
    QVERIFY(Settle(dlg));
  };
}

void Act(CMainDlg& dlg, const TempDir& d, const Steps& steps) {
  for (const Step& step : steps) step(dlg, d);
}

// What the dialog shows: the files listed (none: the placeholder), the selected row, the
// separator the run request gets (user separator, kind, text) and the messages shown.
struct Shown {
  QStringList files;
  int selected = -1;
  int user = 0, kind = 0;
  QString text = "<TABLE><TR><TD><HR>";
  QStringList messages;
};

}  // namespace

Q_DECLARE_METATYPE(Steps)
Q_DECLARE_METATYPE(Shown)

class MainDlgTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> m_settings;
  std::unique_ptr<CMainDlg> m_dlg;

  // Closes the dialog with 終了 and starts a new one, as the next start of the program does.
  void Restart() {
    Click(*m_dlg, kIdOk);
    m_dlg = std::make_unique<CMainDlg>();
    m_dlg->OnInitDialog();
    m_dlg->show();
  }

  // Presses a button whose file dialog is shown for real; returns what it showed: its folder,
  // the file name filled in, its filters and whether it is Qt's own.
  QStringList FileDialogOf(int id) {
    QStringList shown;
    QTimer::singleShot(0, [&] {
      auto* fd = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!fd) return;
      const bool save = fd->acceptMode() == QFileDialog::AcceptSave;
      shown << fd->directory().absolutePath()
            << (save ? QFileInfo(fd->selectedFiles().value(0)).fileName() : QString())
            << fd->nameFilters().join(";;")
            << QString::number(fd->testOption(QFileDialog::DontUseNativeDialog));
      fd->reject();
    });
    Click(*m_dlg, id);
    return shown;
  }

 private slots:
  void init() {
    CFileDialog::ClearAnswers();
    // Each test starts as a first start; nothing is left in the user's settings.
    m_settings = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings->path());
    m_dlg = std::make_unique<CMainDlg>();
    m_dlg->OnInitDialog();
    m_dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
  }
  void cleanup() {
    m_dlg.reset();
    QVERIFY(!CFileDialog::HasPendingAnswers());
  }

  // Steps on files a, b, c; then what the dialog shows.
  void controls_data() {
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<Shown>("shown");
    const QString k0 = "<TABLE><TR><TD><HR>";
    QTest::newRow("placeholder replaced, cancel, same file again, dialog order; typing")
        << Steps{Add({"a"}), Add({}), Add({"c", "a", "b"}), Type("abc")}
        << Shown{.files = {"a", "c", "a", "b"}, .selected = 3, .user = 1, .text = k0 + "abc"};
    QTest::newRow("a row clicked, then up, 削除 and down")
        << Steps{Add({"a", "b", "c"}), Press(kIdMoveUp, 2), Press(kIdDeleteInput, 0),
                 Press(kIdMoveDown)}
        << Shown{.files = {"b", "c"}, .selected = 1};
    QTest::newRow("drops in their order after the list; a link left out; Delete key")
        << Steps{Add({"a"}), DropOnList({"c", "b", "https://example.org/log.html", "a"}),
                 Press(Qt::Key_Delete, 0)}
        << Shown{.files = {"c", "b", "a"}, .selected = 0};
    QTest::newRow("an item picked") << Steps{Pick(2)} << Shown{.kind = 2, .text = "<HR>"};
    const QString kTooLong =
        "区切り用の文字列は 1,024 文字までです\n長すぎる文字列は入力されませんでした";
    QTest::newRow("a separator over 1,024 characters refused whole, typed or pasted")
        << Steps{Type("\b"), Paste(QString(1025, 'x')), Paste(QString(1024, 'x')), Type("y")}
        << Shown{.user = 1, .text = QString(1024, 'x'), .messages = {kTooLong, kTooLong}};
  }
  void controls() {
    QFETCH(Steps, steps);
    QFETCH(Shown, shown);
    TempDir dir;
    MessageRecorder boxes;
    Act(*m_dlg, dir, steps);
    QCoreApplication::processEvents();  // messages shown after the event that caused them
    const CMainDlg& d = *m_dlg;
    QStringList rows;
    for (int i = 0; i < d.m_listInput->count(); ++i) rows << d.m_listInput->item(i)->text();
    QCOMPARE(rows, shown.files.isEmpty() ? QStringList{"入力ファイル名"} : Paths(dir, shown.files));
    const QModelIndexList selected = d.m_listInput->selectionModel()->selectedRows();
    QCOMPARE(selected.isEmpty() ? -1 : selected.first().row(), shown.selected);
    QCOMPARE(d.m_bUserSeparator, shown.user);
    QCOMPARE(d.m_nSeparatorKind, shown.kind);
    QCOMPARE(d.m_comboSeparator->currentText(), shown.text);
    QStringList said;
    for (const std::string& t : boxes.Texts()) said << QString::fromStdString(t);
    QCOMPARE(said, shown.messages);
  }

  // The text of a.html (b.html holds kTextB), steps that open the preview (what follows
  // changes what it shows), and the command line's options for the input named: the preview
  // shows its outline, file and encoding, and its messages, in the window and never in a
  // message box. The columns but the text's are as wide as their titles and texts.
  void previewSameAsTheCommandLine_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<QStringList>("cliArgs");  // ".html": files of the folder
    const Steps ab = {Add({"a.html", "b.html"}), Preview()}, a = {Add({"a.html"}), Preview()};
    const QString textA = QString::fromStdString(kTextA);
    QTest::newRow("the selected input: every layer divided, in order")
        << textA << ab << QStringList{"b.html"};
    QTest::newRow("separator typed")
        << textA << Steps{Add({"b.html"}), Preview(), Pick(3), Type("\b名前")}
        << QStringList{"-k", "3", "-s", "名前", "b.html"};
    QTest::newRow("a labelled log without </HTML>: the fixed footer")
        << "<HTML><HEAD><meta charset=shift_jis></HEAD><BODY>一<HR>二</BODY>" << a
        << QStringList{"a.html"};
    QTest::newRow("another input, which cannot be split, and a typed separator: two messages")
        << "<HTML><BODY>一<HR>二\r\n</TD>三<HR>四</BODY></HTML>"
        << ab + Steps{Press(0, 0), Type("\b二")} << QStringList{"-s", "二", "a.html"};
  }
  void previewSameAsTheCommandLine() {
    QFETCH(QString, a);
    QFETCH(Steps, steps);
    QFETCH(QStringList, cliArgs);
    TempDir d;
    d.Write("a.html", Sjis(a.toStdString()));
    d.Write("b.html", Sjis(kTextB));
    MessageRecorder boxes;
    const CPreviewDlg& preview = m_dlg->m_dlgPreview;
    QAbstractItemModelTester tester(preview.m_treeOutline->model());  // after each new tree
    Act(*m_dlg, d, steps);
    QVERIFY(Settle(*m_dlg));
    QStringList shown = {preview.m_labelFile->text().section(" — ", 0, 0).toLower()};
    Print(*preview.m_treeOutline->model(), {}, 0, shown);
    // Each column but the text's as wide as its cells (every row is counted) and its title.
    const QTreeView& tree = *preview.m_treeOutline;
    const QAbstractItemView& view = tree;  // its size hints are public
    for (int c = 0; c < COutlineModel::kText; ++c) {
      const int need = std::max(view.sizeHintForColumn(c), tree.header()->sectionSizeHint(c));
      QVERIFY2(
          tree.columnWidth(c) >= need && tree.columnWidth(c) <= need + 8,
          qPrintable(QString("column %1: %2 for %3").arg(c).arg(tree.columnWidth(c)).arg(need)));
    }

    QStringList args = {"--outline"};
    for (const QString& arg : cliArgs) args << (arg.endsWith(".html") ? Paths(d, {arg})[0] : arg);
    QProcess cli;
    cli.start(VELMORANT_CLI, args);
    QVERIFY(cli.waitForFinished(30000));
    // Its first line names the file by its path, the encoding by its option's (lower case).
    QStringList expected =
        QString::fromUtf8(cli.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QVERIFY(!expected.isEmpty());
    expected[0] = QFileInfo(expected[0]).fileName();
    QCOMPARE(shown, expected);
    QCOMPARE(preview.m_editMessages->toPlainText(),
             QString::fromUtf8(cli.readAllStandardError()).trimmed());
    QVERIFY(boxes.messages.empty());
  }

  // A file dropped on the output field replaces its text; other drops are the field's own.
  void dropOnTheOutputField() {
    TempDir d;
    m_dlg->m_editOutput->setText("abc");
    QVERIFY(Drop(m_dlg->m_editOutput, {QUrl::fromLocalFile(QString::fromStdString(d.File("x")))}));
    QCOMPARE(m_dlg->m_editOutput->text(), QString::fromStdString(d.File("x")));
    QVERIFY(!Drop(m_dlg->m_editOutput, {QUrl("https://example.org/log.html")}));
  }

  // velmorant FILE...: the files listed in their order, relative ones from the current folder.
  void startsWithTheFilesNamed() {
    TempDir d;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(d.Path()));
    CMainDlg dlg;
    QStringList shown;
    QTimer::singleShot(0, [&] {
      for (int i = 0; i < dlg.m_listInput->count(); ++i) shown << dlg.m_listInput->item(i)->text();
      dlg.reject();
    });
    dlg.DoModal({"b.html", QString::fromStdString(d.File("a.html")), "."});
    QDir::setCurrent(previous);
    QCOMPARE(shown, QStringList({QString::fromStdString(d.File("b.html")),
                                 QString::fromStdString(d.File("a.html"))}));
  }

  // A key (0: a click) on a control (0: where the focus is at start-up), and whether the
  // dialog closes. Enter presses the button that has the focus, and no other.
  void closing_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("closes");
    QTest::newRow("Enter at start-up") << 0 << int(Qt::Key_Return) << false;
    QTest::newRow("Enter in the list") << kIdInputList << int(Qt::Key_Return) << false;
    QTest::newRow("Enter on the EUC box") << kIdEuc << int(Qt::Key_Enter) << false;
    QTest::newRow("Enter in the output field") << kIdOutput << int(Qt::Key_Return) << false;
    QTest::newRow("Enter in the separator field") << kIdSeparator << int(Qt::Key_Enter) << false;
    QTest::newRow("Enter on 終了") << kIdOk << int(Qt::Key_Return) << true;
    QTest::newRow("Esc in the list") << kIdInputList << int(Qt::Key_Escape) << true;
    QTest::newRow("終了") << kIdOk << 0 << true;
  }
  void closing() {
    QFETCH(int, id);
    QFETCH(int, key);
    QFETCH(bool, closes);
    QWidget* target = id ? platform::qt::GetDlgItem<QWidget>(*m_dlg, id) : m_dlg->focusWidget();
    if (id == kIdSeparator) target = m_dlg->m_comboSeparator->lineEdit();
    if (!target) target = m_dlg.get();  // no window manager has given the focus yet
    if (id) target->setFocus();
    if (key)
      QTest::keyClick(target, Qt::Key(key));
    else
      Click(*m_dlg, id);
    QCOMPARE(!m_dlg->isVisible(), closes);
  }

  // The list scrolls as far as its longest path, a little per arrow click.
  void listScrollsNoFurtherThanItsText_data() {
    QTest::addColumn<int>("length");
    QTest::newRow("a path that fits") << 8;
    QTest::newRow("a long path") << 200;
  }
  void listScrollsNoFurtherThanItsText() {
    QFETCH(int, length);
    const QString path = "/logs/" + QString(length, 'x') + ".html";
    CFileDialog::SetNextAnswer({path});
    Click(*m_dlg, kIdAddInput);
    QListWidget* list = m_dlg->m_listInput;
    QScrollBar* bar = list->horizontalScrollBar();
    list->doItemsLayout();
    QCoreApplication::processEvents();
    // The whole path can be reached, and no more than a few pixels of margin past it.
    const int hidden = list->fontMetrics().horizontalAdvance(path) - list->viewport()->width();
    QVERIFY2(bar->maximum() >= hidden && bar->maximum() <= std::max(0, hidden + 20),
             qPrintable(QString::number(bar->maximum()) + " " + QString::number(hidden)));
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QVERIFY(bar->value() < list->viewport()->width() / 2);
  }

  // The dialog grown by 200 x 100 pixels: how each control moved (x, y) and grew (w, h).
  void growsFromTheTemplate_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("change");
    QTest::newRow("list") << QString::number(kIdInputList) << QRect(0, 0, 200, 100);
    QTest::newRow("its title") << "static_0" << QRect(0, 0, 0, 0);
    QTest::newRow("buttons right of it") << QString::number(kIdMoveDown) << QRect(200, 0, 0, 0);
    QTest::newRow("EUC box") << QString::number(kIdEuc) << QRect(0, 100, 0, 0);
    QTest::newRow("options") << QString::number(kIdOptions) << QRect(200, 100, 0, 0);
    QTest::newRow("output field") << QString::number(kIdOutput) << QRect(0, 100, 200, 0);
    QTest::newRow("output browse") << QString::number(kIdBrowseOutput) << QRect(200, 100, 0, 0);
    QTest::newRow("separator field") << QString::number(kIdSeparator) << QRect(0, 100, 200, 0);
    QTest::newRow("bar") << QString::number(kIdProgress) << QRect(0, 100, 200, 0);
    QTest::newRow("終了") << QString::number(kIdOk) << QRect(200, 100, 0, 0);
  }
  void growsFromTheTemplate() {
    QFETCH(QString, control);
    QFETCH(QRect, change);
    auto* w = m_dlg->findChild<QWidget*>(control);
    const QSize base = m_dlg->size();
    const QRect before = w->geometry();
    m_dlg->resize(base + QSize(200, 100));
    QTRY_COMPARE(m_dlg->size(), base + QSize(200, 100));
    const QRect after = w->geometry();
    QCOMPARE(QRect(after.x() - before.x(), after.y() - before.y(), after.width() - before.width(),
                   after.height() - before.height()),
             change);
    Restart();  // the size is kept
    QCOMPARE(m_dlg->size(), base + QSize(200, 100));
    m_dlg->resize(base - QSize(50, 50));
    QTRY_COMPARE(m_dlg->size(), base);
  }

  // What the file dialogs offer, and where they open after an input added from "in" and
  // an output chosen in "out": its folder and name, and after a restart, the folder inputs
  // came from.
  void fileDialogs() {
    TempDir d;
    QDir().mkpath(QString::fromStdString(d.File("in")));
    QDir().mkpath(QString::fromStdString(d.File("out")));
    Act(*m_dlg, d, {Add({"in/a.html"}), Add({"out/x.html"}, kIdBrowseOutput)});
    for (const auto& [id, shown] :
         {std::pair{kIdBrowseOutput, "out x.html"}, {kIdAddInput, "in "}}) {
      if (id == kIdAddInput) Restart();
      const QStringList dialog = FileDialogOf(id);
      QCOMPARE(dialog.size(), 4);
      QCOMPARE(QString(dialog[0]).remove(QString::fromStdString(d.File(""))) + " " + dialog[1],
               shown);
      QCOMPARE(dialog[2], "HTML ファイル (*.html *.htm);;すべてのファイル (*)");
      QCOMPARE(dialog[3], "1");
    }
  }
};

QTEST_MAIN(MainDlgTest)
#include "MainDlgTest.moc"
