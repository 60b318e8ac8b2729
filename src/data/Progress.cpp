#include "data/Progress.h"

namespace kvl {

namespace {
ProgressSink* g_sink = nullptr;
}

ProgressSink* SetProgressSink(ProgressSink* sink) {
    ProgressSink* previous = g_sink;
    g_sink = sink;
    return previous;
}

void ShowProgress(bool visible, const QString& caption) {
    if (g_sink) g_sink->showProgress(visible, caption);
}

void SetProgress(int position) {
    if (g_sink) g_sink->setProgress(position);
}

}  // namespace kvl
