// SPDX-License-Identifier: GPL-3.0-or-later
// Checks the window on a real display server: an X server (xvfb-run), at
// scale 1 and 2 and under GTK's dark theme, and a Wayland compositor
// (weston, headless).
#include <QtTest>

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QTextBlock>
#include <QTextLayout>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSlider>

#include "end_process.h"
#include "form1.h"
#include "text_box.h"
#include "sequence/decoding_run.h"
#include "sequence/memory_fields.h"
#include "test_text.h"
#include "window_helpers.h"

using quinmare::Field;
using quinmare::Form1;

class RealWindowTest : public QObject {
    Q_OBJECT
private slots:
    void pixelsOnScreen();
    void middleClickPastesOnlyText_data();
    void middleClickPastesOnlyText();
    void generatesDecodesAndCloses();
    void closedByTheCompositorDuringRuns();
    void dragAndDropDuringADecode_data();
    void dragAndDropDuringADecode();
    void realInputMethod_data();
    void realInputMethod();
};

void RealWindowTest::pixelsOnScreen() {
    if (QGuiApplication::platformName() != "xcb") QSKIP("reads the screen of an X server (xvfb-run)");
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form, kPatience));
    const qreal scale = form.devicePixelRatio();
    // What the server shows once the first paint has reached it: the form's
    // grey between the boxes.
    // The client area, below the menu bar.
    const QRect client = ClientArea(form)->geometry();
    QImage shot;
    QTRY_VERIFY_WITH_TIMEOUT((shot = form.screen()->grabWindow(form.winId(), client.x(), client.y(), client.width(),
                                                               client.height()).toImage().convertToFormat(QImage::Format_RGB32),
                              QColor(shot.pixel(qRound(466 * scale), qRound(133 * scale))) == QColor(224, 224, 224)),
                             kPatience);
    QCOMPARE(shot.size(), client.size() * scale);
    if (form.logicalDpiX() != 96) QSKIP("pixel positions assume 96 DPI");
    // 14850 x 10770 twips, at 96 DPI times the scale, in device pixels.
    QCOMPARE(shot.size(), QSize(990, 718) * scale);
    qInfo("client area %dx%d device pixels at scale %g", shot.width(), shot.height(), scale);

    // Positions below are in the window's own pixels at 96 DPI.
    auto at = [&](int x, int y) { return QColor(shot.pixel(qRound(x * scale), qRound(y * scale))); };
    auto anyIn = [&](QRect area, auto&& wanted) {
        for (int y = area.top() * scale; y <= area.bottom() * scale; ++y)
            for (int x = area.left() * scale; x <= area.right() * scale; ++x)
                if (wanted(QColor(shot.pixel(x, y)))) return true;
        return false;
    };
    const QColor grey(224, 224, 224);
    QCOMPARE(at(466, 133), grey);   // between the boxes, above the arrow
    QCOMPARE(at(700, 700), grey);   // below the right box
    QVERIFY(anyIn(QRect(8, 8, 169, 25), [](QColor c) { return c.blue() > 200 && c.red() < 80 && c.green() < 80; }));
    QVERIFY(anyIn(QRect(560, 8, 169, 25), [](QColor c) { return c.red() > 200 && c.blue() < 80 && c.green() < 80; }));
    QVERIFY(!anyIn(QRect(8, 8, 169, 25), [](QColor c) { return c.red() > 200 && c.blue() < 80; }));
    // The boxes sit where the layout puts them: the left box's frame.
    QVERIFY(at(16, 300) != grey && at(15, 300) == grey);

    // Whatever the desktop's theme: the arrow stands out from the form, the
    // unit caption reads at 4.5:1 at least.
    const QColor ink = form.palette().color(QPalette::WindowText);
    QVERIFY2(Contrast(ink, grey) >= 3, qPrintable(ink.name()));
    const QRect unit(QPoint(416, 690) * scale, QSize(25, 13) * scale);
    const double unit_contrast = InkContrast(shot, unit);
    QVERIFY2(unit_contrast >= 4.5, qPrintable(QString::number(unit_contrast)));

    // The arrow: shaft top and bottom, its left end, the steps and the tip.
    for (QPoint p : {QPoint(480, 296), QPoint(500, 328), QPoint(464, 312), QPoint(512, 284), QPoint(512, 340),
                     QPoint(536, 312)}) {
        QVERIFY2(at(p.x(), p.y()) == ink, qPrintable(QString("line pixel at %1,%2").arg(p.x()).arg(p.y())));
    }
    for (QPoint p : {QPoint(480, 300), QPoint(490, 312), QPoint(540, 312)}) {
        QVERIFY2(at(p.x(), p.y()) == grey, qPrintable(QString("no line at %1,%2").arg(p.x()).arg(p.y())));
    }
}

void RealWindowTest::middleClickPastesOnlyText_data() {
    QTest::addColumn<bool>("text");
    QTest::newRow("nothing selected anywhere") << false;
    QTest::newRow("text selected") << true;
}

void RealWindowTest::middleClickPastesOnlyText() {
    QFETCH(bool, text);
    if (!QGuiApplication::clipboard()->supportsSelection()) QSKIP("no selection to paste on this platform");
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form, kPatience));
    auto* mime = new QMimeData;  // no format at all, as when nothing is selected
    if (text) mime->setText("TGG");
    QGuiApplication::clipboard()->setMimeData(mime, QClipboard::Selection);
    form.WriteText(Field::Text0, u"ATG");
    form.ShowPendingText();
    auto* text0 = Control<QPlainTextEdit>(form, "Text0");
    QTest::mouseClick(text0->viewport(), Qt::MiddleButton, {}, QPoint(text0->viewport()->width() - 10, 30));
    QCOMPARE(ToQ(form.ReadText(Field::Text0)), text ? QString("ATGTGG") : QString("ATG"));
}

void RealWindowTest::generatesDecodesAndCloses() {
    // The whole cycle on this platform, then the window closes and the
    // event loop ends.
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form, kPatience));
    qInfo("platform %s, scale %g", qPrintable(QGuiApplication::platformName()), form.devicePixelRatio());
    // The whole road: slider to 301, generate, decode.
    auto* slider = Control<QSlider>(form, "Slider1");
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_PageUp);
    QTest::keyClick(slider, Qt::Key_Right);
    QCOMPARE(Control<QLineEdit>(form, "Text1")->text(), QString("301"));
    QTest::mouseClick(Control(form, "Command1"), Qt::LeftButton);
    QCOMPARE(form.ReadSliderPosition(), 300);
    QCOMPARE(Control<QLineEdit>(form, "Text1")->text(), QString("300"));
    const QString sequence = ToQ(form.ReadText(Field::Text0));
    QVERIFY(QRegularExpression("^[ATGC]{300}$").match(sequence).hasMatch());
    QCOMPARE(Control<QPlainTextEdit>(form, "Text0")->toPlainText(), sequence);
    QTest::mouseClick(Control(form, "Command2"), Qt::LeftButton);
    QCOMPARE(ToQ(form.ReadText(Field::Text3)), sequence.right(3));
    quinmare::MemoryFields core;
    core[Field::Text0] = ToU16(sequence);
    core[Field::Text1] = u"300";
    quinmare::Command2_Click(core);
    QCOMPARE(core.yields, 100);
    QCOMPARE(ToQ(form.ReadText(Field::Text2)), ToQ(core[Field::Text2]));
    QCOMPARE(Control<QPlainTextEdit>(form, "Text2")->toPlainText(), ToQ(core[Field::Text2]).replace("\r\n", "\n"));
    // What a screen reader asks of the two show boxes: the word and the
    // line at the caret.
    for (const char* name : {"Text1", "Text3"}) {
        auto* box = Control<QLineEdit>(form, name);
        QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(box)->textInterface();
        int start = 0, end = 0;
        for (auto boundary : {QAccessible::WordBoundary, QAccessible::LineBoundary}) {
            QCOMPARE(text->textAtOffset(text->cursorPosition(), boundary, &start, &end), box->text());
        }
    }

    QTimer::singleShot(0, &form, &QWidget::close);
    QApplication::setQuitOnLastWindowClosed(true);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!form.isVisible());
}

namespace {
// Stops a timer when the window it watches is asked to close.
class StopOnClose : public QObject {
public:
    explicit StopOnClose(QTimer* timer) : timer_(timer) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Close) timer_->stop();
        return false;
    }

private:
    QTimer* timer_;
};
}  // namespace

void RealWindowTest::closedByTheCompositorDuringRuns() {
    // Started by run_compositor_close.sh, which closes the window through the
    // compositor once the runs are going: as many decodes, nested, as it says.
    const int depth = qEnvironmentVariableIntValue("QUINMARE_CLOSED_BY_COMPOSITOR");
    if (depth < 1) QSKIP("needs a compositor that closes the window");
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form, kPatience));
    // The compositor's Alt+F4 closes the window that has the focus: typed
    // before the new window has it, the key goes nowhere (the window gets it
    // already held, with the focus) and the close never comes. Qt's own wait
    // for activation only waits for exposure on Wayland.
    QVERIFY(QTest::qWaitFor([&] { return form.isActiveWindow(); }, kPatience));
    form.WriteText(Field::Text0, ToU16(QString("ATGTGGAAACCC").repeated(833)));
    Control<QSlider>(form, "Slider1")->setValue(9996);
    // The runs go on until the close, however long it takes to come: at the
    // slow pace, or paused (the script's even tries), as a teacher leaves them.
    // Chosen in the speed menu: the headless compositor has no keyboard to
    // give the window focus for the menu's keys.
    if (qEnvironmentVariableIntValue("QUINMARE_CLOSED_WHILE_PAUSED")) {
        form.findChild<QAction*>("Pause")->trigger();
        QVERIFY(form.Clock().paused());
    } else {
        form.findChild<QAction*>("Pace_slow")->trigger();
        QCOMPARE(form.Clock().pace(), quinmare::Pace::Slow);
    }
    // The decodes, each nested in the one before, then the close is awaited.
    int pressed = 0;
    QTimer step;
    connect(&step, &QTimer::timeout, &form, [&] {
        if (form.RunDepth() < pressed || pressed == depth) return;
        PostClick(Control(form, "Command2"));
        if (++pressed == depth) qInfo("runs in progress");
    });
    step.start(0);
    // A repaint always queued when the close lands, as while the window is
    // dragged or exposed; none asked for after it (Qt 6.4's Wayland client
    // has a race of its own between frame callbacks and a closing window).
    QTimer repaint;
    connect(&repaint, &QTimer::timeout, &form, [&] { form.update(); });
    repaint.start(0);
    StopOnClose stop_on_close(&repaint);
    form.installEventFilter(&stop_on_close);
    QApplication::setQuitOnLastWindowClosed(true);
    QCOMPARE(QApplication::exec(), 0);
    QCOMPARE(form.RunDepth(), 0);
    QVERIFY(!form.isVisible());
    // The runs ended at the close, not at their end.
    QVERIFY(form.ReadText(Field::Text2).size() < 3332 * 5);
}

void RealWindowTest::dragAndDropDuringADecode_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::newRow("the sequence into the amino acids") << "Text0" << "Text2";
    QTest::newRow("within the amino acids, onto the run's text") << "Text2" << "Text2";
    QTest::newRow("within the sequence") << "Text0" << "Text0";
}

void RealWindowTest::dragAndDropDuringADecode() {
    // Text selected with the mouse and dragged, by the X server's own
    // events, while a decode appends to the amino-acid box: the drag's own
    // event loop runs inside the decode's yield. The text moves exactly
    // once, and every label of the decode still arrives.
    if (QGuiApplication::platformName() != "xcb") QSKIP("drags with the X server's pointer (xvfb-run)");
    QFETCH(QString, from);
    QFETCH(QString, to);
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form, kPatience));
    QCOMPARE(QProcess::execute("xdotool", {"windowfocus", "--sync", QString::number(form.winId())}), 0);
    // Few labels for many codons: the decode lasts while the box stays short.
    const QString sequence = ("ATGTGG" + QString(27, 'x')).repeated(303);
    form.WriteText(Field::Text0, ToU16(sequence));
    Control<QSlider>(form, "Slider1")->setValue(9999);
    auto* source = Control<QPlainTextEdit>(form, qPrintable(from));
    auto* target = Control<QPlainTextEdit>(form, qPrintable(to));
    if (from == "Text2") form.WriteText(Field::Text2, u"");
    auto at = [](QPlainTextEdit* box, int x, int y) {
        const QPoint global = box->viewport()->mapToGlobal(QPoint(x, y)) * box->devicePixelRatioF();
        return QString("%1 %2").arg(global.x()).arg(global.y());
    };
    // Select a piece of the first line, then drag it by its middle to
    // the fourth line of the target.
    const QString script = QString("xdotool mousemove %1 mousedown 1; sleep 0.05; xdotool mousemove %2; sleep 0.05; "
                                   "xdotool mousemove %3 mouseup 1; sleep 0.1; xdotool mousemove %4 mousedown 1; sleep 0.05; "
                                   "xdotool mousemove %5; sleep 0.05; xdotool mousemove %6; sleep 0.1; xdotool mousemove %7; "
                                   "sleep 0.1; xdotool mouseup 1")
                               .arg(at(source, 30, 8), at(source, 80, 8), at(source, 150, 8), at(source, 90, 8),
                                    at(source, 95, 20), at(target, 60, 50), at(target, 61, 52));
    QProcess dragging;
    bool started = false;
    bool dropped_during_the_run = false;
    connect(&dragging, &QProcess::finished, &form, [&] { dropped_during_the_run = form.RunDepth() > 0; });
    QTimer start;
    connect(&start, &QTimer::timeout, &form, [&] {
        if (form.RunDepth() == 0 || started) return;
        if (from == "Text2" && form.ReadText(Field::Text2).size() < 400) return;  // a first line to drag
        started = true;
        dragging.start("sh", {"-c", script});
    });
    start.start(1);
    // The decode goes on while the drag does, however long the drag takes.
    RunWhileUserActs decode(form, Field::Text2, 3333 / 11 * 2 * 5 - 100,
                            [&] { return started && dragging.state() == QProcess::NotRunning; });
    QVERIFY(decode.Start());
    QTest::mouseClick(Control(form, "Command2"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(dragging.state(), QProcess::NotRunning, kPatience);
    QTRY_COMPARE_WITH_TIMEOUT(form.RunDepth(), 0, kPatience);
    QVERIFY(started);
    QVERIFY(dropped_during_the_run);

    quinmare::MemoryFields core;
    core[Field::Text0] = ToU16(sequence);
    core[Field::Text1] = u"9999";
    quinmare::Command2_Click(core);
    const QString decoded = ToQ(core[Field::Text2]);
    const QString text0 = ToQ(form.ReadText(Field::Text0));
    const QString text2 = ToQ(form.ReadText(Field::Text2));
    const QString moved_from = from == "Text0" ? sequence : decoded;
    const QString moved_to = to == "Text0" ? text0 : text2;
    // The box dragged from, without the piece, and the box dropped into,
    // without the piece, are what they were: nothing lost, nothing twice.
    auto sorted = [](QString text) { std::sort(text.begin(), text.end()); return text; };
    if (from == to) {
        QCOMPARE(sorted(moved_to), sorted(moved_from));
        QVERIFY2(moved_to != moved_from, "nothing was moved");
    } else {
        // What the drop put into the amino acids is what the sequence lost.
        qsizetype head = 0;
        while (head < decoded.size() && text2[head] == decoded[head]) ++head;
        const QString piece = text2.mid(head, text2.size() - decoded.size());
        QVERIFY2(!piece.isEmpty(), "nothing was moved");
        QCOMPARE(QString(text2).remove(head, piece.size()), decoded);
        bool lost_once = false;
        for (qsizetype at = sequence.indexOf(piece); at >= 0 && !lost_once; at = sequence.indexOf(piece, at + 1)) {
            lost_once = QString(sequence).remove(at, piece.size()) == text0;
        }
        QVERIFY2(lost_once, qPrintable(piece));
    }
    if (from == "Text0" && to == "Text0") QCOMPARE(text2, decoded);
    for (QPlainTextEdit* box : {source, target}) {
        QCOMPARE(ToQ(quinmare::FromDocumentText(box->document()->toRawText())),
                 ToQ(form.ReadText(box == Control<QPlainTextEdit>(form, "Text0") ? Field::Text0 : Field::Text2)));
    }
}

void RealWindowTest::realInputMethod_data() {
    QTest::addColumn<bool>("during");   // typed while a decode appends to the box
    QTest::addColumn<QString>("keys");  // what xdotool does after the romaji
    QTest::addColumn<QString>("kept");  // what the composition leaves in the box
    const QString converted = QString::fromUtf8("日本語");
    const QString kana = QString::fromUtf8("にほんご");
    for (bool during : {false, true}) {
        const char* when = during ? "during a decode" : "idle";
        QTest::addRow("%s, converted and committed", when) << during << "key space Return" << converted;
        QTest::addRow("%s, cancelled", when) << during << "key Escape" << QString();
        QTest::addRow("%s, a click into the other box", when) << during << "mousemove --sync %1 %2 click 1" << kana;
    }
}

void RealWindowTest::realInputMethod() {
    // Japanese typed through a real input method (IBus with Mozc, started
    // by run_ime.sh) into the amino-acid box: "nihongo" composes にほんご.
    // Whatever ends the composition, it is committed once, into the box it
    // was typed in, and no piece of it stays drawn anywhere.
    if (qEnvironmentVariableIsEmpty("QUINMARE_REAL_IME")) QSKIP("needs a running input method (tests/run_ime.sh)");
    QFETCH(bool, during);
    QFETCH(QString, keys);
    QFETCH(QString, kept);
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form, kPatience));
    auto* text0 = Control<QPlainTextEdit>(form, "Text0");
    auto* text2 = Control<QPlainTextEdit>(form, "Text2");
    const QString sequence = QString("ATGTGGTAA").repeated(1111);
    form.WriteText(Field::Text0, ToU16(sequence));
    Control<QSlider>(form, "Slider1")->setValue(9999);
    QCOMPARE(QProcess::execute("xdotool", {"windowfocus", "--sync", QString::number(form.winId())}), 0);
    text2->setFocus();
    auto composing = [](QPlainTextEdit* box) {
        for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next()) {
            if (!block.layout()->preeditAreaText().isEmpty()) return true;
        }
        return false;
    };
    // Mozc takes its first keys as Latin letters while it starts: a key is
    // typed until it composes, and that composition cancelled.
    bool ready = false;
    for (int attempt = 0; attempt < 30 && !ready; ++attempt) {
        QProcess::execute("xdotool", {"key", "a"});
        ready = QTest::qWaitFor([&] { return composing(text2) || !form.ReadText(Field::Text2).empty(); }, 5000) &&
                composing(text2);
        if (!ready) form.WriteText(Field::Text2, u"");
    }
    QVERIFY2(ready, "Mozc never composed");
    QProcess::execute("xdotool", {"key", "Escape"});
    QTRY_VERIFY_WITH_TIMEOUT(!composing(text2), kPatience);
    QCOMPARE(ToQ(form.ReadText(Field::Text2)), QString());
    const QPoint other = text0->viewport()->mapToGlobal(text0->viewport()->rect().center());
    // The romaji, then, once they are composed, what ends the composition.
    QProcess typing;
    const QStringList romaji = {"-c", "xdotool type --delay 60 nihongo"};
    const QStringList ending = {"-c", "xdotool " + keys.arg(other.x()).arg(other.y())};
    bool typed_during_the_run = false;
    connect(&typing, &QProcess::finished, &form, [&] {
        if (typing.arguments() == ending) typed_during_the_run = form.RunDepth() > 0;
        if (typing.arguments() != romaji) return;
        QTRY_VERIFY_WITH_TIMEOUT(text2->textCursor().block().layout()->preeditAreaText() == QString::fromUtf8("にほんご"),
                                 kPatience);
        typing.start("sh", ending);
    });
    // The decode goes on while the keys are typed, however long they take.
    const std::size_t full = 19998;  // the decoded text's length
    RunWhileUserActs decode(form, Field::Text2, full - 500,
                            [&] { return typing.state() == QProcess::NotRunning && typing.arguments() == ending; });
    if (during) {
        QVERIFY(decode.Start());
        bool started = false;
        QTimer start;
        connect(&start, &QTimer::timeout, &form, [&] {
            if (form.RunDepth() == 0 || started) return;
            started = true;
            text2->setFocus();  // the user clicked the button, then into the box
            typing.start("sh", romaji);
        });
        start.start(1);
        QTest::mouseClick(Control(form, "Command2"), Qt::LeftButton);
    } else {
        typing.start("sh", romaji);
    }
    QTRY_VERIFY_WITH_TIMEOUT(typing.state() == QProcess::NotRunning && typing.arguments() == ending, kPatience);
    QCOMPARE(typing.exitCode(), 0);
    QCOMPARE(typed_during_the_run, during);
    // The input method's last answers: the composition ends, committed or not.
    QTRY_VERIFY_WITH_TIMEOUT(!composing(text0) && !composing(text2) && (kept.isEmpty() || form.ReadText(Field::Text2).find(
                                 ToU16(kept)) != std::u16string::npos), kPatience);
    if (qEnvironmentVariableIsSet("QUINMARE_SHOT")) QProcess::execute("import", {"-window", "root", qEnvironmentVariable("QUINMARE_SHOT") + "-" + QTest::currentDataTag() + ".png"});
    QTRY_COMPARE_WITH_TIMEOUT(form.RunDepth(), 0, kPatience);
    form.ShowPendingText();

    QString amino = ToQ(form.ReadText(Field::Text2));
    QCOMPARE(ToQ(form.ReadText(Field::Text0)), sequence);
    if (!kept.isEmpty()) {
        QCOMPARE(amino.count(kept), 1);
        amino.remove(kept);
    }
    // Nothing else of the composition (にほ, にほn, Latin letters) is left.
    if (!during) QCOMPARE(amino, QString());
    if (during) {
        quinmare::MemoryFields core;
        core[Field::Text0] = ToU16(sequence);
        core[Field::Text1] = u"9999";
        quinmare::Command2_Click(core);
        QCOMPARE(amino, ToQ(core[Field::Text2]));
    }
    for (QPlainTextEdit* box : {text0, text2}) {
        for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next()) {
            QVERIFY2(block.layout()->preeditAreaText().isEmpty(),
                     qPrintable(QString("%1, paragraph %2").arg(box->objectName()).arg(block.blockNumber())));
        }
    }
}

// Qt Test's own main, ending the way the program does: on Wayland without
// the toolkit's teardown, whose deadlock would outlast the tests.
int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    RealWindowTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return quinmare::EndProcess(QTest::qExec(&test, argc, argv));
}
#include "tst_real_window.moc"
