#include <QApplication>

#include "platform/File.h"
#include "ui/CConvApp.h"

int main(int argc, char** argv) {
  platform::IgnoreWriteSignals();  // the size limit is a failed write with a message
  QApplication app(argc, argv);
  CConvApp theApp;
  theApp.m_astrFiles = QApplication::arguments().mid(1);
  return theApp.InitInstance();
}
