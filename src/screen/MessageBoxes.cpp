#include "screen/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

namespace kvl {

MsgAnswer TMessageBoxSink::show(MsgKind kind, const QString& text, MsgDefault byDefault) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QWidget* parent = QApplication::activeModalWidget();
    if (!parent) parent = QApplication::activeWindow();

    QMessageBox box(parent);
    box.setText(shown);
    QMessageBox::StandardButton escape = QMessageBox::Ok;
    switch (kind) {
        case MsgKind::Information:
            box.setIcon(QMessageBox::Information);
            box.setWindowTitle(QStringLiteral("Information"));
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MsgKind::InformationOkCancel:
            box.setIcon(QMessageBox::Information);
            box.setWindowTitle(QStringLiteral("Information"));
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            escape = QMessageBox::Cancel;
            break;
        case MsgKind::Warning:
            box.setIcon(QMessageBox::Warning);
            box.setWindowTitle(QStringLiteral("Warning"));
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MsgKind::WarningOkCancel:
            box.setIcon(QMessageBox::Warning);
            box.setWindowTitle(QStringLiteral("Warning"));
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            escape = QMessageBox::Cancel;
            break;
        case MsgKind::WarningYesNo:
            box.setIcon(QMessageBox::Warning);
            box.setWindowTitle(QStringLiteral("Warning"));
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            escape = QMessageBox::No;
            break;
        case MsgKind::Confirmation:
            box.setIcon(QMessageBox::Question);
            box.setWindowTitle(QStringLiteral("Confirm"));
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            escape = QMessageBox::No;
            break;
        case MsgKind::Error:
            box.setIcon(QMessageBox::Critical);
            box.setWindowTitle(QStringLiteral("Error"));
            box.setStandardButtons(QMessageBox::Ok);
            break;
    }
    box.setEscapeButton(escape);
    if (escape != QMessageBox::Ok) {
        QMessageBox::StandardButton goAhead =
            escape == QMessageBox::No ? QMessageBox::Yes : QMessageBox::Ok;
        box.setDefaultButton(byDefault == MsgDefault::Cautious ? escape : goAhead);
    }
    // The wait cursor of a long operation must not hide that an answer is wanted.
    const bool waiting = QApplication::overrideCursor() != nullptr;
    if (waiting) QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int pressed = box.exec();
    if (waiting) QApplication::restoreOverrideCursor();
    switch (pressed) {
        case QMessageBox::Ok:
            return MsgAnswer::Ok;
        case QMessageBox::Cancel:
            return MsgAnswer::Cancel;
        case QMessageBox::Yes:
            return MsgAnswer::Yes;
        case QMessageBox::No:
            return MsgAnswer::No;
        default:
            break;
    }
    switch (escape) {
        case QMessageBox::Cancel:
            return MsgAnswer::Cancel;
        case QMessageBox::No:
            return MsgAnswer::No;
        default:
            return MsgAnswer::Ok;
    }
}

}  // namespace kvl
