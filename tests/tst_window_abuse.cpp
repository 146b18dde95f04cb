// SPDX-License-Identifier: GPL-3.0-or-later
// What users do to the window while it works: typing, pasting and dropping
// into the boxes during runs, moving the slider, huge pastes, closing the
// window deep inside nested runs.
#include <QtTest>

#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QAccessible>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QSlider>

#include "form1.h"
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif
#include "sequence/decoding_run.h"
#include "sequence/memory_fields.h"
#include "test_text.h"
#include "text_box.h"
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

// What a clipboard, a selection or a drag can hold.
QMimeData* Offer(const QString& holds) {
    auto* mime = new QMimeData;
    if (holds == "text") mime->setText("x");
    if (holds == "text with NUL") mime->setText(QString("x") + QChar(0) + "y");
    if (holds == "image") {
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::red);
        mime->setImageData(image);
    }
    return mime;  // "nothing": no format at all, as after the owner has quit
}

// What a route inserts when the clipboard or drag holds that.
QString Inserted(const QString& kind, const QString& holds) {
    if (kind == "key" || kind == "input method" || kind == "preedit" || kind == "accessibility") return "x";
    if (holds == "text") return "x";
    if (holds == "text with NUL") return QString("x") + QChar(0) + "y";
    return {};
}

// Sends one piece of user input into a box, by the route named.
void PostInput(QPlainTextEdit* box, const QString& kind, const QString& holds) {
    auto post_key = [box](Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& text = {}) {
        QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyPress, key, modifiers, text));
        QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyRelease, key, modifiers, text));
    };
    if (kind == "key") {
        post_key(Qt::Key_X, Qt::NoModifier, "x");
    } else if (kind == "input method" || kind == "preedit") {
        if (kind == "preedit") {
            // A composition still open while the run goes on, committed later.
            QCoreApplication::postEvent(box, new QInputMethodEvent(QString::fromUtf8("か"), {}));
            QTimer::singleShot(30, box, [box] {
                QInputMethodEvent commit;
                commit.setCommitString("x");
                QCoreApplication::sendEvent(box, &commit);
            });
            return;
        }
        auto* event = new QInputMethodEvent;
        event->setCommitString("x");
        QCoreApplication::postEvent(box, event);
    } else if (kind == "accessibility") {
        // A screen reader's insertion at the end of the text it is shown.
        QMetaObject::invokeMethod(box, [box] {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(box);
            accessible->editableTextInterface()->insertText(accessible->textInterface()->characterCount(), "x");
        }, Qt::QueuedConnection);
    } else if (kind == "drop") {
        // Below the last line: the drop lands at the end of the text.
        static std::vector<std::unique_ptr<QMimeData>> keep;  // kept for the events' life
        QMimeData* mime = keep.emplace_back(Offer(holds)).get();
        QWidget* target = box->viewport();
        const QPoint at(target->width() - 30, target->height() - 5);
        QCoreApplication::postEvent(target, new QDragEnterEvent(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(target, new QDragMoveEvent(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(target, new QDropEvent(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier));
    } else {
        QGuiApplication::clipboard()->setMimeData(Offer(holds));
        if (kind == "Ctrl+V") post_key(Qt::Key_V, Qt::ControlModifier);
        if (kind == "Shift+Insert") post_key(Qt::Key_Insert, Qt::ShiftModifier);
        if (kind == "menu paste") {
            QCoreApplication::postEvent(box->viewport(), new QContextMenuEvent(QContextMenuEvent::Keyboard, QPoint(5, 5), box->viewport()->mapToGlobal(QPoint(5, 5))));
            QMetaObject::invokeMethod(box, [] {
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                if (!menu) return;
                for (QAction* action : menu->actions()) {
                    if (action->objectName() == "edit-paste") action->trigger();
                }
                menu->close();
            }, Qt::QueuedConnection);
        }
    }
}

// Qt's own libraries are built without exception support: an exception
// thrown through them unwinds without running their destructors, so what
// they held then, and what they build on it afterwards, leaks. Not ours.
struct QtLeaksIgnored {
#if defined(__SANITIZE_ADDRESS__)
    QtLeaksIgnored() { __lsan_disable(); }
    ~QtLeaksIgnored() { __lsan_enable(); }
#endif
};

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
    void hugePastesStayExactAndUsable_data();
    void hugePastesStayExactAndUsable();
    void handOverFailureLeavesTheBoxesWorking_data();
    void handOverFailureLeavesTheBoxesWorking();
    void randomUserNeverDesynchronisesTheBoxes_data();
    void randomUserNeverDesynchronisesTheBoxes();
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
    QTest::addColumn<QString>("holds");  // the clipboard or the drag
    // Idle, and during each run into the box the run grows, by every route.
    for (const char* run : {"idle", "Command1", "Command2"}) {
        const char* box = QByteArray(run) == "Command2" ? "Text2" : "Text0";
        for (const char* kind : {"key", "input method", "preedit", "accessibility"}) {
            QTest::addRow("%s, %s, %s", run, box, kind) << run << box << kind << "";
        }
        for (const char* kind : {"Ctrl+V", "Shift+Insert", "menu paste", "drop"}) {
            for (const char* holds : {"text", "text with NUL", "image", "nothing"}) {
                QTest::addRow("%s, %s, %s, %s", run, box, kind, holds) << run << box << kind << holds;
            }
        }
    }
    // Into the other box during a run.
    for (const char* kind : {"key", "Ctrl+V"}) {
        QTest::addRow("Command1, Text2, %s", kind) << "Command1" << "Text2" << kind << "text";
        QTest::addRow("Command2, Text0, %s", kind) << "Command2" << "Text0" << kind << "text";
    }
}

void WindowAbuseTest::inputDuringRunsLandsWhereTheFieldsSay() {
    QFETCH(QString, run);
    QFETCH(QString, box);
    QFETCH(QString, kind);
    QFETCH(QString, holds);
    const QString inserted = Inserted(kind, holds);
    const bool idle = run == "idle";
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

    QString at_input;
    bool sent = false;
    if (idle) {
        sent = true;
        at_input = before;
        PostInput(target_box, kind, holds);
        QTest::qWait(50);
    } else {
        // Once the run's box has text on its way, the input arrives.
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            if (sent || ToQ(form_->ReadText(written)).size() < 30) return;
            if (Shown(written_box) == ToQ(form_->ReadText(written))) return;  // nothing pending yet
            sent = true;
            at_input = ToQ(form_->ReadText(target));
            PostInput(target_box, kind, holds);
        });
        watch.start(0);
        Press(qPrintable(run));
        watch.stop();
    }
    QVERIFY2(sent, "no input was sent while text was pending");
    if (kind == "preedit") QTRY_VERIFY(ToQ(form_->ReadText(target)).contains('x'));

    const QString after = ToQ(form_->ReadText(target));
    QCOMPARE(Shown(target_box), after);
    QString without = after;
    const qsizetype x = inserted.isEmpty() ? after.size() : after.indexOf(inserted);
    if (!inserted.isEmpty()) {
        QCOMPARE(after.count(inserted), 1);
        without.remove(x, inserted.size());
    }
    // Routes that reach the box as input events land where the fields say,
    // the run's text waiting for the next frame included.
    const bool placed = !inserted.isEmpty() && kind != "accessibility" && kind != "preedit";
    if (idle) {
        QCOMPARE(without, before);
        if (placed) QCOMPARE(x, before.size());
    } else if (target == written) {
        // Typed text stays where it landed and the run carries on after it.
        if (placed) QCOMPARE(after.left(x), at_input);
        if (generate) {
            QVERIFY(QRegularExpression("^[ATGC]{600}$").match(without).hasMatch());
        } else {
            QCOMPARE(without, CoreDecode(sequence, "600"));
        }
    } else {
        QCOMPARE(without, before);
        if (!generate) QCOMPARE(ToQ(form_->ReadText(Field::Text2)), CoreDecode(sequence, "600"));
    }

    // Undo takes back the user's insertion and nothing the program wrote;
    // redo puts it back.
    if (inserted.isEmpty()) return;
    target_box->setFocus();
    QTest::keyClick(target_box, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(ToQ(form_->ReadText(target)), without);
    QTest::keyClick(target_box, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(ToQ(form_->ReadText(target)), after);
    QCOMPARE(Shown(target_box), after);
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

void WindowAbuseTest::hugePastesStayExactAndUsable_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("line");  // letters between line breaks, 0 for none
    QTest::newRow("10 MB in lines of 60") << (10 << 20) << 60;
    QTest::newRow("1 MiB on one line") << (1 << 20) << 0;
}

void WindowAbuseTest::hugePastesStayExactAndUsable() {
    QFETCH(int, size);
    QFETCH(int, line);
    QString pasted;
    pasted.reserve(size + size / 60);
    QRandomGenerator random(7);
    while (pasted.size() < size) {
        pasted += "ATGC"[random.bounded(4)];
        if (line && pasted.size() % (line + 1) == line) pasted += '\n';
    }
    QGuiApplication::clipboard()->setText(pasted);
    QPlainTextEdit* text0 = Box("Text0");
    text0->setFocus();
    QTest::keyClick(text0, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(text0->document()->blockCount(), int(pasted.count('\n')) + 1);
    // A key and its undoing, on a box this full.
    QTest::keyClick(text0, Qt::Key_A);
    QTest::keyClick(text0, Qt::Key_Backspace);

    SetSlider(10000);
    Press("Command2");
    QString crlf = pasted;
    crlf.replace("\n", "\r\n");
    QCOMPARE(ToQ(form_->ReadText(Field::Text0)), crlf);
    QCOMPARE(text0->toPlainText(), pasted);
    QCOMPARE(ToQ(form_->ReadText(Field::Text2)), CoreDecode(crlf, "10000"));
}

void WindowAbuseTest::handOverFailureLeavesTheBoxesWorking_data() {
    QTest::addColumn<QString>("when");
    QTest::newRow("at a frame, idle") << "idle";
    QTest::newRow("during a decode") << "Command2";
}

void WindowAbuseTest::handOverFailureLeavesTheBoxesWorking() {
    QFETCH(QString, when);
    [[maybe_unused]] const QtLeaksIgnored ignored;
    init();  // a window of its own, made while leaks are ignored
    // The widget fails once while taking the program's text (as it would
    // when memory runs out): nothing may escape into the event loop, and the
    // box must go on taking the user's edits and the program's text.
    QPlainTextEdit* text2 = Box("Text2");
    bool armed = true;
    connect(text2->document(), &QTextDocument::contentsChanged, this, [&] {
        if (armed && text2->document()->characterCount() > 1) {
            armed = false;
            throw std::bad_alloc();
        }
    });
    form_->WriteText(Field::Text0, u"ATGTGGAAATTT");
    if (when == "idle") {
        form_->WriteText(Field::Text2, u"Met__");
        QTRY_VERIFY(!armed);
    } else {
        SetSlider(12);
        Press("Command2");
        QVERIFY(!armed);
        QCOMPARE(form_->RunDepth(), 0);
    }
    const QString written = ToQ(form_->ReadText(Field::Text2));
    QTRY_COMPARE(Shown(text2), written);
    text2->setFocus();
    text2->moveCursor(QTextCursor::End);
    QTest::keyClicks(text2, "x");
    QCOMPARE(ToQ(form_->ReadText(Field::Text2)), written + "x");
    Press("Command2");
    QCOMPARE(ToQ(form_->ReadText(Field::Text2)), CoreDecode("ATGTGGAAATTT", ToQ(form_->ReadText(Field::Text1))));
    QCOMPARE(Shown(text2), ToQ(form_->ReadText(Field::Text2)));
}

void WindowAbuseTest::randomUserNeverDesynchronisesTheBoxes_data() {
    QTest::addColumn<quint32>("seed");
    for (quint32 seed : {1u, 2u, 3u}) QTest::addRow("seed %u", seed) << seed;
}

void WindowAbuseTest::randomUserNeverDesynchronisesTheBoxes() {
    QFETCH(quint32, seed);
    // A user doing anything at all, runs included, by every route: at every
    // pause each box shows exactly what its field holds.
    QRandomGenerator random(seed);
    SetSlider(90);
    const QStringList keys = {"A", "T", "G", "C", "x", "\n", "\b", "\x7f"};
    for (int step = 0; step < 10000; ++step) {
        QPlainTextEdit* box = Box(random.bounded(2) ? "Text0" : "Text2");
        const int action = random.bounded(12);
        auto key = [&](Qt::Key code, Qt::KeyboardModifiers modifiers = {}, const QString& text = {}) {
            QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyPress, code, modifiers, text));
        };
        switch (action) {
        case 0: {
            const QString k = keys[random.bounded(keys.size())];
            key(k == "\n" ? Qt::Key_Return : k == "\b" ? Qt::Key_Backspace : k == "\x7f" ? Qt::Key_Delete : Qt::Key_A,
                {}, k == "\b" || k == "\x7f" ? QString() : k);
            break;
        }
        case 1: key(Qt::Key(Qt::Key_Left + random.bounded(4)), random.bounded(2) ? Qt::ShiftModifier : Qt::NoModifier); break;
        case 2: key(Qt::Key_Z, random.bounded(2) ? Qt::ControlModifier : Qt::ControlModifier | Qt::ShiftModifier); break;
        case 3: PostInput(box, "Ctrl+V", QStringList{"text", "text with NUL", "image", "nothing"}[random.bounded(4)]); break;
        case 4: PostInput(box, "accessibility", ""); break;
        case 5: PostInput(box, random.bounded(2) ? "preedit" : "input method", ""); break;
        case 6: PostInput(box, "drop", "text"); break;
        case 7: key(Qt::Key_A, Qt::ControlModifier); break;
        case 8: key(Qt::Key_X, Qt::ControlModifier); break;
        case 9: PostClick(Control(*form_, random.bounded(2) ? "Command1" : "Command2")); break;
        case 10: SetSlider(random.bounded(120)); break;
        default: QCoreApplication::processEvents(); break;
        }
        // Input piles up, or is taken in, runs and all, before the next.
        if (random.bounded(2)) QCoreApplication::processEvents();
        if (random.bounded(4) == 0) {
            QCoreApplication::processEvents();
            QTRY_COMPARE(form_->RunDepth(), 0);
            form_->ShowPendingText();
            QCOMPARE(Shown(Box("Text0")), ToQ(form_->ReadText(Field::Text0)));
            QCOMPARE(Shown(Box("Text2")), ToQ(form_->ReadText(Field::Text2)));
        }
    }
    QTRY_COMPARE(form_->RunDepth(), 0);
    QTest::qWait(50);  // a composition still to be committed
    form_->ShowPendingText();
    QCOMPARE(Shown(Box("Text0")), ToQ(form_->ReadText(Field::Text0)));
    QCOMPARE(Shown(Box("Text2")), ToQ(form_->ReadText(Field::Text2)));
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
    // Every codon differs from the one before: a write after the close
    // would change what Text3 shows.
    form_->WriteText(Field::Text0, ToU16(QString("ATGTGGAAACCC").repeated(75)));
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
