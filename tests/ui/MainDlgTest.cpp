// The main dialog driven through its widgets: the input list, the separator choice, the
// file-dialog and message-box seams, runs compared byte for byte with the command line, and
// what the window does as a desktop window (drops, keys, growing, remembered folders).
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "engine/Messages.h"
#include "platform/Encoding.h"
#include "platform/qt/CDialogBuilder.h"
#include "platform/qt/CFileDialog.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TestFiles.h"
#include "ui/CMainDlg.h"

using platform::qt::CFileDialog;
using testing_support::MessageRecorder;
using testing_support::ReadFile;
using testing_support::TempDir;

namespace {

void Choose(QComboBox* combo, int index) {  // as the user's pick from the list does
  combo->setCurrentIndex(index);
  emit combo->activated(index);
}

// Near the left edge: a check box takes clicks on its box and text only.
void Click(QWidget& dlg, int id) {
  auto* b = platform::qt::GetDlgItem<QAbstractButton>(dlg, id);
  QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
}

std::string Sjis(const std::string& utf8) {
  return platform::Utf8ToCp932(utf8).value();
}
const std::string kTextA =
    "<HTML><BODY>\r\n<dl>一</dl><HR><dl>二 名前</dl><HR><TABLE><TR><TD>x1</TD><TD>x2</TD></TR>"
    "<TR><TD>y</TD></TR></TABLE><HR><dl>四</dl>\r\n</BODY></HTML>\r\n";
const std::string kTextB =
    "<HTML><BODY><TABLE><TR><TD>p</TD></TR><TR><TD>q 名前 r</TD><TD>s</TD></TR></TABLE>"
    "<HR>t<HR>u 名前 v</BODY></HTML>";
const std::string kDocA = Sjis(kTextA);
const std::string kDocB = Sjis(kTextB);
// Half-width katakana (ｶﾅ) and a JIS X 0212 character, which becomes 〓 with a warning.
const std::string kDocEuc =
    "<HTML><BODY>\xA4\xA2\x8E\xB6\x8E\xC5\xA4\xA4<HR>\x8F\xB0\xA1\xA4\xA6</BODY></HTML>";

// The logs a and b of a kind: "sjis" and "euc" say nothing of their encoding; "utf8" is
// UTF-8 with Japanese text; the "-labelled" ones carry a charset label; "broken" has a
// closing tag too many in a.
std::pair<std::string, std::string> Logs(const QString& kind) {
  if (kind == "utf8") return {kTextA, kTextB};
  if (kind == "euc") return {kDocEuc, kDocEuc};
  if (kind == "euc-labelled") {
    const std::string doc =
        "<HTML><HEAD><META http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP\">"
        "</HEAD><BODY>\xA4\xA2<HR>\xA4\xA4<HR>\xA4\xA6</BODY></HTML>";
    return {doc, doc};
  }
  if (kind == "sjis-labelled") {
    const std::string doc =
        Sjis("<HTML><HEAD><meta charset=shift_jis></HEAD><BODY>一<HR>二</BODY>");
    return {doc, doc};
  }
  if (kind == "broken") return {Sjis("<HTML><BODY>一<HR>二\r\n</TD>三<HR>四</BODY></HTML>"), kDocB};
  return {kDocA, kDocB};
}

// The kind a row's steps name ("logs:KIND"); else EUC-JP when they tick the EUC box.
QString LogsOf(const QString& steps) {
  const QStringList words = steps.split(' ');
  for (const QString& word : words)
    if (word.startsWith("logs:")) return word.mid(5);
  return words.contains("euc") ? "euc" : "sjis";
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

void WriteInputs(const TempDir& d, const QString& kind) {
  const auto [a, b] = Logs(kind);
  d.Write("a.html", a);
  d.Write("b.html", b);
}

// Waits until the preview shows what the dialog's settings ask for.
bool Settle(const CMainDlg& dlg) {
  const QDeadlineTimer deadline(30000);
  while (dlg.m_dlgPreview.IsBusy() && !deadline.hasExpired()) QTest::qWait(5);
  return !dlg.m_dlgPreview.IsBusy();
}

// What the user does, one "verb:argument" a step; names are files of `d`. "in", "browse": the
// file dialog answers with the names (none: cancelled). "drop": the names dropped on the list
// ("web": a link that is no file). "del", "up", "down", "delkey": click row N (no N: keep the
// selection), then the button or the Delete key; "row:N" only clicks row N. "euc": the EUC check
// box. "options": open the options dialog, click the controls listed by id ("ID:N" picks item N
// of a combo box) and press OK unless they closed it. "preview": open the preview and wait for
// its tree.
void Act(CMainDlg& dlg, const TempDir& d, const QString& steps) {
  QListWidget* list = dlg.m_listInput;
  COptionDlg& o = dlg.m_dlgOptions;
  for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
    const QString verb = step.section(':', 0, 0), arg = step.section(':', 1);
    QStringList paths;
    for (const QString& name : arg.split(',', Qt::SkipEmptyParts))
      paths << QString::fromStdString(d.File(name.toStdString()));
    const qsizetype button =
        QStringList{"in", "browse", "del", "up", "down", "euc", "delkey", "row"}.indexOf(verb);
    if (button >= 2 && !arg.isEmpty())
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                        list->visualItemRect(list->item(arg.toInt())).center());
    if (button == 0 || button == 1) CFileDialog::SetNextAnswer(paths);
    if (button >= 0 && button < 6) Click(dlg, QList{1002, 1003, 1009, 1010, 1011, 1015}[button]);
    if (verb == "delkey") QTest::keyClick(list, Qt::Key_Delete);
    if (verb == "preview") {
      Click(dlg, 1006);
      QVERIFY(Settle(dlg));
    }
    if (verb == "drop") {
      QList<QUrl> urls;
      for (const QString& path : paths)
        urls << (path.endsWith("/web") ? QUrl("https://example.org/log.html")
                                       : QUrl::fromLocalFile(path));
      Drop(list->viewport(), urls);
    }
    if (verb.startsWith("clear")) {
      QLineEdit* edit = verb == "clear-out" ? dlg.m_editOutput : dlg.m_comboSeparator->lineEdit();
      edit->selectAll();
      QTest::keyClick(edit, Qt::Key_Backspace);
    }
    if (verb == "pick") Choose(dlg.m_comboSeparator, arg.toInt());
    for (const QChar c : verb == "type" ? arg : QString())  // as text, as from an input method
      QTest::sendKeyEvent(QTest::Click, dlg.m_comboSeparator->lineEdit(), Qt::Key_unknown,
                          QString(c), {});
    if (verb != "options") continue;
    QTimer::singleShot(0, [&] {
      for (const QString& control : arg.split(',')) {
        const int id = control.section(':', 0, 0).toInt();
        if (auto* combo = platform::qt::GetDlgItem<QComboBox>(o, id))
          Choose(combo, control.section(':', 1).toInt());
        else
          Click(o, id);
      }
      if (o.isVisible()) Click(o, 1);
      if (o.isVisible()) o.reject();  // rather than hang
    });
    Click(dlg, 1021);
  }
}

}  // namespace

class MainDlgTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> m_settings;
  std::unique_ptr<CMainDlg> m_dlg;

  // Presses "実行", answers the overwrite question Yes and any other `answer`, and waits for
  // the run to end; returns the messages shown.
  QStringList Run(int answer = platform::IDYES) {
    QStringList out;
    const platform::ScopedMessageSink sink([&](const platform::Message& m) -> int {
      out << QString::fromStdString(m.text);
      if (!(m.nType & platform::MB_YESNO)) return platform::IDOK;
      return m.text == msg::kOverwrite ? platform::IDYES : answer;
    });
    Click(*m_dlg, 1004);
    const QDeadlineTimer deadline(30000);
    while (m_dlg->IsRunning() && !deadline.hasExpired()) QTest::qWait(5);
    return out;
  }

  // Closes the dialog with 終了 and starts a new one, as the next start of the program does.
  void Restart() {
    Click(*m_dlg, 1);
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

  // Steps as in Act() on files a, b, c; then the files listed ("-": the placeholder), the
  // selected row, and the separator the run request gets: user separator, kind, text.
  void controls_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("state");
    auto row = [](const char* name, const char* steps, const char* state) {
      QTest::newRow(name) << QString(steps) << QString(state);
    };
    row("placeholder replaced, cancel, same file again, dialog order; typing after item 0",
        "in:a in: in:c,a,b type:abc", "acab 3 1 0 <TABLE><TR><TD><HR>abc");
    row("buttons on the placeholder; item 1", "del:0 up:0 down:0 pick:1",
        "- 0 0 1 <TABLE><TR><TD>");
    row("delete middle, then the last; typing then item 2", "in:a,b,c del:1 del type:abc pick:2",
        "a 0 1 2 <HR>");
    row("delete all from the top, add again", "in:a,b,c del:0 del del in:b",
        "b 0 0 0 <TABLE><TR><TD><HR>");
    row("no move past the ends, up, down twice", "in:a,b,c up:0 down:2 up:1 down:0 down",
        "acb 2 0 0 <TABLE><TR><TD><HR>");
    row("drops in their order after the list; a folder and a link left out; Delete key",
        "in:a drop:c,.,b,web,a delkey:0", "cba 0 0 0 <TABLE><TR><TD><HR>");
  }
  void controls() {
    QFETCH(QString, steps);
    QFETCH(QString, state);
    TempDir dir;
    Act(*m_dlg, dir, steps);
    const CMainDlg& d = *m_dlg;
    QStringList names, shown;
    for (const QString& path : d.m_astrInputPaths)
      names << QString(path).remove(QString::fromStdString(dir.File("")));
    for (int i = 0; i < d.m_listInput->count(); ++i) shown << d.m_listInput->item(i)->text();
    QCOMPARE(shown, names.isEmpty() ? QStringList{"入力ファイル名"} : d.m_astrInputPaths);
    QCOMPARE(d.m_nFileCount, names.size());
    const QModelIndexList rows = d.m_listInput->selectionModel()->selectedRows();
    QCOMPARE(QStringList({names.isEmpty() ? "-" : names.join(""),
                          QString::number(rows.isEmpty() ? -1 : rows.first().row()),
                          QString::number(d.m_bUserSeparator), QString::number(d.m_nSeparatorKind),
                          d.m_comboSeparator->currentText()})
                 .join(' '),
             state);
  }

  // Settings made in both dialogs, and the command line that asks for the same conversion:
  // the same refusal, or the same bytes written. Names are files of each side's own folder,
  // "''" an empty argument. A refusal leaves the inputs and the dialog's fields as they were;
  // a second run asks before overwriting and writes the same.
  void sameAsTheCommandLine_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("cliArgs");
    QTest::addColumn<int>("exitCode");
    auto refused = [](const char* name, const char* steps, const char* cliArgs) {
      QTest::newRow(name) << QString(steps) << QString(cliArgs) << 2;
    };
    auto run = [](const char* name, const char* steps, const QString& cliArgs) {
      QTest::newRow(name) << "in:a.html,b.html browse:out.html " + QString(steps)
                          << cliArgs + (cliArgs.contains("--per-file") ? "" : " -o out.html") +
                                 " a.html b.html"
                          << 0;
    };
    refused("placeholder only", "", "-o out.html");
    refused("output cleared, browsing cancelled", "in:a.html clear-out browse:", "-o '' a.html");
    refused("item 3, its text emptied", "in:a.html pick:3 clear-sep", "-k 3 -s '' a.html");
    refused("separator without a Shift_JIS form", "in:a.html type:é", "-s é a.html");
    refused("output is the second input", "in:a.html,b.html browse:b.html",
            "-o b.html a.html b.html");
    run("options cancelled: their first values", "options:2", "--order body --between numbered");
    // 1022, 1025: lead and trail cut; 1024: the text between files.
    run("cuts kept in range, separator first, simple header, layer 2",
        "options:1022:1,1025:1,1046,1026,1027,1023,1030,1047",
        "--lead-cut 1 --trail-cut 1 --range 1-2 --keep-cut --order separator --simple-header "
        "-r 2 --between numbered");
    // The separator counts only in reversed layers, and only where it is found.
    run("typed separator after item 2, nothing between", "pick:2 type:u options:1029,1019",
        "-k 2 -s <HR>u -r 1 --order body --between none");
    run("user string only, cuts dropped, hr line between",
        "pick:3 clear-sep type:名前 options:1029,1022:1,1046,1024:0",
        "-k 3 -s 名前 -r 1 --lead-cut 1 --range 1 --order body --between hr");
    run("EUC input that says nothing of it: no question; katakana separator; output per input",
        "euc clear-sep type:ｶﾅ options:1020,1029", "--euc -s ｶﾅ --per-file -r 1 --order body");
    // "ask:ENCODING:ANSWER": the question before the run names that encoding, and is answered.
    run("UTF-8 log, Yes: separator and numbered line in UTF-8",
        "logs:utf8 ask:UTF-8:yes pick:3 clear-sep type:名前 options:1029",
        "--encoding utf-8 -k 3 -s 名前 -r 1 --order body --between numbered");
    run("UTF-8 log, No: as chosen, separator in Shift_JIS",
        "logs:utf8 ask:UTF-8:no pick:3 clear-sep type:名前 options:1029",
        "-k 3 -s 名前 -r 1 --order body --between numbered");
    run("EUC-labelled log, box not ticked, Yes", "logs:euc-labelled ask:EUC-JP:yes options:1029",
        "--euc -r 1 --order body --between numbered");
    run("Shift_JIS-labelled log, box ticked, Yes",
        "logs:sjis-labelled euc ask:Shift_JIS:yes options:1029",
        "-r 1 --order body --between numbered");
    // Wider than the field: a cut would leave a tag prefix, matched and announced otherwise.
    run("a separator wider than its field, typed whole",
        "pick:3 clear-sep type:<dl-class=\"thread-reply-separator-for-my-saved-logs-2024\">",
        "-k 3 -s <dl-class=\"thread-reply-separator-for-my-saved-logs-2024\">");
  }
  void sameAsTheCommandLine() {
    QFETCH(QString, steps);
    QFETCH(QString, cliArgs);
    QFETCH(int, exitCode);
    const bool perFile = cliArgs.contains("--per-file");
    TempDir gui, cli;
    WriteInputs(gui, LogsOf(steps));
    WriteInputs(cli, LogsOf(steps));
    Act(*m_dlg, gui, steps);
    const QStringList inputs = m_dlg->m_astrInputPaths;
    const QString output = m_dlg->m_editOutput->text();
    const QString ask = QRegularExpression("ask:(\\S+)").match(steps).captured(1);
    const int answer = ask.endsWith(":no") ? platform::IDNO : platform::IDYES;
    // The dialog asks before the run where the command line points out each input.
    const QString question = ask.isEmpty()
                                 ? QString()
                                 : QString("「a.html」は %1 のようです。%1 として処理しますか？")
                                       .arg(ask.section(':', 0, 0));
    QStringList texts = Run(answer);
    if (!question.isEmpty()) QCOMPARE(texts.takeFirst(), question);

    QStringList args;
    for (const QString& arg : cliArgs.split(' ', Qt::SkipEmptyParts))
      args << (arg == "''"             ? QString()
               : arg.endsWith(".html") ? QString::fromStdString(cli.File(arg.toStdString()))
                                       : arg);
    QProcess process;
    process.start(VELMORANT_CLI, args);
    QVERIFY(process.waitForFinished(30000));
    // Messages name files by path: each side's folder is left out to compare them.
    QCOMPARE(QString::fromUtf8(process.readAllStandardError())
                 .remove(QRegularExpression(".*を試してください\n"))
                 .remove(QString::fromStdString(cli.File(""))),
             QString(texts.join('\n') + '\n').remove(QString::fromStdString(gui.File(""))));
    QCOMPARE(process.exitCode(), exitCode);
    if (exitCode) {
      QCOMPARE(ReadFile(gui.File("b.html")), kDocB);
      QCOMPARE(m_dlg->m_astrInputPaths, inputs);
      QCOMPARE(m_dlg->m_editOutput->text(), output);
      return;
    }
    QStringList again = Run(answer);
    if (!question.isEmpty()) QCOMPARE(again.takeFirst(), question);
    // The second run asks once about what the first one wrote: all Rev_ files, named.
    const QString overwrite =
        perFile ? QString(
                      "出力ファイルのうち 2 個が既に存在します。上書きしますか？\n"
                      "ファイル: %1Rev_a.html\nファイル: %1Rev_b.html")
                      .arg(QString::fromStdString(gui.File("")))
                : QString(msg::kOverwrite);
    QCOMPARE(again.removeAll(overwrite), 1);
    QCOMPARE(again, texts);
    for (const char* name : perFile ? QList{"Rev_a.html", "Rev_b.html"} : QList{"out.html"}) {
      const std::string fromDialog = ReadFile(gui.File(name));
      QVERIFY2(!fromDialog.empty(), name);
      QCOMPARE(fromDialog, ReadFile(cli.File(name)));
    }
  }

  // The preview opened, then the steps (as in Act() on files a and b of the row's "logs:" kind;
  // what follows "preview" changes what it shows), and the command line's outline of the input
  // named: the same file and encoding, the same tree row for row, and the same messages, in the
  // window and never in a message box.
  void previewSameAsTheCommandLine_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("cliArgs");
    auto row = [](const char* name, const char* steps, const char* cliArgs) {
      QTest::newRow(name) << QString(steps) << QString(cliArgs);
    };
    row("the selected input: every layer divided, in order", "in:a.html,b.html preview", "b.html");
    row("another input selected", "in:a.html,b.html preview row:0", "a.html");
    row("options: reversed, cut and kept", "in:a.html preview options:1029,1047,1022:1,1026",
        "-r 1 --range 2 --lead-cut 1 --keep-cut a.html");
    row("options: only layer 2 reversed", "in:a.html preview options:1030", "-r 2 a.html");
    row("separator typed", "in:b.html preview pick:3 clear-sep type:名前", "-k 3 -s 名前 b.html");
    row("EUC box ticked", "logs:euc in:a.html preview euc", "--euc a.html");
    row("UTF-8 log: read as its bytes say", "logs:utf8 in:b.html preview clear-sep type:名前",
        "--encoding utf-8 -s 名前 b.html");
    row("a labelled log without </HTML>: the fixed footer", "logs:sjis-labelled in:a.html preview",
        "a.html");
    row("a log that cannot be split: the tree up to the fault",
        "logs:broken in:a.html,b.html preview row:0", "a.html");
  }
  void previewSameAsTheCommandLine() {
    QFETCH(QString, steps);
    QFETCH(QString, cliArgs);
    TempDir gui, cli;
    WriteInputs(gui, LogsOf(steps));
    WriteInputs(cli, LogsOf(steps));
    MessageRecorder boxes;
    const CPreviewDlg& preview = m_dlg->m_dlgPreview;
    QAbstractItemModelTester tester(preview.m_treeOutline->model());  // after each new tree
    Act(*m_dlg, gui, steps);
    QVERIFY(Settle(*m_dlg));
    QStringList shown = {preview.m_labelFile->text().section(" — ", 0, 0)};
    const std::function<void(const QModelIndex&, int)> walk = [&](const QModelIndex& parent,
                                                                  int depth) {
      const QAbstractItemModel& m = *preview.m_treeOutline->model();
      for (int r = 0; r < m.rowCount(parent); ++r) {
        QStringList cells;
        for (int c = 0; c < m.columnCount(parent); ++c)
          cells << m.index(r, c, parent).data().toString();
        shown << QString(2 * depth, ' ') + cells.join('|');
        walk(m.index(r, 0, parent), depth + 1);
      }
    };
    walk({}, 0);

    QStringList args = {"--outline=json"};
    for (const QString& arg : cliArgs.split(' '))
      args << (arg.endsWith(".html") ? QString::fromStdString(cli.File(arg.toStdString())) : arg);
    QProcess process;
    process.start(VELMORANT_CLI, args);
    QVERIFY(process.waitForFinished(30000));
    const QJsonObject input =
        QJsonDocument::fromJson(process.readAllStandardOutput())["inputs"][0].toObject();
    const QMap<QString, QString> encodings = {
        {"shift_jis", "Shift_JIS"}, {"euc-jp", "EUC-JP"}, {"utf-8", "UTF-8"}};
    const QMap<QString, QString> actions = {{"in-order", "順番どおり"},
                                            {"reversed", "反転"},
                                            {"cut", "カット"},
                                            {"kept", "そのまま"},
                                            {"whole", "まるごと"}};
    auto span = [](const QJsonValue& v) {
      return QString::number(v["offset"].toInteger()) + "|" +
             QString::number(v["length"].toInteger());
    };
    QStringList expected = {QFileInfo(input["path"].toString()).fileName() + " (" +
                            encodings[input["encoding"].toString()] + ")"};
    if (!input["header"].isNull()) expected << "ヘッダー|" + span(input["header"]) + "||";
    const std::function<void(const QJsonArray&, int)> add = [&](const QJsonArray& sections,
                                                                int depth) {
      for (const QJsonValue& s : sections) {
        expected << QString(2 * depth, ' ') +
                        QStringList(
                            {QString("L%1 #%2").arg(s["layer"].toInt()).arg(s["index"].toInt()),
                             span(s), actions[s["action"].toString()], s["text"].toString()})
                            .join('|');
        add(s["sections"].toArray(), depth + 1);
      }
    };
    add(input["sections"].toArray(), 0);
    if (input["trailer"].isObject())
      expected << "トレーラー|" + span(input["trailer"]) + "||";
    else if (input["complete"].toBool())
      expected << "トレーラー||||なし: 決まったフッターを書きます";
    QCOMPARE(shown, expected);
    QCOMPARE(preview.m_editMessages->toPlainText().remove(QString::fromStdString(gui.File(""))),
             QString::fromUtf8(process.readAllStandardError())
                 .trimmed()
                 .remove(QString::fromStdString(cli.File(""))));
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

  // A key (0: a click) on a control, and whether the dialog closes.
  void closing_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("closes");
    QTest::newRow("Enter in the output field") << 1001 << int(Qt::Key_Return) << false;
    QTest::newRow("Enter in the separator field") << 1028 << int(Qt::Key_Enter) << false;
    QTest::newRow("Esc in the list") << 1014 << int(Qt::Key_Escape) << true;
    QTest::newRow("終了") << 1 << 0 << true;
  }
  void closing() {
    QFETCH(int, id);
    QFETCH(int, key);
    QFETCH(bool, closes);
    QWidget* target = platform::qt::GetDlgItem<QWidget>(*m_dlg, id);
    if (id == 1028) target = m_dlg->m_comboSeparator->lineEdit();
    target->setFocus();
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
    Click(*m_dlg, 1002);
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
    QTest::newRow("list") << "1014" << QRect(0, 0, 200, 100);
    QTest::newRow("its title") << "static_2" << QRect(0, 0, 0, 0);
    QTest::newRow("buttons right of it") << "1011" << QRect(200, 0, 0, 0);
    QTest::newRow("EUC box") << "1015" << QRect(0, 100, 0, 0);
    QTest::newRow("options") << "1021" << QRect(200, 100, 0, 0);
    QTest::newRow("output field") << "1001" << QRect(0, 100, 200, 0);
    QTest::newRow("output browse") << "1003" << QRect(200, 100, 0, 0);
    QTest::newRow("separator field") << "1028" << QRect(0, 100, 200, 0);
    QTest::newRow("bar") << "1005" << QRect(0, 100, 200, 0);
    QTest::newRow("終了") << "1" << QRect(200, 100, 0, 0);
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

  // Where the file dialogs open and what they offer. Steps as in Act() on files in the
  // folders "in" and "out" ("restart": 終了, then a new start); then the folder and the name
  // filled in.
  void fileDialogs_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("shown");
    QTest::newRow("add, list empty: the output's folder") << "browse:out/x.html" << 1002 << "out ";
    QTest::newRow("add: the last input's folder")
        << "browse:out/x.html in:out/b.html,in/a.html" << 1002 << "in ";
    QTest::newRow("add after a restart: the folder inputs came from")
        << "in:in/a.html browse:out/x.html restart" << 1002 << "in ";
    QTest::newRow("browse: the output's folder and name")
        << "browse:out/x.html" << 1003 << "out x.html";
    QTest::newRow("browse after a restart: the output's last folder, the default name")
        << "browse:out/x.html restart" << 1003 << "out 出力用のファイル.html";
  }
  void fileDialogs() {
    QFETCH(QString, steps);
    QFETCH(int, button);
    QFETCH(QString, shown);
    TempDir d;
    QDir().mkpath(QString::fromStdString(d.File("in")));
    QDir().mkpath(QString::fromStdString(d.File("out")));
    Act(*m_dlg, d, steps.section(" restart", 0, 0));
    if (steps.endsWith("restart")) Restart();
    const QStringList dialog = FileDialogOf(button);
    QCOMPARE(dialog.size(), 4);
    QCOMPARE(QString(dialog[0]).remove(QString::fromStdString(d.File(""))) + " " + dialog[1],
             shown);
    QCOMPARE(dialog[2], "HTML ファイル (*.html *.htm);;すべてのファイル (*)");
    QCOMPARE(dialog[3], "1");
  }
};

QTEST_MAIN(MainDlgTest)
#include "MainDlgTest.moc"
