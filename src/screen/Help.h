// The program's help: the file "Kvl.hlp" beside the program or where it is installed, in the
// format its own first lines describe, and the window that shows one topic of it.
//
// ShowHelpTopic(n) and ShowHelpContents() bring up the one help window at that topic, reading the
// file on first use. A missing topic or an unreadable file is said in the window itself; nothing
// else fails. The window leaves non-modal windows usable; opened from a modal dialog it belongs to
// that dialog so that it can be used while the dialog waits.
#pragma once

#include <QDialog>
#include <QList>
#include <QString>

class QTextBrowser;
class QPushButton;
class QUrl;

namespace kvl {

struct HelpTopic {
    QString id;  // a number, or "contents"
    QString title;
    QString text;
};

class HelpFile {
  public:
    // False when the file cannot be read or does not begin with the format's first line.
    bool load(const QString& path);
    bool parse(const QString& content);
    const HelpTopic* find(const QString& id) const;
    const QList<HelpTopic>& topics() const { return topics_; }
    // The topic as HTML; links to other topics are "topic:<id>" URLs.
    QString html(const QString& id) const;

  private:
    QString inline_(const QString& text) const;
    QList<HelpTopic> topics_;
};

// The file beside the program if it is there (the build tree), else the one installed with it
// (share/kelvane-talvarin/ beside bin/); set, it is the file given (tests use the source tree's).
QString HelpFilePath();
// The same choice for a program in programDir; beside it when neither exists.
QString FindHelpFile(const QString& programDir);
void SetHelpFilePath(const QString& path);

class THelpWindow : public QDialog {
    Q_OBJECT
  public:
    explicit THelpWindow(QWidget* parent = nullptr);
    void showTopic(const QString& id);
    const QString& currentTopic() const { return current_; }
    const HelpFile& file() const { return file_; }

    QTextBrowser* Browser;
    QPushButton* BtnContents;
    QPushButton* BtnBack;
    QPushButton* BtnClose;

  private:
    void BrowserAnchorClicked(const QUrl& url);
    void BtnBackClick();
    void display(const QString& id);

    HelpFile file_;
    bool loaded_ = false;
    QString loadedFrom_;
    QString current_;
    QStringList history_;
};

// The one help window, created on first use.
THelpWindow* HelpWindow();
void ShowHelpTopic(int topic);
void ShowHelpContents();
// Closes the help window if it was ever opened.
void CloseHelpWindow();

}  // namespace kvl
