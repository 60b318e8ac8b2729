// The progress box that long operations drive, as an interface: the main window's box in the
// desktop program, a bar on stderr in kvl-cli, a recorder in tests. Without a sink nothing is shown.
#pragma once

#include <QString>

namespace kvl {

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    // Sets the bar to 0, sets the caption, shows or hides the box and paints at once.
    virtual void showProgress(bool visible, const QString& caption) = 0;
    // Position from 0 to 100.
    virtual void setProgress(int position) = 0;
};

ProgressSink* SetProgressSink(ProgressSink* sink);  // returns the previous one
void ShowProgress(bool visible, const QString& caption);
void SetProgress(int position);

}  // namespace kvl
