/* A DLL placed beside the test program, as a planted DLL would lie beside setup.exe. */
__declspec(dllexport) int Planted(void) { return 42; }
