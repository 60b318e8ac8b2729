#include "app/About.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include "screen/Icons.h"

namespace kvl {

TAboutForm* AboutForm = nullptr;

namespace {
const QSize kPictureSize(400, 240);
}

QPixmap AboutPicture(const QSize& size) {
    QPixmap pixmap(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF r(QPointF(0, 0), size);
    QLinearGradient sky(r.topLeft(), r.bottomLeft());
    sky.setColorAt(0, QColor(0, 0, 110));
    sky.setColorAt(1, QColor(0, 110, 110));
    p.fillRect(r, sky);

    // Faint ledger rules behind the title.
    p.setPen(QPen(QColor(255, 255, 255, 28), 1));
    for (qreal y = 20; y < r.height(); y += 14) p.drawLine(QPointF(0, y), QPointF(r.width(), y));
    p.setPen(QPen(QColor(255, 120, 120, 60), 1));
    p.drawLine(QPointF(r.width() - 70, 0), QPointF(r.width() - 70, r.height()));

    p.drawPixmap(QPointF(22, 28), DrawPicture(Picture::App, 96));

    QFont title(QStringLiteral("Serif"));
    title.setPixelSize(30);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(0, 0, 40, 150));
    p.drawText(QRectF(134, 36, r.width() - 140, 40), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Kelvane"));
    p.setPen(QColor(250, 215, 90));
    p.drawText(QRectF(132, 34, r.width() - 140, 40), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Kelvane"));
    p.setPen(QColor(0, 0, 40, 150));
    p.drawText(QRectF(134, 72, r.width() - 140, 40), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Talvarin"));
    p.setPen(QColor(250, 215, 90));
    p.drawText(QRectF(132, 70, r.width() - 140, 40), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Talvarin"));

    QFont body(QStringLiteral("Sans Serif"));
    body.setPixelSize(13);
    p.setFont(body);
    p.setPen(Qt::white);
    p.drawText(QRectF(134, 112, r.width() - 140, 18), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Version 1.22"));
    p.setPen(QColor(210, 235, 235));
    p.drawText(QRectF(134, 130, r.width() - 140, 18), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Bookkeeping for the small business"));

    const Picture strip[] = {Picture::Income,        Picture::Expense,      Picture::Folders,
                             Picture::ExpenseReport, Picture::ProfitReport, Picture::Ledger};
    qreal x = 22;
    for (Picture picture : strip) {
        p.drawPixmap(QPointF(x, r.height() - 58), DrawPicture(picture, 32));
        x += 42;
    }
    p.end();
    return pixmap;
}

TAboutForm::TAboutForm(const bool& splashFlag, QWidget* parent)
    : TFormDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      splashFlag_(splashFlag) {
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("About Kelvane Talvarin 1.22"));
    setWindowIcon(AppIcon());
    setModal(false);
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(AboutPicture(kPictureSize));
    Image1->setGeometry(QRect(QPoint(0, 0), kPictureSize));
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    OKButton->setGeometry(kPictureSize.width() - 96, kPictureSize.height() - 42, 80, 28);
    setFixedSize(kPictureSize);
    connect(OKButton, &QPushButton::clicked, this, &TAboutForm::OKButtonClick);
}

void TAboutForm::FormShow() {
    setWindowTitle(QStringLiteral("About Kelvane Talvarin 1.22"));
    OKButton->setVisible(!splashing());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void TAboutForm::OKButtonClick() {
    accept();
}

// The splash has no way out but the end of start-up.
void TAboutForm::closeEvent(QCloseEvent* event) {
    if (splashing() && event->spontaneous()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TAboutForm::keyPressEvent(QKeyEvent* event) {
    if (splashing() && event->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(event);
}

}  // namespace kvl
