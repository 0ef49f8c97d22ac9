#pragma once

// The application: shows the main dialog once; the program ends when it closes.
class CConvApp {
 public:
  // Returns FALSE (0): there is no message loop after the dialog.
  int InitInstance();
};
