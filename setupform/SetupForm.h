// The installer's only window: its controls, the state of one setup run
// and the handlers of its events.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "Controls.h"
#include "CreatedItems.h"
#include "FolderChain.h"
#include "GdiObject.h"
#include "Languages.h"
#include "RemovalRecord.h"
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
  int64_t FreeSpace = 0;
  std::string BaseDir;
  std::unique_ptr<TUnPack> Pack;
  std::string ProgramsDir;
  std::string MenuFolder;
  std::string MenuItem;
  std::string ProgramsName;
  // What this install created: taken back if it does not complete.
  TCreatedItems Created;
  // The Start-menu folders, held while the links are written.
  TFolderChain MenuChain;
  // What this install wrote and made, for its removal: kept once it completes.
  Removal::TRemovalRecord RemovalRecord;
  int32_t Language = 0;
  // The texts of the language shown; the last one applied when Language
  // names none.
  const TLanguageTexts* Texts = &FindLanguage(0)->Texts;
  // The package is loaded and usable: FormCreate did not end the program.
  bool Ready = false;
  // The install got to its completion message: from there on nothing is taken back.
  bool Installed = false;

  // Event handlers.
  void FormCreate();
  void FormActivate();
  void FormDeactivate();
  void FormResize();
  void FormPaint();
  void PanelPaint();
  void PaintBoxPaint();
  void GroupBoxEraseBackground();
  // The text colours of a label on dc; gives the brush of its background.
  HBRUSH LabelColours(HDC dc, HWND label);
  // False when the control keeps its class's pointer.
  bool ControlSetCursor(HWND control, UINT hitTest);
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
  // Whether the destination's volume has the room the package asks for, as
  // last measured: Start is offered only then.
  bool HasRoom() const;

  // Shows what the extractor found wrong with the package, each text in its
  // own box; true when there was nothing to show.
  bool ShowPackageProblems(const TUnPackOutcome& outcome);

  // Install sequence, shortcuts and the registry record.
  void Install();
  void StepProgress();
  void CreateShortcuts();
  bool FindProgramsFolder();
  // Why the Start-menu folder the package names is not one of its own, or empty.
  std::string MenuFolderProblem();
  void CreateLNK(const std::string& description, const std::string& target, const std::string& linkName);
  // The record of the version installed into installDir.
  void WriteRegistry(const std::string& installDir);
  // Starts the removal record in the product folder (made by this run when
  // productFolderMade), and has the extraction report to it.
  void StartRemovalRecord(const TFolderChain& productFolder, bool productFolderMade);
  // The uninstaller and the removal record beside the product, and its
  // entry in Windows' list of programs.
  void WriteUninstallEntry(TFolderChain& product);

  // Window machinery. Create makes the window (hidden) and its controls
  // from the layout description, runs FormCreate (an error there is shown
  // and creation goes on) and centres the restored rectangle on the desktop.
  void Create();
  // The window procedures' work: each event goes to the handler named for it.
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Messages that Panel and GroupBox get from their controls; false when
  // the message is not one of the window's.
  bool ControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // The surface being painted, during the paint and erase handlers.
  HDC Canvas = nullptr;

 private:
  void ChooseScale();
  int Scaled(int layoutPixels) const;
  SIZE InitialWindowSize() const;
  void CreateControls();
  void CentrePanel();
  void PlaceOnDesktop();
  void ControlCommand(HWND control, WORD id, WORD code);
  void PressFocusedButton();

  TGdiObject<HFONT> font_;  // the window's font, shared by its controls
  int textHeight_ = 13;     // the font's height; positions scale by textHeight_ / 13
  HWND focusedControl_ = nullptr;  // the control to give the focus back to on activation
};

// Where a window of the given size goes when first shown: the middle of the
// desktop (the rectangle that holds all monitors, which starts left of or
// above 0,0 when a monitor lies there), never left of or above its start.
POINT CentredOnDesktop(const RECT& desktop, SIZE window);
