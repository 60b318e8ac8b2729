// The program's windows, made once under the main window as the program makes them, each in the
// global its callers reach it through, and the globals cleared when the main window goes. The
// program and the tests make them here, so that a test drives the same wiring as the program.
#pragma once

namespace kvl {

class TFormMain;

// Makes formMain the main window and every other window its child. Call before formMain's
// FormShow, which shows the about box as the splash.
void CreateWindows(TFormMain* formMain);

}  // namespace kvl
