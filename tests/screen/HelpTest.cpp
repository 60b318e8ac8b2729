// The help file as shipped and the help window that shows it.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include "screen/Help.h"

using namespace kvl;

class HelpTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { SetHelpFilePath(QStringLiteral(KVL_HELP_SOURCE)); }
    void cleanup() { CloseHelpWindow(); }

    void everyTopicTheProgramUsesHasRealText() {
        HelpFile file;
        QVERIFY(file.load(QStringLiteral(KVL_HELP_SOURCE)));
        for (const char* id : {"contents", "10", "300", "400", "500", "600", "430", "510", "520",
                               "530", "540", "550", "560", "570"}) {
            const HelpTopic* topic = file.find(QString::fromLatin1(id));
            QVERIFY2(topic, id);
            QVERIFY2(!topic->title.isEmpty(), id);
            const int words =
                topic->text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)
                    .size();
            QVERIFY2(
                words >= 40 || QLatin1String(id) == QLatin1String("contents"),
                qPrintable(QStringLiteral("%1 has %2 words").arg(QLatin1String(id)).arg(words)));
        }
    }

    void everyLinkLeadsToATopicAndContentsReachesThemAll() {
        HelpFile file;
        QVERIFY(file.load(QStringLiteral(KVL_HELP_SOURCE)));
        const QRegularExpression link(QStringLiteral("\\[\\[([^\\]|]+)"));
        for (const HelpTopic& topic : file.topics()) {
            for (auto it = link.globalMatch(topic.text); it.hasNext();) {
                const QString target = it.next().captured(1).trimmed();
                QVERIFY2(file.find(target), qPrintable(topic.id + QStringLiteral(" -> ") + target));
            }
        }
        const QString contents = file.html(QStringLiteral("contents"));
        for (const HelpTopic& topic : file.topics()) {
            if (topic.id == QLatin1String("contents")) continue;
            QVERIFY2(contents.contains(QStringLiteral("topic:") + topic.id), qPrintable(topic.id));
        }
    }

    void formatIsRendered() {
        HelpFile file;
        QVERIFY(
            file.parse(QStringLiteral("KVL-HELP 1\n# a comment\n@@ 7 Seven & more\nFirst "
                                      "**bold** line\ncontinues.\n\n- one\n- [[8]]\n- "
                                      "[[8|go on]]\n@@ 8 Eight\nLast <text>.\n")));
        QCOMPARE(file.topics().size(), 2);
        const QString html = file.html(QStringLiteral("7"));
        QVERIFY(html.contains(QStringLiteral("<h2>Seven &amp; more</h2>")));
        QVERIFY(html.contains(QStringLiteral("<p>First <b>bold</b> line continues.</p>")));
        QVERIFY(
            html.contains(QStringLiteral("<ul><li>one</li><li><a href=\"topic:8\">Eight</a></li>"
                                         "<li><a href=\"topic:8\">go on</a></li></ul>")));
        QVERIFY(file.html(QStringLiteral("8")).contains(QStringLiteral("Last &lt;text&gt;.")));
        QVERIFY(file.html(QStringLiteral("99")).contains(QStringLiteral("Topic not found")));
        QVERIFY(!file.parse(QStringLiteral("something else\n@@ 1 One\n")));
    }

    void windowShowsTopicsFollowsLinksAndGoesBack() {
        ShowHelpTopic(530);
        THelpWindow* window = HelpWindow();
        QVERIFY(window->isVisible());
        QCOMPARE(window->currentTopic(), QStringLiteral("530"));
        QVERIFY(window->Browser->toPlainText().startsWith(QStringLiteral("Entering expenses")));
        QVERIFY(!window->BtnBack->isEnabled());

        emit window->Browser->anchorClicked(QUrl(QStringLiteral("topic:550")));
        QCOMPARE(window->currentTopic(), QStringLiteral("550"));
        QVERIFY(window->Browser->toPlainText().startsWith(QStringLiteral("Setting up accounts")));
        QVERIFY(window->BtnBack->isEnabled());
        QTest::mouseClick(window->BtnBack, Qt::LeftButton);
        QCOMPARE(window->currentTopic(), QStringLiteral("530"));

        QTest::mouseClick(window->BtnContents, Qt::LeftButton);
        QCOMPARE(window->currentTopic(), QStringLiteral("contents"));

        ShowHelpTopic(4242);
        QVERIFY(window->Browser->toPlainText().contains(QStringLiteral("Topic not found")));
    }

    void missingFileIsSaidInTheWindow() {
        QTemporaryDir dir;
        SetHelpFilePath(dir.filePath(QStringLiteral("Kvl.hlp")));
        ShowHelpContents();
        QVERIFY(
            HelpWindow()->Browser->toPlainText().contains(QStringLiteral("Help is not available")));
    }

    // An installed program finds the file in its data directory; one beside it comes first.
    void installedHelpFileIsFoundFromTheProgramsDirectory() {
        QTemporaryDir root;
        const QString bin = root.filePath(QStringLiteral("usr/bin"));
        const QString installed =
            QDir::cleanPath(bin + QStringLiteral("/" KVL_DATA_FROM_BIN "/Kvl.hlp"));
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(QDir().mkpath(QFileInfo(installed).path()));
        QCOMPARE(FindHelpFile(bin), bin + QStringLiteral("/Kvl.hlp"));
        QVERIFY(QFile::copy(QStringLiteral(KVL_HELP_SOURCE), installed));
        QCOMPARE(FindHelpFile(bin), installed);
        QVERIFY(QFile::copy(QStringLiteral(KVL_HELP_SOURCE), bin + QStringLiteral("/Kvl.hlp")));
        QCOMPARE(FindHelpFile(bin), bin + QStringLiteral("/Kvl.hlp"));
    }
};

QTEST_MAIN(HelpTest)
#include "HelpTest.moc"
