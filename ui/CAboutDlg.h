#pragma once

#include <QDialog>

// The about box (template 100): the program icon, the version and the rights notice.
class CAboutDlg : public QDialog {
 public:
  CAboutDlg();
  int DoModal() { return exec(); }
};
