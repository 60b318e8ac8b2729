#include "screen/Help.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "screen/Icons.h"

namespace kvl {

namespace {

const QString kFirstLine = QStringLiteral("KVL-HELP 1");

QString& PathOverride() {
    static QString path;
    return path;
}

// Owned by whichever window it was last opened from, so it may be destroyed with that window.
QPointer<THelpWindow>& TheWindow() {
    static QPointer<THelpWindow> window;
    return window;
}

}  // namespace

bool HelpFile::load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    return parse(QString::fromUtf8(file.readAll()));
}

bool HelpFile::parse(const QString& content) {
    topics_.clear();
    QStringList lines = content.split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (lines.isEmpty() || lines.first().trimmed() != kFirstLine) return false;
    HelpTopic* current = nullptr;
    for (int i = 1; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        if (line.startsWith(QLatin1String("@@"))) {
            const QString head = line.mid(2).trimmed();
            const int space = head.indexOf(QLatin1Char(' '));
            HelpTopic topic;
            topic.id = space < 0 ? head : head.left(space);
            topic.title = space < 0 ? head : head.mid(space + 1).trimmed();
            topics_.append(topic);
            current = &topics_.last();
        } else if (current) {
            current->text += line + QLatin1Char('\n');
        }
    }
    for (HelpTopic& topic : topics_) topic.text = topic.text.trimmed();
    return !topics_.isEmpty();
}

const HelpTopic* HelpFile::find(const QString& id) const {
    for (const HelpTopic& topic : topics_)
        if (topic.id.compare(id, Qt::CaseInsensitive) == 0) return &topic;
    return nullptr;
}

QString HelpFile::inline_(const QString& text) const {
    QString html = text.toHtmlEscaped();
    static const QRegularExpression bold(QStringLiteral("\\*\\*(.+?)\\*\\*"));
    html.replace(bold, QStringLiteral("<b>\\1</b>"));
    static const QRegularExpression link(QStringLiteral("\\[\\[([^\\]|]+)(?:\\|([^\\]]+))?\\]\\]"));
    QString result;
    int last = 0;
    for (auto it = link.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        result += html.mid(last, m.capturedStart() - last);
        const QString id = m.captured(1).trimmed();
        QString words = m.captured(2);
        if (words.isEmpty()) {
            const HelpTopic* target = find(id);
            words = target ? target->title.toHtmlEscaped() : id;
        }
        result += QStringLiteral("<a href=\"topic:%1\">%2</a>").arg(id, words);
        last = m.capturedEnd();
    }
    result += html.mid(last);
    return result;
}

QString HelpFile::html(const QString& id) const {
    const HelpTopic* topic = find(id);
    if (!topic) {
        return QStringLiteral(
                   "<h2>Topic not found</h2><p>The help file has no topic %1. "
                   "<a href=\"topic:contents\">Contents</a></p>")
            .arg(id.toHtmlEscaped());
    }
    QString html = QStringLiteral("<h2>%1</h2>").arg(topic->title.toHtmlEscaped());
    QString paragraph;
    bool inList = false;
    auto flushParagraph = [&] {
        if (!paragraph.isEmpty())
            html += QStringLiteral("<p>") + inline_(paragraph) + QStringLiteral("</p>");
        paragraph.clear();
    };
    auto closeList = [&] {
        if (inList) html += QStringLiteral("</ul>");
        inList = false;
    };
    for (const QString& line : topic->text.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty()) {
            flushParagraph();
            closeList();
        } else if (trimmed.startsWith(QLatin1String("- "))) {
            flushParagraph();
            if (!inList) html += QStringLiteral("<ul>");
            inList = true;
            html += QStringLiteral("<li>") + inline_(trimmed.mid(2)) + QStringLiteral("</li>");
        } else {
            closeList();
            if (!paragraph.isEmpty()) paragraph += QLatin1Char(' ');
            paragraph += trimmed;
        }
    }
    flushParagraph();
    closeList();
    return html;
}

QString FindHelpFile(const QString& programDir) {
    const QString beside = programDir + QStringLiteral("/Kvl.hlp");
    if (QFileInfo::exists(beside)) return beside;
    // Relative to the program, so that a staged or unpacked installation finds its own file.
    const QString installed =
        QDir::cleanPath(programDir + QStringLiteral("/" KVL_DATA_FROM_BIN "/Kvl.hlp"));
    return QFileInfo::exists(installed) ? installed : beside;
}

QString HelpFilePath() {
    if (!PathOverride().isEmpty()) return PathOverride();
    return FindHelpFile(QCoreApplication::applicationDirPath());
}

void SetHelpFilePath(const QString& path) {
    PathOverride() = path;
}

THelpWindow::THelpWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Kelvane Talvarin Help"));
    setWindowIcon(AppIcon());
    Browser = new QTextBrowser(this);
    Browser->setObjectName(QStringLiteral("Browser"));
    Browser->setOpenLinks(false);
    BtnContents = new QPushButton(QStringLiteral("&Contents"), this);
    BtnContents->setObjectName(QStringLiteral("BtnContents"));
    BtnBack = new QPushButton(QStringLiteral("&Back"), this);
    BtnBack->setObjectName(QStringLiteral("BtnBack"));
    BtnClose = new QPushButton(QStringLiteral("C&lose"), this);
    BtnClose->setObjectName(QStringLiteral("BtnClose"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BtnContents);
    buttons->addWidget(BtnBack);
    buttons->addStretch();
    buttons->addWidget(BtnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(Browser);
    resize(520, 460);
    connect(Browser, &QTextBrowser::anchorClicked, this, &THelpWindow::BrowserAnchorClicked);
    connect(BtnContents, &QPushButton::clicked, this,
            [this] { showTopic(QStringLiteral("contents")); });
    connect(BtnBack, &QPushButton::clicked, this, &THelpWindow::BtnBackClick);
    connect(BtnClose, &QPushButton::clicked, this, &QDialog::close);
}

void THelpWindow::showTopic(const QString& id) {
    // Read at the first showing, and again when the file's place has changed.
    const QString path = HelpFilePath();
    if (!loaded_ || loadedFrom_ != path) {
        loaded_ = file_.load(path);
        loadedFrom_ = path;
        history_.clear();
    }
    if (!current_.isEmpty() && current_ != id) history_.append(current_);
    display(id);
}

void THelpWindow::display(const QString& id) {
    current_ = id;
    if (!loaded_) {
        Browser->setHtml(QStringLiteral("<h2>Help is not available</h2><p>The help file %1 could "
                                        "not be read.</p>")
                             .arg(loadedFrom_.toHtmlEscaped()));
    } else {
        Browser->setHtml(file_.html(id));
    }
    BtnBack->setEnabled(!history_.isEmpty());
}

void THelpWindow::BrowserAnchorClicked(const QUrl& url) {
    if (url.scheme() == QLatin1String("topic")) showTopic(url.path());
}

void THelpWindow::BtnBackClick() {
    if (history_.isEmpty()) return;
    display(history_.takeLast());
}

THelpWindow* HelpWindow() {
    if (!TheWindow()) TheWindow() = new THelpWindow;
    return TheWindow();
}

namespace {

void Bring(const QString& id) {
    THelpWindow* window = HelpWindow();
    // A window of its own is blocked by a modal dialog; a window owned by that dialog is not.
    // Owned by the window it was asked from, it also closes with the program.
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner) owner = QApplication::activeWindow();
    if (owner == window) owner = window->parentWidget();
    if (window->parentWidget() != owner) {
        const bool wasVisible = window->isVisible();
        window->setParent(owner, Qt::Window);
        if (wasVisible) window->show();
    }
    window->showTopic(id);
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace

void ShowHelpTopic(int topic) {
    Bring(QString::number(topic));
}

void ShowHelpContents() {
    Bring(QStringLiteral("contents"));
}

void CloseHelpWindow() {
    if (TheWindow()) TheWindow()->close();
}

}  // namespace kvl
