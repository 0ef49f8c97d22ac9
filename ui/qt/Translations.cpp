#include "ui/qt/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace platform::qt {

bool InstallQtTranslations(QCoreApplication& app) {
  static QTranslator* translator = nullptr;
  if (translator) {
    app.removeTranslator(translator);
    delete translator;
  }
  translator = new QTranslator(&app);
  const bool bFound = translator->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                                       QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  if (bFound) app.installTranslator(translator);
  return bFound;
}

}  // namespace platform::qt
