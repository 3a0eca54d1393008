#include "app/CommFailure.h"

#include "app/CommandContext.h"
#include "app/MainSurface.h"
#include "link/SaxComm.h"

bool reportCommFailure(CommandContext &context)
{
    const auto error = context.comm.takeError();
    if (!error)
        return false;
    context.surface.setStatus(CommFailurePrefix + error->text);
    return true;
}
