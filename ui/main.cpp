#include <QApplication>

#include "ui/CConvApp.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  CConvApp theApp;
  return theApp.InitInstance();
}
