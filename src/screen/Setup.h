// The settings that last for the run and need a screen: the report font and the current printer.
// The report period and the fiscal-year rules are in data/Period.h. CurrentPrinter() is Qt's
// default printer until the user picks another in the printer dialog; without any printer it is a
// printer with no name, and PrinterDisplay() is then empty.
#pragma once

#include <QDate>
#include <QFont>
#include <QString>

#include "data/Period.h"

class QPrinter;

namespace kvl {

extern QFont ReportFont;

// The font as the setup tab shows it: its name, "@" and its size in points.
QString FontDisplay(const QFont& font);

QPrinter& CurrentPrinter();
bool PrinterInstalled();
// The current printer's name and "-Landscape" or "-Portrait"; empty when no printer is current.
QString PrinterDisplay();

}  // namespace kvl
