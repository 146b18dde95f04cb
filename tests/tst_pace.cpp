// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>
#include <limits>
#include <vector>

#include "core_test.h"
#include "form/pace.h"

using quinmare::Pace;
using quinmare::PaceClock;

namespace {

// A run's yields as a front-end makes them, on a clock of its own: a yield
// goes on delivering events for as long as the clock holds it, and when it
// would wait for the user, the user does the next of `user` ('t' one step,
// 'r' resume). Each yield follows `work` ms of the run's work; `yields`
// tells which of them end a step ('s') and which show nothing new ('.').
// Gives the times at which the steps' yields returned.
std::vector<double> Run(PaceClock& clock, const std::string& yields, double work, std::string user) {
    std::vector<double> returned;
    double now = 0;
    clock.RunStarts(now);
    for (char yield : yields) {
        now += work;
        const PaceClock::Wait wait{yield == 's'};
        while (clock.Holds(wait, now)) {
            const double left = clock.Remaining(wait, now);
            if (std::isfinite(left)) {
                now += left;
                continue;
            }
            if (user.empty()) return returned;  // held for good
            (user.front() == 't') ? clock.Step() : clock.Resume(now);
            user.erase(0, 1);
            now += 100;  // the user takes a while
        }
        if (yield == 's') returned.push_back(now);
    }
    clock.RunsEnded();
    return returned;
}

std::vector<double> Every(double first, double period, int count) {
    std::vector<double> times;
    for (int i = 0; i < count; ++i) times.push_back(first + i * period);
    return times;
}

}  // namespace

class PaceTest : public QObject {
    Q_OBJECT
private slots:
    void stepsTakeThePacesTime_data();
    void stepsTakeThePacesTime();
    void pauseHoldsAndStepGoesOneStep();
    void fastRunsHandOverAsOftenAsFramesAllow_data();
    void fastRunsHandOverAsOftenAsFramesAllow();
    void namesAndAnnouncements();
};

void PaceTest::stepsTakeThePacesTime_data() {
    QTest::addColumn<Pace>("pace");
    QTest::addColumn<std::string>("yields");
    QTest::addColumn<double>("work");
    QTest::addColumn<std::vector<double>>("returned");
    const double frame = 1000.0 / 60;
    // A step may end 2 ms early, so that a display frame a moment before its
    // time does not keep it a whole frame longer; N steps take N periods.
    QTest::newRow("fast: nothing waits") << Pace::Fast << std::string("ssss") << 1.0 << Every(1, 1, 4);
    QTest::newRow("normal: a frame a step") << Pace::Normal << std::string("ssssss") << 0.1
                                            << Every(frame - 2, frame, 6);
    QTest::newRow("slow: half a second a step") << Pace::Slow << std::string("ssss") << 0.1 << Every(498, 500, 4);
    // A generate yields twice a base before it shows anything: those do not wait.
    QTest::newRow("slow: yields that show nothing do not wait")
        << Pace::Slow << std::string("...s..s..s") << 0.1 << Every(498, 500, 3);
    // Steps that take longer than the pace (a slow machine) never wait.
    QTest::newRow("normal: steps longer than a frame") << Pace::Normal << std::string("sss") << 40.0 << Every(40, 40, 3);
}

void PaceTest::stepsTakeThePacesTime() {
    QFETCH(Pace, pace);
    QFETCH(std::string, yields);
    QFETCH(double, work);
    QFETCH(std::vector<double>, returned);
    PaceClock clock;
    clock.SetPace(pace, 0);
    const std::vector<double> got = Run(clock, yields, work, "");
    QCOMPARE(got.size(), returned.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        QVERIFY2(std::abs(got[i] - returned[i]) < 1e-6, (std::to_string(i) + ": " + Exactly(got[i])).c_str());
    }
}

void PaceTest::pauseHoldsAndStepGoesOneStep() {
    // Paused before the run: it waits at its first step; each of the user's
    // steps lets it go to the next one, through the yields that show nothing;
    // resumed, it goes on at the pace.
    PaceClock clock;
    clock.SetPace(Pace::Slow, 0);
    clock.Pause();
    QVERIFY(clock.Announces());
    std::vector<double> got = Run(clock, "s.s..s.ss", 1, "ttr");
    // Held for good at the first step without the user; the steps return
    // once the user (taking 100 ms each time) lets them.
    QCOMPARE(got.size(), std::size_t(5));
    QCOMPARE(got[0], 101.0);  // the first step, released by a step
    QCOMPARE(got[1], 203.0);  // the next, released by the next step
    QCOMPARE(got[2], 704.0);  // resumed at 206: it is shown for half a second from then
    QCOMPARE(got[3], 1204.0);
    QCOMPARE(got[4], 1704.0);
    // Stepping while running pauses; a step asked for with no run going is
    // forgotten when the runs end.
    clock.Resume(0);
    clock.Step();
    QVERIFY(clock.paused());
    clock.Step();
    clock.RunsEnded();
    QCOMPARE(Run(clock, "s", 1, "").size(), std::size_t(0));
    // Without the user, a paused run stays where it is.
    PaceClock held;
    held.Pause();
    QCOMPARE(Run(held, "sss", 1, "t").size(), std::size_t(1));
    QVERIFY(!PaceClock().Announces());
}

void PaceTest::fastRunsHandOverAsOftenAsFramesAllow_data() {
    QTest::addColumn<double>("frame");
    QTest::addColumn<double>("slice");
    // Quick frames: one at 60 Hz. Slow ones: as long as the frame took, so
    // that a run is at least half work, but a slice and a frame within 80 ms.
    QTest::newRow("quick frame") << 5.0 << 16.0;
    QTest::newRow("a frame at 60 Hz") << 1000.0 / 60 << 1000.0 / 60;
    QTest::newRow("slow frame") << 30.0 << 30.0;
    QTest::newRow("half of the gap") << 40.0 << 40.0;
    QTest::newRow("slower: the gap bounds it") << 50.0 << 30.0;
    QTest::newRow("slowest: never under a frame") << 70.0 << 16.0;
    QTest::newRow("a page hidden for seconds") << 5000.0 << 16.0;
    QTest::newRow("no frame yet") << 0.0 << 16.0;
    QTest::newRow("clock stepped back") << -30.0 << 16.0;
    QTest::newRow("no time") << std::numeric_limits<double>::quiet_NaN() << 16.0;
}

void PaceTest::fastRunsHandOverAsOftenAsFramesAllow() {
    QFETCH(double, frame);
    QFETCH(double, slice);
    QCOMPARE(quinmare::FastSliceMilliseconds(frame), slice);
}

void PaceTest::namesAndAnnouncements() {
    for (Pace pace : quinmare::kPaces) QVERIFY(quinmare::PaceNamed(quinmare::PaceName(pace)) == pace);
    QVERIFY(!quinmare::PaceNamed("Slow").has_value());
    QVERIFY(!quinmare::PaceNamed("").has_value());
    const Texts heard = {quinmare::StepAnnouncement(u"ATG", u"Met__"),
                         quinmare::StepAnnouncement(u"TAA", u"stop\r\n\r\n"),
                         quinmare::StepAnnouncement(u"ATG", u""), quinmare::StepAnnouncement(u"", u"GCC"),
                         quinmare::StepAnnouncement(u"", u"")};
    QCOMPARE(heard, (Texts{u"ATG Met", u"TAA stop", u"ATG", u"GCC", u""}));
}

QTEST_APPLESS_MAIN(PaceTest)
#include "tst_pace.moc"
