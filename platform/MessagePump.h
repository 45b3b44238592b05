// The GUI thread's message processing and the program's terminate flag.
#pragma once

// True once any message loop has met the quit message.
bool IsTerminated();
void SetTerminated();

// Asks the program to end: posts the quit message; nothing closes yet.
void Terminate();

// Handles every message waiting for this thread, one after another, and
// returns when none is left. A quit message only sets the terminate flag.
void ProcessMessages();
