// SPDX-License-Identifier: GPL-3.0-or-later
#include "pace.h"

#include <algorithm>
#include <limits>

namespace quinmare {
namespace {

// A step may end this much before its time: a display's frame that comes a
// moment early then shows the next step, instead of the same one for a
// whole frame more.
constexpr double kEarlyMilliseconds = 2;

}  // namespace

double StepMilliseconds(Pace pace) {
    switch (pace) {
    case Pace::Fast: return 0;
    case Pace::Normal: return 1000.0 / 60;
    case Pace::Slow: return 500;
    }
    return 0;
}

double FastSliceMilliseconds(double last_frame_milliseconds) {
    constexpr double kShortest = 16;
    constexpr double kLongestGap = 80;
    const double took = last_frame_milliseconds;
    if (!(took > kShortest)) return kShortest;  // quick, or no time at all (NaN)
    return std::max(kShortest, std::min(took, kLongestGap - took));
}

std::string_view PaceName(Pace pace) {
    switch (pace) {
    case Pace::Fast: return "fast";
    case Pace::Normal: return "normal";
    case Pace::Slow: return "slow";
    }
    return {};
}

std::optional<Pace> PaceNamed(std::string_view name) {
    for (Pace pace : kPaces) {
        if (PaceName(pace) == name) return pace;
    }
    return std::nullopt;
}

std::u16string StepAnnouncement(std::u16string_view codon, std::u16string_view added) {
    // "Met__" and "stop\r\n\r\n" are read as "Met" and "stop".
    while (!added.empty() && (added.back() == u'_' || added.back() == u'\r' || added.back() == u'\n')) {
        added.remove_suffix(1);
    }
    std::u16string heard(codon);
    if (!heard.empty() && !added.empty()) heard += u' ';
    heard += added;
    return heard;
}

void PaceClock::SetPace(Pace pace, double now) {
    pace_ = pace;
    shown_since_ = now;
}

void PaceClock::Pause() {
    paused_ = true;
    step_asked_ = false;
    stepping_ = false;
}

void PaceClock::Resume(double now) {
    paused_ = false;
    step_asked_ = false;
    stepping_ = false;
    shown_since_ = now;
}

void PaceClock::Step() {
    if (paused_) {
        step_asked_ = true;
    } else {
        Pause();
    }
}

void PaceClock::RunStarts(double now) { shown_since_ = now; }

void PaceClock::RunsEnded() {
    step_asked_ = false;
    stepping_ = false;
}

bool PaceClock::Holds(const Wait& wait, double now) {
    if (paused_) {
        if (step_asked_) {
            // The waiting run goes on, through yields that show nothing new,
            // to its next step.
            step_asked_ = false;
            stepping_ = true;
            return false;
        }
        if (!wait.step && stepping_) return false;
        if (wait.step) stepping_ = false;
        return true;
    }
    if (!wait.step || pace_ == Pace::Fast) return false;
    const double period = StepMilliseconds(pace_);
    const double due = shown_since_ + period;
    if (now < due - kEarlyMilliseconds) return true;
    // The next step is shown from when this one was due, so that N steps
    // take N periods; after a longer wait (a nested run, a busy machine)
    // from now, so that it still gets its whole time on screen.
    shown_since_ = now - due < period ? due : now;
    return false;
}

double PaceClock::Remaining(const Wait& wait, double now) const {
    if (paused_) return step_asked_ ? 0 : std::numeric_limits<double>::infinity();
    if (!wait.step || pace_ == Pace::Fast) return 0;
    const double left = shown_since_ + StepMilliseconds(pace_) - kEarlyMilliseconds - now;
    return left > 0 ? left : 0;
}

}  // namespace quinmare
