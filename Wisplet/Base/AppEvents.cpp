#include "Wisplet/Base/AppEvents.h"

AppEvents& AppEvents::shared()
{
    static auto* events = new AppEvents; // lives for the whole process
    return *events;
}
