#include <QApplication>

#include "form1.h"
#include "translations.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quinmare");
    QApplication::setDesktopFileName("org.quinmare.Quinmare");
    quinmare::InstallTranslations(app);
    quinmare::Form1 window;
    window.show();
    return QApplication::exec();
}
