/* A DLL that lies only beside the test program: the DLL search test loads it by name. */
__declspec(dllexport) int SearchProbe(void) { return 1; }
