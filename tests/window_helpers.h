// SPDX-License-Identifier: GPL-3.0-or-later
// Finding and pressing the window's controls from tests.
#pragma once

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

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
