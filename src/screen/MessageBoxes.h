// The desktop's message boxes: a MessageSink that shows each message in a QMessageBox of its kind
// (information, warning, question, critical) with exactly the buttons the kind names, over the
// window that is active, and returns the button pressed. Enter presses the default button the
// caller asked for, which also has the focus. Closing a box without a button counts as its
// cautious answer (Cancel or No; OK where OK is the only button).
#pragma once

#include "data/Messages.h"

namespace kvl {

class TMessageBoxSink : public MessageSink {
  public:
    MsgAnswer show(MsgKind kind, const QString& text, MsgDefault byDefault) override;
};

}  // namespace kvl
