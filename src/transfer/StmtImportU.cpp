#include "transfer/StmtImportU.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "data/Messages.h"
#include "screen/DropList.h"
#include "screen/FormParts.h"
#include "screen/WaitCursor.h"
#include "transfer/StmtImportGrid.h"

namespace kvl {

TStmtImport* StmtImportForm = nullptr;

namespace {

constexpr int kHelpTopic = 560;

TDropDownList* List(QWidget* parent, const char* name, int width) {
    auto* list = new TDropDownList(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setMinimumWidth(width);
    return list;
}

// "first" (number 0), chosen, and then the entries of choices, each carrying its number.
void FillList(TDropDownList* list, const QString& first, const Choices& choices) {
    list->blockSignals(true);
    list->clear();
    list->addItem(first, 0);
    for (qsizetype i = 0; i < choices.texts.size(); ++i)
        list->addItem(choices.texts[i], choices.numbers[i]);
    list->setCurrentIndex(0);
    list->blockSignals(false);
}

}  // namespace

TStmtImport::TStmtImport(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("StmtImport"));
    setWindowTitle(QStringLiteral("Import Statement"));
    TakeOwnerFont(this);

    // Kept between showings, so that it opens where the last statement was found.
    OpenDialog1 =
        new QFileDialog(parentWidget(), QStringLiteral("Choose a Bank Statement"), QString(),
                        QStringLiteral("Bank statements (*.ofx *.qfx *.csv *.txt *.OFX "
                                       "*.QFX *.CSV *.TXT);;All files (*)"));
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setOption(QFileDialog::DontUseNativeDialog);
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);

    LabelFile = new QLabel(this);
    LabelFile->setObjectName(QStringLiteral("LabelFile"));
    LabelFile->setTextInteractionFlags(Qt::TextSelectableByMouse);

    GroupCsv = new QGroupBox(QStringLiteral("CSV file"), this);
    GroupCsv->setObjectName(QStringLiteral("GroupCsv"));
    ComboDateFormat = List(GroupCsv, "ComboDateFormat", 140);
    for (const CsvDateFormat f :
         {CsvDateFormat::Automatic, CsvDateFormat::YearMonthDay, CsvDateFormat::MonthDayYear,
          CsvDateFormat::DayMonthYear, CsvDateFormat::DayMonthYearDots})
        ComboDateFormat->addItem(
            f == CsvDateFormat::Automatic ? QStringLiteral("Automatic") : CsvDateFormatName(f),
            static_cast<int>(f));
    CheckDecimalComma = new QCheckBox(QStringLiteral("Decimal &comma"), GroupCsv);
    CheckDecimalComma->setObjectName(QStringLiteral("CheckDecimalComma"));
    EditColumns = new QLineEdit(GroupCsv);
    EditColumns->setObjectName(QStringLiteral("EditColumns"));
    EditColumns->setPlaceholderText(QStringLiteral("named by the header line"));
    EditColumns->setToolTip(QStringLiteral(
        "date=N,amount=N,payee=N[,memo=N][,check=N], or debit=N,credit=N for the amount; "
        "columns numbered from 1"));
    BtnReadAgain = FormButton(GroupCsv, "BtnReadAgain", QStringLiteral("&Read Again"));
    auto* csv = new QHBoxLayout(GroupCsv);
    csv->addWidget(
        FormLabel(GroupCsv, "LabelDateFormat", QStringLiteral("&Date format:"), ComboDateFormat));
    csv->addWidget(ComboDateFormat);
    csv->addWidget(CheckDecimalComma);
    csv->addWidget(FormLabel(GroupCsv, "LabelColumns", QStringLiteral("Co&lumns:"), EditColumns));
    csv->addWidget(EditColumns, 1);
    csv->addWidget(BtnReadAgain);

    ComboFolder = List(this, "ComboFolder", 200);
    ComboExpenseAccount = List(this, "ComboExpenseAccount", 200);
    ComboIncomeAccount = List(this, "ComboIncomeAccount", 200);
    auto* choices = new QGridLayout;
    const std::pair<const char*, TDropDownList*> rows[] = {
        {"&Folder of every line:", ComboFolder},
        {"&Expenses without an account:", ComboExpenseAccount},
        {"&Income without an account:", ComboIncomeAccount}};
    for (int i = 0; i < 3; ++i) {
        choices->addWidget(
            FormLabel(this, "LabelChoice", QString::fromLatin1(rows[i].first), rows[i].second), i,
            0);
        choices->addWidget(rows[i].second, i, 1, Qt::AlignLeft);
    }
    choices->setColumnStretch(2, 1);

    model_ = new StatementGrid(this);
    Grid = new QTableView(this);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setModel(model_);
    Grid->setItemDelegate(new ChoiceDelegate(Grid));
    Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                          QAbstractItemView::EditKeyPressed);
    Grid->verticalHeader()->hide();
    Grid->verticalHeader()->setDefaultSectionSize(Grid->fontMetrics().height() + 6);
    const int widths[StatementGrid::ColumnCount] = {50, 80, 220, 90, 64, 190, 150, 72};
    for (int c = 0; c < StatementGrid::ColumnCount; ++c) Grid->setColumnWidth(c, widths[c]);
    Grid->horizontalHeader()->setStretchLastSection(true);
    Grid->setMinimumSize(960, 320);

    LabelSummary = new QLabel(this);
    LabelSummary->setObjectName(QStringLiteral("LabelSummary"));
    BtnImport = FormButton(this, "BtnImport", QStringLiteral("Import"));
    BtnCancel = FormButton(this, "BtnCancel", QStringLiteral("Cancel"));
    BtnHelp = HelpButton(this, kHelpTopic);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(LabelSummary, 1);
    for (QPushButton* b : {BtnImport, BtnCancel, BtnHelp}) buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LabelFile);
    layout->addWidget(GroupCsv);
    layout->addLayout(choices);
    layout->addWidget(Grid, 1);
    layout->addLayout(buttons);

    connect(BtnReadAgain, &QPushButton::clicked, this, &TStmtImport::BtnReadAgainClick);
    for (TDropDownList* list : {ComboFolder, ComboExpenseAccount, ComboIncomeAccount})
        connect(list, &QComboBox::currentIndexChanged, this, &TStmtImport::ChoicesChange);
    connect(model_, &StatementGrid::linesChanged, this, &TStmtImport::showSummary);
    connect(BtnImport, &QPushButton::clicked, this, &TStmtImport::BtnImportClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TStmtImport::BtnCancelClick);
}

QString TStmtImport::ChooseFile() {
    if (OpenDialog1->exec() != QDialog::Accepted || OpenDialog1->selectedFiles().isEmpty())
        return QString();
    return OpenDialog1->selectedFiles().first();
}

int TStmtImport::Review(const QString& path) {
    path_ = path;
    LabelFile->setText(QStringLiteral("Statement: ") + QDir::toNativeSeparators(path));
    const std::optional<Statement::Format> format = StatementFileFormat(path);
    format_ = format.value_or(Statement::Format::Csv);
    GroupCsv->setVisible(format_ == Statement::Format::Csv);
    ComboDateFormat->setCurrentIndex(0);
    CheckDecimalComma->setChecked(false);
    EditColumns->clear();
    charts_ = ReadChartNumbers();
    expenseAccounts_ = AccountChoices(ExpenseLedger(), 0);
    incomeAccounts_ = AccountChoices(IncomeLedger(), 0);
    folders_ = FolderChoices(0);
    fillChoices();
    // Only a CSV file's window can read the file again in another way.
    if (!readFile() && (!format || format_ == Statement::Format::Ofx)) return QDialog::Rejected;
    int result;
    do {
        showAgain_ = false;
        result = exec();
    } while (showAgain_);
    model_->setLines(nullptr, nullptr, nullptr, nullptr);
    lines_.clear();
    return result;
}

void TStmtImport::fillChoices() {
    FillList(ComboFolder, QStringLiteral("As learned"), folders_);
    FillList(ComboExpenseAccount, QStringLiteral("None"), expenseAccounts_);
    FillList(ComboIncomeAccount, QStringLiteral("None"), incomeAccounts_);
}

ImportChoices TStmtImport::choices() const {
    ImportChoices c;
    c.folder = ComboFolder->currentData().toInt();
    c.expenseAccount = ComboExpenseAccount->currentData().toInt();
    c.incomeAccount = ComboIncomeAccount->currentData().toInt();
    return c;
}

bool TStmtImport::readFile() {
    model_->setLines(nullptr, nullptr, nullptr, nullptr);
    lines_.clear();
    CsvOptions csv;
    csv.dateFormat = static_cast<CsvDateFormat>(ComboDateFormat->currentData().toInt());
    csv.decimalComma = CheckDecimalComma->isChecked();
    bool read = false;
    if (!EditColumns->text().trimmed().isEmpty()) {
        QString why;
        csv.columns = ParseCsvColumns(EditColumns->text(), &why);
        if (!csv.columns) ShowMessage(MsgKind::Warning, QStringLiteral("Columns: ") + why);
    }
    if (EditColumns->text().trimmed().isEmpty() || csv.columns) {
        WaitCursor wait;
        const std::optional<Statement> statement = ReadStatementFile(path_, path_, csv);
        if (statement) {
            format_ = statement->format;
            lines_ = MatchStatement(*statement);
            ProposeAccounts(lines_, choices(), charts_);
            read = true;
        }
    }
    model_->setLines(&lines_, &expenseAccounts_, &incomeAccounts_, &folders_);
    BtnImport->setEnabled(read);
    showSummary();
    return read;
}

void TStmtImport::showSummary() {
    long expenses = 0, incomes = 0, duplicates = 0, ticked = 0;
    for (const ImportLine& line : lines_) {
        ++(line.line.kind == LineKind::Expense ? expenses : incomes);
        duplicates += line.duplicate;
        ticked += line.ticked;
    }
    const QString unassigned = UnassignedLines(lines_, format_, charts_, 0);
    LabelSummary->setText(
        QStringLiteral("%1 lines: %2 expenses, %3 incomes, %4 duplicates; %5 ticked%6")
            .arg(lines_.size())
            .arg(expenses)
            .arg(incomes)
            .arg(duplicates)
            .arg(ticked)
            .arg(unassigned.isEmpty() ? QString()
                                      : QStringLiteral("; some have no account or folder")));
}

void TStmtImport::BtnReadAgainClick() {
    readFile();
}

void TStmtImport::ChoicesChange() {
    ProposeAccounts(lines_, choices(), charts_);
    model_->refresh();
    showSummary();
}

void TStmtImport::BtnImportClick() {
    const QString unassigned = UnassignedLines(lines_, format_, charts_);
    if (!unassigned.isEmpty()) {
        ShowMessage(MsgKind::Warning,
                    QStringLiteral("These lines have no account or folder. Choose them in the "
                                   "list, or above it for every line:\r\n") +
                        unassigned);
        return;
    }
    hide();
    if (QWidget* owner = parentWidget()) owner->repaint();
    StatementOutcome outcome;
    {
        WaitCursor wait;
        outcome = ImportStatement(lines_, format_, charts_, path_);
    }
    if (outcome.result != ChangeResult::Done) {
        showAgain_ = true;
        reject();
        return;
    }
    QString text = OutcomeText(outcome);
    text[0] = text[0].toUpper();
    if (outcome.leftOut > 0)
        text += QStringLiteral("; %1 lines left unticked were not imported").arg(outcome.leftOut);
    ShowMessage(MsgKind::Information, text + QLatin1Char('.'));
    accept();
}

void TStmtImport::BtnCancelClick() {
    reject();
}

}  // namespace kvl
