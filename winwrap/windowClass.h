// The editor's window class: registration on first use, unregistration when the library unloads.
#pragma once

#include <windows.h>

namespace WinWrap {

// The registered class atom; 0 until a registration succeeded.
extern ATOM windowClassAtom;

// [UI thread] Registers "WinControlWrapperWindowClass" (double clicks, no
// background brush) and initialises the common controls. A failure is shown
// to the user and retried by the next control's construction.
void registerWindowClass();

// [UI thread] Unregisters the class when it was registered. Runs by itself at
// library unload; tests may call it.
void unregisterWindowClass();

// The class's window procedure: routes every message to the window's object.
LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace WinWrap
