// What the Start-menu shortcuts take of the progress bar, for the window
// that sizes the bar: one stop once the Programs folder is found, and the
// stops of each link.
#pragma once

namespace Shortcuts {

constexpr int FolderProgressStops = 1;
constexpr int LinkProgressStops = 6;  // TSetupForm::CreateLNK steps after each of its six parts
constexpr int LinkCount = 3;          // the main program, the manual and the home page
constexpr int ProgressStops = FolderProgressStops + LinkCount * LinkProgressStops;

}  // namespace Shortcuts
