#include "transfer/PmtImportU.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/Clock.h"
#include "data/EntryRules.h"
#include "data/Messages.h"
#include "data/Period.h"
#include "data/dbFiles.h"
#include "screen/DropList.h"
#include "screen/FormParts.h"
#include "screen/MaskEdit.h"
#include "screen/Scrutil.h"
#include "transfer/PmtImportOps.h"

namespace kvl {

TPmtImport* PmtImportForm = nullptr;

namespace {

TDropDownList* List(QWidget* parent, const char* name) {
    auto* list = new TDropDownList(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setMinimumWidth(260);
    return list;
}

// Fills list with "<number> - <name>" of every record of table in its tag order, as stored.
bool FillList(TDropDownList* list, DATA4* table, FIELD4* number, FIELD4* name) {
    list->clear();
    for (int rc = d4top(table); rc == r4success; rc = d4skip(table, 1))
        list->addItem(FieldText(number) + QStringLiteral(" - ") + FieldText(name));
    error4exitTest(cb);
    list->setCurrentIndex(list->count() > 0 ? 0 : -1);
    return list->count() > 0;
}

std::optional<int> ListNumber(const TDropDownList* list) {
    if (list->currentIndex() < 0) return std::nullopt;
    return ReadIntegerText(list->currentText().left(4).trimmed());
}

}  // namespace

TPmtImport::TPmtImport(bool& packNeeded, QWidget* parent)
    : TFormDialog(parent), packNeeded_(packNeeded) {
    setObjectName(QStringLiteral("PmtImport"));
    setWindowTitle(QStringLiteral("Import Ulvenir Payment (Income) Data"));
    TakeOwnerFont(this);

    BtnBrowse = FormButton(this, "BtnBrowse", QStringLiteral("Dwelan / Ulvenir Directory"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setEnabled(false);
    Edit1->setMinimumWidth(260);
    MaskEdit1 = DateField(this, "MaskEdit1");
    Label1 = FormLabel(this, "Label1", QStringLiteral("Import Income Beginning:"), MaskEdit1);
    MaskEdit2 = DateField(this, "MaskEdit2");
    Label2 = FormLabel(this, "Label2", QStringLiteral("Through:"), MaskEdit2);
    ComboBox1 = List(this, "ComboBox1");
    Label3 = FormLabel(this, "Label3", QStringLiteral("Import to Account:"), ComboBox1);
    ComboBox2 = List(this, "ComboBox2");
    Label4 = FormLabel(this, "Label4", QStringLiteral("Import to Folder:"), ComboBox2);
    BtnImport = FormButton(this, "BtnImport", QStringLiteral("Import"));
    BtnCancel = CancelButton(this);
    BtnHelp = HelpButton(this, 520);

    auto* file = new QHBoxLayout;
    file->addWidget(BtnBrowse);
    file->addWidget(Edit1, 1);
    auto* fields = new QGridLayout;
    const std::pair<QLabel*, QWidget*> rows[] = {
        {Label1, MaskEdit1}, {Label2, MaskEdit2}, {Label3, ComboBox1}, {Label4, ComboBox2}};
    for (int row = 0; row < 4; ++row) {
        fields->addWidget(rows[row].first, row, 0);
        fields->addWidget(rows[row].second, row, 1, Qt::AlignLeft);
    }
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {BtnImport, BtnCancel, BtnHelp}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(file);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    setTabOrder(BtnBrowse, MaskEdit1);
    setTabOrder(MaskEdit1, MaskEdit2);
    setTabOrder(MaskEdit2, ComboBox1);
    setTabOrder(ComboBox1, ComboBox2);
    setTabOrder(ComboBox2, BtnImport);

    connect(BtnBrowse, &QPushButton::clicked, this, &TPmtImport::BtnBrowseClick);
    connect(MaskEdit1, &TMaskEdit::fieldExit, this, &TPmtImport::MaskEdit1Exit);
    connect(MaskEdit2, &TMaskEdit::fieldExit, this, &TPmtImport::MaskEdit2Exit);
    refusedDate_.watch(MaskEdit1);
    refusedDate_.watch(MaskEdit2);
    connect(BtnImport, &QPushButton::clicked, this, &TPmtImport::BtnImportClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TPmtImport::BtnCancelClick);
}

int TPmtImport::exec() {
    int result;
    do {
        showAgain_ = false;
        result = QDialog::exec();
    } while (showAgain_);
    return result;
}

void TPmtImport::FormShow() {
    BtnImport->setEnabled(true);
    if (!FillList(ComboBox1, dbIncomeAccounts, fIAccNo, fIAcDesc)) {
        ShowMessage(MsgKind::Information, QString::fromLatin1(kNoIncomeAccounts));
        BtnImport->setEnabled(false);
    }
    if (!FillList(ComboBox2, dbFolders, fFolNo, fFolName)) {
        ShowMessage(MsgKind::Information, QString::fromLatin1(kNoFolders));
        BtnImport->setEnabled(false);
    }
    PaymentFilePath = ProposePaymentFile();
    Edit1->setText(PaymentFilePath);
    const QDate today = Today();
    MaskEdit1->setProgramText(
        DateToFieldText(FiscalYearStart(today, Settings.fyMonth, Settings.fyDay)));
    MaskEdit2->setProgramText(DateToFieldText(today));
    refusedDate_.forget();
    MaskEdit1->setFocus();
}

void TPmtImport::BtnBrowseClick() {
    QFileDialog dialog(this, QString(), QString(),
                       QStringLiteral("Ulvenir Payment File (pmt.dbf)"));
    dialog.setObjectName(QStringLiteral("OpenDialog1"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (!PaymentFilePath.isEmpty()) dialog.selectFile(PaymentFilePath);
    // Whether the user confirms or cancels, the folder the dialog ends in is what counts.
    dialog.exec();
    const QString found = PaymentFileIn(dialog.directory().absolutePath());
    if (!found.isEmpty()) {
        PaymentFilePath = found;
        Edit1->setText(PaymentFilePath);
        return;
    }
    const QStringList chosen = dialog.selectedFiles();
    ShowMessage(MsgKind::Information,
                (chosen.isEmpty() ? PaymentFilePath : chosen.first()) +
                    QStringLiteral("\r\nis not a valid Ulvenir Payment file. Try again."));
}

void TPmtImport::MaskEdit1Exit() {
    refusedDate_.left(MaskEdit1, CheckDateField(MaskEdit1));
}

void TPmtImport::MaskEdit2Exit() {
    refusedDate_.left(MaskEdit2, CheckDateField(MaskEdit2));
}

void TPmtImport::BtnImportClick() {
    // The press that left the field already said why; the next press checks afresh.
    if (refusedDate_.swallowPress()) return;
    if (PaymentFilePath.isEmpty()) {
        ShowMessage(MsgKind::Information, QString::fromLatin1(kChoosePaymentFile));
        return;
    }
    const std::optional<QDate> from = ReadDateText(MaskEdit1->programText());
    const std::optional<QDate> through = ReadDateText(MaskEdit2->programText());
    const std::optional<int> account = ListNumber(ComboBox1);
    const std::optional<int> folder = ListNumber(ComboBox2);
    if (!from || !through || !account || !folder) {
        ShowMessage(MsgKind::Warning, QString::fromLatin1(kDataConversionError));
        return;
    }
    const auto payments = ReadPaymentFile(PaymentFilePath);
    if (!payments) return;
    hide();
    if (QWidget* owner = parentWidget()) owner->repaint();
    const ImportOutcome outcome = ImportPayments(*payments, {*from, *through, *account, *folder});
    if (outcome.packNeeded()) packNeeded_ = true;
    if (outcome.result == ChangeResult::Done) {
        accept();
        return;
    }
    showAgain_ = true;
    reject();
}

void TPmtImport::BtnCancelClick() {
    reject();
}

}  // namespace kvl
