// The hourglass cursor for as long as the object lives, over every window of the program: for the
// long operations that run on the one thread.
#pragma once

#include <QApplication>

namespace kvl {

class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace kvl
