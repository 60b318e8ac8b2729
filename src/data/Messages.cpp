#include "data/Messages.h"

#include <cstdio>

namespace kvl {

namespace {

MessageSink* g_sink = nullptr;

// Without a window nobody can answer, so a question takes the answer that changes nothing.
MsgAnswer CautiousAnswer(MsgKind kind) {
    switch (kind) {
        case MsgKind::InformationOkCancel:
        case MsgKind::WarningOkCancel:
            return MsgAnswer::Cancel;
        case MsgKind::WarningYesNo:
        case MsgKind::Confirmation:
            return MsgAnswer::No;
        case MsgKind::Information:
        case MsgKind::Warning:
        case MsgKind::Error:
            break;
    }
    return MsgAnswer::Ok;
}

}  // namespace

MessageSink* SetMessageSink(MessageSink* sink) {
    MessageSink* previous = g_sink;
    g_sink = sink;
    return previous;
}

MsgAnswer ShowMessage(MsgKind kind, const QString& text, MsgDefault byDefault) {
    if (g_sink) return g_sink->show(kind, text, byDefault);
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    std::fflush(stderr);
    return CautiousAnswer(kind);
}

}  // namespace kvl
