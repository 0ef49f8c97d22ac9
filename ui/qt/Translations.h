#pragma once

class QCoreApplication;

namespace platform::qt {

// Installs Qt's own texts (file dialogs, message-box buttons) in the language of the default
// locale, from Qt's translations folder; replaces those an earlier call installed. Returns
// whether a translation was found (none is needed for English).
bool InstallQtTranslations(QCoreApplication& app);

}  // namespace platform::qt
