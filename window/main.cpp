// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>

#include "end_process.h"
#include "form1.h"
#include "translations.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quinmare");
    QApplication::setApplicationVersion(QUINMARE_VERSION);
    QApplication::setDesktopFileName(QUINMARE_APP_ID);
    quinmare::InstallTranslations(app);
    quinmare::Form1 window;
    window.show();
    return quinmare::EndProcess(QApplication::exec());
}
