// The window classes of the setup window and of its own controls.
#pragma once

#include <windows.h>

class TSetupForm;

constexpr wchar_t FormClassName[] = L"TSetupForm";
constexpr wchar_t PanelClassName[] = L"TPanel";
constexpr wchar_t PaintBoxClassName[] = L"TPaintBox";

constexpr DWORD FormStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD FormExStyle = 0;

// Registers the classes once per process.
void RegisterWindowClasses();

// Lets a group box pass its controls' notifications to the window.
void ForwardGroupBoxMessages(HWND groupBox, TSetupForm* form);
