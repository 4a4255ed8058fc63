#pragma once

#include "Wisplet/Base/ToolRegistry.h"
#include "tests/support/Fixtures.h"

#include <QStringList>

#include <memory>

// Fresh stores for a tool registry; the defaults live in memory unless given a file.
struct RegistryFixture : CompanionFixture
{
    using CompanionFixture::CompanionFixture;

    // Reads the defaults as they stand now, as a launch would.
    ToolRegistry& load()
    {
        registry = std::make_unique<ToolRegistry>(defaults, settings, events);
        return *registry;
    }

    std::unique_ptr<ToolRegistry> registry;
};

template <typename Tools>
QStringList toolNames(const Tools& tools)
{
    QStringList names;
    for (ToolID tool : tools)
        names.append(rawValue(tool));
    return names;
}

inline QStringList sortedToolNames(const QSet<ToolID>& tools)
{
    QStringList names = toolNames(tools);
    names.sort();
    return names;
}

inline QSet<ToolID> toolSet(const QStringList& names)
{
    QSet<ToolID> tools;
    for (const QString& name : names)
        tools.insert(*toolFromRawValue(name));
    return tools;
}
