// The window classes of the setup window and of its own controls.
#pragma once

#include <windows.h>

constexpr wchar_t FormClassName[] = L"TSetupForm";
constexpr wchar_t PanelClassName[] = L"TPanel";
constexpr wchar_t PaintBoxClassName[] = L"TPaintBox";

constexpr DWORD FormStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD FormExStyle = 0;

// The window procedures, for the registration of their classes.
LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// A panel whose controls' notifications go to the window.
LRESULT CALLBACK PanelWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK PaintBoxWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Installed on the group box (a system control): its controls' notifications
// go to the window; data is the TSetupForm.
LRESULT CALLBACK GroupBoxSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR data);
