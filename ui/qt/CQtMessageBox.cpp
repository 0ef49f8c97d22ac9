#include "ui/qt/CQtMessageBox.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QThread>

namespace platform::qt {
namespace {

// What a window manager's title bar takes besides the title: the icon, the buttons, margins.
constexpr int kTitleBarExtra = 160;

}  // namespace

CQtMessageBox::CQtMessageBox(QString strTitle) : m_strTitle(std::move(strTitle)) {}

std::unique_ptr<QMessageBox> CQtMessageBox::Create(const Message& m, QWidget* parent) const {
  auto box = std::make_unique<QMessageBox>(parent);
  const QString title =
      m.title.empty() ? m_strTitle : QString::fromStdString(m.title) + " - " + m_strTitle;
  box->setWindowTitle(title);
  box->setText(QString::fromUtf8(m.text.c_str()));
  box->setTextFormat(Qt::PlainText);
  if (m.nType & kMbYesNo) {
    box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box->setDefaultButton((m.nType & kMbDefButton2) ? QMessageBox::No : QMessageBox::Yes);
    box->setEscapeButton(QMessageBox::No);
  } else {
    box->setStandardButtons(QMessageBox::Ok);
    box->setDefaultButton(QMessageBox::Ok);
  }
  // Without an icon of its own, a box that only informs gets the information icon and any
  // other the warning icon: what is not news is a refusal or a failure.
  const unsigned icon = m.nType & kMbIconMask;
  box->setIcon(icon == kMbIconError      ? QMessageBox::Critical
               : icon == kMbIconQuestion ? QMessageBox::Question
               : icon == kMbIconInformation || (icon == 0 && m.bInformation)
                   ? QMessageBox::Information
                   : QMessageBox::Warning);
  // A box sized to a short text left the title bar too little room ("Ve… nt"). The spacer
  // goes in last: setting the icon rebuilds the layout.
  if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
    const int width = box->fontMetrics().horizontalAdvance(title) + kTitleBarExtra;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  return box;
}

int CQtMessageBox::Show(const Message& m) const {
  // A run on another thread shows its messages on the dialog's thread and waits for them.
  if (QThread::currentThread() != qApp->thread()) {
    int answer = kIdOk;
    QMetaObject::invokeMethod(
        qApp, [&] { answer = Show(m); }, Qt::BlockingQueuedConnection);
    return answer;
  }
  QWidget* parent = QApplication::activeModalWidget();
  if (!parent) parent = QApplication::activeWindow();
  const auto box = Create(m, parent);
  box->exec();
  if (m.nType & kMbYesNo)
    return box->clickedButton() == box->button(QMessageBox::Yes) ? kIdYes : kIdNo;
  return kIdOk;
}

ScopedMessageSink CQtMessageBox::Install() const {
  return ScopedMessageSink([this](const Message& m) { return Show(m); });
}

}  // namespace platform::qt
