// What users do to the window while it works: typing, pasting and dropping
// into the boxes during runs, moving the slider, huge pastes, closing the
// window deep inside nested runs.
#include <QtTest>

#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QSlider>

#include "form1.h"
#include "sequence/decoding_run.h"
#include "sequence/memory_fields.h"
#include "test_text.h"
#include "text_box_field.h"
#include "window_helpers.h"

using quinmare::Field;
using quinmare::Form1;

namespace {

QString Shown(QPlainTextEdit* box) { return ToQ(quinmare::FromDocumentText(box->document()->toRawText())); }

// What the core alone decodes from a sequence and a length.
QString CoreDecode(const QString& sequence, const QString& length) {
    quinmare::MemoryFields fields;
    fields[Field::Text0] = ToU16(sequence);
    fields[Field::Text1] = ToU16(length);
    quinmare::Command2_Click(fields);
    return ToQ(fields[Field::Text2]);
}

// Sends one piece of user input that inserts "x" into a box.
void PostInput(QPlainTextEdit* box, const QString& kind) {
    if (kind == "key") {
        QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x"));
        QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, "x"));
    } else if (kind == "input method") {
        auto* event = new QInputMethodEvent;
        event->setCommitString("x");
        QCoreApplication::postEvent(box, event);
    } else if (kind == "paste") {
        QGuiApplication::clipboard()->setText("x");
        QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier));
    } else if (kind == "drop") {
        // Below the last line: the drop lands at the end of the text.
        auto* mime = new QMimeData;  // owned by the test, kept for the events' life
        mime->setText("x");
        static std::vector<std::unique_ptr<QMimeData>> keep;
        keep.emplace_back(mime);
        QWidget* target = box->viewport();
        const QPoint at(target->width() - 30, target->height() - 5);
        QCoreApplication::postEvent(target, new QDragEnterEvent(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(target, new QDragMoveEvent(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(target, new QDropEvent(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier));
    }
}

}  // namespace

class WindowAbuseTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void boxesNeverShowWrongText_data();
    void boxesNeverShowWrongText();
    void inputDuringRunsLandsWhereTheFieldsSay_data();
    void inputDuringRunsLandsWhereTheFieldsSay();
    void sliderMovedDuringRuns_data();
    void sliderMovedDuringRuns();
    void tenMegabytesPastedAndDecoded();
    void closeAtEveryDepthEndsTheEventLoop_data();
    void closeAtEveryDepthEndsTheEventLoop();

private:
    void Press(const char* button) { QTest::mouseClick(Control(*form_, button), Qt::LeftButton); }
    QPlainTextEdit* Box(const char* name) { return Control<QPlainTextEdit>(*form_, name); }
    void SetSlider(int position) {
        Control<QSlider>(*form_, "Slider1")->setValue(position);
    }

    std::unique_ptr<Form1> form_;
};

void WindowAbuseTest::init() {
    form_ = std::make_unique<Form1>();
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void WindowAbuseTest::cleanup() { form_.reset(); }

void WindowAbuseTest::boxesNeverShowWrongText_data() {
    QTest::addColumn<QString>("run");
    QTest::newRow("generate") << "Command1";
    QTest::newRow("decode") << "Command2";
}

void WindowAbuseTest::boxesNeverShowWrongText() {
    QFETCH(QString, run);
    // The screen may be a frame late, but what it shows is always the
    // beginning of what the field holds.
    form_->WriteText(Field::Text0, ToU16(QString(3000, 'A').replace(7, 3, "TAA")));
    SetSlider(3000);
    int changes = 0;
    int wrong = 0;
    for (const char* name : {"Text0", "Text2"}) {
        const Field field = QByteArray(name) == "Text0" ? Field::Text0 : Field::Text2;
        QPlainTextEdit* box = Box(name);
        connect(box->document(), &QTextDocument::contentsChanged, this, [&, box, field] {
            ++changes;
            if (!ToQ(form_->ReadText(field)).startsWith(Shown(box))) ++wrong;
        });
    }
    Press(qPrintable(run));
    QVERIFY(changes > 0);
    QCOMPARE(wrong, 0);
    QCOMPARE(Shown(Box("Text0")), ToQ(form_->ReadText(Field::Text0)));
    QCOMPARE(Shown(Box("Text2")), ToQ(form_->ReadText(Field::Text2)));
}

void WindowAbuseTest::inputDuringRunsLandsWhereTheFieldsSay_data() {
    QTest::addColumn<QString>("run");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("kind");
    for (const char* kind : {"key", "input method", "paste", "drop"}) {
        QTest::addRow("generate, Text0, %s", kind) << "Command1" << "Text0" << kind;
        QTest::addRow("generate, Text2, %s", kind) << "Command1" << "Text2" << kind;
        QTest::addRow("decode, Text2, %s", kind) << "Command2" << "Text2" << kind;
        QTest::addRow("decode, Text0, %s", kind) << "Command2" << "Text0" << kind;
    }
}

void WindowAbuseTest::inputDuringRunsLandsWhereTheFieldsSay() {
    QFETCH(QString, run);
    QFETCH(QString, box);
    QFETCH(QString, kind);
    const bool generate = run == "Command1";
    const Field written = generate ? Field::Text0 : Field::Text2;  // the box the run grows
    const Field target = box == "Text0" ? Field::Text0 : Field::Text2;
    QPlainTextEdit* written_box = Box(generate ? "Text0" : "Text2");
    QPlainTextEdit* target_box = Box(qPrintable(box));

    const QString sequence = "ATGTGGAAATAA" + QString(588, 'C');
    form_->WriteText(Field::Text0, ToU16(sequence));
    form_->WriteText(Field::Text2, u"Gly__");
    form_->ShowPendingText();
    SetSlider(600);
    const QString before = ToQ(form_->ReadText(target));

    // Once the run's box has text on its way, the input arrives.
    QString at_input;
    bool sent = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        if (sent || ToQ(form_->ReadText(written)).size() < 30) return;
        if (Shown(written_box) == ToQ(form_->ReadText(written))) return;  // nothing pending yet
        sent = true;
        at_input = ToQ(form_->ReadText(target));
        PostInput(target_box, kind);
    });
    watch.start(0);
    Press(qPrintable(run));
    watch.stop();
    QVERIFY2(sent, "no input was sent while text was pending");

    const QString after = ToQ(form_->ReadText(target));
    QCOMPARE(Shown(target_box), after);
    QCOMPARE(after.count('x'), 1);
    const qsizetype x = after.indexOf('x');
    QString without = after;
    without.remove(x, 1);
    if (target == written) {
        // Typed text stays where it landed and the run carries on after it.
        QCOMPARE(x, at_input.size());
        QCOMPARE(after.left(x), at_input);
        if (generate) {
            QVERIFY(QRegularExpression("^[ATGC]{600}$").match(without).hasMatch());
        } else {
            QCOMPARE(without, CoreDecode(sequence, "600"));
        }
    } else {
        QCOMPARE(without, before);
        if (!generate) QCOMPARE(ToQ(form_->ReadText(Field::Text2)), CoreDecode(sequence, "600"));
    }
}

void WindowAbuseTest::sliderMovedDuringRuns_data() {
    QTest::addColumn<QString>("run");
    QTest::newRow("generate") << "Command1";
    QTest::newRow("decode") << "Command2";
}

void WindowAbuseTest::sliderMovedDuringRuns() {
    QFETCH(QString, run);
    const QString sequence = QString("ATGTGG").repeated(50);
    form_->WriteText(Field::Text0, ToU16(sequence));
    SetSlider(301);
    auto* slider = Control<QSlider>(*form_, "Slider1");
    QTimer::singleShot(0, form_.get(), [slider] { QTest::keyClick(slider, Qt::Key_End); });
    Press(qPrintable(run));
    // The slider link ran; the run kept its own length.
    QCOMPARE(ToQ(form_->ReadText(Field::Text1)), QString("10000"));
    QCOMPARE(form_->ReadSliderPosition(), 10000);
    if (run == "Command1") {
        QCOMPARE(form_->ReadText(Field::Text0).size(), std::size_t{300});
    } else {
        QCOMPARE(ToQ(form_->ReadText(Field::Text2)), CoreDecode(sequence, "301"));
    }
}

void WindowAbuseTest::tenMegabytesPastedAndDecoded() {
    QString pasted;
    pasted.reserve(10 << 20);
    QRandomGenerator random(7);
    while (pasted.size() < (10 << 20)) {
        for (int k = 0; k < 60; ++k) pasted += "ATGC"[random.bounded(4)];
        pasted += '\n';
    }
    QGuiApplication::clipboard()->setText(pasted);
    QPlainTextEdit* text0 = Box("Text0");
    text0->setFocus();
    QTest::keyClick(text0, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(text0->document()->blockCount(), int(pasted.count('\n')) + 1);

    SetSlider(10000);
    Press("Command2");
    QString crlf = pasted;
    crlf.replace("\n", "\r\n");
    QCOMPARE(ToQ(form_->ReadText(Field::Text0)), crlf);
    QCOMPARE(text0->toPlainText(), pasted);
    QCOMPARE(ToQ(form_->ReadText(Field::Text2)), CoreDecode(crlf, "10000"));
}

void WindowAbuseTest::closeAtEveryDepthEndsTheEventLoop_data() {
    QTest::addColumn<int>("depth");
    for (int depth = 1; depth <= 5; ++depth) QTest::addRow("depth %d", depth) << depth;
}

void WindowAbuseTest::closeAtEveryDepthEndsTheEventLoop() {
    QFETCH(int, depth);
    // Runs inside the application's own event loop, as the program does:
    // generate and decode runs alternate in the nesting, then the window
    // closes; every run must end, and the loop with them.
    form_->WriteText(Field::Text0, ToU16(QString(900, 'G')));
    SetSlider(900);
    int started = 0;
    int writes_after_close = 0;
    bool closed = false;
    connect(Control<QLineEdit>(*form_, "Text3"), &QLineEdit::textChanged, this, [&] { writes_after_close += closed; });
    connect(Control<QLineEdit>(*form_, "Text1"), &QLineEdit::textChanged, this, [&] { writes_after_close += closed; });
    QElapsedTimer since_close;
    QTimer step;
    connect(&step, &QTimer::timeout, this, [&] {
        if (form_->RunDepth() < started || closed) return;  // the last press has not started yet
        if (started < depth) {
            PostClick(Control(*form_, started % 2 == 0 ? "Command2" : "Command1"));
            ++started;
        } else {
            closed = true;
            since_close.start();
            form_->close();
        }
    });
    step.start(0);
    QApplication::setQuitOnLastWindowClosed(true);
    QApplication::exec();
    step.stop();
    // For the record only; how fast is the benchmark's business.
    qInfo("event loop ended %.2f ms after the close", since_close.nsecsElapsed() / 1e6);
    QVERIFY(closed);
    QCOMPARE(started, depth);
    QCOMPARE(form_->RunDepth(), 0);
    QCOMPARE(writes_after_close, 0);
    // The runs stopped short: the outer decode, and the nested generate.
    QVERIFY(form_->ReadText(Field::Text2).size() < 300 * 5);
    if (depth > 1) QVERIFY(form_->ReadText(Field::Text0).size() < 900);
}

QTEST_MAIN(WindowAbuseTest)
#include "tst_window_abuse.moc"
