#pragma once

#include <QStringList>

#include <functional>

// What `part` (a member, a member function or a callable) gives for each element, in order.
template <typename List, typename Part>
QStringList textsOf(const List& list, Part part)
{
    QStringList texts;
    for (const auto& element : list)
        texts.append(std::invoke(part, element));
    return texts;
}
