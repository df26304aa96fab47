#pragma once
// The process-level runtime: start, the framework's initialisation, the
// event loop, the last-resort exception handler and the exit status.
#include <exception>
#include <functional>

#include "runtime/classes.h"
#include "runtime/quit_signals.h"  // RuntimeInit honours the quit signals

// Keeps the process arguments for the GUI toolkit (its standard options,
// such as -platform, are the only arguments the process understands).
void RuntimeSetArguments(int argc, char** argv);

void RuntimeInit();
// Runs the start-up entry once, with no arguments; what it raises passes on.
void _RunFrameworkInitialization(const MethodFunction& entry);
// Runs the event loop until the application quits; rethrows the first
// exception that a dispatched event raised.
void _RuntimeRun();
// Shows one message with the exception's class and message, then returns;
// the process will exit with status 1.
void _UnhandledException(std::exception_ptr error);
// Stops the runtime; the process exit status (0 after a normal quit).
int RuntimeExit();

// Handles pending events, so that progress, preview and status repaint
// during long loops and the window's close request and Quit are honoured;
// clicks and keys for the controls are held and delivered once no handler
// runs. Unwinds the caller with QuitSignal when the application is quitting.
void RuntimeBackgroundTask();
// Whether a handler waits in RuntimeBackgroundTask now (events handled now
// come during a long loop).
bool RuntimeInBackgroundTask() noexcept;
// Runs the work once no handler and no background task runs, in order with
// the input held meanwhile (a menu item chosen during a long loop).
void RuntimeRunWhenNoHandlerRuns(std::function<void()> work);
// Finishes now the work the platform finishes when the running handler
// returns (the frames it saved are put in place), raising its first failure
// here, where the handler can still act on it.
void RuntimeCompleteHandlerWork();

// Ends every running event loop; the running handler, if any, unwinds at
// its next background task.
void RuntimeRequestQuit();
bool RuntimeIsQuitting() noexcept;

// Runs one event handler at a dispatch boundary: no exception passes out.
// The first exception is kept (later ones are dropped), every event loop is
// told to return, and _RuntimeRun rethrows it.
void RuntimeDispatch(const std::function<void()>& handler) noexcept;
bool RuntimeHasPendingException() noexcept;
// The number of handlers running at this moment, nested ones included
// (1 inside a handler called from the event loop, 0 outside any).
int RuntimeDispatchDepth() noexcept;
// Throws QuitSignal when a nested loop returned because the application is
// quitting or an exception is pending, so that the handler unwinds.
void RuntimeCheckUnwind();

// Work that must be complete before any handler returns to the event loop
// (the platform's pending frame writes); may raise. Every hook runs, in the
// order added, even when an earlier one raised; the first raise passes on.
// Hooks run inside the handler's dispatch (RuntimeDispatchDepth counts it).
void RuntimeAddDispatchEndHook(std::function<void()> hook);
// Work that runs when the runtime stops (waiting for pending writes).
void RuntimeAddExitHook(std::function<void()> hook);
