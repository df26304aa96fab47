#pragma once
// Start-up and shut-down of the platform's own classes and module globals.

// Builds the class tables of every platform class, in the platform's order
// (the system registers its own after these).
void RuntimeInitPlatformClasses();
// Lets the framework set up its external (plug-in) classes: registers every
// plug-in member under its declaration text.
void _RuntimeInitExternalClasses();
// Releases the framework's own module globals: its lists of implicit
// windows, of windows awaiting an update and of open windows, and the maps
// of its introspection layer.
void RuntimeReleaseFrameworkGlobals();
