// SPDX-License-Identifier: GPL-3.0-or-later
// The program's one window. Form1 owns the controls and implements
// FormFields over them; the two button handlers and the codon table live
// in sequence/ and reach the window only through that interface, so all
// this class does is lay out the controls, keep the fields, yield to the
// event loop at the pace the user has chosen, and dispatch the three
// handled events. The speed menu sits in a menu bar above the form: the
// form itself, its client area of twips, is the widget below it.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <string>

#include "form/form_fields.h"
#include "form/pace.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QSlider;

namespace quinmare {

class TextBox;

// Thrown by YieldToEvents once the window has closed, so that every run in
// progress unwinds at once; caught where the button press is dispatched.
struct WindowClosed {};

class Form1 final : public QWidget, public FormFields {
    Q_OBJECT
public:
    // How many runs may be nested inside one another's yields; a press
    // beyond it does nothing. A nested level, reached by a real click on
    // an X server, takes about 3.9 KiB of stack (4.7 KiB with the
    // sanitizers), so the cap needs at most 1.2 MiB of the usual 8 MiB
    // main-thread stack: more than a factor 6 to spare.
    static constexpr int kMaxNesting = 256;

    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    std::u16string ReadText(Field field) override;
    void WriteText(Field field, std::u16string_view text) override;
    std::int32_t ReadSliderPosition() override;
    void WriteSliderPosition(std::int32_t position) override;
    void YieldToEvents() override;

    // The codon table, offered by the window as well.
    std::u16string_view Henkan(std::u16string_view codon) const;

    // How many runs are in progress, nested in one another.
    int RunDepth() const { return run_depth_; }

    // Twips to device-independent pixels at this screen's logical DPI.
    int Twips(int twips) const;

    // Puts every text still pending into the codon box and the two large boxes.
    void ShowPendingText();

    // The pace the runs are shown at, set from the speed menu.
    const PaceClock& Clock() const { return pace_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls(QWidget* client);
    void BuildMenu(QMenuBar* bar);
    void ShowPace();
    double Now() const;
    // A step of a run is on screen: shown now, and told to a listener.
    void ShowStep();
    void Hear(Field field, std::u16string_view text);
    void Slider1_Click();
    void Dispatch(void (*run)(FormFields&), const char* name);
    void ScheduleFrame();
    // Keeps a single-line box's text and shows it: the length at once, the
    // codon at the next frame.
    void ShowLine(QLineEdit* box, std::u16string& value, std::u16string_view text);
    static void SetLine(QLineEdit* box, const std::u16string& value);

    QPushButton* command1_ = nullptr;
    QPushButton* command2_ = nullptr;
    QSlider* slider1_ = nullptr;
    QLineEdit* text1_ = nullptr;
    QLineEdit* text3_ = nullptr;
    TextBox* text0_ = nullptr;
    TextBox* text2_ = nullptr;
    // The single-line boxes show what the program wrote; the user cannot
    // edit them, so the written text is the field.
    std::u16string text1_value_ = u"0";
    std::u16string text3_value_;

    // The large boxes take new text at most once per display frame: a
    // run writes them thousands of times a second, and every hand-over
    // lays out a whole paragraph again.
    QTimer frame_timer_;
    bool codon_pending_ = false;
    QElapsedTimer since_frame_;

    PaceClock pace_;
    QElapsedTimer clock_;
    // Wakes a yield that waits for its step's time to pass.
    QTimer wake_;
    // The run has written a field since its last yield: that yield ends a step.
    bool wrote_ = false;
    // What the step on screen says to a listener.
    std::u16string heard_codon_;
    std::u16string heard_added_;
    QWidget* announcement_ = nullptr;
    QAction* pause_action_ = nullptr;
    QAction* step_action_ = nullptr;

    int run_depth_ = 0;
    bool closed_ = false;
    bool writing_slider_ = false;
};

}  // namespace quinmare
