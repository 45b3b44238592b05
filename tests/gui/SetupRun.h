// What GUI tests of setup.exe share: small packages, and a run of the real
// program in a fresh folder that holds one.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "GuiDriver.h"
#include "PackageFormat.h"

namespace SetupTest {

// A small sound package: version folder 1.0 with the key file demo.exe.
inline std::string DemoPackage(const std::string& title = "Demo 1.0", int32_t requiredSize = 2000000) {
  const std::string data(200, 'x');
  return Package::EncodeHeader("demo.exe", title, "Demo", requiredSize) + Package::EncodeDirectoryRecord("1.0") +
         Package::EncodeFileRecordStart("demo.exe", int32_t(data.size())) + data + Package::EncodeLeaveRecord();
}

// setup.exe (under the name given) started in a new folder beside a
// data.z holding `package`; no data.z at all when `package` is null.
// Throws when either cannot be put in place.
class SetupRun {
 public:
  explicit SetupRun(const std::string* package, int showCommand = -1, const std::wstring& exeName = L"setup.exe") {
    if (package && !Dir.WriteFile(L"data.z", *package)) throw std::runtime_error("cannot write data.z");
    const std::wstring exe = exeName == L"setup.exe" ? GuiDriver::SetupExe() : Dir.File(exeName);
    if (exe != GuiDriver::SetupExe() && !Dir.CopyFrom(GuiDriver::SetupExe(), exeName))
      throw std::runtime_error("cannot copy setup.exe");
    Program = std::make_unique<GuiDriver::Process>(exe, Dir.Path(), showCommand);
  }
  explicit SetupRun(const std::string& package, int showCommand = -1, const std::wstring& exeName = L"setup.exe")
      : SetupRun(&package, showCommand, exeName) {}
  // setup.exe started once `writePackage` has written data.z at the path
  // it is given (a package too large to hold in a string, say).
  explicit SetupRun(const std::function<void(const std::wstring& packagePath)>& writePackage) {
    writePackage(Dir.File(L"data.z"));
    Program = std::make_unique<GuiDriver::Process>(GuiDriver::SetupExe(), Dir.Path());
  }

  // The setup window once it is shown maximized; null if it never is.
  HWND WaitForMaximizedWindow() {
    HWND window = Program->WaitForWindow(L"TSetupForm");
    // The state changes before the frame does: wait until the frame covers
    // the work area too.
    const auto maximized = [&] {
      RECT workArea{}, frame = GuiDriver::ScreenRect(window);
      SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
      return IsZoomed(window) && frame.left <= workArea.left && frame.top <= workArea.top &&
             frame.right >= workArea.right && frame.bottom >= workArea.bottom;
    };
    if (!window || !GuiDriver::WaitUntil(maximized)) return nullptr;
    return window;
  }

  GuiDriver::TempDir Dir;
  std::unique_ptr<GuiDriver::Process> Program;
};

}  // namespace SetupTest
