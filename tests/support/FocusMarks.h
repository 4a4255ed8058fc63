#pragma once

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QWidget>

#include <cstdlib>

namespace FocusMarks {

// The island's black behind a page or control shown on its own.
inline void darken(QWidget& window)
{
    QPalette dark = window.palette();
    dark.setColor(QPalette::Window, Qt::black);
    window.setPalette(dark);
    window.setAutoFillBackground(true);
}

// How many pixels the keyboard focus changes by at least a quarter of the range of grey.
inline int changedPixels(const QImage& before, const QImage& after)
{
    int changed = 0;
    for (int y = 0; y < before.height(); ++y) {
        for (int x = 0; x < before.width(); ++x)
            changed += std::abs(qGray(before.pixel(x, y)) - qGray(after.pixel(x, y))) >= 64 ? 1 : 0;
    }
    return changed;
}

// Tabs from the window's focus widget once round, back to it (or into a text field that keeps Tab), and names
// each stop (class and accessible name or text) where the focus does not show, one after another. A text field shows
// its caret. A control that keeps the keyboard while Tab walks parts of its own (a list's row buttons) is a stop at
// each part, where its input-method cursor rectangle says the part is; one that keeps it and moves nowhere ends the
// walk there. Every stop's name goes to `stops` when given.
inline QString stopsWithoutMark(QWidget& window, QStringList* stops = nullptr)
{
    QStringList unmarked;
    QWidget* const first = QApplication::focusWidget();
    for (int stop = 0; stop < 100; ++stop) {
        QWidget* const from = QApplication::focusWidget();
        const QImage before = window.grab().toImage();
        const QRect partBefore = from->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        QTest::keyClick(from, Qt::Key_Tab);
        QWidget* focused = QApplication::focusWidget();
        if (qobject_cast<QLineEdit*>(focused) || qobject_cast<QPlainTextEdit*>(focused)) {
            if (focused == first || focused == from)
                break;
            continue;
        }
        const bool within = focused == from;
        const QRect part = within ? focused->inputMethodQuery(Qt::ImCursorRectangle).toRect() : focused->rect();
        const QRect area(focused->mapTo(&window, part.topLeft()), part.size());
        const QString name = QStringLiteral("%1 '%2'").arg(
            QString::fromLatin1(focused->metaObject()->className()),
            focused->accessibleName().isEmpty() ? focused->property("text").toString() : focused->accessibleName());
        if (stops)
            stops->append(name);
        if (changedPixels(before.copy(area), window.grab().toImage().copy(area)) < area.width() + area.height())
            unmarked.append(name);
        if (focused == first || (within && part == partBefore))
            break;
    }
    return unmarked.join(QStringLiteral(", "));
}

} // namespace FocusMarks
