// The options dialog: what OK confirms, what a showing left otherwise (キャンセル, Esc)
// leaves, what the next showing starts with, and which controls are enabled.
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <functional>

#include "ui/options/COptionDlg.h"
#include "ui/qt/CDialogBuilder.h"
#include "ui/resources/ControlIds.h"

using namespace resources;

namespace {

// What the user does in the dialog, which is open at the start.
using Step = std::function<void(COptionDlg&)>;
using Steps = std::vector<Step>;
Step Click(int id) {
  return [=](COptionDlg& d) {
    auto* b = platform::qt::GetDlgItem<QAbstractButton>(d, id);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));  // on the box
  };
}
Step Pick(int id, int item) {
  return [=](COptionDlg& d) {
    auto* combo = platform::qt::GetDlgItem<QComboBox>(d, id);
    combo->setCurrentIndex(item);
    emit combo->activated(item);
  };
}
const Step kOk = Click(kIdOk), kCancel = Click(kIdCancel);
const Step kEsc = [](COptionDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); };
const Step kOpen = [](COptionDlg& d) {
  d.OnInitDialog();
  d.show();
};
// The stored values a row expects, as changes to those of a dialog never confirmed.
using Change = std::function<void(engine::COptionValues&)>;

// The confirmed values: cuts, cut check, simple header, separator first, append, style,
// one file, then the layers reversed and the layers in range.
QList<int> Stored(const engine::COptionValues& v) {
  QList<int> out = {v.m_nLeadCut,        v.m_nTrailCut,       v.m_bCutOutsideRange,
                    v.m_bSimpleHeader,   v.m_bSeparatorFirst, v.m_bAppendSeparator,
                    v.m_nSeparatorStyle, v.m_bOneFile};
  for (int layer = 1; layer <= 15; ++layer)
    if (v.m_abyReverse[layer]) out << 100 + layer;
  for (int layer = 1; layer <= 15; ++layer)
    if (v.m_abyRange[layer]) out << 200 + layer;
  return out;
}

}  // namespace

Q_DECLARE_METATYPE(Steps)
Q_DECLARE_METATYPE(Change)

class OptionDlgTest : public QObject {
  Q_OBJECT

 private slots:
  // The steps, the stored values they leave, and what the dialog shows then: the cut
  // combos, the cut check, simple header, separator first, append, the text chosen, whether
  // append and the text are enabled, then the ids of the layer toggles that are down.
  void steps_data() {
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<Change>("stored");
    QTest::addColumn<QList<int>>("shown");
    const Change kFirst = [](engine::COptionValues&) {};
    const QList<int> kFirstShown = {0, 0, 0, 0, 0, 1, 1, 1, 1};
    QTest::newRow("OK confirms") << Steps{Pick(kIdLeadCut, 3),
                                          Pick(kIdTrailCut, 19),
                                          Click(kIdSimpleHeader),
                                          Click(kIdSeparatorFirst),
                                          kOk,
                                          kOpen}
                                 << Change([](auto& v) {
                                      v.m_nLeadCut = 3, v.m_nTrailCut = 19;
                                      v.m_bSimpleHeader = v.m_bSeparatorFirst = true;
                                    })
                                 << QList<int>{3, 19, 0, 1, 1, 1, 1, 1, 1};
    // The cut check and the style follow their control at the click: not past キャンセル.
    QTest::newRow("キャンセル forgets every change") << Steps{Click(kIdCutOutsideRange),
                                                              Click(kIdSimpleHeader),
                                                              Click(kIdSeparatorFirst),
                                                              Pick(kIdLeadCut, 4),
                                                              Pick(kIdSeparatorText, 0),
                                                              Click(kIdAppendSeparator),
                                                              Click(kReverseLayerIds[1]),
                                                              kCancel,
                                                              kOpen}
                                                     << kFirst << kFirstShown;
    QTest::newRow("Esc forgets every change") << Steps{Click(kIdCutOutsideRange),
                                                       Pick(kIdSeparatorText, 0),
                                                       Click(kIdAppendSeparator),
                                                       Click(kRangeLayerIds[1]),
                                                       kEsc,
                                                       kOpen}
                                              << kFirst << kFirstShown;
    QTest::newRow("clearing append keeps the style of that moment")
        << Steps{Pick(kIdSeparatorText, 0), Click(kIdAppendSeparator), kOk, kOpen}
        << Change([](auto& v) {
             v.m_bAppendSeparator = false;
             v.m_nSeparatorStyle = 0;
           })
        << QList<int>{0, 0, 0, 0, 0, 0, 0, 1, 1};
    QTest::newRow("the text follows append")
        << Steps{Click(kIdAppendSeparator)} << kFirst << QList<int>{0, 0, 0, 0, 0, 0, 1, 1, 0};
    QTest::newRow("one file on enables the text without append")
        << Steps{Click(kIdAppendSeparator), Click(kIdOneFile), Click(kIdOneFile)} << kFirst
        << QList<int>{0, 0, 0, 0, 0, 0, 1, 1, 1};
    QTest::newRow("a per-file showing starts disabled")
        << Steps{Click(kIdOneFile), kOk, kOpen} << Change([](auto& v) { v.m_bOneFile = false; })
        << QList<int>{0, 0, 0, 0, 0, 1, 1, 0, 0};
    QTest::newRow("layer toggles confirmed by OK")
        << Steps{Click(kReverseLayerIds[7]), Click(kRangeLayerIds[15]), kOk, kOpen}
        << Change([](auto& v) { v.m_abyReverse[7] = v.m_abyRange[15] = 1; })
        << kFirstShown + QList<int>{kReverseLayerIds[7], kRangeLayerIds[15]};
    QTest::newRow("キャンセル forgets a toggle up and one down")
        << Steps{Click(kReverseLayerIds[7]), kOk,     kOpen, Click(kReverseLayerIds[7]),
                 Click(kReverseLayerIds[1]), kCancel, kOpen}
        << Change([](auto& v) { v.m_abyReverse[7] = 1; })
        << kFirstShown + QList<int>{kReverseLayerIds[7]};
  }
  void steps() {
    QFETCH(Steps, steps);
    QFETCH(Change, stored);
    QFETCH(QList<int>, shown);
    COptionDlg d;
    d.OnInitDialog();  // as a showing does, without a modal loop
    d.show();
    for (const Step& step : steps) step(d);
    engine::COptionValues expected;
    stored(expected);
    QCOMPARE(Stored(d), Stored(expected));
    QList<int> now = {d.m_comboLeadCut->currentIndex(),       d.m_comboTrailCut->currentIndex(),
                      d.m_checkCutOutsideRange->isChecked(),  d.m_checkSimpleHeader->isChecked(),
                      d.m_radioSeparatorFirst->isChecked(),   d.m_checkAppendSeparator->isChecked(),
                      d.m_comboSeparatorText->currentIndex(), d.m_checkAppendSeparator->isEnabled(),
                      d.m_comboSeparatorText->isEnabled()};
    for (const auto* row : {&d.m_apReverse, &d.m_apRange})
      for (int layer = 1; layer <= 15; ++layer)
        if ((*row)[layer]->isChecked()) now << (*row)[layer]->objectName().toInt();
    QCOMPARE(now, shown);
  }
};

QTEST_MAIN(OptionDlgTest)
#include "OptionDlgTest.moc"
