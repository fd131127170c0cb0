#pragma once
// Xlib's default error handler ends the whole process. SDL's event thread
// wakes itself by sending an event to its newest window over its own X
// connection, and the server may see that window destroyed first: a
// harmless BadWindow that must not end the program. Installed before SDL
// opens its display, this handler is the one SDL's own handler passes errors
// on to and the one it puts back when it closes: it logs each error and goes on.

namespace platform {

// Installs the handler (once); later calls do nothing.
void KeepXErrorsFromEndingTheProcess();

}  // namespace platform
