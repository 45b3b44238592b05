// Keeps DLLs planted beside the executable (a downloads folder, say) from
// ever being loaded: run-time loads search the system directory only. On
// Vista (and where the system lacks the means) only the current directory
// is taken out of the search.
#pragma once

// Call first thing in the program, before anything loads a DLL.
void RestrictDllSearchPath();
