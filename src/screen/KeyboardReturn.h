// The keyboard goes back to the window beneath when a window closes: the modal window still up,
// or the closed window's owner. A window manager does this itself; without one (a bare X server)
// the keys would go nowhere after every message box, file dialog or editor, and Escape, Tab or a
// field's refusal to be left would seem dead. Nothing is done while some window is active, so a
// window manager's own choice is never overruled.
#pragma once

namespace kvl {

// Installs the return of the keyboard for the whole application; call once, after QApplication.
void InstallKeyboardReturn();

}  // namespace kvl
