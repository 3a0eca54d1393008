#include "commands/CommFailure.h"

#include "commands/CommandContext.h"
#include "commands/MainSurface.h"
#include "link/SaxComm.h"

bool reportCommFailure(CommandContext &context)
{
    const auto error = context.comm.takeError();
    if (!error)
        return false;
    context.surface.setStatus(CommFailurePrefix + error->text);
    return true;
}
