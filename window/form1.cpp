// SPDX-License-Identifier: GPL-3.0-or-later
#include "form1.h"

#include <QAbstractEventDispatcher>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QActionGroup>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QLoggingCategory>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSlider>
#include <QVBoxLayout>
#include <array>
#include <cmath>
#include <exception>
#include <string>
#include <utility>

#include "sequence/codon_table.h"
#include "sequence/decoding_run.h"
#include "sequence/leading_number.h"
#include "sequence/sequence_generator.h"
#include "form/layout.h"
#include "text_box.h"

namespace quinmare {
namespace {

// How long each run took, for whoever measures the window from outside
// (QT_LOGGING_RULES="quinmare.runs.info=true"); silent by default.
Q_LOGGING_CATEGORY(lcRuns, "quinmare.runs", QtWarningMsg)

using namespace layout;

QColor ToQColor(Rgb colour) { return QColor(colour.red, colour.green, colour.blue); }

// About one refresh of a 60 Hz display.
constexpr int kFrameMilliseconds = 16;
// The frame while a screen reader or another assistive program listens:
// every change of a box is an event it is sent and has to fetch details
// of, and sixty of them a second from three boxes kept Orca's queue ever
// longer and the runs twice as long. No listener follows more than ten.
constexpr int kListenedFrameMilliseconds = 100;

// The fonts the layout names come with Japanese Windows, and are used as
// they are wherever they are installed. Elsewhere a Japanese font of the same
// kind stands in at the same size and weight: on other Windows installs the
// UI and proportional Gothic fonts every Windows 10 and 11 has (MS UI Gothic
// and MS PGothic, by their English names, are an optional font pack there),
// on Linux the IPA fonts and then Noto.
void InstallFontSubstitutes() {
    static const bool installed = [] {
        QFont::insertSubstitutions(kBoxFont, {"Yu Gothic UI", "Meiryo UI", "MS Gothic", "IPAGothic",
                                              "Noto Sans CJK JP", "Noto Sans Mono CJK JP"});
        QFont::insertSubstitutions(QString::fromUtf8(kHeadingFont), {"MS PGothic", "Yu Gothic", "Meiryo",
                                                                     "IPAPGothic", "Noto Sans CJK JP"});
        return true;
    }();
    (void)installed;
}

// The form's grey is fixed, so the whole window keeps one light look under
// any desktop palette: on a dark one the window text would be white on that
// grey, and the boxes and buttons dark patches on a light window. Only the
// selection keeps the desktop's colours.
QPalette LightPalette(const QPalette& desktop) {
    const QColor grey = ToQColor(kFormColour);
    QPalette light(grey, grey);
    light.setColor(QPalette::Base, Qt::white);
    light.setColor(QPalette::AlternateBase, QColor(245, 245, 245));
    light.setColor(QPalette::ToolTipBase, QColor(255, 255, 220));
    light.setColor(QPalette::ToolTipText, Qt::black);
    light.setColor(QPalette::PlaceholderText, QColor(90, 90, 90));
    light.setColor(QPalette::Link, QColor(0, 0, 192));
    // Disabled text, as in the length and codon boxes, readable at 5:1.
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        light.setColor(QPalette::Disabled, role, QColor(90, 90, 90));
    }
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        light.setColor(group, QPalette::Highlight, desktop.color(group, QPalette::Highlight));
        light.setColor(group, QPalette::HighlightedText, desktop.color(group, QPalette::HighlightedText));
    }
    return light;
}

QFont JapaneseFont(const char* family, qreal points, bool bold) {
    QFont font(QString::fromUtf8(family));
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

void SetTextColour(QWidget* widget, QColor colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

TextBox* MakeTextBox(QWidget* parent) {
    auto* box = new TextBox(parent);
    box->setFont(JapaneseFont(kBoxFont, kBoxPoints, false));
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setTabChangesFocus(true);
    return box;
}

QPushButton* MakeButton(QWidget* parent, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QLineEdit* MakeShowBox(QWidget* parent, Qt::Alignment alignment) {
    auto* box = new QLineEdit(parent);
    box->setAlignment(alignment);
    box->setEnabled(false);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

int TwipsAt(const QWidget* widget, int twips) { return qRound(twips * widget->logicalDpiX() / 1440.0); }

// The form's client area: the controls, placed in twips, and the arrow
// drawn between the two large boxes.
class ClientArea final : public QWidget {
public:
    explicit ClientArea(QWidget* parent) : QWidget(parent) {
        setObjectName("ClientArea");
        setAutoFillBackground(true);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(QPen(palette().color(QPalette::WindowText), 0));
        for (const Line& line : kArrow) {
            painter.drawLine(TwipsAt(this, line.x1), TwipsAt(this, line.y1), TwipsAt(this, line.x2),
                             TwipsAt(this, line.y2));
        }
    }
};

// What a listener hears of a step at the slow pace or when stepping: a
// notification, which screen readers speak as it appears (Orca on AT-SPI's
// "showing"; on Windows, Qt raises a UI Automation notification for a text
// value). It takes no room and no focus.
constexpr char kAnnouncement[] = "Announcement";

QAccessibleInterface* AnnouncementAccessible(const QString&, QObject* object) {
    if (!object || !object->isWidgetType() || object->objectName() != QLatin1String(kAnnouncement)) return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
}

void Announce(QWidget* announcement, const QString& text) {
    announcement->setAccessibleName(text);
    if (!QAccessible::isActive()) return;
#ifdef Q_OS_WIN
    QAccessibleValueChangeEvent event(announcement, text);
#else
    QAccessibleEvent event(announcement, QAccessible::ObjectShow);
#endif
    QAccessible::updateAccessibility(&event);
}

}  // namespace

Form1::Form1(QWidget* parent) : QWidget(parent) {
    InstallFontSubstitutes();
    setWindowTitle("Quinmare");
    setWindowIcon(QIcon::fromTheme(QUINMARE_APP_ID, QIcon(":/icons/" QUINMARE_APP_ID ".png")));
    setObjectName("Form1");
    setPalette(LightPalette(QGuiApplication::palette()));
    // The controls without a font of their own (buttons, the length box and
    // its unit) use the form's, as they would on Japanese Windows: its UI
    // Gothic at 9 points. The desktop's default may have no Japanese, or,
    // under Wine, be a mathematical font whose digits do not show.
    setFont(JapaneseFont(kBoxFont, kFormPoints, false));
    setAutoFillBackground(true);
    auto* client = new ClientArea(this);
    BuildControls(client);
    client->setFixedSize(Twips(kClientWidth), Twips(kClientHeight));
    // The menu bar above the form: the window is the form's client area and
    // the menu's height.
    auto* bar = new QMenuBar(this);
    bar->setObjectName("MenuBar");
    BuildMenu(bar);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->setMenuBar(bar);
    column->addWidget(client);
    column->setSizeConstraint(QLayout::SetFixedSize);

    frame_timer_.setSingleShot(true);
    frame_timer_.setTimerType(Qt::PreciseTimer);
    connect(&frame_timer_, &QTimer::timeout, this, &Form1::ShowPendingText);
    since_frame_.start();
    clock_.start();
    // Only wakes a waiting yield: the yield itself asks the clock.
    wake_.setSingleShot(true);
    wake_.setTimerType(Qt::PreciseTimer);
}

Form1::~Form1() {
    // The boxes go first, while the form can still take their last
    // requests (closing with a composition open ends it, for one).
    delete text0_;
    delete text2_;
}

int Form1::Twips(int twips) const { return TwipsAt(this, twips); }

void Form1::BuildControls(QWidget* client) {
    // Object names are the controls' own names. Accessible names are the
    // captions, which are the same in every language; the controls without
    // a caption, and every description, speak the user's language.
    auto describe = [](QWidget* control, const char* name, const QString& spoken, const QString& description) {
        control->setObjectName(name);
        if (!spoken.isEmpty()) control->setAccessibleName(spoken);
        control->setAccessibleDescription(description);
    };
    auto heading = [&](const char* caption, QColor colour, int index, const QString& description) {
        auto* label = new QLabel(QString::fromUtf8(caption), client);
        label->setFont(JapaneseFont(kHeadingFont, kHeadingPoints, true));
        SetTextColour(label, colour);
        describe(label, "Label1", {}, description);
        label->setProperty("index", index);
    };
    auto text_box = [&] {
        TextBox* box = MakeTextBox(client);
        connect(box, &TextBox::FrameWanted, this, &Form1::ScheduleFrame);
        return box;
    };

    heading("解読対象塩基配列", ToQColor(kSequenceHeadingColour), 0, tr("Over the box of the base sequence to translate"));

    command1_ = MakeButton(client, QString::fromUtf8("配列自動生成"));
    describe(command1_, "Command1", command1_->text(),
             tr("Generates a random DNA sequence of the length chosen on the slider"));

    slider1_ = new QSlider(Qt::Horizontal, client);
    slider1_->setRange(0, 10000);
    slider1_->setValue(0);
    slider1_->setSingleStep(1);
    slider1_->setPageStep(300);
    slider1_->setFocusPolicy(Qt::StrongFocus);
    describe(slider1_, "Slider1", tr("Number of bases"), tr("Chooses how many bases to generate and to decode, 0 to 10000"));

    text1_ = MakeShowBox(client, Qt::AlignRight | Qt::AlignVCenter);
    text1_->setText(ToQString(text1_value_));
    describe(text1_, "Text1", tr("Length"), tr("The chosen length in bases; decoding reads a third of it, rounded down, as codons"));

    auto* unit = new QLabel(QString::fromUtf8("桁"), client);
    unit->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    describe(unit, "Label2", {}, tr("Unit of the length: bases"));

    text0_ = text_box();
    describe(text0_, "Text0", QString::fromUtf8("解読対象塩基配列"),
             tr("A DNA base sequence, taken to be the same as the mRNA it is transcribed into and translated as that mRNA: generated, typed or pasted; only capital A, T, G and C are read"));

    text2_ = text_box();
    describe(text2_, "Text2", QString::fromUtf8("アミノ酸配列"), tr("The amino acids of this reading frame, read from the first base to the end: stop and an empty line at every stop codon, then on; not a protein as a cell makes it"));

    text3_ = MakeShowBox(client, Qt::AlignCenter);
    text3_->setFont(JapaneseFont(kBoxFont, kCodonPoints, true));
    describe(text3_, "Text3", tr("Codon being decoded"), tr("The codon being translated, in three DNA letters (T where the mRNA has U)"));

    command2_ = MakeButton(client, QString::fromUtf8("解読かいしぃ～"));
    describe(command2_, "Command2", command2_->text(), tr("Decodes, that is translates, the sequence codon by codon into amino acids"));

    heading("アミノ酸配列", ToQColor(kAminoHeadingColour), 1, tr("Over the box of the translated amino-acid sequence"));

    for (const Placement& place : kControls) {
        for (QWidget* child : client->findChildren<QWidget*>(place.name, Qt::FindDirectChildrenOnly)) {
            if (place.index >= 0 && child->property("index").toInt() != place.index) continue;
            child->setGeometry(Twips(place.left), Twips(place.top), Twips(place.width), Twips(place.height));
        }
    }

    static const bool factory = [] {
        QAccessible::installFactory(AnnouncementAccessible);
        return true;
    }();
    (void)factory;
    announcement_ = new QWidget(client);
    announcement_->setObjectName(kAnnouncement);
    announcement_->setGeometry(0, 0, 0, 0);
    announcement_->setFocusPolicy(Qt::NoFocus);

    setTabOrder(command1_, slider1_);
    setTabOrder(slider1_, text0_);
    setTabOrder(text0_, text2_);
    setTabOrder(text2_, command2_);
    command1_->setFocus();

    connect(slider1_, &QSlider::valueChanged, this, [this] {
        if (!writing_slider_) Slider1_Click();
    });
    connect(command1_, &QPushButton::clicked, this, [this] { Dispatch(&Command1_Click, "Command1_Click"); });
    connect(command2_, &QPushButton::clicked, this, [this] { Dispatch(&Command2_Click, "Command2_Click"); });
}

void Form1::BuildMenu(QMenuBar* bar) {
    QMenu* speed = bar->addMenu(tr("&Speed"));
    speed->setObjectName("SpeedMenu");
    // What pause and step do, as the pointer rests on them.
    speed->setToolTipsVisible(true);
    auto* paces = new QActionGroup(this);
    const struct {
        quinmare::Pace pace;
        QString text;
        QKeySequence keys;
    } choices[] = {
        {Pace::Fast, tr("&Fast"), QKeySequence(Qt::CTRL | Qt::Key_1)},
        {Pace::Normal, tr("&Normal"), QKeySequence(Qt::CTRL | Qt::Key_2)},
        {Pace::Slow, tr("S&low"), QKeySequence(Qt::CTRL | Qt::Key_3)},
    };
    for (const auto& choice : choices) {
        QAction* action = speed->addAction(choice.text);
        action->setObjectName(QString("Pace_") + QString::fromUtf8(PaceName(choice.pace).data()));
        action->setCheckable(true);
        action->setChecked(choice.pace == pace_.pace());
        action->setShortcut(choice.keys);
        action->setActionGroup(paces);
        connect(action, &QAction::triggered, this, [this, pace = choice.pace] {
            pace_.SetPace(pace, Now());
            ShowPace();
        });
    }
    speed->addSeparator();
    // The keys are those of the debuggers in browsers and of Visual Studio
    // Code, which teachers of programming know: F8 to pause and go on, F9
    // for one step.
    pause_action_ = speed->addAction(tr("&Pause"));
    pause_action_->setObjectName("Pause");
    pause_action_->setToolTip(tr("Stops a translation at its next codon; Step then goes on one codon at a time"));
    pause_action_->setShortcut(QKeySequence(Qt::Key_F8));
    connect(pause_action_, &QAction::triggered, this, [this] {
        pace_.paused() ? pace_.Resume(Now()) : pace_.Pause();
        ShowPace();
    });
    step_action_ = speed->addAction(tr("S&tep"));
    step_action_->setObjectName("Step");
    step_action_->setToolTip(tr("Goes one codon further, and stops there"));
    step_action_->setShortcut(QKeySequence(Qt::Key_F9));
    connect(step_action_, &QAction::triggered, this, [this] {
        pace_.Step();
        ShowPace();
    });
    ShowPace();
}

void Form1::ShowPace() {
    pause_action_->setText(pace_.paused() ? tr("&Resume") : tr("&Pause"));
    // A step needs a run to take it.
    step_action_->setEnabled(run_depth_ > 0);
}

double Form1::Now() const { return clock_.nsecsElapsed() / 1e6; }

std::u16string Form1::ReadText(Field field) {
    switch (field) {
    case Field::Text0: return text0_->Read();
    case Field::Text1: return text1_value_;
    case Field::Text2: return text2_->Read();
    case Field::Text3: return text3_value_;
    }
    return {};
}

void Form1::WriteText(Field field, std::u16string_view text) {
    wrote_ = true;
    if (pace_.Announces()) Hear(field, text);
    switch (field) {
    case Field::Text0:
        text0_->Write(text);
        break;
    case Field::Text1:
        ShowLine(text1_, text1_value_, text);
        break;
    case Field::Text2:
        text2_->Write(text);
        break;
    case Field::Text3:
        ShowLine(text3_, text3_value_, text);
        break;
    }
}

void Form1::ShowLine(QLineEdit* box, std::u16string& value, std::u16string_view text) {
    value.assign(text);
    if (box == text3_) {
        // The codon box changes at every codon of a decode, thousands of
        // times a second: like the large boxes, it shows the newest codon
        // once a display frame. Each change is also an event a screen
        // reader has to be sent and has to sort through.
        codon_pending_ = true;
        ScheduleFrame();
        return;
    }
    SetLine(box, value);
}

void Form1::SetLine(QLineEdit* box, const std::u16string& value) {
    box->setText(ToQString(value));
    // Qt 6.4's accessible line edit loops for ever when a screen reader asks
    // for the word at the end of the text, and setText leaves the caret, where
    // screen readers ask, at the end. These boxes take no input: keep it at
    // the start.
    box->setCursorPosition(0);
}

std::int32_t Form1::ReadSliderPosition() { return slider1_->value(); }

void Form1::WriteSliderPosition(std::int32_t position) {
    wrote_ = true;
    const QScopedValueRollback<bool> writing(writing_slider_, true);
    slider1_->setValue(position);
}

void Form1::Hear(Field field, std::u16string_view text) {
    if (field == Field::Text3) {
        heard_codon_.assign(text);
    } else if (field == Field::Text0 || field == Field::Text2) {
        // What the run adds to a box; a run that empties it adds nothing.
        const std::u16string before = ReadText(field);
        heard_added_.assign(text.starts_with(before) ? text.substr(before.size()) : std::u16string_view());
    }
}

void Form1::ShowStep() {
    ShowPendingText();
    if (pace_.Announces()) {
        const std::u16string heard = StepAnnouncement(heard_codon_, heard_added_);
        if (!heard.empty()) Announce(announcement_, ToQString(heard));
    }
    heard_codon_.clear();
    heard_added_.clear();
}

void Form1::YieldToEvents() {
    if (closed_) throw WindowClosed{};
    const PaceClock::Wait wait{std::exchange(wrote_, false)};
    // Each step is on screen for its time: shown at once, not at the next frame.
    if (wait.step && !pace_.Unpaced()) ShowStep();
    // Deliver what is waiting, and what arrives meanwhile, until nothing
    // is left; repaints are among the posted events. The bound only keeps
    // a source that never stops posting from holding the run here.
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    for (int round = 0; round < 64 && dispatcher->processEvents(QEventLoop::AllEvents); ++round) {
    }
    // At a pace, or paused, go on delivering until the clock lets the run
    // go on: a press meanwhile starts its run nested here, as at any yield.
    while (!closed_ && !pace_.Unpaced() && pace_.Holds(wait, Now())) {
        const double left = pace_.Remaining(wait, Now());
        if (std::isfinite(left)) wake_.start(std::max(1, int(std::ceil(left))));
        dispatcher->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    if (closed_) throw WindowClosed{};
}

std::u16string_view Form1::Henkan(std::u16string_view codon) const { return quinmare::Henkan(codon); }

// The user's, not a run's: it is no step of a run.
void Form1::Slider1_Click() { ShowLine(text1_, text1_value_, DecimalText(slider1_->value())); }

void Form1::Dispatch(void (*run)(FormFields&), const char* name) {
    if (closed_ || run_depth_ >= kMaxNesting) return;
    QElapsedTimer took;
    took.start();
    pace_.RunStarts(Now());
    wrote_ = false;
    {
        const QScopedValueRollback<int> depth(run_depth_, run_depth_ + 1);
        ShowPace();
        try {
            run(*this);
        } catch (const WindowClosed&) {
            // The window has gone: every run unwinds to here.
        } catch (...) {
            // Nothing may cross the toolkit's event dispatch; the run just ends.
        }
    }
    if (!closed_) {
        // The run is over: what it wrote last is shown now, not a frame later.
        ShowPendingText();
        if (run_depth_ == 0) pace_.RunsEnded();
        ShowPace();
    }
    qCInfo(lcRuns, "%s ended after %lld ms at depth %d%s", name, took.elapsed(), run_depth_ + 1,
           closed_ ? ", window closed" : "");
    if (closed_ && run_depth_ == 0) close();
}

void Form1::ScheduleFrame() {
    // Once the window has closed nothing more is shown.
    if (closed_ || frame_timer_.isActive()) return;
    const qint64 frame = QAccessible::isActive() ? kListenedFrameMilliseconds : kFrameMilliseconds;
    const qint64 since = since_frame_.elapsed();
    frame_timer_.start(since >= frame ? 0 : int(frame - since));
}

void Form1::ShowPendingText() {
    frame_timer_.stop();
    if (codon_pending_) {
        codon_pending_ = false;
        SetLine(text3_, text3_value_);
    }
    text0_->HandOver();
    text2_->HandOver();
    since_frame_.restart();
}

void Form1::closeEvent(QCloseEvent* event) {
    closed_ = true;
    frame_timer_.stop();
    wake_.stop();
    // While runs are in progress the window stays until they have all
    // unwound: the toolkit may still be delivering repaints queued for it
    // inside their yields, and on Wayland a window destroyed under them
    // takes the program down. The outermost run closes it on its way out.
    if (run_depth_ > 0) {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace quinmare
