// The GUI thread's message processing and the program's terminate flag.
#pragma once

#include <windows.h>

// True once any message loop has met the quit message.
bool IsTerminated();
void SetTerminated();
// Forgets that the quit message was met (for tests that run many cases in
// one process).
void ClearTerminated();

// Asks the program to end: posts the quit message; nothing closes yet.
void Terminate();

// Handles every message waiting for this thread, one after another, and
// returns when none is left. A quit message only sets the terminate flag.
void ProcessMessages();

// What a long task does at each of its progress stops: handles the messages
// waiting (painting, the user's clicks), then raises EAbort when the program
// was asked to end meanwhile (Exit confirmed, the window closed), so that
// nothing more is done.
void ProcessMessagesOrAbort();

// Takes the next message, waiting for one when none is there, and handles
// it. A quit message only sets the terminate flag.
void HandleMessage();

// Holds back an end of the program already requested (met, or its quit
// message still waiting), so that a box the user must read before the
// program ends is shown and waits for an answer; the request stands again
// when this goes.
class TEndRequestHeld {
 public:
  TEndRequestHeld();
  ~TEndRequestHeld();
  TEndRequestHeld(const TEndRequestHeld&) = delete;
  TEndRequestHeld& operator=(const TEndRequestHeld&) = delete;

 private:
  bool held_;
};

// The window whose keyboard messages get the dialog keys (Tab moves the
// focus through its controls); none when null.
void SetNavigationWindow(HWND window);
