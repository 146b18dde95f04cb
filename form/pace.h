// SPDX-License-Identifier: GPL-3.0-or-later
// The pace at which the runs are shown: one clock for every front-end.
//
// The runs yield after every base and every codon. At the fast pace, the
// default, a yield delivers the events that are waiting and returns, as fast
// as the machine goes. At the other paces a yield that follows a change on
// screen (a step: a codon decoded, three letters generated) goes on
// delivering the user's events until the step has been shown for its time;
// while paused, every yield goes on delivering them until the user resumes
// or asks for one step. The front-ends ask the clock at every yield and give
// it the time; it keeps no clock of its own, so that tests can give it any.
// Standard C++ only.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace quinmare {

enum class Pace { Fast, Normal, Slow };

inline constexpr std::array<Pace, 3> kPaces = {Pace::Fast, Pace::Normal, Pace::Slow};

// How long a step stays on screen at a pace, in milliseconds: nothing at the
// fast pace, one frame of a 60 Hz display at the normal pace, and at the slow
// pace half a second, time to read a codon and its amino acid aloud.
double StepMilliseconds(Pace pace);

// How long a run at the fast pace may keep a browser from showing a frame,
// given how long the last frame took to show (from the hand-over to the
// run's resumption, in milliseconds). Where frames are quick, a frame at
// 60 Hz; where one takes longer (a browser that lays a long text box out
// again and composites it without a GPU takes 30 to 80 ms), as long as it
// took, so that showing takes at most half of a run, yet never so long that
// the run and the next frame together pass 80 ms (a display's frame more, and
// the page would go 100 ms without one). A front-end that paints as the
// run yields has no use for it.
double FastSliceMilliseconds(double last_frame_milliseconds);

// A pace's name in a page's address (quinmare.html?pace=slow): "fast",
// "normal" or "slow"; any other name is no pace.
std::string_view PaceName(Pace pace);
std::optional<Pace> PaceNamed(std::string_view name);

// What a listener hears of a step: the codon and the amino acid it gave
// ("ATG Met", "TAA stop"), or the letters a generate added ("ATG"). The
// label's underscores and line breaks are not spoken.
std::u16string StepAnnouncement(std::u16string_view codon, std::u16string_view added);

class PaceClock {
public:
    // One yield of a run.
    struct Wait {
        bool step = false;  // the run changed what is on screen since its last yield
    };

    Pace pace() const { return pace_; }
    bool paused() const { return paused_; }
    // No yield waits: the fast pace, and not paused. The runs go as they
    // always have.
    bool Unpaced() const { return pace_ == Pace::Fast && !paused_; }
    // Each step is worth telling a listener: at the slow pace, and while
    // the user goes one step at a time. Faster, nobody could follow.
    bool Announces() const { return pace_ == Pace::Slow || paused_; }

    // A change of pace applies to the yield under way already; the step on
    // screen is shown for the new pace's time from `now`.
    void SetPace(Pace pace, double now);
    // Every run waits at its next yield until Resume or Step.
    void Pause();
    void Resume(double now);
    // While paused, the run that is waiting goes on to its next step and
    // waits there. While running, the same as Pause.
    void Step();

    // A run starts at `now` (a press, nested or not): its first step is
    // shown for a full step from then.
    void RunStarts(double now);
    // Every run has ended: a step asked for meanwhile is forgotten.
    void RunsEnded();

    // Whether the yield must go on delivering events at `now`. Once it
    // answers false the yield returns: ask again only for a new yield.
    bool Holds(const Wait& wait, double now);
    // How long, from `now`, the yield may wait for events before it asks
    // Holds again: 0 when it may return, infinity while paused (only an
    // event of the user's can end that wait).
    double Remaining(const Wait& wait, double now) const;

private:
    Pace pace_ = Pace::Fast;
    bool paused_ = false;
    bool step_asked_ = false;  // the user asked for one step
    bool stepping_ = false;    // a step is under way: yields go on to the next one
    double shown_since_ = 0;   // when the step on screen began to be shown
};

}  // namespace quinmare
