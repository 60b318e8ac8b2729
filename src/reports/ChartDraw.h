// Drawing a chart's data (ChartData.h) with Qt Charts: the monthly profit chart as a group of bars
// a month (income, expenses and taxable profit) with net profit as a line over them; a by-account
// chart as horizontal bars, the largest at the top. The texts are set in the report font's family,
// the amount axis is labelled in the locale's amount format, and the title is the chart's title
// lines. The same picture is shown in the chart window, printed, and written as PNG, SVG or PDF,
// which is what kvl-cli's chart renderer does without a display (the offscreen platform). Needs a
// QApplication: Qt Charts draws on the graphics view framework of Qt Widgets.
#pragma once

#include <QFont>
#include <QPageLayout>
#include <QSize>
#include <QString>

#include "reports/ChartData.h"

class QChart;
class QPagedPaintDevice;
class QPainter;

namespace kvl {

enum class ChartFormat { Png, Svg, Pdf };

// The size a chart is drawn at when none is given.
inline constexpr QSize kChartSize(1200, 800);

// A new chart of data, owned by the caller (or by the view it is given to).
QChart* MakeChart(const ChartData& data, const QFont& font);

// Draws a chart of data, laid out at size, scaled into target on painter's device.
void PaintChart(QPainter& painter, const ChartData& data, const QFont& font, QSize size,
                const QRectF& target);

// Draws a chart of data on one page of device (a printer or a PDF file), laid out in the page's
// proportions to fill it within its margins. False when the device could not be painted on.
bool PrintChart(QPagedPaintDevice& device, const ChartData& data, const QFont& font);

// Writes the chart to fileName: a PNG or SVG picture of size, or a PDF page of layout (the
// locale's paper, landscape, when none is given; size is then not used). False when the file
// could not be written.
bool SaveChart(const ChartData& data, const QFont& font, ChartFormat format,
               const QString& fileName, QSize size = kChartSize,
               const QPageLayout& layout = QPageLayout());

}  // namespace kvl
