#pragma once

struct CommandContext;

// Erases one memory location on the unit and clears it on the window, at most once per command
// (ErasedMarks).
void EraseLocation(CommandContext &context, int location);
