#pragma once

#include "ExitStatus.h"

struct Request;
class UnitLink;

// The subcommands that talk to the unit, each on a link whose port is not yet open. Results
// go to stdout; the outcome says how the run ends.
Outcome runFind(const Request &request, UnitLink &link);
Outcome runInfo(const Request &request, UnitLink &link);
Outcome runList(const Request &request, UnitLink &link);
Outcome runErase(const Request &request, UnitLink &link);
Outcome runPlay(const Request &request, UnitLink &link);
Outcome runStop(const Request &request, UnitLink &link);
Outcome runMode(const Request &request, UnitLink &link);
Outcome runDelay(const Request &request, UnitLink &link);
