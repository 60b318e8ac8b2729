// The progress box of kvl-cli: a one-line bar on stderr with the program's caption, drawn only
// when stderr is a terminal so that scripts and logs get no control characters.
#pragma once

#include <QString>
#include <cstdio>
#include <memory>
#include <string>

#include "data/Progress.h"

namespace kvl::cli {

class TerminalProgress : public ProgressSink {
  public:
    explicit TerminalProgress(std::FILE* out, int width = 30);
    ~TerminalProgress() override;
    void showProgress(bool visible, const QString& caption) override;
    void setProgress(int position) override;

  private:
    void draw();
    std::FILE* out_;
    int width_;
    bool visible_ = false;
    QString caption_;
    int position_ = 0;
};

// "Caption [#####     ]  50%": the bar's text, position clamped to 0..100.
std::string RenderBar(const QString& caption, int position, int width);

// Installs a bar on stderr when stderr is a terminal (and removes it when the result is
// destroyed); nullptr when stderr is not a terminal.
class InstalledProgress {
  public:
    InstalledProgress();
    ~InstalledProgress();
    InstalledProgress(const InstalledProgress&) = delete;
    InstalledProgress& operator=(const InstalledProgress&) = delete;
    bool active() const { return bar_ != nullptr; }

  private:
    std::unique_ptr<TerminalProgress> bar_;
    ProgressSink* previous_ = nullptr;
};

}  // namespace kvl::cli
