#pragma once

// Starts the program: shared objects, single instance, splash, windows, message loop and the
// ordered shutdown. Returns the exit code.
int RunVornaloExplorer(int argc, char* argv[]);
