// Keeps DLLs planted beside the executable (a downloads folder, say) from
// ever being loaded: run-time loads search the system directory only.
#pragma once

// Call first thing in the program, before anything loads a DLL.
void RestrictDllSearchPath();
