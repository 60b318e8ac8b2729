#include "reports/ChartDraw.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QCoreApplication>
#include <QGraphicsScene>
#include <QHorizontalBarSeries>
#include <QImage>
#include <QLegend>
#include <QLineSeries>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <QValueAxis>
#include <algorithm>

#include "data/Clock.h"
#include "reports/ReportPaint.h"
#include "reports/RptUtil.h"

namespace kvl {

namespace {

const QColor kIncome(34, 139, 58);
const QColor kExpenses(196, 52, 44);
const QColor kTaxableProfit(45, 95, 180);
const QColor kNetProfit(235, 150, 20);

// Sizes in pixels, so that a chart scaled onto a printer or a PDF page keeps its proportions
// (a size in points would be taken at the device's resolution).
QFont Sized(const QFont& family, int pixels, bool bold = false) {
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(false);
    font.setUnderline(false);
    return font;
}

double Units(long long cents) {
    return static_cast<double>(cents) / 100.0;
}

// The amount axis over the values (and zero), at round steps, labelled as the reports write
// amounts ("%13.2n": the locale's separators, two decimals).
QValueAxis* AmountAxis(const QFont& font, double low, double high) {
    auto* axis = new QValueAxis;
    low = std::min(low, 0.0);
    high = std::max(high, 0.0);
    if (low == high) high = 1;
    axis->setRange(low, high);
    axis->setTickCount(7);
    axis->applyNiceNumbers();
    axis->setLabelFormat(QStringLiteral("%.2f"));
    axis->setLabelsFont(Sized(font, 13));
    return axis;
}

QBarSet* Bars(const QString& name, const QColor& colour) {
    auto* set = new QBarSet(name);
    set->setColor(colour);
    set->setBorderColor(colour.darker(120));
    return set;
}

void AddMonths(QChart* chart, const ChartData& data, const QFont& font) {
    auto* series = new QBarSeries;
    QBarSet* income = Bars(QStringLiteral("Income"), kIncome);
    QBarSet* expenses = Bars(QStringLiteral("Expenses"), kExpenses);
    QBarSet* taxable = Bars(QStringLiteral("Taxable Profit"), kTaxableProfit);
    auto* net = new QLineSeries;
    net->setName(QStringLiteral("Net Profit"));
    net->setPen(QPen(kNetProfit, 3));
    net->setPointsVisible(true);
    const QString dateFormat = ReportDateFormatOf(RegionalSettings().shortDateFormat);
    QStringList months;
    double low = 0, high = 0;
    for (std::size_t i = 0; i < data.months.size(); ++i) {
        const ProfitPoint& p = data.months[i];
        income->append(Units(p.income));
        expenses->append(Units(p.expenses));
        taxable->append(Units(p.taxableProfit));
        net->append(static_cast<double>(i), Units(p.netProfit));
        months << ReportDate(p.end, dateFormat);
        for (const long long v : {p.income, p.expenses, p.taxableProfit, p.netProfit}) {
            low = std::min(low, Units(v));
            high = std::max(high, Units(v));
        }
    }
    series->append({income, expenses, taxable});
    chart->addSeries(series);
    chart->addSeries(net);
    auto* axisX = new QBarCategoryAxis;
    axisX->append(months);
    axisX->setLabelsFont(Sized(font, 13));
    if (months.size() > 12) axisX->setLabelsAngle(-90);
    QValueAxis* axisY = AmountAxis(font, low, high);
    chart->addAxis(axisX, Qt::AlignBottom);
    chart->addAxis(axisY, Qt::AlignLeft);
    for (QAbstractSeries* s :
         {static_cast<QAbstractSeries*>(series), static_cast<QAbstractSeries*>(net)}) {
        s->attachAxis(axisX);
        s->attachAxis(axisY);
    }
    chart->legend()->setAlignment(Qt::AlignBottom);
}

// The largest bar at the top: a horizontal bar chart draws its first category lowest.
void AddAccounts(QChart* chart, const ChartData& data, const QFont& font) {
    const bool income = data.id == ChartId::IncomeByAccount;
    auto* series = new QHorizontalBarSeries;
    QBarSet* totals = Bars(income ? QStringLiteral("Income") : QStringLiteral("Expenses"),
                           income ? kIncome : kExpenses);
    QStringList accounts;
    double low = 0, high = 0;
    for (auto bar = data.bars.rbegin(); bar != data.bars.rend(); ++bar) {
        totals->append(Units(bar->total));
        accounts << (bar->account == 0
                         ? bar->name
                         : QStringLiteral("%1 (%2)").arg(bar->name).arg(bar->account));
        low = std::min(low, Units(bar->total));
        high = std::max(high, Units(bar->total));
    }
    series->append(totals);
    series->setBarWidth(0.7);
    chart->addSeries(series);
    auto* axisY = new QBarCategoryAxis;
    axisY->append(accounts);
    axisY->setLabelsFont(Sized(font, 13));
    QValueAxis* axisX = AmountAxis(font, low, high);
    chart->addAxis(axisY, Qt::AlignLeft);
    chart->addAxis(axisX, Qt::AlignBottom);
    series->attachAxis(axisY);
    series->attachAxis(axisX);
    chart->legend()->hide();
}

// A chart laid out at a size on a scene of its own, which owns it.
class LaidOut {
  public:
    LaidOut(const ChartData& data, const QFont& font, QSize size) : size_(size) {
        QChart* chart = MakeChart(data, font);
        scene_.addItem(chart);
        chart->setGeometry(QRectF(QPointF(0, 0), QSizeF(size)));
        // The chart places its axes and series through posted layout requests.
        QCoreApplication::sendPostedEvents();
    }
    void Render(QPainter& painter, const QRectF& target) {
        scene_.render(&painter, target, QRectF(QPointF(0, 0), QSizeF(size_)));
    }

  private:
    QGraphicsScene scene_;
    QSize size_;
};

}  // namespace

QChart* MakeChart(const ChartData& data, const QFont& font) {
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setTheme(QChart::ChartThemeLight);
    chart->setBackgroundRoundness(0);
    chart->setLocalizeNumbers(true);
    chart->setLocale(RegionalSettings().locale);
    QStringList lines;
    for (const QString& title : data.titles) lines << title.toHtmlEscaped();
    chart->setTitle(
        QStringLiteral("<p align=\"center\">%1</p>").arg(lines.join(QStringLiteral("<br>"))));
    chart->setTitleFont(Sized(font, 20, true));
    chart->legend()->setFont(Sized(font, 13));
    if (data.id == ChartId::MonthlyProfit)
        AddMonths(chart, data, font);
    else
        AddAccounts(chart, data, font);
    return chart;
}

void PaintChart(QPainter& painter, const ChartData& data, const QFont& font, QSize size,
                const QRectF& target) {
    LaidOut chart(data, font, size);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    chart.Render(painter, target);
}

bool PrintChart(QPagedPaintDevice& device, const ChartData& data, const QFont& font) {
    QPainter painter;
    if (!painter.begin(&device)) return false;
    // Laid out in the page's proportions, so that it fills the page.
    const int width = 1100;
    const QSize size(width, std::max(1, width * device.height() / std::max(1, device.width())));
    PaintChart(painter, data, font, size, QRectF(0, 0, device.width(), device.height()));
    return painter.end();
}

bool SaveChart(const ChartData& data, const QFont& font, ChartFormat format,
               const QString& fileName, QSize size, const QPageLayout& layout) {
    const QString title = data.titles.join(QLatin1Char(' '));
    switch (format) {
        case ChartFormat::Png: {
            QImage image(size, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            PaintChart(painter, data, font, size, QRectF(QPointF(0, 0), QSizeF(size)));
            painter.end();
            return image.save(fileName, "PNG");
        }
        case ChartFormat::Svg: {
            QSvgGenerator svg;
            svg.setFileName(fileName);
            svg.setSize(size);
            svg.setViewBox(QRect(QPoint(0, 0), size));
            svg.setResolution(96);
            svg.setTitle(title);
            QPainter painter;
            if (!painter.begin(&svg)) return false;
            PaintChart(painter, data, font, size, QRectF(QPointF(0, 0), QSizeF(size)));
            return painter.end();
        }
        case ChartFormat::Pdf: {
            QPdfWriter pdf(fileName);
            QPageLayout page = layout;
            if (!page.isValid()) {
                page = LocalePageLayout();
                page.setOrientation(QPageLayout::Landscape);
            }
            pdf.setPageLayout(page);
            pdf.setTitle(title);
            pdf.setCreator(QStringLiteral("Kelvane Talvarin"));
            return PrintChart(pdf, data, font);
        }
    }
    return false;
}

}  // namespace kvl
