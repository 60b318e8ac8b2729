#include "entry/EntryParts.h"

#include <QFocusEvent>
#include <QShortcut>

#include "data/EntryRules.h"
#include "entry/Ledger.h"
#include "screen/DropList.h"
#include "screen/Help.h"
#include "screen/MaskEdit.h"

namespace kvl {

namespace {

class TEntryField : public TMaskEdit {
  public:
    using TMaskEdit::TMaskEdit;

  protected:
    void focusInEvent(QFocusEvent* event) override {
        TMaskEdit::focusInEvent(event);
        if (!visiting_ && event->reason() != Qt::MouseFocusReason) selectAll();
        visiting_ = true;
    }
    void focusOutEvent(QFocusEvent* event) override {
        // A message box or a menu taking the focus is not the end of the visit; leaving for
        // another control is, also when the field's exit handler then takes the focus back.
        if (event->reason() != Qt::ActiveWindowFocusReason &&
            event->reason() != Qt::PopupFocusReason)
            visiting_ = false;
        TMaskEdit::focusOutEvent(event);
    }
    void hideEvent(QHideEvent* event) override {
        visiting_ = false;
        TMaskEdit::hideEvent(event);
    }

  private:
    bool visiting_ = false;
};

}  // namespace

TMaskEdit* EntryField(QWidget* parent, const char* name, const QString& mask) {
    auto* field = new TEntryField(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setEditMask(mask);
    // The places and the literals, with room for the frame.
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QString(
                             mask.section(QLatin1Char(';'), 0, 0).size() + 1, QLatin1Char('0'))) +
                         16);
    return field;
}

TMaskEdit* DateField(QWidget* parent, const char* name) {
    return EntryField(parent, name, DateEditMask());
}

TMaskEdit* AmountField(QWidget* parent, const char* name) {
    return EntryField(parent, name, AmountEditMask());
}

void FillChoices(TDropDownList* list, const Choices& choices) {
    list->clear();
    for (qsizetype i = 0; i < choices.texts.size(); ++i)
        list->addItem(choices.texts[i], choices.numbers[i]);
    list->setCurrentIndex(choices.empty() ? -1 : choices.index);
}

std::optional<int> ChosenNumber(const TDropDownList* list) {
    if (list->currentIndex() < 0) return std::nullopt;
    return list->currentData().toInt();
}

void HelpKey(QWidget* window, int topic) {
    auto* key = new QShortcut(QKeySequence(Qt::Key_F1), window);
    QObject::connect(key, &QShortcut::activated, window, [topic] { ShowHelpTopic(topic); });
}

}  // namespace kvl
