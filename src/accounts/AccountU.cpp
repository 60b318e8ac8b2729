#include "accounts/AccountU.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "accounts/AccountOps.h"
#include "data/DbUtil.h"
#include "data/Messages.h"
#include "screen/FormParts.h"
#include "screen/MaskEdit.h"

namespace kvl {

TAccount* AccountForm = nullptr;

namespace {

const QString kNotPositive = QStringLiteral("Account Number must be greater than zero.");

}  // namespace

TAccount::TAccount(bool& packNeeded, QWidget* parent)
    : TRecordEditor(packNeeded, parent, "Account", QStringLiteral("Account Definition"),
                    QStringLiteral("Account Number:"), 550) {
    CheckBox1 = new QCheckBox(this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    addField(CheckBox1);
}

void TAccount::FormShow() {
    const Chart& chart = ChartOf(AccountMode);
    if (chart.selection > 0) {
        GoToRecord(chart.accounts, chart.selection);
        chart.load();
        BtnDelete->show();
    } else {
        chart.buffer.number = NextAccountNo(chart);
        chart.buffer.description.clear();
        chart.buffer.taxFlag = true;
        BtnDelete->hide();
    }
    CheckBox1->setText(chart.flagCaption);
    refusedNumber_.forget();
    proposeNumber(chart);
    Edit1->setText(chart.buffer.description.trimmed());
    CheckBox1->setChecked(chart.buffer.taxFlag);
    MaskEdit1->setFocus();
}

void TAccount::proposeNumber(const Chart& chart) {
    ShowNumber(MaskEdit1, chart.buffer.number);
    if (chart.buffer.number <= kHighestNumber) return;
    // Said once the window is up, so that the message stands over the editor it speaks of.
    QTimer::singleShot(0, this, [] {
        ShowMessage(MsgKind::Information,
                    QStringLiteral("The highest account number, 9999, is already in use.  Please "
                                   "enter an unused account number."));
    });
}

void TAccount::MaskEdit1Exit() {
    const std::optional<int> number = ReadNumberField(MaskEdit1);
    if (!refusedNumber_.left(MaskEdit1, number.has_value())) return;
    if (*number > 0) {
        MaskEdit1->setProgramText(PadNumber(*number, 4));
        return;
    }
    ShowMessage(MsgKind::Information, kNotPositive);
    refusedNumber_.left(MaskEdit1, false);
}

void TAccount::BtnSaveClick() {
    const Chart& chart = ChartOf(AccountMode);
    // The press that left the field already said why; the next press checks afresh.
    if (refusedNumber_.swallowPress()) return;
    const std::optional<int> number = ReadNumberField(MaskEdit1);
    if (!number) return;
    // Leaving the field refuses a zero, but a button may act before the field is left.
    if (*number < 1 || *number > kHighestNumber) {
        ShowMessage(MsgKind::Information, kNotPositive);
        MaskEdit1->setFocus();
        return;
    }
    chart.buffer.description = Edit1->text().trimmed();
    chart.buffer.taxFlag = CheckBox1->isChecked();
    if (chart.selection == 0)
        addAccount(chart, *number);
    else
        changeAccount(chart, *number);
}

void TAccount::addAccount(const Chart& chart, int number) {
    if (!AccountNoFree(chart, number)) {
        ShowMessage(MsgKind::Information,
                    QStringLiteral("Account number already exists.  Please enter a different "
                                   "number."));
        return;
    }
    chart.buffer.number = number;
    if (d4appendBlank(chart.accounts) != r4success) {
        ShowMessage(MsgKind::Warning, QStringLiteral("Unable to Add Record at this time . . . "));
        return;
    }
    chart.store();
    if (ShowMessage(MsgKind::Confirmation, QStringLiteral("Add another account?")) !=
        MsgAnswer::Yes) {
        finish(chart);
        return;
    }
    chart.buffer.number = NextAccountNo(chart);
    chart.buffer.description.clear();
    proposeNumber(chart);
    Edit1->clear();
    MaskEdit1->setFocus();
}

void TAccount::changeAccount(const Chart& chart, int number) {
    const int old = chart.buffer.number;
    if (number == old) {
        GoToRecord(chart.accounts, chart.selection);
        chart.store();
        finish(chart);
        return;
    }
    const QString typed = MaskEdit1->programText().trimmed();
    const QString oldText = QString::number(old);
    if (AccountNoFree(chart, number)) {
        const QString text =
            QStringLiteral("ACCOUNT NUMBER CHANGED!\r\n\r\nIf you continue, all ") + chart.word +
            QStringLiteral(" in account ") + oldText +
            QStringLiteral(" will be moved to account number ") + typed +
            QStringLiteral(" AND Account Number ") + oldText +
            QStringLiteral(" will no longer exist.");
        if (ShowMessage(MsgKind::InformationOkCancel, text) != MsgAnswer::Ok) return;
        MoveAccountEntries(chart, old, number);
        GoToRecord(chart.accounts, chart.selection);
        chart.buffer.number = number;
        chart.store();
        finish(chart);
        return;
    }
    // The check left the account that already carries the number current.
    const long existing = d4recNo(chart.accounts);
    const QString text = QStringLiteral("ACCOUNT NUMBER ") + typed +
                         QStringLiteral(" ALREADY EXISTS.") + QStringLiteral("\r\n") +
                         QStringLiteral("\r\n") + QStringLiteral("If you continue,") +
                         QStringLiteral(" all ") + chart.word + QStringLiteral(" in account ") +
                         oldText + QStringLiteral(" will be merged into account ") + typed +
                         QStringLiteral(" which will be renamed to ") + Edit1->text().trimmed();
    if (ShowMessage(MsgKind::InformationOkCancel, text) != MsgAnswer::Ok) return;
    MoveAccountEntries(chart, old, number);
    GoToRecord(chart.accounts, existing);
    d4delete(chart.accounts);
    packNeeded_ = true;
    GoToRecord(chart.accounts, chart.selection);
    chart.buffer.number = number;
    chart.store();
    finish(chart);
}

void TAccount::finish(const Chart& chart) {
    chart.selection = static_cast<int>(d4recNo(chart.accounts));
    RefreshRecord(chart.accounts);
    accept();
}

void TAccount::BtnDeleteClick() {
    const Chart& chart = ChartOf(AccountMode);
    const QString text = QStringLiteral("WARNING: All ") + chart.word +
                         QStringLiteral(
                             " assigned to this account will be deleted.\r\n\r\nARE YOU "
                             "SURE YOU WANT TO DELETE THIS ACCOUNT?");
    if (ShowMessage(MsgKind::WarningYesNo, text) != MsgAnswer::Yes) return;
    DeleteAccount(chart, chart.selection, chart.buffer.number);
    packNeeded_ = true;
    chart.selection = 0;
    accept();
}

}  // namespace kvl
