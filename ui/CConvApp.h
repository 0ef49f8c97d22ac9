#pragma once

#include <QStringList>

// The application: shows the main dialog once; the program ends when it closes.
class CConvApp {
 public:
  // Returns FALSE (0): there is no message loop after the dialog.
  int InitInstance();

  // Files named on the command line, listed as inputs when the dialog opens.
  QStringList m_astrFiles;
};
