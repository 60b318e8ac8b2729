// kvl-cli chart run as a user runs it: the series as tab-separated values, pictures drawn by the
// chart renderer without a display and read back, and the refusals.
#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QXmlStreamReader>

#include "common/TempDir.h"

namespace {

class ChartCliTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(Cli({"new", "books", "--sample"}), 0) << err_.toStdString(); }
    // Runs kvl-cli in the test's directory.
    int Cli(const QStringList& args) {
        QProcess p;
        p.setWorkingDirectory(QString::fromStdString(dir_.path()));
        p.start(QStringLiteral(KVL_CLI_PATH), args);
        if (!p.waitForFinished(300000)) return -1;
        err_ = QString::fromUtf8(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    // Over the six months before this one, which the sample books fill.
    int Chart(const char* kind, const QStringList& more) {
        const QDate month = QDate::currentDate().addMonths(-6);
        const QDate from(month.year(), month.month(), 1);
        return Cli(QStringList{"chart", kind, "-d", "books", "--from", from.toString(Qt::ISODate),
                               "--through", from.addMonths(6).addDays(-1).toString(Qt::ISODate),
                               "--folders", "all"} +
                   more);
    }
    QByteArray Read(const char* name) {
        QFile file(QString::fromStdString(dir_.file(name)));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    kvltest::TempDir dir_;
    QString err_;
};

TEST_F(ChartCliTest, TheSeriesGoToTheFileNamedFromTheStartingDirectory) {
    ASSERT_EQ(Chart("monthly-profit", {"--format", "tsv", "--output", "months.tsv"}), 0)
        << err_.toStdString();
    const QList<QByteArray> months = Read("months.tsv").split('\n');
    ASSERT_EQ(months.size(), 8);  // the header, six months and the last line end
    EXPECT_EQ(months[0], "end\tincome\texpenses\ttaxable-profit\tnet-profit");
    const QDate first = QDate::currentDate().addMonths(-6);
    const QDate last = QDate::currentDate().addMonths(-1);
    EXPECT_TRUE(months[1].startsWith(
        QDate(first.year(), first.month(), first.daysInMonth()).toString(Qt::ISODate).toLatin1()));
    EXPECT_TRUE(months[6].startsWith(
        QDate(last.year(), last.month(), last.daysInMonth()).toString(Qt::ISODate).toLatin1()));
    EXPECT_EQ(months[3].split('\t').size(), 5);

    ASSERT_EQ(Chart("expenses-by-account", {"--format", "tsv", "--output", "accounts.tsv"}), 0);
    const QList<QByteArray> bars = Read("accounts.tsv").split('\n');
    EXPECT_EQ(bars[0], "account\tname\ttotal");
    EXPECT_GT(bars.size(), 3);
    EXPECT_LE(bars.size(), 15);
}

TEST_F(ChartCliTest, PicturesAreDrawnWithoutADisplayAndReadBack) {
    if (!QFileInfo(QFileInfo(QStringLiteral(KVL_CLI_PATH)).dir(), QStringLiteral("kvl-chart"))
             .isExecutable())
        GTEST_SKIP() << "built without the desktop program, so without the chart renderer";
    ASSERT_EQ(Chart("monthly-profit", {"--format", "png", "--output", "months.png"}), 0)
        << err_.toStdString();
    QImage png;
    ASSERT_TRUE(png.loadFromData(Read("months.png"), "PNG"));
    EXPECT_EQ(png.size(), QSize(1200, 800));
    QSet<QRgb> colours;
    for (int x = 0; x < png.width(); x += 7)
        for (int y = 0; y < png.height(); y += 7) colours.insert(png.pixel(x, y));
    EXPECT_GT(colours.size(), 8);  // bars, lines and text on the white

    ASSERT_EQ(Chart("income-by-account",
                    {"--format", "png", "--size", "640x480", "--output", "small.png"}),
              0);
    ASSERT_TRUE(png.loadFromData(Read("small.png"), "PNG"));
    EXPECT_EQ(png.size(), QSize(640, 480));

    ASSERT_EQ(Chart("expenses-by-account", {"--format", "svg", "--output", "accounts.svg"}), 0);
    QXmlStreamReader svg(Read("accounts.svg"));
    int texts = 0;
    QString viewBox;
    while (!svg.atEnd()) {
        if (svg.readNext() != QXmlStreamReader::StartElement) continue;
        if (svg.name() == QLatin1String("svg"))
            viewBox = svg.attributes().value(QLatin1String("viewBox")).toString();
        if (svg.name() == QLatin1String("text")) ++texts;
    }
    EXPECT_FALSE(svg.hasError()) << svg.errorString().toStdString();
    EXPECT_EQ(viewBox, QStringLiteral("0 0 1200 800"));
    EXPECT_GT(texts, 10);

    ASSERT_EQ(Chart("monthly-profit", {"--format", "pdf", "--output", "months.pdf"}), 0);
    EXPECT_TRUE(Read("months.pdf").startsWith("%PDF-"));
}

TEST_F(ChartCliTest, RefusalsSayWhy) {
    EXPECT_EQ(Cli({"chart", "monthly-profit", "-d", "books", "--format", "tsv", "--output", "x"}),
              2);
    EXPECT_TRUE(err_.contains("this data set has 4 folders")) << err_.toStdString();
    EXPECT_EQ(Chart("monthly-profit", {"--format", "png", "--size", "10x10", "--output", "x"}), 2);
    EXPECT_TRUE(err_.contains("--size 10x10 is not WxH")) << err_.toStdString();
    EXPECT_EQ(Cli({"chart", "income-by-account", "-d", "books", "--folders", "1", "--from",
                   "2040-01-01", "--through", "2040-01-31", "--format", "tsv", "--output", "x"}),
              1);
    EXPECT_EQ(err_, QStringLiteral("Report contains no data.\n"));
    EXPECT_EQ(Chart("pie", {"--format", "tsv", "--output", "x"}), 2);
    EXPECT_EQ(Chart("monthly-profit", {"--format", "tsv"}), 2);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(dir_.file("x"))));
}

}  // namespace
