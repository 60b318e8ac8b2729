#include "screen/Icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

namespace kvl {

namespace {

const QColor kOutline(40, 40, 48);
const QColor kGreen(34, 150, 60);
const QColor kRed(200, 40, 40);
const QColor kBlue(40, 90, 190);
const QColor kGold(230, 180, 40);
const QColor kPaper(252, 252, 246);

QPen Outline(qreal width = 2.0) {
    return QPen(kOutline, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QBrush Shaded(const QRectF& r, const QColor& colour) {
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, colour.lighter(135));
    g.setColorAt(1, colour.darker(115));
    return g;
}

void Page(QPainter& p, const QRectF& r) {
    const qreal fold = r.width() * 0.25;
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(Outline());
    p.setBrush(kPaper);
    p.drawPath(path);
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    p.setBrush(QColor(215, 215, 205));
    p.drawPath(corner);
}

void TextLines(QPainter& p, const QRectF& r, int count) {
    p.setPen(QPen(QColor(150, 150, 160), 2, Qt::SolidLine, Qt::RoundCap));
    const qreal step = r.height() / count;
    for (int i = 0; i < count; ++i) {
        const qreal y = r.top() + step * (i + 0.5);
        const qreal right = (i % 3 == 2) ? r.left() + r.width() * 0.6 : r.right();
        p.drawLine(QPointF(r.left(), y), QPointF(right, y));
    }
}

// A thick arrow from `from` to `to`.
void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& colour, qreal width) {
    const QLineF line(from, to);
    const qreal angle = qDegreesToRadians(-line.angle());
    const QPointF dir(std::cos(angle), std::sin(angle));
    const QPointF normal(-dir.y(), dir.x());
    const qreal head = width * 1.9;
    const QPointF base = to - dir * head;
    QPainterPath path;
    path.moveTo(from + normal * width / 2);
    path.lineTo(base + normal * width / 2);
    path.lineTo(base + normal * head * 0.9);
    path.lineTo(to);
    path.lineTo(base - normal * head * 0.9);
    path.lineTo(base - normal * width / 2);
    path.lineTo(from - normal * width / 2);
    path.closeSubpath();
    p.setPen(QPen(colour.darker(160), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Shaded(path.boundingRect(), colour));
    p.drawPath(path);
}

void Coin(QPainter& p, QPointF centre, qreal rx, qreal ry, qreal depth) {
    p.setPen(QPen(kGold.darker(170), 1.5));
    p.setBrush(kGold.darker(125));
    QPainterPath side;
    side.addEllipse(QRectF(centre.x() - rx, centre.y() - ry + depth, 2 * rx, 2 * ry));
    side.addRect(QRectF(centre.x() - rx, centre.y(), 2 * rx, depth));
    p.drawPath(side.simplified());
    QRadialGradient g(centre - QPointF(rx / 3, ry / 2), rx * 1.4);
    g.setColorAt(0, kGold.lighter(150));
    g.setColorAt(1, kGold);
    p.setBrush(g);
    p.drawEllipse(QRectF(centre.x() - rx, centre.y() - ry, 2 * rx, 2 * ry));
}

void CoinStack(QPainter& p, qreal x, qreal bottom, int coins) {
    for (int i = 0; i < coins; ++i) Coin(p, QPointF(x, bottom - 6 - i * 6), 13, 5, 5);
}

void Banknote(QPainter& p, const QRectF& r, const QColor& colour) {
    p.setPen(QPen(colour.darker(170), 1.6));
    p.setBrush(Shaded(r, colour));
    p.drawRoundedRect(r, 2, 2);
    p.setBrush(colour.lighter(150));
    p.drawEllipse(r.center(), r.height() * 0.28, r.height() * 0.28);
}

void Folder(QPainter& p, const QRectF& r, const QColor& colour) {
    QPainterPath back;
    back.moveTo(r.left(), r.top() + 6);
    back.lineTo(r.left() + r.width() * 0.35, r.top() + 6);
    back.lineTo(r.left() + r.width() * 0.42, r.top());
    back.lineTo(r.right() - 4, r.top());
    back.lineTo(r.right() - 4, r.bottom());
    back.lineTo(r.left(), r.bottom());
    back.closeSubpath();
    p.setPen(Outline());
    p.setBrush(colour.darker(115));
    p.drawPath(back);
    QPainterPath front;
    front.moveTo(r.left() + 5, r.top() + 14);
    front.lineTo(r.right(), r.top() + 14);
    front.lineTo(r.right() - 5, r.bottom());
    front.lineTo(r.left(), r.bottom());
    front.closeSubpath();
    p.setBrush(Shaded(r, colour));
    p.drawPath(front);
}

void Disk(QPainter& p, const QRectF& r) {
    QPainterPath body;
    body.moveTo(r.topLeft());
    body.lineTo(r.right() - 6, r.top());
    body.lineTo(r.right(), r.top() + 6);
    body.lineTo(r.bottomRight());
    body.lineTo(r.bottomLeft());
    body.closeSubpath();
    p.setPen(Outline());
    p.setBrush(Shaded(r, kBlue));
    p.drawPath(body);
    p.setBrush(QColor(200, 205, 215));
    p.drawRect(QRectF(r.left() + r.width() * 0.25, r.top(), r.width() * 0.45, r.height() * 0.32));
    p.setBrush(kOutline);
    p.drawRect(QRectF(r.left() + r.width() * 0.52, r.top() + 3, r.width() * 0.1, r.height() * 0.2));
    p.setBrush(kPaper);
    p.drawRect(QRectF(r.left() + r.width() * 0.15, r.top() + r.height() * 0.5, r.width() * 0.7,
                      r.height() * 0.45));
}

void Box(QPainter& p, const QRectF& r) {
    const QColor brown(190, 140, 80);
    p.setPen(Outline());
    p.setBrush(Shaded(r, brown));
    p.drawRect(QRectF(r.left() + 3, r.top() + 10, r.width() - 6, r.height() - 10));
    p.setBrush(brown.lighter(115));
    p.drawRect(QRectF(r.left(), r.top(), r.width(), 12));
    p.setBrush(kPaper);
    p.drawRect(QRectF(r.center().x() - 8, r.top() + 18, 16, 8));
}

void Card(QPainter& p, const QRectF& r, const QColor& tab) {
    p.setPen(Outline());
    p.setBrush(kPaper);
    p.drawRoundedRect(r, 3, 3);
    p.setBrush(tab);
    p.drawRect(QRectF(r.left(), r.top(), r.width(), 9));
    TextLines(p, r.adjusted(6, 13, -6, -4), 3);
}

void Bars(QPainter& p, const QRectF& r, const QColor& colour) {
    const qreal heights[] = {0.45, 0.75, 0.55, 0.95};
    const qreal w = r.width() / 4;
    p.setPen(QPen(colour.darker(160), 1.2));
    for (int i = 0; i < 4; ++i) {
        const QRectF bar(r.left() + i * w + 1, r.bottom() - r.height() * heights[i], w - 3,
                         r.height() * heights[i]);
        p.setBrush(Shaded(bar, colour));
        p.drawRect(bar);
    }
}

void DrawApp(QPainter& p) {
    const QRectF book(10, 6, 44, 52);
    p.setPen(Outline());
    p.setBrush(kPaper);
    p.drawRoundedRect(book.adjusted(4, 4, 4, 2), 3, 3);
    p.setBrush(Shaded(book, QColor(20, 110, 100)));
    p.drawRoundedRect(book, 3, 3);
    p.setBrush(QColor(10, 70, 64));
    p.drawRect(QRectF(book.left(), book.top(), 7, book.height()));
    p.setPen(QPen(kGold, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(book.adjusted(13, 8, -6, -30));
    QFont f(QStringLiteral("Serif"));
    f.setPixelSize(18);
    f.setBold(true);
    p.setFont(f);
    p.setPen(kGold);
    p.drawText(book.adjusted(13, 8, -6, -30), Qt::AlignCenter, QStringLiteral("K"));
    Coin(p, QPointF(48, 50), 10, 4, 4);
}

void DrawIncome(QPainter& p) {
    Banknote(p, QRectF(4, 40, 40, 18), QColor(110, 170, 100));
    CoinStack(p, 48, 60, 4);
    Arrow(p, QPointF(24, 2), QPointF(24, 36), kGreen, 10);
}

void DrawExpense(QPainter& p) {
    Page(p, QRectF(6, 10, 34, 46));
    TextLines(p, QRectF(11, 24, 24, 26), 4);
    p.setPen(QPen(kRed, 2));
    p.drawText(QRectF(10, 12, 18, 12), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("$"));
    Arrow(p, QPointF(30, 34), QPointF(62, 34), kRed, 10);
}

void DrawAccounts(QPainter& p, const QColor& tab, bool plus) {
    Card(p, QRectF(14, 6, 44, 32), tab.lighter(130));
    Card(p, QRectF(6, 22, 44, 34), tab);
    p.setPen(QPen(tab.darker(150), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(44, 48), QPointF(58, 48));
    if (plus) p.drawLine(QPointF(51, 41), QPointF(51, 55));
}

void DrawFolders(QPainter& p) {
    Folder(p, QRectF(12, 6, 48, 34), QColor(200, 170, 90));
    Folder(p, QRectF(4, 22, 52, 38), QColor(235, 195, 90));
}

void DrawImport(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(Shaded(QRectF(4, 36, 56, 24), QColor(150, 155, 170)));
    QPainterPath tray;
    tray.moveTo(4, 40);
    tray.lineTo(18, 40);
    tray.lineTo(22, 48);
    tray.lineTo(42, 48);
    tray.lineTo(46, 40);
    tray.lineTo(60, 40);
    tray.lineTo(60, 60);
    tray.lineTo(4, 60);
    tray.closeSubpath();
    p.drawPath(tray);
    Page(p, QRectF(36, 4, 22, 28));
    Arrow(p, QPointF(20, 4), QPointF(32, 44), kBlue, 9);
}

void DrawRateChange(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(Shaded(QRectF(4, 4, 56, 56), QColor(230, 230, 235)));
    p.drawEllipse(QRectF(4, 4, 56, 56));
    p.setPen(QPen(kOutline, 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(20, 46), QPointF(44, 18));
    p.setPen(QPen(kOutline, 3.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(21, 21), 5.5, 5.5);
    p.drawEllipse(QPointF(43, 43), 5.5, 5.5);
    Arrow(p, QPointF(54, 60), QPointF(54, 38), kGreen, 5);
}

void DrawReport(QPainter& p, const QColor& colour) {
    Page(p, QRectF(8, 2, 46, 60));
    TextLines(p, QRectF(14, 10, 26, 12), 2);
    Bars(p, QRectF(14, 28, 34, 28), colour);
}

void DrawProfit(QPainter& p) {
    Page(p, QRectF(8, 2, 46, 60));
    p.setPen(QPen(QColor(150, 150, 160), 1.5));
    p.drawLine(QPointF(14, 56), QPointF(48, 56));
    p.drawLine(QPointF(14, 56), QPointF(14, 14));
    QPainterPath line;
    line.moveTo(16, 50);
    line.lineTo(24, 40);
    line.lineTo(31, 44);
    line.lineTo(38, 28);
    line.lineTo(47, 18);
    p.setPen(QPen(kGreen.darker(110), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(line);
}

void DrawCharts(QPainter& p) {
    p.setPen(QPen(QColor(150, 150, 160), 1.5));
    p.drawLine(QPointF(6, 58), QPointF(60, 58));
    p.drawLine(QPointF(6, 58), QPointF(6, 6));
    const struct {
        qreal left, top;
        QColor colour;
    } bars[] = {{10, 34, kGreen}, {20, 44, kRed}, {32, 22, kGreen}, {42, 38, kRed}};
    p.setPen(Outline(1.5));
    for (const auto& bar : bars) {
        const QRectF r(bar.left, bar.top, 9, 58 - bar.top);
        p.setBrush(Shaded(r, bar.colour));
        p.drawRect(r);
    }
    p.setPen(QPen(kGold.darker(115), 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(12, 28), QPointF(26, 36), QPointF(38, 14), QPointF(56, 10)}));
}

void DrawLedger(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(Shaded(QRectF(2, 14, 60, 44), QColor(120, 60, 40)));
    p.drawRoundedRect(QRectF(2, 14, 60, 44), 3, 3);
    p.setBrush(kPaper);
    QPainterPath left, right;
    left.moveTo(32, 16);
    left.cubicTo(24, 10, 12, 10, 6, 12);
    left.lineTo(6, 52);
    left.cubicTo(12, 50, 24, 50, 32, 56);
    left.closeSubpath();
    right.moveTo(32, 16);
    right.cubicTo(40, 10, 52, 10, 58, 12);
    right.lineTo(58, 52);
    right.cubicTo(52, 50, 40, 50, 32, 56);
    right.closeSubpath();
    p.drawPath(left);
    p.drawPath(right);
    p.setPen(QPen(QColor(150, 150, 160), 1.6));
    for (int i = 0; i < 5; ++i) {
        const qreal y = 20 + i * 6.5;
        p.drawLine(QPointF(10, y), QPointF(28, y + 1.5));
        p.drawLine(QPointF(36, y + 1.5), QPointF(54, y));
    }
    p.setPen(QPen(kRed, 1.6));
    p.drawLine(QPointF(47, 13), QPointF(47, 52));
}

void DrawFont(QPainter& p) {
    QFont f(QStringLiteral("Serif"));
    f.setPixelSize(50);
    f.setBold(true);
    QPainterPath path;
    path.addText(QPointF(8, 50), f, QStringLiteral("A"));
    p.setPen(QPen(kOutline, 1.5));
    p.setBrush(Shaded(path.boundingRect(), QColor(60, 60, 70)));
    p.drawPath(path);
    QFont g(QStringLiteral("Serif"));
    g.setPixelSize(30);
    g.setItalic(true);
    QPainterPath small;
    small.addText(QPointF(40, 54), g, QStringLiteral("a"));
    p.setBrush(kBlue);
    p.drawPath(small);
    p.setPen(QPen(kRed, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 60), QPointF(58, 60));
}

void DrawPrinter(QPainter& p) {
    Page(p, QRectF(16, 2, 32, 24));
    p.setPen(Outline());
    p.setBrush(Shaded(QRectF(4, 22, 56, 26), QColor(150, 155, 165)));
    p.drawRoundedRect(QRectF(4, 22, 56, 26), 4, 4);
    p.setBrush(kGreen);
    p.drawEllipse(QPointF(50, 30), 2.5, 2.5);
    p.setBrush(kPaper);
    p.drawRect(QRectF(14, 40, 36, 20));
    TextLines(p, QRectF(18, 44, 28, 14), 3);
}

void DrawBackup(QPainter& p, bool restore) {
    Disk(p, QRectF(22, 18, 40, 42));
    if (restore)
        Arrow(p, QPointF(30, 38), QPointF(2, 8), kBlue, 8);
    else
        Arrow(p, QPointF(2, 8), QPointF(30, 36), kGreen, 8);
}

void DrawArchive(QPainter& p, bool out) {
    Box(p, QRectF(6, 26, 52, 34));
    if (out) {
        Arrow(p, QPointF(32, 30), QPointF(32, 0), kGreen, 9);
    } else {
        Page(p, QRectF(20, 0, 24, 24));
        Arrow(p, QPointF(54, 0), QPointF(46, 24), kBlue, 6);
    }
}

void DrawReindex(QPainter& p) {
    const QRectF r(10, 10, 44, 44);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kBlue, 7, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(r, 30 * 16, 130 * 16);
    p.drawArc(r, 210 * 16, 130 * 16);
    auto head = [&](QPointF tip, QPointF a, QPointF b) {
        QPolygonF tri({tip, a, b});
        p.setPen(QPen(kBlue.darker(140), 1));
        p.setBrush(kBlue);
        p.drawPolygon(tri);
    };
    head(QPointF(4, 30), QPointF(4, 44), QPointF(18, 36));
    head(QPointF(60, 34), QPointF(60, 20), QPointF(46, 28));
    p.setPen(QPen(QColor(150, 150, 160), 2.5, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i) p.drawLine(QPointF(24, 24 + i * 8), QPointF(40, 24 + i * 8));
}

void DrawPack(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(Shaded(QRectF(20, 14, 24, 36), QColor(120, 130, 150)));
    p.drawRect(QRectF(22, 14, 20, 36));
    p.setPen(QPen(QColor(230, 230, 235), 2));
    for (int i = 0; i < 4; ++i) p.drawLine(QPointF(25, 20 + i * 8), QPointF(39, 20 + i * 8));
    Arrow(p, QPointF(0, 32), QPointF(20, 32), kRed, 7);
    Arrow(p, QPointF(64, 32), QPointF(44, 32), kRed, 7);
}

void DrawErase(QPainter& p) {
    p.setPen(Outline());
    p.save();
    p.translate(32, 30);
    p.rotate(-35);
    p.setBrush(Shaded(QRectF(-26, -11, 30, 22), QColor(235, 120, 140)));
    p.drawRoundedRect(QRectF(-26, -11, 30, 22), 3, 3);
    p.setBrush(Shaded(QRectF(4, -11, 22, 22), QColor(90, 130, 210)));
    p.drawRoundedRect(QRectF(4, -11, 22, 22), 3, 3);
    p.restore();
    p.setPen(QPen(QColor(150, 150, 160), 2, Qt::DashLine, Qt::RoundCap));
    p.drawLine(QPointF(6, 58), QPointF(40, 58));
}

void DrawUpgrade(QPainter& p) {
    Box(p, QRectF(4, 34, 30, 26));
    p.setPen(Outline());
    p.setBrush(Shaded(QRectF(36, 30, 26, 30), QColor(20, 110, 100)));
    p.drawRoundedRect(QRectF(36, 30, 26, 30), 3, 3);
    Arrow(p, QPointF(18, 30), QPointF(46, 4), kGreen, 8);
}

void DrawHelp(QPainter& p) {
    QRadialGradient g(QPointF(24, 20), 40);
    g.setColorAt(0, kBlue.lighter(160));
    g.setColorAt(1, kBlue);
    p.setPen(QPen(kBlue.darker(150), 2));
    p.setBrush(g);
    p.drawEllipse(QRectF(4, 4, 56, 56));
    QFont f(QStringLiteral("Sans Serif"));
    f.setPixelSize(42);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(4, 4, 56, 56), Qt::AlignCenter, QStringLiteral("?"));
}

void Draw(QPainter& p, Picture picture) {
    switch (picture) {
        case Picture::App:
            return DrawApp(p);
        case Picture::Income:
            return DrawIncome(p);
        case Picture::Expense:
            return DrawExpense(p);
        case Picture::IncomeAccounts:
            return DrawAccounts(p, kGreen, true);
        case Picture::ExpenseAccounts:
            return DrawAccounts(p, kRed, false);
        case Picture::Folders:
            return DrawFolders(p);
        case Picture::Import:
            return DrawImport(p);
        case Picture::RateChange:
            return DrawRateChange(p);
        case Picture::ExpenseReport:
            return DrawReport(p, kRed);
        case Picture::IncomeReport:
            return DrawReport(p, kGreen);
        case Picture::ProfitReport:
            return DrawProfit(p);
        case Picture::Ledger:
            return DrawLedger(p);
        case Picture::Charts:
            return DrawCharts(p);
        case Picture::Font:
            return DrawFont(p);
        case Picture::Printer:
            return DrawPrinter(p);
        case Picture::Backup:
            return DrawBackup(p, false);
        case Picture::Restore:
            return DrawBackup(p, true);
        case Picture::Archive:
            return DrawArchive(p, false);
        case Picture::DeArchive:
            return DrawArchive(p, true);
        case Picture::Reindex:
            return DrawReindex(p);
        case Picture::Pack:
            return DrawPack(p);
        case Picture::Erase:
            return DrawErase(p);
        case Picture::Upgrade:
            return DrawUpgrade(p);
        case Picture::Help:
            return DrawHelp(p);
    }
}

}  // namespace

QPixmap DrawPicture(Picture picture, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(size / 64.0, size / 64.0);
    Draw(p, picture);
    return pixmap;
}

QIcon PictureIcon(Picture picture) {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64}) {
        const QPixmap normal = DrawPicture(picture, size);
        icon.addPixmap(normal);
        // A button that cannot be used yet keeps its picture's colours, faded, so that it still
        // says what it is for.
        QPixmap faded(size, size);
        faded.fill(Qt::transparent);
        QPainter p(&faded);
        p.setOpacity(0.38);
        p.drawPixmap(0, 0, normal);
        p.end();
        icon.addPixmap(faded, QIcon::Disabled);
    }
    return icon;
}

QIcon AppIcon() {
    return PictureIcon(Picture::App);
}

}  // namespace kvl
