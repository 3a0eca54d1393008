#include "commands/CommFailure.h"

#include "commands/CommandContext.h"
#include "commands/MainSurface.h"
#include "protocol/UnitResult.h"

bool reportCommFailure(CommandContext &context, const UnitResult &result)
{
    if (result.status != UnitStatus::CommFailed)
        return false;
    context.surface.setStatus(CommFailurePrefix + result.detail);
    return true;
}
