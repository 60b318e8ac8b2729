// Stands in for the message boxes during tests: records every message with its kind and default
// button, and answers from a script. A question that finds the script empty is recorded as
// unexpected and answered with the cautious answer, so a test can fail on it instead of hanging on
// a modal box.
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include "data/Messages.h"

namespace kvl::test {

struct Shown {
    MsgKind kind;
    QString text;
    MsgDefault byDefault = MsgDefault::GoAhead;
};

class ScriptedResponder : public MessageSink {
  public:
    ScriptedResponder() { previous_ = SetMessageSink(this); }
    ~ScriptedResponder() override { SetMessageSink(previous_); }
    ScriptedResponder(const ScriptedResponder&) = delete;
    ScriptedResponder& operator=(const ScriptedResponder&) = delete;

    void answer(MsgAnswer a) { script_.append(a); }

    MsgAnswer show(MsgKind kind, const QString& text, MsgDefault byDefault) override {
        shown.append({kind, text, byDefault});
        if (!script_.isEmpty()) return script_.takeFirst();
        switch (kind) {
            case MsgKind::InformationOkCancel:
            case MsgKind::WarningOkCancel:
                unexpectedQuestions.append(text);
                return MsgAnswer::Cancel;
            case MsgKind::WarningYesNo:
            case MsgKind::Confirmation:
                unexpectedQuestions.append(text);
                return MsgAnswer::No;
            default:
                return MsgAnswer::Ok;
        }
    }

    QStringList texts() const {
        QStringList list;
        for (const Shown& s : shown) list << s.text;
        return list;
    }
    void clear() { shown.clear(); }

    QList<Shown> shown;
    QStringList unexpectedQuestions;

  private:
    MessageSink* previous_ = nullptr;
    QList<MsgAnswer> script_;
};

}  // namespace kvl::test
