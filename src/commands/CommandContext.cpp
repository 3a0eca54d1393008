#include "commands/CommandContext.h"

#include "commands/MainSurface.h"

UnitWork::UnitWork(CommandContext &context) : m_context(context)
{
    if (m_context.unitBusy)
        return;
    m_acquired = true;
    m_context.unitBusy = true;
    m_context.surface.setUnitCommandsEnabled(false);
}

UnitWork::~UnitWork()
{
    if (!m_acquired)
        return;
    m_context.unitBusy = false;
    m_context.surface.setUnitCommandsEnabled(true);
}
