#pragma once

#include <QString>
#include <memory>

#include "platform/MessageBox.h"

class QMessageBox;
class QWidget;

namespace platform::qt {

// The desktop program's message sink: a modal QMessageBox titled with what the message is
// about and the application's name. Type 0 is a box with OK; kMbYesNo has Yes and No, with
// kMbDefButton2 No as the default button. The icon is the type's, else the information or
// the warning icon.
class CQtMessageBox {
 public:
  explicit CQtMessageBox(QString strTitle);

  std::unique_ptr<QMessageBox> Create(const Message& m, QWidget* parent) const;
  // Shows the box over the active window and returns kIdOk, kIdYes or kIdNo.
  int Show(const Message& m) const;

  // Installs Show as the message sink for the guard's lifetime.
  ScopedMessageSink Install() const;

 private:
  QString m_strTitle;
};

}  // namespace platform::qt
