#include "Wisplet/App/HeapTrim.h"

#include "Wisplet/Companion/WispState.h"
#include "Wisplet/Platform/Scheduler.h"

#include <malloc.h>

HeapTrim::HeapTrim(WispState& wisp, Scheduler& scheduler, std::function<void()> trim, QObject* parent)
    : QObject(parent)
    , m_wisp(wisp)
    , m_scheduler(scheduler)
    , m_trim(trim ? std::move(trim) : [] { malloc_trim(0); })
{
    connect(&wisp, &WispState::isHoveringChanged, this, &HeapTrim::follow);
    connect(&wisp, &WispState::isPinnedOpenChanged, this, &HeapTrim::follow);
}

HeapTrim::~HeapTrim() = default;

// Only a collapse that follows an opening trims: a blink or a bubble leaves the heap as it was.
void HeapTrim::follow()
{
    const bool open = m_wisp.isHovering() || m_wisp.isPinnedOpen();
    if (open) {
        m_pending.reset();
    } else if (m_wasOpen) {
        m_pending = m_scheduler.callAfter(std::chrono::milliseconds(delayMs), [this] {
            m_pending.reset();
            m_trim();
        });
    }
    m_wasOpen = open;
}
