#pragma once

#include <QByteArray>

#include <memory>

#include <libical/ical.h>

// libical's parser over outside text. libical builds and frees its tree recursively, one level of stack per
// nested component: a file of a few hundred thousand nested BEGIN lines would overflow the stack, so text
// nested deeper than any calendar program writes is refused before libical sees it.
namespace ICalendarParse {

// A calendar inside a wrapper, an event, an alarm: a few levels. Far more is no calendar.
inline constexpr int maxDepth = 32;

struct ComponentFree
{
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

// More BEGIN lines open at once than maxDepth.
bool isTooDeep(const QByteArray& data);
// The parsed root; null for text that is too deep or that libical cannot read. NUL bytes are passed over.
Component parse(const QByteArray& data);

} // namespace ICalendarParse
