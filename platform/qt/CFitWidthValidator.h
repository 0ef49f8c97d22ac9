#pragma once

#include <QValidator>

class QLineEdit;

namespace platform::qt {

// Refuses text wider than its field: a field that does not scroll takes only what fits.
class CFitWidthValidator : public QValidator {
 public:
  explicit CFitWidthValidator(QLineEdit* edit);
  State validate(QString& input, int& pos) const override;

 private:
  QLineEdit* m_pEdit;
};

}  // namespace platform::qt
