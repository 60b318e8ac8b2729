// kvl-chart --kind KIND --format png|svg|pdf --output FILE [--size WxH] [--font FAMILY]
//           [--title LINE]...
// The chart renderer that kvl-cli starts to make pictures of charts: kvl-cli, which links no
// widgets, sums the chart and writes its series in their tab-separated form (reports/ChartData.h)
// to this program's standard input; this program draws them with Qt Charts (which needs Qt
// Widgets) on the offscreen platform, so no display is needed. It reads no data files. Exit 0 when
// the file is written, 1 when it could not be, 2 for bad usage or input; the reason goes to
// stderr. Installed beside kvl-cli's other parts, not on the PATH.
#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFont>
#include <cstdio>

#include "reports/ChartDraw.h"
#include "reports/ChartSeries.h"

namespace {

int Fail(int code, const QString& message) {
    std::fprintf(stderr, "kvl-chart: %s\n", message.toLocal8Bit().constData());
    return code;
}

// The offscreen platform's note about a missing XDG_RUNTIME_DIR is no concern of a picture.
void Quiet(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (text.startsWith(QLatin1String("QStandardPaths:"))) return;
    if (type != QtDebugMsg) std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(Quiet);
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Draws a chart's series read on stdin."));
    parser.addHelpOption();
    const QCommandLineOption kind(QStringLiteral("kind"), QStringLiteral("the chart"),
                                  QStringLiteral("KIND"));
    const QCommandLineOption format(QStringLiteral("format"), QStringLiteral("png, svg or pdf"),
                                    QStringLiteral("FORMAT"));
    const QCommandLineOption output(QStringLiteral("output"), QStringLiteral("the file"),
                                    QStringLiteral("FILE"));
    const QCommandLineOption size(QStringLiteral("size"), QStringLiteral("the picture's size"),
                                  QStringLiteral("WxH"), QStringLiteral("1200x800"));
    const QCommandLineOption font(QStringLiteral("font"), QStringLiteral("the font family"),
                                  QStringLiteral("FAMILY"));
    const QCommandLineOption title(QStringLiteral("title"), QStringLiteral("a title line"),
                                   QStringLiteral("LINE"));
    parser.addOptions({kind, format, output, size, font, title});
    if (!parser.parse(QApplication::arguments())) return Fail(2, parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) parser.showHelp(0);

    const kvl::ChartKind* chart = kvl::FindChartKind(parser.value(kind));
    const QStringList formats = {QStringLiteral("png"), QStringLiteral("svg"),
                                 QStringLiteral("pdf")};
    const auto which = formats.indexOf(parser.value(format));
    if (!chart || which < 0 || parser.value(output).isEmpty())
        return Fail(2, QStringLiteral("needs --kind, --format png|svg|pdf and --output"));
    const QStringList wh = parser.value(size).split(QLatin1Char('x'));
    bool wide = false, high = false;
    const QSize pixels(wh.value(0).toInt(&wide), wh.value(1).toInt(&high));
    if (wh.size() != 2 || !wide || !high || pixels.width() < 1 || pixels.height() < 1)
        return Fail(2, QStringLiteral("--size %1 is not WxH").arg(parser.value(size)));

    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly)) return Fail(2, QStringLiteral("no input"));
    std::optional<kvl::ChartData> data = kvl::ReadChartTsv(chart->id, in.readAll());
    if (!data)
        return Fail(2, QStringLiteral("the input is not the series of a %1 chart")
                           .arg(QLatin1String(chart->name)));
    data->titles = parser.values(title);

    QFont family = QApplication::font();
    if (!parser.value(font).isEmpty()) family.setFamily(parser.value(font));
    if (!kvl::SaveChart(*data, family, static_cast<kvl::ChartFormat>(which), parser.value(output),
                        pixels))
        return Fail(1, QStringLiteral("cannot write %1").arg(parser.value(output)));
    return 0;
}
