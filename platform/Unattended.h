// A run with no one at the screen (setup.exe /S): nothing may be shown and
// nobody answers. What a box would have said goes to the run's log instead,
// with a line for each step, when the run was given one.
#pragma once

#include <string>

// True once StartUnattended has been called: boxes, the error display and
// progress windows show nothing.
bool Unattended();

// From now on nothing is shown. The log at logPath (none when empty) is
// made or emptied and gets UTF-8 lines. False, with nothing written, when
// it cannot be: an existing file that is a link, or has other names, is
// not written through.
bool StartUnattended(const std::wstring& logPath);

// A line of the log; a text with line breaks keeps them. Nothing without a log.
void LogLine(const std::wstring& text);
