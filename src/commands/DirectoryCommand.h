#pragma once

struct CommandContext;

// The Refresh command: reads the unit's directory into the eight rows and, when the unit ends
// it properly, the playback mode and trigger delay.
namespace DirectoryCommand {

// A unit that keeps sending records never ends the read on its own; a unit has eight
// locations, so this many records can only come from a broken one.
inline constexpr int MostRecords = 64;

void cmdDirectory_Click(CommandContext &context);

} // namespace DirectoryCommand
