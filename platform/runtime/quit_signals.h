#pragma once
// SIGTERM, SIGINT and SIGHUP quit the application as its Quit command does:
// a handler in a long loop unwinds at its next background task, the frames
// being written are finished, and the exit status is 0. This is how a
// session manager, a terminal or a test ends the program.

// Honours the three signals while the running application exists (their
// previous dispositions come back when it is destroyed). Call it once the
// application exists; a second call for the same application does nothing.
// A signal that the process was started with ignored (as nohup does for
// SIGHUP) stays ignored.
void RuntimeHonourQuitSignals();
