#include "screen/FormParts.h"

#include <QApplication>
#include <QBoxLayout>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>

#include "data/EntryRules.h"
#include "screen/Help.h"
#include "screen/MaskEdit.h"
#include "screen/Scrutil.h"

namespace kvl {

namespace {

// Enter on a focused button presses it. The buttons are never a dialog's default, so without
// this Enter would do nothing there.
class EnterPresses : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
        if (!key->isAutoRepeat()) static_cast<QPushButton*>(watched)->click();
        return true;
    }
};

}  // namespace

void TakeOwnerFont(QWidget* window) {
    window->setAttribute(Qt::WA_WindowPropagation);
    if (QWidget* owner = window->parentWidget()) window->setFont(owner->font());
}

void SettleLayout(QWidget* window) {
    if (QLayout* layout = window->layout()) layout->activate();
}

void RoomForCaption(QBoxLayout* layout, const QString& caption) {
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    // The icon, the minimise, maximise and close buttons and the margins of a usual title bar.
    constexpr int kTitleBarRoom = 140;
    layout->addStrut(QFontMetrics(titleFont).horizontalAdvance(caption) + kTitleBarRoom);
}

QPushButton* FormButton(QWidget* parent, const char* name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    button->setDefault(false);
    button->installEventFilter(new EnterPresses(button));
    return button;
}

QPushButton* CancelButton(QWidget* parent) {
    QPushButton* button = FormButton(parent, "BtnCancel", QStringLiteral("Cancel"));
    TMaskEdit::MarkLeavesWithoutChange(button);
    return button;
}

QPushButton* HelpButton(QWidget* parent, int topic) {
    QPushButton* button = FormButton(parent, "BtnHelp", QStringLiteral("&Help"));
    QObject::connect(button, &QPushButton::clicked, button, [topic] { ShowHelpTopic(topic); });
    return button;
}

QLabel* FormLabel(QWidget* parent, const char* name, const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setBuddy(buddy);
    return label;
}

TMaskEdit* MaskField(QWidget* parent, const char* name, const QString& mask) {
    auto* field = new TMaskEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setEditMask(mask);
    // The places and the literals, with room for the frame.
    const qsizetype places = mask.section(QLatin1Char(';'), 0, 0).size();
    field->setFixedWidth(
        field->fontMetrics().horizontalAdvance(QString(places + 1, QLatin1Char('0'))) + 16);
    return field;
}

TMaskEdit* DateField(QWidget* parent, const char* name) {
    return MaskField(parent, name, DateEditMask());
}

TMaskEdit* NumberField(QWidget* parent, const char* name) {
    return MaskField(parent, name, QStringLiteral("!9999;1;_"));
}

QLineEdit* DescriptionField(QWidget* parent, const char* name) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setMaxLength(kDescriptionLength);
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 18);
    return field;
}

std::optional<int> ReadNumberField(TMaskEdit* field) {
    return StrToIntOrError(field->programText().trimmed());
}

void ShowNumber(TMaskEdit* field, int number) {
    field->showPlain(number >= 0 && number <= kHighestNumber ? QString::number(number) : QString());
    field->setModified(false);
}

}  // namespace kvl
