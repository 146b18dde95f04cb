// SPDX-License-Identifier: GPL-3.0-or-later
// Finding and pressing the window's controls from tests.
#pragma once

#include <QCoreApplication>
#include <QHash>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "form1.h"

template <typename T = QWidget>
T* Control(quinmare::Form1& form, const char* name, int index = -1) {
    for (T* child : form.findChildren<T*>(name)) {
        if (index < 0 || child->property("index").toInt() == index) return child;
    }
    return nullptr;
}

// Presses a button through the event queue, the way a click arrives while
// a run is yielding.
inline void PostClick(QWidget* button) {
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
