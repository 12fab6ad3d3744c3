// Stand-in for the setup probe the installer runs after extraction; it only has to start
// and succeed.

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
