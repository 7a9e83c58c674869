#pragma once

// The embedded engine runs threads of its own; left running while the process unloads its
// libraries they crash it on the way out. Once per process, before the first attachment,
// this arranges for the engine to be shut down when the process exits normally.
void EnsureEngineShutdownAtExit();
// Stops the engine now (all attachments must be closed).
void ShutdownEngine();
// An attachment could not be detached (its lock folder is away): stopping the engine would
// detach it and fail inside the engine, ending the process; ShutdownEngine does nothing.
void KeepEngineRunningAtExit();

// The Firebird series of the client library and its embedded engine (3 on Debian 12, 4 on
// Debian 13): 4 writes on-disk structure 13 and no longer opens the structure 12 files of 3.
int EngineMajorVersion();
