#pragma once

// The embedded engine runs threads of its own; left running while the process unloads its
// libraries they crash it on the way out. Once per process, before the first attachment,
// this arranges for the engine to be shut down when the process exits normally.
void EnsureEngineShutdownAtExit();
// Stops the engine now (all attachments must be closed).
void ShutdownEngine();
