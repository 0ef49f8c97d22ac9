#include "platform/qt/CFitWidthValidator.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

namespace platform::qt {

CFitWidthValidator::CFitWidthValidator(QLineEdit* edit) : QValidator(edit), m_pEdit(edit) {}

QValidator::State CFitWidthValidator::validate(QString& input, int&) const {
  QStyleOptionFrame option;
  option.initFrom(m_pEdit);
  option.lineWidth = m_pEdit->hasFrame() ? 1 : 0;
  const QRect contents =
      m_pEdit->style()->subElementRect(QStyle::SE_LineEditContents, &option, m_pEdit);
  const QMargins margins = m_pEdit->textMargins();
  // Two pixels on each side for the cursor, as the line edit itself keeps.
  const int room = contents.width() - margins.left() - margins.right() - 4;
  return m_pEdit->fontMetrics().horizontalAdvance(input) <= room ? Acceptable : Invalid;
}

}  // namespace platform::qt
