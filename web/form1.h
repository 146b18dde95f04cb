// SPDX-License-Identifier: GPL-3.0-or-later
// The program's one window in a web page. The page (page.js) owns the
// controls, the user's input and what is shown; this Form1 implements
// FormFields over them for the sequence work, compiled unchanged to
// WebAssembly, and dispatches the two button presses. The page calls into
// the module for nothing but the presses; everything else goes from here to
// the page, through the functions declared in page_imports.h.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "form/form_fields.h"
#include "form/pace.h"

namespace quinmare {

class Form1 final : public FormFields {
public:
    // How many runs may be nested inside one another's yields; a press
    // beyond it does nothing. Every time a run hands control to the
    // browser, the whole nest is saved to the Asyncify buffer (about
    // 210 bytes a level), which the build sizes for this depth.
    static constexpr int kMaxNesting = 256;

    // Lays the page out from the form's table of twips.
    Form1();

    std::u16string ReadText(Field field) override;
    void WriteText(Field field, std::u16string_view text) override;
    std::int32_t ReadSliderPosition() override;
    void WriteSliderPosition(std::int32_t position) override;
    void YieldToEvents() override;

    // The codon table, offered by the window as well.
    std::u16string_view Henkan(std::u16string_view codon) const;

    // A press of Command1 (1) or Command2 (2), from the page.
    void Press(int button);

    // A choice from the page's pace bar, from its keys or from its address.
    enum Control { kFast = 1, kNormal, kSlow, kPause, kResume, kStep };
    void Choose(int control);

private:
    // A copy of a field as the page held it at one of its versions: the
    // decoding run reads and rewrites the whole amino-acid text at every
    // codon, and only what it adds needs to cross to the page.
    struct Copy {
        std::u16string text;
        std::uint32_t version = 0;
        bool valid = false;
    };
    const std::u16string& Fresh(Field field);
    // Lets the browser paint and deliver input; then the choices and
    // presses that came meanwhile are taken.
    void Frame(double wait_milliseconds);
    bool FrameDue();
    void TakeChoices();
    void ShowPace();

    std::array<Copy, 4> copies_;
    int depth_ = 0;
    double resumed_at_ = 0;
    double clocked_at_ = 0;
    int yields_per_clock_ = 1;
    // At the fast pace a run hands control to the browser, so that it
    // paints and delivers the user's input, once this many milliseconds have
    // passed since it last did: a frame at 60 Hz, or longer where the last
    // frame took longer to show (FastSliceMilliseconds). Suspending at every
    // yield would only make the runs slower, with nothing more to see.
    double slice_ = FastSliceMilliseconds(0);
    int yields_unclocked_ = 0;
    PaceClock pace_;
    // The run has written a field since its last yield: that yield ends a step.
    bool wrote_ = false;
    // What the step on screen says to a listener.
    std::u16string heard_codon_;
    std::u16string heard_added_;
};

}  // namespace quinmare
