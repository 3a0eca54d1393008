#pragma once

struct CommandContext;

// The Refresh command: reads the unit's directory into the eight rows and, when the unit ends
// it properly, the playback mode and trigger delay.
namespace DirectoryCommand {


void cmdDirectory_Click(CommandContext &context);

} // namespace DirectoryCommand
