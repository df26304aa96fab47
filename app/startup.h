#pragma once
// The spine of the process: start the runtime, register every class, run
// the start-up routine and the event loop, release, and stop.

// The process entry of the system's own code; returns the exit status.
int vindralo_main();

// The steps of vindralo_main, in its order.
void vindralo_initialize();
void _Main();
void vindralo_finalize();

// The start-up routine and its steps, in order.
void _Startup();
void _InitPluginEntrypoints();
void _InitFileTypes();
void _NewAppInstance();
void _ApplicationAddMenuHandlers();
void _MakeDefaultView();
