#include "settings/qt_translation.h"

#include "settings/settings_log.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace settings {

bool InstallQtJapanese(QCoreApplication& application) {
    auto* translator = new QTranslator(&application);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                          QStringLiteral("_"), folder)) {
        qCInfo(lcSettings) << "Qt's Japanese translation (qtbase_ja.qm) is not in" << folder;
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace settings
