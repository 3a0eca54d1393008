#pragma once

struct CommandContext;

// Sends the wave file the Update command prepared (the header variables of modDeclarations)
// into the unit from `location` on, through the unit session: the "L" command, the header
// record, then the samples in acknowledged blocks. Reports its outcome on the window; paints the
// usage bars on success.
// False only when the window was unloaded while the transfer let events run: the program is
// ending, and the caller ends at once too.
bool LoadMessage(CommandContext &context, int location);
