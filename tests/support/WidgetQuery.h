#pragma once

#include <QStringList>
#include <QWidget>

#include <algorithm>

// The first child of the given kind whose text, or failing that tool tip, is `text`; null if none.
template <typename T>
T* childWithText(const QWidget& parent, const QString& text)
{
    for (T* child : parent.findChildren<T*>()) {
        if (child->property("text").toString() == text || child->toolTip() == text)
            return child;
    }
    return nullptr;
}

// The first child of the given kind for which `test` holds; null if none.
template <typename T, typename Test>
T* childWhere(const QWidget& parent, Test test)
{
    const QList<T*> children = parent.findChildren<T*>();
    const auto found = std::find_if(children.begin(), children.end(), test);
    return found == children.end() ? nullptr : *found;
}

// The texts of the children of the given kind that show whenever `parent` does.
template <typename T>
QStringList shownTexts(const QWidget& parent)
{
    QStringList texts;
    for (const T* child : parent.findChildren<T*>()) {
        if (child->isVisibleTo(&parent))
            texts.append(child->property("text").toString());
    }
    return texts;
}
