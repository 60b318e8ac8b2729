// The settings that last for the run and need a screen: the report font and the current printer.
// The report period and the fiscal-year rules are in data/Period.h. CurrentPrinter() is Qt's
// default printer until the user picks another in the printer dialog. What Print uses is the
// print target: that printer, a PDF file chosen in the dialog ("Print to File"), no choice yet
// (printers are installed but none is the default and the user has picked none: Print asks), or
// no printer at all. PrinterDisplay() is what the setup tab shows of it: empty with no printer.
#pragma once

#include <QDate>
#include <QFont>
#include <QString>

#include "data/Period.h"

class QPrinter;
class QWidget;

namespace kvl {

extern QFont ReportFont;

// The font as the setup tab shows it: its name, "@" and its size in points.
QString FontDisplay(const QFont& font);

enum class PrintTargetKind { Printer, File, NotChosen, NoPrinter };

struct PrintTarget {
    PrintTargetKind kind = PrintTargetKind::NoPrinter;
    QString name;  // the printer's name or the PDF file's path
    bool landscape = false;
};

// What the print target is decided from.
struct PrinterState {
    bool toFile = false;  // the printer writes a PDF file
    QString printerName;
    QString fileName;  // of the PDF file
    bool landscape = false;
    bool picked = false;     // the user took this printer in the printer dialog
    QString defaultPrinter;  // the system's default; empty when there is none
    bool installed = false;  // the system knows a printer
};

PrintTarget PrintTargetOf(const PrinterState& state);
// The setup tab's text for target: the name and "-Landscape" or "-Portrait"; "No default printer"
// while none is chosen; empty without printers.
QString PrinterDisplay(const PrintTarget& target);

QPrinter& CurrentPrinter();
bool PrinterInstalled();
PrintTarget CurrentPrintTarget();
QString PrinterDisplay();
// The printer dialog on the current printer; true when the user took its choice.
bool PickPrinter(QWidget* parent);

}  // namespace kvl
