// The one door through which the program shows a message box.
//
// Every message goes through ShowMessage with one of the kinds the program uses. The desktop
// installs a sink that shows QMessageBox; tests install a scripted responder that records each
// text and kind and gives the next answer; the CLI prints to stderr and refuses questions.
// Without a sink, messages go to stderr and questions get the cautious answer (Cancel / No).
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

class MessageSink {
  public:
    virtual ~MessageSink() = default;
    virtual MsgAnswer show(MsgKind kind, const QString& text) = 0;
};

// Installs sink (not owned; nullptr restores the default). Returns the previous one.
MessageSink* SetMessageSink(MessageSink* sink);
MsgAnswer ShowMessage(MsgKind kind, const QString& text);

}  // namespace kvl
