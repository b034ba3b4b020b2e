#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QString>
#include <QWidget>

namespace corvane::test {

// User input delivered through the application, as the window system would
// deliver it (focus handling included).
inline void Click(QWidget* widget, QPoint at) {
    const QPointF local(at);
    const QPointF global(widget->mapToGlobal(at));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

inline void Click(QWidget* widget) {
    Click(widget, widget->rect().center());
}

inline void KeyClick(QWidget* widget, int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

inline void TypeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        KeyClick(widget, c.toUpper().unicode(), QString(c));
    }
}

}  // namespace corvane::test
