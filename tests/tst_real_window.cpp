// Checks the window as the X server shows it: run under xvfb-run.
#include <QtTest>

#include <QScreen>

#include "form1.h"

using quinmare::Form1;

class RealWindowTest : public QObject {
    Q_OBJECT
private slots:
    void pixelsOnScreen();
};

void RealWindowTest::pixelsOnScreen() {
    if (QGuiApplication::platformName() != "xcb") QSKIP("needs a real X display (xvfb-run)");
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::qWait(50);  // let the first paint reach the server
    const QImage shot = form.screen()->grabWindow(form.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shot.size(), form.size() * form.devicePixelRatio());
    if (form.logicalDpiX() != 96 || form.devicePixelRatio() != 1) QSKIP("pixel positions assume 96 DPI");

    auto at = [&](int x, int y) { return QColor(shot.pixel(x, y)); };
    auto anyIn = [&](QRect area, auto&& wanted) {
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (wanted(at(x, y))) return true;
        return false;
    };
    const QColor grey(224, 224, 224);
    QCOMPARE(at(466, 133), grey);   // between the boxes, above the arrow
    QCOMPARE(at(700, 700), grey);   // below the right box
    QVERIFY(anyIn(QRect(8, 8, 169, 25), [](QColor c) { return c.blue() > 200 && c.red() < 80 && c.green() < 80; }));
    QVERIFY(anyIn(QRect(560, 8, 169, 25), [](QColor c) { return c.red() > 200 && c.blue() < 80 && c.green() < 80; }));
    QVERIFY(!anyIn(QRect(8, 8, 169, 25), [](QColor c) { return c.red() > 200 && c.blue() < 80; }));

    // The arrow: shaft top and bottom, its left end, the steps and the tip.
    const QColor ink = form.palette().color(QPalette::WindowText);
    for (QPoint p : {QPoint(480, 296), QPoint(500, 328), QPoint(464, 312), QPoint(512, 284), QPoint(512, 340),
                     QPoint(536, 312)}) {
        QVERIFY2(at(p.x(), p.y()) == ink, qPrintable(QString("line pixel at %1,%2").arg(p.x()).arg(p.y())));
    }
    for (QPoint p : {QPoint(480, 300), QPoint(490, 312), QPoint(540, 312)}) {
        QVERIFY2(at(p.x(), p.y()) == grey, qPrintable(QString("no line at %1,%2").arg(p.x()).arg(p.y())));
    }
}

QTEST_MAIN(RealWindowTest)
#include "tst_real_window.moc"
