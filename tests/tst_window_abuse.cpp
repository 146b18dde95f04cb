// SPDX-License-Identifier: GPL-3.0-or-later
// What users do to the window while it works: typing, pasting and dropping
// into the boxes during runs, moving the slider, huge pastes, closing the
// window deep inside nested runs.
#include <QtTest>

#include <QAccessible>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
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
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
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

// What a clipboard, a selection or a drag can hold; "nothing" offers no
// format at all, as after the owner has quit.
enum class Holds { Text, TextWithNul, Image, Nothing };
const char* const kHolds[] = {"text", "text with NUL", "image", "nothing"};

QMimeData* Offer(Holds holds) {
    auto* mime = new QMimeData;
    if (holds == Holds::Text) mime->setText("x");
    if (holds == Holds::TextWithNul) mime->setText(QString("x") + QChar(0) + "y");
    if (holds == Holds::Image) {
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::red);
        mime->setImageData(image);
    }
    return mime;
}

// The routes by which the user's input reaches a box. The first four type
// an "x"; the others insert what the clipboard or the drag holds.
enum class Route { Key, InputMethod, Preedit, Accessibility, CtrlV, ShiftInsert, MenuPaste, Drop };
const char* const kRoutes[] = {"key", "input method", "preedit", "accessibility",
                               "Ctrl+V", "Shift+Insert", "menu paste", "drop"};
constexpr bool Types(Route route) { return route <= Route::Accessibility; }

QString Inserted(Route route, Holds holds) {
    if (Types(route) || holds == Holds::Text) return "x";
    if (holds == Holds::TextWithNul) return QString("x") + QChar(0) + "y";
    return {};
}

// Sends one piece of user input into a box, by the route given.
void PostInput(QPlainTextEdit* box, Route route, Holds holds = Holds::Text) {
    auto post_key = [box](Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& text = {}) {
        QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyPress, key, modifiers, text));
        QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyRelease, key, modifiers, text));
    };
    switch (route) {
    case Route::Key: post_key(Qt::Key_X, Qt::NoModifier, "x"); return;
    case Route::Preedit:
        // A composition still open while the run goes on, committed later.
        QCoreApplication::postEvent(box, new QInputMethodEvent(QString::fromUtf8("か"), {}));
        QTimer::singleShot(30, box, [box] {
            QInputMethodEvent commit;
            commit.setCommitString("x");
            QCoreApplication::sendEvent(box, &commit);
        });
        return;
    case Route::InputMethod: {
        auto* event = new QInputMethodEvent;
        event->setCommitString("x");
        QCoreApplication::postEvent(box, event);
        return;
    }
    case Route::Accessibility:
        // A screen reader's insertion at the end of the text it is shown.
        QMetaObject::invokeMethod(box, [box] {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(box);
            accessible->editableTextInterface()->insertText(accessible->textInterface()->characterCount(), "x");
        }, Qt::QueuedConnection);
        return;
    case Route::Drop: {
        // Below the last line: the drop lands at the end of the text.
        static std::vector<std::unique_ptr<QMimeData>> keep;  // kept for the events' life
        QMimeData* mime = keep.emplace_back(Offer(holds)).get();
        QWidget* target = box->viewport();
        const QPoint at(target->width() - 30, target->height() - 5);
        QCoreApplication::postEvent(target, new QDragEnterEvent(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(target, new QDragMoveEvent(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(target, new QDropEvent(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier));
        return;
    }
    case Route::CtrlV:
    case Route::ShiftInsert:
    case Route::MenuPaste:
        QGuiApplication::clipboard()->setMimeData(Offer(holds));
        if (route == Route::CtrlV) post_key(Qt::Key_V, Qt::ControlModifier);
        if (route == Route::ShiftInsert) post_key(Qt::Key_Insert, Qt::ShiftModifier);
        if (route != Route::MenuPaste) return;
        QCoreApplication::postEvent(box->viewport(), new QContextMenuEvent(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                                                           box->viewport()->mapToGlobal(QPoint(5, 5))));
        QMetaObject::invokeMethod(box, [] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            for (QAction* action : menu->actions()) {
                if (action->objectName() == "edit-paste") action->trigger();
            }
            menu->close();
        }, Qt::QueuedConnection);
        return;
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

Q_DECLARE_METATYPE(Route)
Q_DECLARE_METATYPE(Holds)

class WindowAbuseTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void boxesNeverShowWrongText_data();
    void boxesNeverShowWrongText();
    void inputDuringRunsLandsWhereTheFieldsSay_data();
    void inputDuringRunsLandsWhereTheFieldsSay();
    void undoGroupsTheUsersEdits_data();
    void undoGroupsTheUsersEdits();
    void pasteIsOfferedOnlyForText_data();
    void pasteIsOfferedOnlyForText();
    void wrapModeFollowsTheLongestParagraph_data();
    void wrapModeFollowsTheLongestParagraph();
    void runsFollowTheEnd_data();
    void runsFollowTheEnd();
    void dropIntoTheLastLinesOfALongParagraph_data();
    void dropIntoTheLastLinesOfALongParagraph();
    void handOversArePacedByFrames_data();
    void handOversArePacedByFrames();
    void compositionDuringARunStaysInOnePlace();
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
    QTest::addColumn<Route>("route");
    QTest::addColumn<Holds>("holds");  // the clipboard or the drag
    // Idle, and during each run into the box the run grows, by every route.
    // What holds no text pastes nothing: every such case idle, and the one
    // that crashed Qt (an empty clipboard) during the runs.
    for (const char* run : {"idle", "Command1", "Command2"}) {
        const bool idle = QByteArray(run) == "idle";
        const char* box = QByteArray(run) == "Command2" ? "Text2" : "Text0";
        for (int r = 0; r < 8; ++r) {
            const Route route = Route(r);
            for (int h = 0; h < (Types(route) ? 1 : 4); ++h) {
                const Holds holds = Holds(h);
                const bool text = holds == Holds::Text || holds == Holds::TextWithNul;
                if (!idle && !text && !(route == Route::CtrlV && holds == Holds::Nothing)) continue;
                QTest::addRow("%s, %s, %s, %s", run, box, kRoutes[r], Types(route) ? "typed" : kHolds[h])
                    << run << box << route << holds;
            }
        }
    }
    // Into the other box during a run.
    for (Route route : {Route::Key, Route::CtrlV}) {
        const char* name = kRoutes[int(route)];
        QTest::addRow("Command1, Text2, %s", name) << "Command1" << "Text2" << route << Holds::Text;
        QTest::addRow("Command2, Text0, %s", name) << "Command2" << "Text0" << route << Holds::Text;
    }
}

void WindowAbuseTest::inputDuringRunsLandsWhereTheFieldsSay() {
    QFETCH(QString, run);
    QFETCH(QString, box);
    QFETCH(Route, route);
    QFETCH(Holds, holds);
    const QString inserted = Inserted(route, holds);
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
        PostInput(target_box, route, holds);
        QTest::qWait(50);
    } else {
        // Once the run's box has text on its way, the input arrives.
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            if (sent || ToQ(form_->ReadText(written)).size() < 30) return;
            if (Shown(written_box) == ToQ(form_->ReadText(written))) return;  // nothing pending yet
            sent = true;
            at_input = ToQ(form_->ReadText(target));
            PostInput(target_box, route, holds);
        });
        watch.start(0);
        Press(qPrintable(run));
        watch.stop();
    }
    QVERIFY2(sent, "no input was sent while text was pending");
    if (route == Route::Preedit) QTRY_VERIFY(ToQ(form_->ReadText(target)).contains('x'));

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
    const bool placed = !inserted.isEmpty() && route != Route::Accessibility && route != Route::Preedit;
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

void WindowAbuseTest::undoGroupsTheUsersEdits_data() {
    // Letters type themselves; "\n" is Return, "\v" Shift+Return, "\b"
    // BackSpace, "\x7f" Delete, "^" Home, "[...]" pastes what is inside,
    // "<" undoes and ">" redoes.
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("expected");
    QTest::newRow("a typing run is one step") << "abc<" << "";
    QTest::newRow("Return ends a typing run") << "ab\nc<" << "ab\r\n";
    QTest::newRow("and is a step of its own") << "ab\nc<<" << "ab";
    QTest::newRow("Shift+Return ends it too") << "ab\vc<" << "ab\r\n";
    QTest::newRow("a paste is a step of its own") << "a[xy]b<" << "axy";
    QTest::newRow("so is a paste of one letter") << "a[x]b<<" << "a";
    QTest::newRow("BackSpaces one after another are one step") << "abcd\b\b\b<" << "abcd";
    QTest::newRow("so are Deletes") << "abcd^\x7f\x7f<" << "abcd";
    QTest::newRow("typing after a deletion is a new step") << "abc\bd<" << "ab";
    QTest::newRow("redo puts back") << "ab\nc<<>" << "ab\r\n";
    QTest::newRow("a new edit ends what could be redone") << "ab\nc<<x>" << "abx";
}

void WindowAbuseTest::undoGroupsTheUsersEdits() {
    QFETCH(QString, script);
    QPlainTextEdit* box = Box("Text0");
    box->setFocus();
    for (qsizetype i = 0; i < script.size(); ++i) {
        const QChar c = script[i];
        if (c == '[') {
            const qsizetype end = script.indexOf(']', i);
            QGuiApplication::clipboard()->setText(script.mid(i + 1, end - i - 1));
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
            i = end;
        } else if (c == '<' || c == '>') {
            QTest::keyClick(box, Qt::Key_Z, c == '<' ? Qt::ControlModifier : Qt::ControlModifier | Qt::ShiftModifier);
        } else if (c == '\n' || c == '\v') {
            QTest::keyClick(box, Qt::Key_Return, c == '\v' ? Qt::ShiftModifier : Qt::NoModifier);
        } else if (c == '\b' || c == '\x7f' || c == '^') {
            QTest::keyClick(box, c == '\b' ? Qt::Key_Backspace : c == '^' ? Qt::Key_Home : Qt::Key_Delete);
        } else {
            QTest::keyClick(box, c.toLatin1());
        }
    }
    QTEST(ToQ(form_->ReadText(Field::Text0)), "expected");
}

void WindowAbuseTest::pasteIsOfferedOnlyForText_data() {
    QTest::addColumn<Holds>("holds");
    QTest::addColumn<bool>("offered");
    for (int h = 0; h < 4; ++h) QTest::addRow("%s", kHolds[h]) << Holds(h) << (Holds(h) <= Holds::TextWithNul);
}

void WindowAbuseTest::pasteIsOfferedOnlyForText() {
    QFETCH(Holds, holds);
    QFETCH(bool, offered);
    // What cannot be pasted is not offered: the menu's Paste is off, and a
    // drag of it is refused.
    QGuiApplication::clipboard()->setMimeData(Offer(holds));
    QPlainTextEdit* box = Box("Text0");
    const std::unique_ptr<QMenu> menu(box->createStandardContextMenu());
    QAction* paste = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->objectName() == "edit-paste") paste = action;
    }
    QVERIFY(paste);
    QCOMPARE(paste->isEnabled(), offered);
    const std::unique_ptr<QMimeData> dragged(Offer(holds));
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction | Qt::MoveAction, dragged.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(box->viewport(), &enter);
    QCOMPARE(enter.isAccepted(), offered);
}

void WindowAbuseTest::wrapModeFollowsTheLongestParagraph_data() {
    QTest::addColumn<bool>("pasted");  // or written by the program
    QTest::addColumn<int>("letters");
    QTest::addColumn<bool>("anywhere");
    for (bool pasted : {true, false}) {
        const char* how = pasted ? "pasted" : "written";
        QTest::addRow("%s, %d letters", how, quinmare::TextBox::kLongParagraph)
            << pasted << quinmare::TextBox::kLongParagraph << false;
        QTest::addRow("%s, %d letters", how, quinmare::TextBox::kLongParagraph + 1)
            << pasted << quinmare::TextBox::kLongParagraph + 1 << true;
    }
}

void WindowAbuseTest::wrapModeFollowsTheLongestParagraph() {
    QFETCH(bool, pasted);
    QFETCH(int, letters);
    QFETCH(bool, anywhere);
    const auto wanted = anywhere ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere;
    QPlainTextEdit* box = Box("Text0");
    // The mode is chosen before the text goes in: laying out a long
    // paragraph once with word wrap costs more than the paste.
    QTextOption::WrapMode at_change = QTextOption::ManualWrap;
    connect(box->document(), &QTextDocument::contentsChange, this, [&](int, int, int added) {
        if (added >= letters) at_change = box->wordWrapMode();
    });
    const QString line(letters, 'A');
    box->setFocus();
    if (pasted) {
        QGuiApplication::clipboard()->setText(line);
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    } else {
        form_->WriteText(Field::Text0, ToU16(line));
        form_->ShowPendingText();
    }
    QCOMPARE(at_change, wanted);
    QCOMPARE(box->wordWrapMode(), wanted);
    // Short again: words wrap whole again.
    if (pasted) {
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, "ATG GGG");
    } else {
        form_->WriteText(Field::Text0, u"ATG GGG");
    }
    QTRY_COMPARE(box->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
}

void WindowAbuseTest::runsFollowTheEnd_data() {
    QTest::addColumn<QString>("run");
    QTest::addColumn<QString>("user");  // what the user does once the box overflows
    // The decode: it writes its box for long enough on any build (a
    // generate in the sanitizer build hands over before several lines wait).
    for (const char* user : {"nothing", "scrolls up", "clicks"}) {
        QTest::addRow("Command2, the user %s", user) << "Command2" << user;
    }
}

void WindowAbuseTest::runsFollowTheEnd() {
    QFETCH(QString, run);
    QFETCH(QString, user);
    // Like a terminal: the view follows the text the run adds while its
    // end is in view, and stays where the user has put it otherwise. A
    // click lands on the text that was under the pointer.
    QPlainTextEdit* box = Box(run == "Command1" ? "Text0" : "Text2");
    const Field field = run == "Command1" ? Field::Text0 : Field::Text2;
    QScrollBar* scroll = box->verticalScrollBar();
    form_->WriteText(Field::Text0, ToU16(QString("ATGTGGTAA").repeated(1111)));
    SetSlider(9999);
    int aimed = -1;
    int landed = -1;
    struct PressWatch : QObject {
        std::function<void(QEvent*)> seen;
        bool eventFilter(QObject*, QEvent* event) override {
            seen(event);
            return false;
        }
    } watch;
    watch.seen = [&](QEvent* event) {
        if (event->type() == QEvent::MouseButtonPress) {
            aimed = box->cursorForPosition(static_cast<QMouseEvent*>(event)->position().toPoint()).position();
        }
        if (event->type() == QEvent::MouseButtonRelease) landed = box->textCursor().position();
    };
    box->viewport()->installEventFilter(&watch);
    bool done = false;
    QTimer act;
    connect(&act, &QTimer::timeout, this, [&] {
        // Once the box overflows and several lines wait for the next frame.
        const std::size_t waiting = form_->ReadText(field).size() - box->document()->characterCount();
        if (done || scroll->maximum() < 5 || waiting < 300 || waiting > 1u << 20) return;
        done = true;
        if (user == "scrolls up") scroll->setValue(2);
        if (user == "clicks") {
            QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, box->viewport()->rect().center());
        }
    });
    act.start(0);
    Press(qPrintable(run));
    act.stop();
    QVERIFY(done);
    QVERIFY(scroll->maximum() > 5);
    if (user == "nothing") QCOMPARE(scroll->value(), scroll->maximum());
    if (user == "scrolls up") QCOMPARE(scroll->value(), 2);
    if (user == "clicks") {
        QVERIFY(aimed > 0);
        QCOMPARE(landed, aimed);
    }
}

void WindowAbuseTest::dropIntoTheLastLinesOfALongParagraph_data() {
    QTest::addColumn<bool>("waiting");
    QTest::addColumn<int>("dropped");
    QTest::newRow("a codon") << false << 3;
    QTest::newRow("more than is left of the paragraph") << false << 100;
    QTest::newRow("with a run's text waiting for its frame") << true << 100;
}

void WindowAbuseTest::dropIntoTheLastLinesOfALongParagraph() {
    QFETCH(bool, waiting);
    QFETCH(int, dropped);
    // A generated sequence is one paragraph of many lines, shown at its end.
    // Text dropped into its last line lands where it was dropped, once; the
    // text a run wrote meanwhile comes after it, whole.
    QString text = QString("ATGC").repeated(2250);
    form_->WriteText(Field::Text0, ToU16(text));
    form_->ShowPendingText();
    QPlainTextEdit* box = Box("Text0");
    box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum());
    QTextCursor end(box->document());
    end.movePosition(QTextCursor::End);
    const QRect last_line = box->cursorRect(end);
    const QPoint at(last_line.center().x() / 2, last_line.center().y());
    const int aimed = box->cursorForPosition(at).position();
    QVERIFY(aimed > text.size() - 100 && aimed < text.size());
    if (waiting) {
        text += QString(300, 'C');
        form_->WriteText(Field::Text0, ToU16(text));
    }
    QMimeData mime;
    mime.setText(QString(dropped, 'G'));
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QDragMoveEvent move(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    for (QEvent* event : std::initializer_list<QEvent*>{&enter, &move, &drop}) QApplication::sendEvent(box->viewport(), event);
    const QString expected = text.left(aimed) + QString(dropped, 'G') + text.mid(aimed);
    QCOMPARE(ToQ(form_->ReadText(Field::Text0)), expected);
    form_->ShowPendingText();
    QCOMPARE(Shown(box), expected);
    QCOMPARE(box->textCursor().position(), aimed + dropped);
}

void WindowAbuseTest::handOversArePacedByFrames_data() {
    QTest::addColumn<bool>("listened");
    QTest::addColumn<int>("frame");
    QTest::newRow("seen") << false << 16;
    QTest::newRow("screen reader listening") << true << 100;
}

void WindowAbuseTest::handOversArePacedByFrames() {
    QFETCH(bool, listened);
    QFETCH(int, frame);
    // The run writes its boxes at every codon; the large box and the codon
    // box take the new text at most once a frame, and at least every few
    // frames.
    // Accessibility is on when an assistive program asks the desktop for it;
    // the listened row runs where it is forced on, once the bridge is up.
    if (listened) {
        if (QGuiApplication::platformName() == "offscreen") QSKIP("the offscreen platform has no accessibility");
        QTRY_VERIFY_WITH_TIMEOUT(QAccessible::isActive(), 10000);
    } else if (QAccessible::isActive()) {
        QSKIP("accessibility is on");
    }
    form_->WriteText(Field::Text0, ToU16(QString("ATGTGGAAA").repeated(1111)));
    SetSlider(9999);
    // Counted while a run goes on (what a run shows as it ends is not a
    // frame), by the millisecond: a hand-over that rewrites the box changes
    // its document twice.
    QElapsedTimer clock;
    QSet<qint64> hand_over_times, codon_times;
    connect(Box("Text2")->document(), &QTextDocument::contentsChange, this, [&] {
        if (form_->RunDepth() > 0) hand_over_times.insert(clock.elapsed());
    });
    connect(Control<QLineEdit>(*form_, "Text3"), &QLineEdit::textChanged, this, [&] {
        if (form_->RunDepth() > 0) codon_times.insert(clock.elapsed());
    });
    // A decode may be shorter than a slow frame: several in a row.
    const int runs = listened ? 6 : 2;
    clock.start();
    for (int i = 0; i < runs; ++i) Press("Command2");
    const qint64 elapsed = clock.elapsed();
    const int hand_overs = hand_over_times.size();
    const int codons_shown = codon_times.size();
    qInfo("%d hand-overs, %d codons shown in %lld ms", hand_overs, codons_shown, elapsed);
    for (int shown : {hand_overs, codons_shown}) {
        const QString figures = QString("%1 in %2 ms").arg(shown).arg(elapsed);
        QVERIFY2(shown <= elapsed / frame + runs, qPrintable(figures));
        if (!listened) QVERIFY2(shown >= 1 && shown * frame * 4 >= elapsed, qPrintable(figures));
    }
}

void WindowAbuseTest::compositionDuringARunStaysInOnePlace() {
    // An input method's composition, open in the box a decode appends to,
    // updated as romaji are typed and then committed. Qt keeps a composition
    // drawn in the paragraph that held the caret at its last update, and
    // never clears it from one the caret has left: the run's text waits
    // while the composition is open, and afterwards no paragraph holds one.
    const QString sequence = QString("ATGTAA").repeated(1666);
    form_->WriteText(Field::Text0, ToU16(sequence));
    SetSlider(9996);
    QPlainTextEdit* box = Box("Text2");
    box->activateWindow();
    const QStringList typed = {QString::fromUtf8("に"), QString::fromUtf8("にh"), QString::fromUtf8("にほ"),
                               QString::fromUtf8("にほn"), QString::fromUtf8("にほん")};
    const QString committed = QString::fromUtf8("日本");
    int step = 0;
    QString shown_when_opened;
    bool held = true;
    QTimer compose;
    connect(&compose, &QTimer::timeout, this, [&] {
        if (form_->ReadText(Field::Text2).size() < 100 || step > typed.size()) return;
        if (step > 0 && Shown(box) != shown_when_opened) held = false;
        if (step < typed.size()) {
            box->setFocus();  // the user clicked the button, then into the box
            QInputMethodEvent update(typed[step], {});
            QCoreApplication::sendEvent(box, &update);
            if (step == 0) shown_when_opened = Shown(box);
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(committed);
            QCoreApplication::sendEvent(box, &commit);
        }
        ++step;
    });
    compose.start(10);
    // Every stage of the composition during the decode, however fast it is.
    SlowDownRuns(*form_, std::chrono::microseconds(300));
    Press("Command2");
    compose.stop();
    QCOMPARE(step, typed.size() + 1);
    QVERIFY2(held, "the run's text went in while the composition was open");
    for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next()) {
        QVERIFY2(block.layout()->preeditAreaText().isEmpty(), qPrintable(QString("paragraph %1").arg(block.blockNumber())));
    }
    QString text = ToQ(form_->ReadText(Field::Text2));
    QCOMPARE(Shown(box), text);
    QCOMPARE(text.count(committed), 1);
    QCOMPARE(text.remove(committed), CoreDecode(sequence, "9996"));
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
    QTest::addColumn<Route>("edit");  // the user's edit afterwards
    QTest::newRow("at a frame, idle; a key") << "idle" << Route::Key;
    QTest::newRow("at a frame, idle; a screen reader") << "idle" << Route::Accessibility;
    QTest::newRow("during a decode; a key") << "Command2" << Route::Key;
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
    QTRY_VERIFY(!static_cast<quinmare::TextBox*>(text2)->HasPending());
    text2->setFocus();
    text2->moveCursor(QTextCursor::End);
    QFETCH(Route, edit);
    PostInput(text2, edit);
    QTRY_COMPARE(ToQ(form_->ReadText(Field::Text2)), written + "x");
    QTRY_VERIFY(!static_cast<quinmare::TextBox*>(text2)->HasPending());
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
        case 3: PostInput(box, Route::CtrlV, Holds(random.bounded(4))); break;
        case 4: PostInput(box, Route::Accessibility); break;
        case 5: PostInput(box, random.bounded(2) ? Route::Preedit : Route::InputMethod); break;
        case 6: PostInput(box, Route::Drop); break;
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
    QVERIFY_THROWS_EXCEPTION(quinmare::WindowClosed, form_->YieldToEvents());
    // The runs stopped short: the outer decode, and the nested generate.
    QVERIFY(form_->ReadText(Field::Text2).size() < 300 * 5);
    if (depth > 1) QVERIFY(form_->ReadText(Field::Text0).size() < 900);
}

QTEST_MAIN(WindowAbuseTest)
#include "tst_window_abuse.moc"
