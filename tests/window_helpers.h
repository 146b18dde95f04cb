// SPDX-License-Identifier: GPL-3.0-or-later
// Finding and pressing the window's controls from tests.
#pragma once

#include <QCoreApplication>
#include <QTest>
#include <QTimer>
#include <functional>
#include <vector>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "form1.h"
#include "text_box.h"

// How long a test waits for what it needs before it gives up: only a fault
// ever takes this long, so it is far beyond what a busy machine (or Wine)
// needs, not Qt Test's 5 s.
constexpr int kPatience = 120000;

#ifdef _WIN32
#if !defined(_WIN32_WINNT) || _WIN32_WINNT < 0x0602
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0602  // GetCurrentThreadStackLimits
#endif
#include <windows.h>
#else
#include <sys/resource.h>
#endif

// The stack the main thread may grow to.
inline std::size_t MainStackBytes() {
#ifdef _WIN32
    ULONG_PTR low = 0, high = 0;
    GetCurrentThreadStackLimits(&low, &high);
    return std::size_t(high - low);
#else
    rlimit limit{};
    getrlimit(RLIMIT_STACK, &limit);
    return limit.rlim_cur == RLIM_INFINITY ? std::size_t(8) << 20 : std::size_t(limit.rlim_cur);
#endif
}

// What a user does while the runs go on, one act after another, each once
// its moment has come: a timer looks, inside the runs' yields, whether the
// next act's condition holds, and does it. The runs' pace and pause make
// the moments last as long as the user needs.
class UserScript : public QObject {
public:
    struct Act {
        std::function<bool()> when;
        std::function<void()> then;
    };
    explicit UserScript(std::vector<Act> acts) : acts_(std::move(acts)) {
        connect(&tick_, &QTimer::timeout, this, [this] {
            if (next_ == acts_.size() || !acts_[next_].when()) return;
            // The act may start a run, whose yields tick again.
            const std::size_t now = next_++;
            acts_[now].then();
        });
        tick_.start(1);
    }
    bool Done() const { return next_ == acts_.size(); }

private:
    std::vector<Act> acts_;
    std::size_t next_ = 0;
    QTimer tick_;
};

// Keeps a run going while the user does something that may take long: a
// codon a frame (the normal pace, Ctrl+2); paused (F8) once the box holds
// `near_the_end` units, until `done` says the user is through; then as fast
// as it goes (F8 again, Ctrl+1). The speed menu's keys reach an active window.
class RunWhileUserActs : public QObject {
public:
    RunWhileUserActs(quinmare::Form1& form, quinmare::Field field, std::size_t near_the_end, std::function<bool()> done)
        : form_(form) {
        connect(&look_, &QTimer::timeout, this, [this, field, near_the_end, done] {
            if (form_.RunDepth() == 0 || through_) return;
            if (done()) {
                through_ = true;
                if (form_.Clock().paused()) QTest::keyClick(&form_, Qt::Key_F8);
                QTest::keyClick(&form_, Qt::Key_1, Qt::ControlModifier);
            } else if (!form_.Clock().paused() && form_.ReadText(field).size() >= near_the_end) {
                QTest::keyClick(&form_, Qt::Key_F8);
            }
        });
    }
    // Chooses the normal pace for the run to come; false when the window
    // never became active, or the key chose nothing.
    bool Start() {
        if (!QTest::qWaitForWindowActive(&form_, kPatience)) return false;
        QTest::keyClick(&form_, Qt::Key_2, Qt::ControlModifier);
        look_.start(1);
        return form_.Clock().pace() == quinmare::Pace::Normal;
    }

private:
    quinmare::Form1& form_;
    QTimer look_;
    bool through_ = false;
};

// The form's client area, below the menu bar: the controls' parent, sized in twips.
inline QWidget* ClientArea(quinmare::Form1& form) { return form.findChild<QWidget*>("ClientArea"); }

template <typename T = QWidget>
T* Control(quinmare::Form1& form, const char* name, int index = -1) {
    for (T* child : form.findChildren<T*>(name)) {
        if (index < 0 || child->property("index").toInt() == index) return child;
    }
    return nullptr;
}

// Presses a button through the event queue, the way a click arrives while
// a run is yielding. On Windows the press is a real window message, which
// takes the stack that Qt's own message handling takes.
inline void PostClick(QWidget* button) {
#ifdef _WIN32
    if (QGuiApplication::platformName() == QLatin1String("windows")) {
        const QPoint at = button->mapTo(button->window(), QPoint(5, 5)) * button->devicePixelRatioF();
        const HWND window = reinterpret_cast<HWND>(button->window()->winId());
        PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x(), at.y()));
        PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(at.x(), at.y()));
        return;
    }
#endif
    const QPointF at(5, 5);
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonPress, at, button->mapToGlobal(at),
                                                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonRelease, at, button->mapToGlobal(at),
                                                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}

// WCAG 2.1 contrast between two colours, 1 to 21.
inline double Contrast(QColor a, QColor b) {
    auto luminance = [](QColor c) {
        auto channel = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Within an area of a rendered window: its commonest colour (the ground)
// and the strongest contrast of any pixel against it (the ink).
inline double InkContrast(const QImage& image, QRect area, QColor* ground = nullptr) {
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) ++counts[image.pixel(x, y)];
    QRgb common = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > counts.value(common)) common = it.key();
    double best = 1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) best = std::max(best, Contrast(QColor(it.key()), QColor(common)));
    if (ground) *ground = QColor(common);
    return best;
}
