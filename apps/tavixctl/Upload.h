#pragma once

#include "ExitStatus.h"

struct Request;
class UnitLink;

// `tavixctl upload FILE --location N`: the window's Update command without the window. The same
// checks and placement rules; the questions are asked on a terminal or answered by --yes and
// --overflow, and refused (65) when neither can be had. After the transfer the directory is read
// back, and the run fails unless the unit lists the message under its name with the size sent.
Outcome runUpload(const Request &request, UnitLink &link);
