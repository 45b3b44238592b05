// The installer's only window: its controls, the state of one setup run
// and the handlers of its events.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "Controls.h"
#include "UnPack.h"

class TSetupForm {
 public:
  HWND Handle = nullptr;

  // Controls, in the order the window creates them.
  TControl Panel;
  TLabel RequiredLabel;
  TLabel FreeLabel;
  TControl PaintBox;
  TControl GroupBox;
  TLabel FolderLabel;
  TLabel LanguageLabel;
  TLabel FolderCaptionLabel;
  TProgressBar ProgressBar;
  TComboBox LanguageComboBox;
  TControl ExitButton;
  TControl StartButton;

  // State of the setup run. Texts of the package and paths are 8-bit
  // strings in the system code page; the interface texts are wide, since
  // the Russian ones must show as Cyrillic under any code page.
  uint8_t Drive = 0;
  int64_t FreeSpace = 0;
  std::string FolderName;
  std::string BaseDir;
  std::unique_ptr<TUnPack> Pack;
  std::string ProgramsDir;
  std::string MenuFolder;
  std::string MenuItem;
  std::string InstallDir;
  std::string ProgramsName;
  int32_t Language = 0;
  std::wstring TextRequired, TextFree, TextInstallOf, TextFinished, TextMenuItem, TextImpossible, TextCancelAsk;

  // Event handlers.
  void FormCreate();
  void FormActivate();
  void FormResize();
  void FormPaint();
  void PaintBoxPaint();
  void ExitButtonClick();
  void FolderLabelClick();
  void LanguageComboBoxChange();
  void StartButtonClick();

  // Window: layout and painting.
  void PaintFrame();
  // Closes the main window, which asks the program to end.
  void Close();

  // Interface languages.
  void ApplyLanguage();
  void RefreshLabels();

  // Destination and disk space.
  void InitDestination();
  void ChooseDestination();
  void UpdateFreeSpace();

  // Install sequence, shortcuts and the registry record.
  void Install();
  void StepProgress();
  void CreateShortcuts();
  bool FindProgramsFolder();
  void CreateLNK(const std::string& Description, const std::string& Target, const std::string& LinkName);
  void WriteRegistry();
};
