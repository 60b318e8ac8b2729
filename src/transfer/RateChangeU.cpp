#include "transfer/RateChangeU.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "data/Clock.h"
#include "data/EntryRules.h"
#include "data/Messages.h"
#include "data/dbFiles.h"
#include "screen/DropList.h"
#include "screen/FormParts.h"
#include "screen/Help.h"
#include "screen/MaskEdit.h"
#include "screen/Scrutil.h"
#include "transfer/RateChangeOps.h"

namespace kvl {

TRateChange* RateChangeForm = nullptr;

namespace {

constexpr int kHelpTopic = 540;
const QString kRateFormat = QStringLiteral("%10.4f");

QString RateMask() {
    return QStringLiteral("!#####") + RegionalSettings().decimalPoint + QStringLiteral("9999;1;_");
}

// Typing the decimal separator puts the whole part in its places first, as in amount fields.
void RateFieldKeyPress(TMaskEdit* field, QKeyEvent* event, bool* swallow) {
    const QChar decimal = RegionalSettings().decimalPoint;
    if (event->text() != QString(decimal)) return;
    const QString text = field->programText();
    const std::optional<QString> normal = NormalizeAmountText(text, kRateFormat);
    if (!normal) {
        QString compact = text;
        compact.remove(QLatin1Char(' '));
        ShowMessage(MsgKind::Error,
                    QStringLiteral("'%1' is not a valid floating point value").arg(compact));
        *swallow = true;
        return;
    }
    field->setProgramText(*normal);
    const int at = field->displayText().indexOf(decimal);
    if (at >= 0) field->setCursorPosition(at);
}

std::optional<double> ReadRate(TMaskEdit* field) {
    QString text = field->programText();
    text.remove(QLatin1Char(' '));
    return ReadAmountText(text);
}

}  // namespace

TRateChange::TRateChange(QWidget* parent) : TFormDialog(parent) {
    setObjectName(QStringLiteral("RateChange"));
    setWindowTitle(QStringLiteral("Rate Change"));
    TakeOwnerFont(this);

    Notes = new QLabel(this);
    Notes->setObjectName(QStringLiteral("Notes"));
    Notes->setWordWrap(true);
    Notes->setText(QStringLiteral(
        "This option is provided to update rate based expenses in the event of a retroactive "
        "change in the allowable rate (e.g., Distance based auto travel expenses).\n\n"
        "The selected account must include only expenses that are based on the rate to be "
        "changed."));
    Notes->setMargin(10);
    Notes->setStyleSheet(
        QStringLiteral("QLabel#Notes { background: black; color: white; border-radius: 10px; }"));
    Notes->setMinimumWidth(360);

    ComboBox1 = new TDropDownList(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setMinimumWidth(260);
    Label1 = FormLabel(this, "Label1", QStringLiteral("Apply to Account:"), ComboBox1);
    MaskEdit1 = MaskField(this, "MaskEdit1", RateMask());
    Label2 = FormLabel(this, "Label2", QStringLiteral("Old Expense Rate:"), MaskEdit1);
    MaskEdit2 = MaskField(this, "MaskEdit2", RateMask());
    Label3 = FormLabel(this, "Label3", QStringLiteral("New Expense Rate:"), MaskEdit2);
    MaskEdit3 = DateField(this, "MaskEdit3");
    Label4 = FormLabel(this, "Label4", QStringLiteral("Apply to Expenses Dated from:"), MaskEdit3);
    MaskEdit4 = DateField(this, "MaskEdit4");
    Label5 = FormLabel(this, "Label5", QStringLiteral("Through:"), MaskEdit4);
    BtnApply = FormButton(this, "BtnApply", QStringLiteral("Apply"));
    BtnCancel = CancelButton(this);
    BitBtn1 = HelpButton(this, kHelpTopic);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [] { ShowHelpTopic(kHelpTopic); });

    auto* fields = new QGridLayout;
    const std::pair<QLabel*, QWidget*> rows[] = {{Label1, ComboBox1},
                                                 {Label2, MaskEdit1},
                                                 {Label3, MaskEdit2},
                                                 {Label4, MaskEdit3},
                                                 {Label5, MaskEdit4}};
    for (int row = 0; row < 5; ++row) {
        fields->addWidget(rows[row].first, row, 0);
        fields->addWidget(rows[row].second, row, 1, Qt::AlignLeft);
    }
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {BtnApply, BtnCancel, BitBtn1}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(Notes);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    setTabOrder(ComboBox1, MaskEdit1);
    setTabOrder(MaskEdit1, MaskEdit2);
    setTabOrder(MaskEdit2, MaskEdit3);
    setTabOrder(MaskEdit3, MaskEdit4);
    setTabOrder(MaskEdit4, BtnApply);
    setTabOrder(BtnApply, BtnCancel);
    setTabOrder(BtnCancel, BitBtn1);

    connect(MaskEdit1, &TMaskEdit::keyPressed, this, &TRateChange::MaskEdit1KeyPress);
    connect(MaskEdit2, &TMaskEdit::keyPressed, this, &TRateChange::MaskEdit2KeyPress);
    connect(MaskEdit3, &TMaskEdit::fieldExit, this, &TRateChange::MaskEdit3Exit);
    connect(MaskEdit4, &TMaskEdit::fieldExit, this, &TRateChange::MaskEdit4Exit);
    refusedDate_.watch(MaskEdit3);
    refusedDate_.watch(MaskEdit4);
    connect(BtnApply, &QPushButton::clicked, this, &TRateChange::BtnApplyClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TRateChange::BtnCancelClick);
}

void TRateChange::FormShow() {
    BtnApply->setEnabled(true);
    ComboBox1->clear();
    MaskEdit1->setEditMask(RateMask());
    MaskEdit2->setEditMask(RateMask());
    const int first = d4top(dbExpenseAccounts);
    error4exitTest(cb);
    if (first != r4success) {
        ShowMessage(MsgKind::Information, QString::fromLatin1(kNoExpenseAccounts));
        BtnApply->setEnabled(false);
    }
    for (int rc = d4top(dbExpenseAccounts); rc == r4success; rc = d4skip(dbExpenseAccounts, 1))
        ComboBox1->addItem(FieldText(fAccNo) + QStringLiteral(" - ") + FieldText(fAcDesc));
    error4exitTest(cb);
    ComboBox1->setCurrentIndex(ComboBox1->count() > 0 ? 0 : -1);
    MaskEdit1->setProgramText(InitialRateText());
    MaskEdit2->setProgramText(MaskEdit1->programText());
    const QDate today = Today();
    MaskEdit3->setProgramText(DateToFieldText(QDate(today.year(), 1, 1)));
    MaskEdit4->setProgramText(DateToFieldText(today));
    refusedDate_.forget();
}

void TRateChange::MaskEdit1KeyPress(QKeyEvent* event, bool* swallow) {
    RateFieldKeyPress(MaskEdit1, event, swallow);
}

void TRateChange::MaskEdit2KeyPress(QKeyEvent* event, bool* swallow) {
    RateFieldKeyPress(MaskEdit2, event, swallow);
}

void TRateChange::MaskEdit3Exit() {
    refusedDate_.left(MaskEdit3, CheckDateField(MaskEdit3));
}

void TRateChange::MaskEdit4Exit() {
    refusedDate_.left(MaskEdit4, CheckDateField(MaskEdit4));
}

void TRateChange::BtnApplyClick() {
    // The press that left the field already said why; the next press checks afresh.
    if (refusedDate_.swallowPress()) return;
    const std::optional<double> oldRate = ReadRate(MaskEdit1);
    const std::optional<double> newRate = ReadRate(MaskEdit2);
    const std::optional<QDate> from = ReadDateText(MaskEdit3->programText());
    const std::optional<QDate> through = ReadDateText(MaskEdit4->programText());
    const std::optional<int> account = ReadIntegerText(ComboBox1->currentText().left(4).trimmed());
    if (!oldRate || !newRate || !from || !through || !account) {
        ShowMessage(MsgKind::Warning, QString::fromLatin1(kDataConversionError));
        return;
    }
    if (ApplyRateChange({*oldRate, *newRate, *from, *through, *account}) == ChangeResult::Done)
        accept();
}

void TRateChange::BtnCancelClick() {
    reject();
}

}  // namespace kvl
