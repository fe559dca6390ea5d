#include <windows.h>

// On a laptop with two GPUs the drivers run a program on the integrated one unless its .exe
// exports these, NVIDIA's and AMD's, set to 1.
extern "C" {
__declspec(dllexport) DWORD NvOptimusEnablement = 1;
__declspec(dllexport) int AmdPowerXpressRequestHighPerformance = 1;
}
