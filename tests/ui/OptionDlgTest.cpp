// The options dialog: what its controls confirm with OK, what the cancel button leaves, what
// the next showing starts with, and which controls are enabled.
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "platform/qt/CDialogBuilder.h"
#include "ui/options/COptionDlg.h"

namespace {
QString Join(std::initializer_list<int> values) {
  QStringList out;
  for (int v : values) out << QString::number(v);
  return out.join(' ');
}
}  // namespace

class OptionDlgTest : public QObject {
  Q_OBJECT

 private slots:
  // Steps: "open" shows the dialog again, "ok" and "cancel" close it, "lead:N", "trail:N",
  // "text:N" choose an item, a number clicks that control. The dialog is open at the start.
  // Stored: lead, trail, cut, simple header, separator first, append, style, one file, then
  // the layers reversed ("r") and in range ("g").
  // Shown: the same first seven, whether append and the text are enabled, the toggles down.
  void steps_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    auto row = [](const char* name, const char* steps, const char* stored, const char* shown) {
      QTest::newRow(name) << QString(steps) << QString(stored) << QString(shown);
    };
    const char* kFirst = "0 0 0 0 0 1 1 1 r g";  // the values before any OK
    row("OK confirms", "lead:3 trail:19 1023 1027 ok open", "3 19 0 1 1 1 1 1 r g",
        "3 19 0 1 1 1 1 1 1");
    // Of the values, only the cut check takes effect at the click.
    row("cancel", "1026 1023 1027 lead:4 cancel open", "0 0 1 0 0 1 1 1 r g", "0 0 1 0 0 1 1 1 1");
    row("clearing append keeps the style of that moment", "text:0 1019 ok open",
        "0 0 0 0 0 0 0 1 r g", "0 0 0 0 0 0 0 1 1");
    row("the text follows append", "1019", kFirst, "0 0 0 0 0 0 1 1 0");
    row("one file on enables the text without append", "1019 1020 1020", kFirst,
        "0 0 0 0 0 0 1 1 1");
    row("a per-file showing starts disabled", "1020 ok open", "0 0 0 0 0 1 1 0 r g",
        "0 0 0 0 0 1 1 0 0");
    row("layer toggles confirmed by OK", "1037 1060 ok open", "0 0 0 0 0 1 1 1 r7 g15",
        "0 0 0 0 0 1 1 1 1 1037 1060");
    row("cancel forgets a toggle up and one down", "1037 ok open 1037 1029 cancel open",
        "0 0 0 0 0 1 1 1 r7 g", "0 0 0 0 0 1 1 1 1 1037");
  }
  void steps() {
    QFETCH(QString, steps);
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    COptionDlg d;
    auto click = [&](int id) {
      auto* b = platform::qt::GetDlgItem<QAbstractButton>(d, id);
      QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));  // on the box
    };
    d.OnInitDialog();  // as a showing does, without a modal loop
    d.show();
    for (const QString& step : steps.split(' ')) {
      const QString verb = step.section(':', 0, 0);
      const int n = step.section(':', 1).toInt();
      if (QComboBox* combo = verb == "lead"    ? d.m_comboLeadCut
                             : verb == "trail" ? d.m_comboTrailCut
                             : verb == "text"  ? d.m_comboSeparatorText
                                               : nullptr) {
        combo->setCurrentIndex(n);
        emit combo->activated(n);
      }
      if (verb == "open") d.OnInitDialog(), d.show();
      if (verb == "ok" || verb == "cancel") click(verb == "ok" ? 1 : 2);
      if (verb.toInt()) click(verb.toInt());
    }
    QStringList reversed, ranged, down;
    for (int layer = 1; layer <= 15; ++layer) {
      if (d.m_abyReverse[layer]) reversed << QString::number(layer);
      if (d.m_abyRange[layer]) ranged << QString::number(layer);
      for (QPushButton* b : {d.m_apReverse[layer], d.m_apRange[layer]})
        if (b->isChecked()) down << " " + b->objectName();
    }
    QCOMPARE(Join({d.m_nLeadCut, d.m_nTrailCut, d.m_bCutOutsideRange, d.m_bSimpleHeader,
                   d.m_bSeparatorFirst, d.m_bAppendSeparator, d.m_nSeparatorStyle, d.m_bOneFile}) +
                 " r" + reversed.join(',') + " g" + ranged.join(','),
             stored);
    QCOMPARE(Join({d.m_comboLeadCut->currentIndex(), d.m_comboTrailCut->currentIndex(),
                   d.m_checkCutOutsideRange->isChecked(), d.m_checkSimpleHeader->isChecked(),
                   d.m_radioSeparatorFirst->isChecked(), d.m_checkAppendSeparator->isChecked(),
                   d.m_comboSeparatorText->currentIndex(), d.m_checkAppendSeparator->isEnabled(),
                   d.m_comboSeparatorText->isEnabled()}) +
                 down.join(""),
             shown);
  }
};

QTEST_MAIN(OptionDlgTest)
#include "OptionDlgTest.moc"
