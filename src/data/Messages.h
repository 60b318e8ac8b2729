// The one door through which the program shows a message box.
//
// Every message goes through ShowMessage with one of the kinds the program uses. The desktop
// installs a sink that shows QMessageBox; tests install a scripted responder that records each
// text, kind and default button and gives the next answer; the CLI prints to stderr and refuses
// questions. Without a sink, messages go to stderr and questions get the cautious answer (Cancel /
// No). A question's default button (the one Enter presses) is the one that goes ahead, unless the
// caller asks for the cautious one: questions whose OK destroys the user's data do.
#pragma once

#include <QString>

namespace kvl {

enum class MsgKind {
    Information,          // OK
    InformationOkCancel,  // OK and Cancel; OK goes ahead
    Warning,              // OK
    WarningOkCancel,      // OK and Cancel; OK goes ahead
    WarningYesNo,         // Yes and No
    Confirmation,         // Yes and No
    Error,                // OK; the toolkit's own error box
};

enum class MsgAnswer { Ok, Cancel, Yes, No };

// Which button of a question Enter presses. Boxes with OK alone ignore it.
enum class MsgDefault {
    GoAhead,   // OK or Yes
    Cautious,  // Cancel or No
};

class MessageSink {
  public:
    virtual ~MessageSink() = default;
    virtual MsgAnswer show(MsgKind kind, const QString& text, MsgDefault byDefault) = 0;
};

// Installs sink (not owned; nullptr restores the default). Returns the previous one.
MessageSink* SetMessageSink(MessageSink* sink);
MsgAnswer ShowMessage(MsgKind kind, const QString& text,
                      MsgDefault byDefault = MsgDefault::GoAhead);

}  // namespace kvl
