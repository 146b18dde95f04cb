// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include <QAccessible>
#include <QFontDatabase>
#include <QScopeGuard>
#include <cmath>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTextCursor>

#include "form1.h"
#include "text_box.h"
#include "translations.h"
#include "sequence/decoding_run.h"
#include "sequence/memory_fields.h"
#include "test_text.h"
#include "window_helpers.h"

using quinmare::Field;
using quinmare::Form1;

namespace {

// Roughly GNOME's Adwaita-dark, as Qt's gtk3 platform theme hands it over.
QPalette DarkPalette() {
    QPalette dark(QColor(53, 53, 53), QColor(53, 53, 53));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::BrightText})
        dark.setColor(role, QColor(238, 238, 236));
    dark.setColor(QPalette::Base, QColor(45, 45, 45));
    dark.setColor(QPalette::Highlight, QColor(21, 83, 158));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    return dark;
}

}  // namespace


class Form1Test : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startsEmptyWithFocusOnGenerate();
    void geometryAt96Dpi_data();
    void geometryAt96Dpi();
    void captionsAreDrawnInJapaneseFonts_data();
    void captionsAreDrawnInJapaneseFonts();
    void legibleUnderAnyPalette_data();
    void legibleUnderAnyPalette();
    void speaksTheUsersLanguage_data();
    void speaksTheUsersLanguage();
    void sliderLinkCopiesPosition_data();
    void sliderLinkCopiesPosition();
    void showBoxesTakeNoFocusNorTyping();
    void tabCyclesInOrder();
    void enterPressesNothing();
    void writtenTextReadsBackExactly_data();
    void writtenTextReadsBackExactly();
    void userEditReadsBackWithCrLf();
    void pressDuringRunNests();
    void nestingStopsAtCapWithStackToSpare();
    void pacedRunsShowEveryStep_data();
    void pacedRunsShowEveryStep();
    void pauseHoldsStepsAndNests();

private:
    std::unique_ptr<Form1> form_;
};

void Form1Test::init() {
    form_ = std::make_unique<Form1>();
    form_->show();
    // A bare X server has no window manager to give the window the focus.
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get(), kPatience));
}

void Form1Test::cleanup() { form_.reset(); }

void Form1Test::startsEmptyWithFocusOnGenerate() {
    Form1& form = *form_;
    QCOMPARE(form.windowTitle(), QString("Quinmare"));
    QCOMPARE(ToQ(form.ReadText(Field::Text0)), QString());
    QCOMPARE(ToQ(form.ReadText(Field::Text1)), QString("0"));
    QCOMPARE(ToQ(form.ReadText(Field::Text2)), QString());
    QCOMPARE(ToQ(form.ReadText(Field::Text3)), QString());
    QCOMPARE(Control<QLineEdit>(form, "Text1")->text(), QString("0"));
    QCOMPARE(form.ReadSliderPosition(), 0);
    QCOMPARE(Control<QSlider>(form, "Slider1")->maximum(), 10000);
    QCOMPARE(QApplication::focusWidget(), Control(form, "Command1"));
    QCOMPARE(form.palette().color(QPalette::Window), QColor(224, 224, 224));
    QCOMPARE(Control<QLineEdit>(form, "Text1")->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    QCOMPARE(Control<QLineEdit>(form, "Text3")->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QCOMPARE(Control<QLabel>(form, "Label1", 0)->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(Control<QLabel>(form, "Label1", 1)->palette().color(QPalette::WindowText), QColor(255, 0, 0));
}

void Form1Test::geometryAt96Dpi_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<QRect>("rect");
    // Pixels at 96 DPI, 15 twips each.
    QTest::newRow("Label1 0") << "Label1" << 0 << QRect(8, 8, 169, 25);
    QTest::newRow("Command1") << "Command1" << -1 << QRect(16, 680, 97, 25);
    QTest::newRow("Slider1") << "Slider1" << -1 << QRect(120, 680, 249, 25);
    QTest::newRow("Text1") << "Text1" << -1 << QRect(368, 688, 49, 18);
    QTest::newRow("Label2") << "Label2" << -1 << QRect(416, 690, 25, 13);
    QTest::newRow("Text0") << "Text0" << -1 << QRect(16, 32, 417, 641);
    QTest::newRow("Text2") << "Text2" << -1 << QRect(560, 32, 417, 641);
    QTest::newRow("Text3") << "Text3" << -1 << QRect(448, 352, 97, 49);
    QTest::newRow("Command2") << "Command2" << -1 << QRect(448, 416, 97, 49);
    QTest::newRow("Label1 1") << "Label1" << 1 << QRect(560, 8, 169, 25);
}

void Form1Test::geometryAt96Dpi() {
    QFETCH(QString, name);
    QFETCH(int, index);
    QFETCH(QRect, rect);
    if (form_->logicalDpiX() != 96) QSKIP("the screen is not at 96 DPI");
    // The client area keeps its twips; the menu bar above it adds its own height.
    QWidget* client = ClientArea(*form_);
    QCOMPARE(client->size(), QSize(990, 718));
    auto* bar = form_->findChild<QMenuBar*>();
    QVERIFY(bar && bar->isVisible());
    QCOMPARE(client->geometry(), QRect(QPoint(0, bar->height()), QSize(990, 718)));
    QCOMPARE(form_->size(), QSize(990, 718 + bar->height()));
    QWidget* control = Control(*form_, qPrintable(name), index);
    QVERIFY(control);
    QCOMPARE(control->geometry(), rect);
}

void Form1Test::captionsAreDrawnInJapaneseFonts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<qreal>("points");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<QStringList>("families");  // the named font, then what may stand in for it
    const QStringList gothic = {"MS UI Gothic", "Yu Gothic UI", "Meiryo UI", "MS Gothic", "IPAGothic",
                                "Noto Sans CJK JP", "Noto Sans Mono CJK JP"};
    const QStringList proportional = {QString::fromUtf8("ＭＳ Ｐゴシック"), "MS PGothic", "Yu Gothic", "Meiryo",
                                      "IPAPGothic", "Noto Sans CJK JP"};
    QTest::newRow("Label1 0") << "Label1" << 0 << 14.25 << true << proportional;
    QTest::newRow("Label1 1") << "Label1" << 1 << 14.25 << true << proportional;
    QTest::newRow("Text0") << "Text0" << -1 << 9.75 << false << gothic;
    QTest::newRow("Text2") << "Text2" << -1 << 9.75 << false << gothic;
    QTest::newRow("Text3") << "Text3" << -1 << 30.0 << true << gothic;
    QTest::newRow("Command1") << "Command1" << -1 << 9.0 << false << gothic;
    QTest::newRow("Command2") << "Command2" << -1 << 9.0 << false << gothic;
    QTest::newRow("Label2") << "Label2" << -1 << 9.0 << false << gothic;
}

void Form1Test::captionsAreDrawnInJapaneseFonts() {
    QFETCH(QString, name);
    QFETCH(int, index);
    QFETCH(qreal, points);
    QFETCH(bool, bold);
    QFETCH(QStringList, families);
    QWidget* control = Control(*form_, qPrintable(name), index);
    QVERIFY(control);
    // Laid out as the control lays it out, fallback fonts included: every
    // character of the caption is drawn, in the named font or one standing
    // in for it, at its size and weight.
    QString text;
    if (auto* label = qobject_cast<QLabel*>(control)) text = label->text();
    if (auto* button = qobject_cast<QPushButton*>(control)) text = button->text();
    if (text.isEmpty()) text = QString::fromUtf8("解読対象塩基配列アミノ酸");
    QTextLayout layout(text, control->font(), control);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    int glyphs = 0;
    for (const QGlyphRun& run : layout.glyphRuns()) {
        const QRawFont drawn = run.rawFont();
        const QString where = text + " in " + drawn.familyName();
        QVERIFY2(families.contains(drawn.familyName(), Qt::CaseInsensitive), qPrintable(where));
        QVERIFY2(std::abs(drawn.pixelSize() - points * control->logicalDpiY() / 72) < 0.6, qPrintable(where));
        QCOMPARE(drawn.weight() >= QFont::DemiBold, bold);
        for (quint32 glyph : run.glyphIndexes()) {
            QVERIFY2(glyph != 0, qPrintable(where));
            ++glyphs;
        }
    }
    QCOMPARE(glyphs, text.size());
}

void Form1Test::legibleUnderAnyPalette_data() {
    QTest::addColumn<bool>("dark");
    QTest::addColumn<bool>("before");  // the desktop is dark when the window opens
    QTest::newRow("desktop default") << false << false;
    QTest::newRow("dark desktop, window opened in it") << true << true;
    QTest::newRow("desktop turns dark, window open") << true << false;
}

void Form1Test::legibleUnderAnyPalette() {
    QFETCH(bool, dark);
    QFETCH(bool, before);
    const QPalette desktop = QApplication::palette();
    auto restore = qScopeGuard([&] { QApplication::setPalette(desktop); });
    if (dark) QApplication::setPalette(DarkPalette());
    if (before) {
        form_ = std::make_unique<Form1>();
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get(), kPatience));
    }
    form_->WriteText(Field::Text0, u"ATGCCC");
    form_->WriteText(Field::Text2, u"Met__Pro__");
    form_->WriteText(Field::Text3, u"ATG");
    form_->ShowPendingText();
    const QImage shot = ClientArea(*form_)->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (qEnvironmentVariableIsSet("QUINMARE_SHOT")) shot.save(qEnvironmentVariable("QUINMARE_SHOT") + "-form.png");
    const qreal scale = shot.devicePixelRatio();
    auto area = [&](QRect r) { return QRect((r.topLeft() * scale), r.size() * scale); };
    auto control = [&](const char* name, int index = -1) { return area(Control(*form_, name, index)->geometry()); };

    QColor ground;
    // The arrow, drawn straight on the form, against the form's grey.
    const QRect arrow(form_->Twips(6960), form_->Twips(4200), form_->Twips(1080) + 1, form_->Twips(960) + 1);
    const double arrow_contrast = InkContrast(shot, area(arrow), &ground);
    QCOMPARE(ground, QColor(224, 224, 224));
    QVERIFY2(arrow_contrast >= 3, qPrintable(QString::number(arrow_contrast)));
    QString figures = QString("arrow %1").arg(arrow_contrast, 0, 'f', 2);
    // Every caption and every text in a box or on a button.
    for (const char* name : {"Label2", "Command1", "Command2", "Text0", "Text1", "Text2", "Text3"}) {
        // Inside the frame: the ground is the face or the box's background.
        const QRect inside = control(name).adjusted(3 * scale, 3 * scale, -3 * scale, -3 * scale);
        const double contrast = InkContrast(shot, QByteArray(name) == "Label2" ? control(name) : inside);
        QVERIFY2(contrast >= 4.5, qPrintable(QString("%1: %2").arg(name).arg(contrast)));
        figures += QString(", %1 %2").arg(name).arg(contrast, 0, 'f', 2);
    }
    // The headings keep their own blue and red.
    for (int index : {0, 1}) {
        const QColor wanted = index == 0 ? QColor(0, 0, 255) : QColor(255, 0, 0);
        const QRect heading = control("Label1", index);
        bool found = false;
        for (int y = heading.top(); y <= heading.bottom() && !found; ++y)
            for (int x = heading.left(); x <= heading.right() && !found; ++x) found = QColor(shot.pixel(x, y)) == wanted;
        QVERIFY2(found, qPrintable(wanted.name()));
        figures += QString(", heading %1 %2").arg(wanted.name()).arg(Contrast(wanted, QColor(224, 224, 224)), 0, 'f', 2);
    }
    qInfo("contrast against the ground: %s", qPrintable(figures));
}

void Form1Test::speaksTheUsersLanguage_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("japanese");
    QTest::newRow("ja_JP") << "ja_JP" << true;
    QTest::newRow("en_US") << "en_US" << false;
    QTest::newRow("de_DE, no catalogue: English") << "de_DE" << false;
}

void Form1Test::speaksTheUsersLanguage() {
    QFETCH(QString, locale);
    QFETCH(bool, japanese);
    auto restore = qScopeGuard([] { quinmare::InstallTranslations(*qApp, QLocale::c()); });
    QCOMPARE(quinmare::InstallTranslations(*qApp, QLocale(locale)), japanese);
    Form1 form;
    const QRegularExpression kana_or_kanji("[\\x{3040}-\\x{30FF}\\x{4E00}-\\x{9FFF}]");
    // Every control a screen reader can reach is described.
    for (const char* name : {"Command1", "Slider1", "Text1", "Label2", "Text0", "Text2", "Text3", "Command2"}) {
        const QString description = Control(form, name)->accessibleDescription();
        QVERIFY2(!description.isEmpty(), name);
        QVERIFY2(description.contains(kana_or_kanji) == japanese, qPrintable(description));
    }
    // The slider has no caption: its name speaks the user's language too.
    QCOMPARE(Control(form, "Slider1")->accessibleName().contains(kana_or_kanji), japanese);
    // The captions are the same in every language.
    QCOMPARE(Control<QPushButton>(form, "Command1")->text(), QString::fromUtf8("配列自動生成"));
    QCOMPARE(Control<QPushButton>(form, "Command2")->accessibleName(), QString::fromUtf8("解読かいしぃ～"));
    QCOMPARE(Control<QLabel>(form, "Label1", 1)->text(), QString::fromUtf8("アミノ酸配列"));
    // Qt's own texts, such as the boxes' menu, follow.
    QCOMPARE(QCoreApplication::translate("QWidgetTextControl", "&Paste").contains(kana_or_kanji), japanese);
}

void Form1Test::sliderLinkCopiesPosition_data() {
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QString>("text1");
    QTest::newRow("right end") << QList<int>{Qt::Key_End} << "10000";
    QTest::newRow("back to the left end") << QList<int>{Qt::Key_End, Qt::Key_Home} << "0";
    QTest::newRow("not a multiple of 3, unrounded") << QList<int>{Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Right} << "4";
    QTest::newRow("page up") << QList<int>{Qt::Key_PageUp, Qt::Key_Right} << "301";
}

void Form1Test::sliderLinkCopiesPosition() {
    QFETCH(QList<int>, keys);
    auto* slider = Control<QSlider>(*form_, "Slider1");
    for (int key : keys) QTest::keyClick(slider, Qt::Key(key));
    QTEST(ToQ(form_->ReadText(Field::Text1)), "text1");
    QTEST(Control<QLineEdit>(*form_, "Text1")->text(), "text1");
    QCOMPARE(QString::number(form_->ReadSliderPosition()), Control<QLineEdit>(*form_, "Text1")->text());
}

void Form1Test::showBoxesTakeNoFocusNorTyping() {
    for (const char* name : {"Text1", "Text3"}) {
        auto* box = Control<QLineEdit>(*form_, name);
        QVERIFY(!box->isEnabled());
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(!box->hasFocus());
        QTest::keyClicks(box, "123");
    }
    QCOMPARE(ToQ(form_->ReadText(Field::Text1)), QString("0"));
    QCOMPARE(Control<QLineEdit>(*form_, "Text1")->text(), QString("0"));
    QCOMPARE(Control<QLineEdit>(*form_, "Text3")->text(), QString());
}

void Form1Test::tabCyclesInOrder() {
    const QStringList expected = {"Slider1", "Text0", "Text2", "Command2", "Command1", "Slider1"};
    QStringList seen;
    for (int i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        seen << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(seen, expected);
}

void Form1Test::enterPressesNothing() {
    QSignalSpy pressed1(Control<QPushButton>(*form_, "Command1"), &QPushButton::clicked);
    QSignalSpy pressed2(Control<QPushButton>(*form_, "Command2"), &QPushButton::clicked);
    form_->WriteText(Field::Text0, u"ATG");
    form_->WriteText(Field::Text1, u"3");
    for (const char* name : {"Text0", "Text2"}) {
        QWidget* box = Control(*form_, name);
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClick(box, Qt::Key_Enter);
    }
    QCOMPARE(pressed1.count(), 0);
    QCOMPARE(pressed2.count(), 0);
    QCOMPARE(ToQ(form_->ReadText(Field::Text3)), QString());
}

void Form1Test::writtenTextReadsBackExactly_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("CR LF") << "Met__stop\r\n\r\nGly__";
    QTest::newRow("lone CR and lone LF") << "a\rb\nc";
    QTest::newRow("separators") << QString("a") + QChar::LineSeparator + "b" + QChar::ParagraphSeparator + "c";
    QTest::newRow("CR LF at the end") << "x\r\n";
    QTest::newRow("9999 letters, no wraps") << QString(9999, 'G');
    QTest::newRow("tab and no-break space") << QString("a\tb") + QChar(0xA0);
}

void Form1Test::writtenTextReadsBackExactly() {
    QFETCH(QString, text);
    // Every kind of break shows as one break.
    auto shown_as = [](QString written) {
        return written.replace(QRegularExpression(R"(\r\n|[\r\n\x{2028}\x{2029}])"), "\r\n");
    };
    for (Field field : {Field::Text0, Field::Text2}) {
        auto* box = Control<QPlainTextEdit>(*form_, field == Field::Text0 ? "Text0" : "Text2");
        auto shown = [box] { return ToQ(quinmare::FromDocumentText(box->document()->toRawText())); };
        // Extensions are appended, a CR LF split between two writes among them,
        // and still read back whole.
        for (const QString& written : {text, text + "\nTAA\r", text + "\nTAA\r\n"}) {
            form_->WriteText(field, ToU16(written));
            QCOMPARE(ToQ(form_->ReadText(field)), written);
            form_->ShowPendingText();
            QCOMPARE(shown(), shown_as(written));
        }
        // A screen reader's edit while an extension after a shown CR waits:
        // both hold, and the break is still one.
        form_->WriteText(field, ToU16(text + "\nTAA\r"));
        form_->ShowPendingText();
        form_->WriteText(field, ToU16(text + "\nTAA\r\nGly__"));
        QAccessible::queryAccessibleInterface(box)->editableTextInterface()->insertText(0, "y");
        QCOMPARE(ToQ(form_->ReadText(field)), "y" + shown_as(text + "\nTAA\r") + "Gly__");
        form_->ShowPendingText();
        QCOMPARE(shown(), ToQ(form_->ReadText(field)));
        form_->WriteText(field, u"");
    }
}

void Form1Test::userEditReadsBackWithCrLf() {
    auto* text2 = Control<QPlainTextEdit>(*form_, "Text2");
    form_->WriteText(Field::Text2, u"Met__stop\r\n\r\nGly__\rx");
    text2->setFocus();
    text2->moveCursor(QTextCursor::End);
    QTest::keyClicks(text2, "A");
    QTest::keyClick(text2, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(text2, "B");
    QTest::keyClick(text2, Qt::Key_Return);
    QTest::keyClicks(text2, "C");
    // The lone CR written earlier shows as a break, and reads back as one.
    QCOMPARE(ToQ(form_->ReadText(Field::Text2)), QString("Met__stop\r\n\r\nGly__\r\nxA\r\nB\r\nC"));
    // The run appends to what the user left, and the box shows both.
    form_->WriteText(Field::Text2, form_->ReadText(Field::Text2) + u"Trp__");
    QTRY_COMPARE_WITH_TIMEOUT(text2->document()->toRawText(), QString("Met__stop") + QChar::ParagraphSeparator + QChar::ParagraphSeparator + "Gly__" + QChar::ParagraphSeparator + "xA" + QChar::LineSeparator + "B" + QChar::ParagraphSeparator + "CTrp__", kPatience);
}

void Form1Test::pressDuringRunNests() {
    form_->WriteText(Field::Text0, u"ATGTGGAAATTT");
    form_->WriteText(Field::Text1, u"12");
    bool nested = false;
    // Arrives while the first run yields after its first codon.
    QTimer::singleShot(0, form_.get(), [&] {
        nested = form_->RunDepth() == 1;
        form_->WriteText(Field::Text0, u"GGG");
        form_->WriteText(Field::Text1, u"3");
        PostClick(Control(*form_, "Command2"));
    });
    QTest::mouseClick(Control(*form_, "Command2"), Qt::LeftButton);
    QVERIFY(nested);
    QCOMPARE(ToQ(form_->ReadText(Field::Text2)), QString("Gly__Trp__Lys__Phe__"));
    QCOMPARE(form_->RunDepth(), 0);
}

void Form1Test::nestingStopsAtCapWithStackToSpare() {
    // Every press posts the next one, which arrives while the new run
    // yields; each run decodes ATG, yields, then decodes TGG.
    struct Presser : QObject {
        Form1* form;
        int wanted = Form1::kMaxNesting + 1;
        int presses = 0;
        int deepest = 0;
        std::vector<std::uintptr_t> stack;
        bool eventFilter(QObject* target, QEvent* event) override {
            if (event->type() == QEvent::MouseButtonRelease) {
                char marker = 0;
                stack.push_back(reinterpret_cast<std::uintptr_t>(&marker));
                deepest = std::max(deepest, form->RunDepth());
                if (++presses < wanted) PostClick(static_cast<QWidget*>(target));
            }
            return false;
        }
    } presser;
    presser.form = form_.get();
    QWidget* command2 = Control(*form_, "Command2");
    command2->installEventFilter(&presser);
    form_->WriteText(Field::Text0, u"ATGTGG");
    form_->WriteText(Field::Text1, u"6");
    PostClick(command2);
    QTRY_VERIFY_WITH_TIMEOUT(presser.presses == presser.wanted && form_->RunDepth() == 0, kPatience);

    // The press past the cap found the cap full and did nothing.
    QCOMPARE(presser.deepest, Form1::kMaxNesting);
    const QString text2 = ToQ(form_->ReadText(Field::Text2));
    QCOMPARE(text2.count("Trp__"), Form1::kMaxNesting);
    QVERIFY(text2.startsWith("Met__Trp__"));

    const std::uintptr_t per_level = (presser.stack.front() - presser.stack[Form1::kMaxNesting - 1]) / (Form1::kMaxNesting - 1);
    const std::uintptr_t available = MainStackBytes();
    qInfo("stack per nested run: %zu bytes; %d levels: %zu of %zu bytes", std::size_t(per_level), Form1::kMaxNesting,
          std::size_t(per_level * Form1::kMaxNesting), std::size_t(available));
    QVERIFY(per_level > 0);
    // A press that comes through the X server costs up to twice what a
    // posted one does (on Windows the presses are real messages already);
    // on top of that, a factor 2 must be left to spare.
    QVERIFY(2 * 2 * per_level * Form1::kMaxNesting <= available);
}

namespace {

// Thirty bases, ten codons: a stop in the middle.
const char16_t kTenCodons[] = u"ATGGCCTAAGGGTTTCCCAAAGGGTGGTGA";

QAction* Action(Form1& form, const char* name) { return form.findChild<QAction*>(name); }

}  // namespace

void Form1Test::pacedRunsShowEveryStep_data() {
    QTest::addColumn<int>("key");  // with Ctrl, in the speed menu
    QTest::addColumn<QString>("action");
    QTest::addColumn<double>("period");
    QTest::addColumn<bool>("announced");
    QTest::newRow("normal, Ctrl+2") << int(Qt::Key_2) << "Pace_normal" << 1000.0 / 60 << false;
    QTest::newRow("slow, Ctrl+3") << int(Qt::Key_3) << "Pace_slow" << 500.0 << true;
}

void Form1Test::pacedRunsShowEveryStep() {
    QFETCH(int, key);
    QFETCH(QString, action);
    QFETCH(double, period);
    QFETCH(bool, announced);
    // At a pace, every codon of a decode is on screen in the codon box for
    // the pace's time, one after another; at the slow pace a screen reader
    // is told each codon and its amino acid as it is shown.
    QTest::keyClick(form_.get(), Qt::Key(key), Qt::ControlModifier);
    QVERIFY(Action(*form_, qPrintable(action))->isChecked());
    form_->WriteText(Field::Text0, kTenCodons);
    Control<QSlider>(*form_, "Slider1")->setValue(30);
    // What a screen reader is told of a step is the name of a notification,
    // given as the step is shown: the one before is there as the next codon
    // comes, the last one once the run has ended.
    QWidget* announcement = form_->findChild<QWidget*>("Announcement");
    QCOMPARE(QAccessible::queryAccessibleInterface(announcement)->role(), QAccessible::Notification);
    QStringList shown;
    std::vector<QString> heard;
    connect(Control<QLineEdit>(*form_, "Text3"), &QLineEdit::textChanged, this, [&](const QString& codon) {
        shown << codon;
        if (shown.size() > 1) heard.push_back(announcement->accessibleName());
    });
    QElapsedTimer took;
    took.start();
    QTest::mouseClick(Control(*form_, "Command2"), Qt::LeftButton);
    const double elapsed = took.nsecsElapsed() / 1e6;
    QCOMPARE(shown, QStringList({"ATG", "GCC", "TAA", "GGG", "TTT", "CCC", "AAA", "GGG", "TGG", "TGA"}));
    // Never shorter than its steps; how much longer a busy machine makes it
    // is not this test's business.
    QVERIFY2(elapsed >= 10 * period - 2, qPrintable(QString::number(elapsed)));
    heard.push_back(announcement->accessibleName());
    if (!announced) heard.erase(std::remove(heard.begin(), heard.end(), QString()), heard.end());
    const std::vector<QString> told = {"ATG Met", "GCC Ala", "TAA stop", "GGG Gly", "TTT Phe", "CCC Pro",
                                       "AAA Lys", "GGG Gly", "TGG Trp", "TGA stop"};
    QCOMPARE(heard, announced ? told : std::vector<QString>());
    QCOMPARE(ToQ(form_->ReadText(Field::Text2)), QString("Met__Ala__stop\r\n\r\nGly__Phe__Pro__Lys__Gly__Trp__stop\r\n\r\n"));
}

void Form1Test::pauseHoldsStepsAndNests() {
    // Paused before the press (F8), the decode waits with its first codon on
    // screen; each F9 adds one label; typing lands while it waits; a press
    // of decode starts a decode nested inside, which waits too; F8 resumes
    // both, and the outer run carries on after the nested one.
    Form1& form = *form_;
    QAction* pause = Action(form, "Pause");
    QAction* step = Action(form, "Step");
    QVERIFY(!step->isEnabled());  // no run to step
    QTest::keyClick(&form, Qt::Key_F8);
    QVERIFY(form.Clock().paused());
    QCOMPARE(pause->text(), QString("&Resume"));
    form.WriteText(Field::Text0, kTenCodons);
    Control<QSlider>(form, "Slider1")->setValue(30);
    auto* text2 = Control<QPlainTextEdit>(form, "Text2");
    const QString full = "Met__Ala__stop\r\n\r\nGly__Phe__Pro__Lys__Gly__Trp__stop\r\n\r\n";
    auto text = [&] { return ToQ(form.ReadText(Field::Text2)); };
    int ticks = 0;
    UserScript user({
        {[&] { return form.RunDepth() == 1 && text() == "Met__"; }, [&] { ticks = 0; }},
        // Held: a while later, still the first codon.
        {[&] { return ++ticks > 30; }, [&] {
             QCOMPARE(text(), QString("Met__"));
             QCOMPARE(Control<QLineEdit>(form, "Text3")->text(), QString("ATG"));
             QVERIFY(step->isEnabled());
             QTest::keyClick(&form, Qt::Key_F9);
         }},
        {[&] { return text() == "Met__Ala__"; }, [&] { QTest::keyClick(&form, Qt::Key_F9); }},
        {[&] { return text() == "Met__Ala__stop\r\n\r\n"; }, [&] {
             text2->setFocus();
             text2->moveCursor(QTextCursor::End);
             QTest::keyClick(text2, Qt::Key_X);
             QCOMPARE(text(), QString("Met__Ala__stop\r\n\r\nx"));
             PostClick(Control(form, "Command2"));
         }},
        {[&] { return form.RunDepth() == 2 && text() == "Met__"; }, [&] { QTest::keyClick(&form, Qt::Key_F8); }},
    });
    QTest::mouseClick(Control(form, "Command2"), Qt::LeftButton);
    QVERIFY(user.Done());
    QVERIFY(!form.Clock().paused());
    QCOMPARE(pause->text(), QString("&Pause"));
    QVERIFY(!step->isEnabled());
    // The nested decode emptied the box and decoded it all; the outer one
    // then added its codons 4 to 10.
    QCOMPARE(text(), full + full.mid(QString("Met__Ala__stop\r\n\r\n").size()));
}

QTEST_MAIN(Form1Test)
#include "tst_form1.moc"
