#include "cli/TerminalProgress.h"

#include <unistd.h>

#include <algorithm>

namespace kvl::cli {

std::string RenderBar(const QString& caption, int position, int width) {
    const int pos = std::clamp(position, 0, 100);
    const int filled = width * pos / 100;
    std::string bar = caption.toStdString();
    bar += " [";
    bar.append(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(width - filled), ' ');
    bar += "] ";
    const std::string percent = std::to_string(pos);
    bar.append(3 - percent.size(), ' ');
    bar += percent + "%";
    return bar;
}

TerminalProgress::TerminalProgress(std::FILE* out, int width) : out_(out), width_(width) {}

TerminalProgress::~TerminalProgress() {
    if (visible_) showProgress(false, QString());
}

void TerminalProgress::showProgress(bool visible, const QString& caption) {
    position_ = 0;
    caption_ = caption;
    if (visible) {
        visible_ = true;
        draw();
        return;
    }
    if (visible_) {
        // Erases the bar's line so that the next message starts on a clean line.
        std::fputs("\r\033[K", out_);
        std::fflush(out_);
    }
    visible_ = false;
}

void TerminalProgress::setProgress(int position) {
    position_ = position;
    if (visible_) draw();
}

void TerminalProgress::draw() {
    std::fputs(("\r" + RenderBar(caption_, position_, width_)).c_str(), out_);
    std::fflush(out_);
}

InstalledProgress::InstalledProgress() {
    if (!::isatty(STDERR_FILENO)) return;
    bar_ = std::make_unique<TerminalProgress>(stderr);
    previous_ = SetProgressSink(bar_.get());
}

InstalledProgress::~InstalledProgress() {
    if (bar_) SetProgressSink(previous_);
}

}  // namespace kvl::cli
