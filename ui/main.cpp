#include <QApplication>
#include <cstdio>
#include <cstring>

#include "platform/File.h"
#include "ui/CConvApp.h"

int main(int argc, char** argv) {
  platform::OpenStandardStreams();  // before any file: none may become standard error
  // Answered without a display, for help2man and for a look from a terminal.
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::printf(
        "Usage: velmorant [FILE]...\n"
        "Opens the Velmorant dialog, the desktop program that rewrites saved board logs:\n"
        "posts in reverse order, or in order with leading and trailing ones cut away, layer\n"
        "by layer, every other byte unchanged. The FILEs start in its input list.\n"
        "\n"
        "      --help     this text\n"
        "      --version  the version\n"
        "\n"
        "velmorant-cli does the same conversions from the command line.\n");
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("velmorant %s\n", VELMORANT_VERSION);
    return 0;
  }
  platform::IgnoreWriteSignals();  // the size limit is a failed write with a message
  QApplication app(argc, argv);
  CConvApp theApp;
  theApp.m_astrFiles = QApplication::arguments().mid(1);
  return theApp.InitInstance();
}
