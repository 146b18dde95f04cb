// SPDX-License-Identifier: GPL-3.0-or-later
#include "translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace quinmare {

bool InstallTranslations(QCoreApplication& app, const QLocale& locale) {
    static const char kName[] = "quinmare-translation";
    for (QTranslator* old : app.findChildren<QTranslator*>(kName, Qt::FindDirectChildrenOnly)) {
        QCoreApplication::removeTranslator(old);
        delete old;
    }
    auto install = [&](const QString& file, const QString& directory) {
        auto* translator = new QTranslator(&app);
        translator->setObjectName(kName);
        if (translator->load(locale, file, "_", directory)) {
            QCoreApplication::installTranslator(translator);
            return true;
        }
        delete translator;
        return false;
    };
    install("qtbase", QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return install("quinmare", ":/i18n");
}

}  // namespace quinmare
