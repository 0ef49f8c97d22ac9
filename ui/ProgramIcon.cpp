#include "ui/ProgramIcon.h"

#include <QPixmap>

#include "ui/resources/velmorant16.xpm"
#include "ui/resources/velmorant32.xpm"

QIcon LoadProgramIcon() {
  QIcon icon;
  icon.addPixmap(QPixmap(velmorant32_xpm));
  icon.addPixmap(QPixmap(velmorant16_xpm));
  return icon;
}
