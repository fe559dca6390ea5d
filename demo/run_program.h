#pragma once

// Everything the program does between its entry point and its exit, the same on every platform:
// the launch dialog, then the demo. Returns the process exit code: 1 when no dialog can be shown
// or the demo fails (the reason printed on stderr), else the demo's. A cancel ends the process
// at once with code 0.
int runProgram();
