// The ids of the window's controls, in the order of the layout description
// (GetDlgCtrlID gives them; tests find the controls by them).
#pragma once

enum ControlId : int {
  PanelId = 100,
  RequiredLabelId,
  FreeLabelId,
  PaintBoxId,
  GroupBoxId,
  FolderLabelId,
  LanguageLabelId,
  FolderCaptionLabelId,
  ProgressBarId,
  LanguageComboBoxId,
  ExitButtonId,
  StartButtonId,
};
