#include <QAction>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/MainU.h"
#include "data/EntryRules.h"
#include "screen/DropList.h"
#include "screen/Help.h"
#include "screen/Icons.h"
#include "screen/MaskEdit.h"

namespace kvl {

namespace {

const QColor kNavy(0, 0, 128);
const QColor kTeal(0, 128, 128);
const char* kTabStyle = R"(
QTabWidget::pane { border: 2px solid #c0c0c0; border-radius: 3px; top: -2px; background: #008080; }
QTabBar::tab { background: #b8c4c8; color: #101030; border: 1px solid #707880;
               border-bottom: none; border-top-left-radius: 5px; border-top-right-radius: 5px;
               padding: 4px 9px; margin-right: 2px; margin-top: 3px; }
QTabBar::tab:selected { background: #008080; color: white; font-weight: bold; margin-top: 0px;
                        border-color: #c0c0c0; }
QTabBar::tab:hover:!selected { background: #d4dee2; }
QLabel { color: white; }
QGroupBox { color: white; font-weight: bold; border: 1px solid #b0d8d8; border-radius: 4px;
            margin-top: 8px; padding-top: 4px; }
QGroupBox::title { subcontrol-origin: margin; left: 10px; }
QGroupBox QLabel { font-weight: normal; }
)";

void Paint(QWidget* widget, const QColor& background, const QColor& text) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QToolButton* PictureButton(QWidget* parent, const char* name, Picture picture, const QString& text,
                           const QString& hint, bool large) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(PictureIcon(picture));
    button->setIconSize(large ? QSize(48, 48) : QSize(22, 22));
    button->setText(text);
    button->setToolTip(hint);
    button->setToolButtonStyle(large ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonTextBesideIcon);
    // Pressing a button takes the focus first, so that a field being left is checked before the
    // button acts.
    button->setFocusPolicy(Qt::StrongFocus);
    button->setSizePolicy(QSizePolicy::Expanding,
                          large ? QSizePolicy::Expanding : QSizePolicy::Fixed);
    if (large) button->setMinimumSize(108, 92);
    return button;
}

QToolButton* HelpButton(QWidget* parent, const char* name) {
    QToolButton* button = PictureButton(parent, name, Picture::Help, QStringLiteral("Help"),
                                        QStringLiteral("Help on this page"), false);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return button;
}

QLabel* Caption(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

TMaskEdit* MaskField(QWidget* parent, const char* name, const QString& mask, int width) {
    auto* field = new TMaskEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setEditMask(mask);
    field->setFixedWidth(width);
    return field;
}

}  // namespace

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(CaptionFor(QString()));
    setWindowIcon(AppIcon());
    // The window's own font is also the report font until the user picks another.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("Panel1"));
    Paint(central, kNavy, Qt::white);
    setCentralWidget(central);

    PageControl1 = new QTabWidget(central);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setStyleSheet(QString::fromLatin1(kTabStyle));
    TabSheet1 = new QWidget;
    TabSheet2 = new QWidget;
    TabSheet3 = new QWidget;
    TabSheet4 = new QWidget;
    int n = 1;
    for (QWidget* page : {TabSheet1, TabSheet2, TabSheet3, TabSheet4}) {
        page->setObjectName(QStringLiteral("TabSheet%1").arg(n++));
        Paint(page, kTeal, Qt::white);
    }
    PageControl1->addTab(TabSheet1, QStringLiteral("Income and Expenses"));
    PageControl1->addTab(TabSheet2, QStringLiteral("Report Generation"));
    PageControl1->addTab(TabSheet3, QStringLiteral("Program Setup"));
    PageControl1->addTab(TabSheet4, QStringLiteral("File Maintenance"));

    buildIncomeExpenseTab();
    buildReportTab();
    buildSetupTab();
    buildMaintenanceTab();

    // The progress box has its place below the tabs whether shown or not, so showing it never
    // moves the tabs.
    auto* progressArea = new QWidget(central);
    progressArea->setObjectName(QStringLiteral("ProgressArea"));
    progressArea->setFixedHeight(44);
    ProgressBox = new QGroupBox(progressArea);
    ProgressBox->setObjectName(QStringLiteral("ProgressBox"));
    ProgressBox->setStyleSheet(QStringLiteral(
        "QGroupBox { color: white; font-weight: bold; border: 1px solid #8090c0; border-radius: "
        "3px;"
        " margin-top: 8px; } QGroupBox::title { subcontrol-origin: margin; left: 8px; }"));
    ProgressBar1 = new QProgressBar(ProgressBox);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    auto* boxLayout = new QVBoxLayout(ProgressBox);
    boxLayout->setContentsMargins(8, 12, 8, 6);
    boxLayout->addWidget(ProgressBar1);
    auto* areaLayout = new QVBoxLayout(progressArea);
    areaLayout->setContentsMargins(0, 0, 0, 0);
    areaLayout->addWidget(ProgressBox);
    ProgressBox->hide();

    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 6, 6, 4);
    layout->setSpacing(4);
    layout->addWidget(PageControl1, 1);
    layout->addWidget(progressArea);

    buildMenus();

    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [this] { ShowHelpTopic(HelpTopicForFocus()); });

    resize(523, 321);
}

void TFormMain::buildIncomeExpenseTab() {
    QWidget* page = TabSheet1;
    BtnIncome = PictureButton(page, "BtnIncome", Picture::Income, QStringLiteral("Income"),
                              QStringLiteral("Add, Edit or Delete Income"), true);
    BtnExpense = PictureButton(page, "BtnExpense", Picture::Expense, QStringLiteral("Expenses"),
                               QStringLiteral("Add, Edit or Delete Expenses"), true);
    BtnAccountI = PictureButton(page, "BtnAccountI", Picture::IncomeAccounts,
                                QStringLiteral("Income Accounts"),
                                QStringLiteral("Setup Income Accounts (classifications)"), false);
    BtnAccountE = PictureButton(page, "BtnAccountE", Picture::ExpenseAccounts,
                                QStringLiteral("Expense Accounts"),
                                QStringLiteral("Setup Expense Accounts (Classifications)"), false);
    BtnFolders = PictureButton(page, "BtnFolders", Picture::Folders, QStringLiteral("Folders"),
                               QStringLiteral("Setup Folders (Income/Expense Groups)"), false);
    BtnImport = PictureButton(
        page, "BtnImport", Picture::Import, QStringLiteral("Import Payments"),
        QStringLiteral("Import Income Data from Kelvane's Dwelan or Ulvenir program."), false);
    BtnRateChange =
        PictureButton(page, "BtnRateChange", Picture::RateChange, QStringLiteral("Rate Change"),
                      QStringLiteral("Adjust rate based expense amounts."), false);
    LabelFolder = Caption(page, "LabelFolder", QStringLiteral("Default Folder"));
    // The label keeps its whole text when the combo box claims the row.
    LabelFolder->setMinimumWidth(LabelFolder->sizeHint().width());
    FolderCBox = new TDropDownList(page);
    FolderCBox->setObjectName(QStringLiteral("FolderCBox"));
    FolderCBox->setToolTip(QStringLiteral("Change to limit view to a single folder"));
    FolderCBox->setMinimumWidth(220);
    FolderCBox->addItem(QStringLiteral("  -1 - No Default"));
    BtnHelpIncExp = HelpButton(page, "BtnHelpIncExp");

    auto* side = new QVBoxLayout;
    side->setSpacing(3);
    for (QToolButton* b : {BtnAccountI, BtnAccountE, BtnFolders, BtnImport, BtnRateChange})
        side->addWidget(b);
    side->addStretch();
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(8, 8, 8, 6);
    grid->setHorizontalSpacing(8);
    grid->addWidget(BtnIncome, 0, 0);
    grid->addWidget(BtnExpense, 0, 1);
    grid->addLayout(side, 0, 2);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(LabelFolder);
    bottom->addSpacing(6);
    bottom->addWidget(FolderCBox, 1);
    bottom->addSpacing(12);
    bottom->addWidget(BtnHelpIncExp);
    grid->addLayout(bottom, 1, 0, 1, 3);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(2, 4);

    connect(BtnIncome, &QToolButton::clicked, this, &TFormMain::BtnIncomeClick);
    connect(BtnExpense, &QToolButton::clicked, this, &TFormMain::BtnExpenseClick);
    connect(BtnAccountI, &QToolButton::clicked, this, &TFormMain::BtnAccountIClick);
    connect(BtnAccountE, &QToolButton::clicked, this, &TFormMain::BtnAccountEClick);
    connect(BtnFolders, &QToolButton::clicked, this, &TFormMain::BtnFoldersClick);
    connect(BtnImport, &QToolButton::clicked, this, &TFormMain::BtnImportClick);
    connect(BtnRateChange, &QToolButton::clicked, this, &TFormMain::BtnRateChangeClick);
    connect(FolderCBox, &QComboBox::currentIndexChanged, this, &TFormMain::FolderCBoxChange);
    connect(BtnHelpIncExp, &QToolButton::clicked, this, [] { ShowHelpTopic(500); });

}

void TFormMain::buildReportTab() {
    QWidget* page = TabSheet2;
    BtnExpRpt =
        PictureButton(page, "BtnExpRpt", Picture::ExpenseReport, QStringLiteral("Expense Reports"),
                      QStringLiteral("Expense summary, details and chart of accounts"), true);
    BtnIncRpt =
        PictureButton(page, "BtnIncRpt", Picture::IncomeReport, QStringLiteral("Income Reports"),
                      QStringLiteral("Income summary, details and chart of accounts"), true);
    BtnProfRpt =
        PictureButton(page, "BtnProfRpt", Picture::ProfitReport, QStringLiteral("Profit Reports"),
                      QStringLiteral("Weekly or monthly profit"), false);
    BtnGLRpt = PictureButton(page, "BtnGLRpt", Picture::Ledger, QStringLiteral("General Ledger"),
                             QStringLiteral("General ledger of the report period"), false);
    BtnChartRpt =
        PictureButton(page, "BtnChartRpt", Picture::Charts, QStringLiteral("Charts"),
                      QStringLiteral("Monthly profit and totals by account as charts"), false);
    LabelFrom = Caption(page, "LabelFrom", QStringLiteral("Report From:"));
    MaskEdit1 = MaskField(page, "MaskEdit1", DateEditMask(), 84);
    MaskEdit1->setToolTip(QStringLiteral("First day of the report period"));
    LabelThrough = Caption(page, "LabelThrough", QStringLiteral("Through:"));
    MaskEdit2 = MaskField(page, "MaskEdit2", DateEditMask(), 84);
    MaskEdit2->setToolTip(QStringLiteral("Last day of the report period"));
    BtnHelpReports = HelpButton(page, "BtnHelpReports");

    PopupExpRpt = new QMenu(this);
    PopupExpRpt->setObjectName(QStringLiteral("PopupExpRpt"));
    AddReportEntry(PopupExpRpt, "Expense &Summary", "expense-summary");
    AddReportEntry(PopupExpRpt, "Expense &Detail", "expense-detail");
    AddReportEntry(PopupExpRpt, "&Account Detail", "expense-account-detail");
    AddReportEntry(PopupExpRpt, "&Chart of Accounts", "expense-chart");
    PopupIncRpt = new QMenu(this);
    PopupIncRpt->setObjectName(QStringLiteral("PopupIncRpt"));
    AddReportEntry(PopupIncRpt, "Income &Summary", "income-summary");
    AddReportEntry(PopupIncRpt, "Income &Detail", "income-detail");
    AddReportEntry(PopupIncRpt, "&Account Detail", "income-account-detail");
    AddReportEntry(PopupIncRpt, "&Chart of Accounts", "income-chart");
    PopupProfRpt = new QMenu(this);
    PopupProfRpt->setObjectName(QStringLiteral("PopupProfRpt"));
    AddReportEntry(PopupProfRpt, "&Weekly Profit", "weekly-profit");
    AddReportEntry(PopupProfRpt, "&Monthly Profit", "monthly-profit");
    PopupCharts = new QMenu(this);
    PopupCharts->setObjectName(QStringLiteral("PopupCharts"));
    AddChartEntry(PopupCharts, "&Monthly Profit", "monthly-profit");
    AddChartEntry(PopupCharts, "&Expenses by Account", "expenses-by-account");
    AddChartEntry(PopupCharts, "&Income by Account", "income-by-account");

    auto* side = new QVBoxLayout;
    side->setSpacing(3);
    side->addWidget(BtnProfRpt);
    side->addWidget(BtnGLRpt);
    side->addWidget(BtnChartRpt);
    side->addStretch();
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(8, 8, 8, 6);
    grid->setHorizontalSpacing(8);
    grid->addWidget(BtnExpRpt, 0, 0);
    grid->addWidget(BtnIncRpt, 0, 1);
    grid->addLayout(side, 0, 2);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(LabelFrom);
    bottom->addWidget(MaskEdit1);
    bottom->addSpacing(10);
    bottom->addWidget(LabelThrough);
    bottom->addWidget(MaskEdit2);
    bottom->addStretch();
    bottom->addWidget(BtnHelpReports);
    grid->addLayout(bottom, 1, 0, 1, 3);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(2, 4);

    connect(BtnExpRpt, &QToolButton::clicked, this, &TFormMain::BtnExpRptClick);
    connect(BtnIncRpt, &QToolButton::clicked, this, &TFormMain::BtnIncRptClick);
    connect(BtnProfRpt, &QToolButton::clicked, this, &TFormMain::BtnProfRptClick);
    connect(BtnGLRpt, &QToolButton::clicked, this, &TFormMain::BtnGLRptClick);
    connect(BtnChartRpt, &QToolButton::clicked, this, &TFormMain::BtnChartRptClick);
    connect(MaskEdit1, &QLineEdit::textChanged, this, &TFormMain::MaskEdit1Change);
    connect(MaskEdit1, &TMaskEdit::fieldExit, this, &TFormMain::MaskEdit1Exit);
    connect(MaskEdit2, &QLineEdit::textChanged, this, &TFormMain::MaskEdit2Change);
    connect(MaskEdit2, &TMaskEdit::fieldExit, this, &TFormMain::MaskEdit2Exit);
    connect(BtnHelpReports, &QToolButton::clicked, this, [] { ShowHelpTopic(600); });
}

void TFormMain::buildSetupTab() {
    QWidget* page = TabSheet3;
    BtnFont = new QPushButton(PictureIcon(Picture::Font), QStringLiteral("Report Font"), page);
    BtnFont->setObjectName(QStringLiteral("BtnFont"));
    BtnFont->setToolTip(QStringLiteral("Change font used in reports."));
    BtnFont->setIconSize(QSize(22, 22));
    BtnFont->setMinimumWidth(130);
    Edit1 = new QLineEdit(page);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setReadOnly(true);
    Edit1->setFocusPolicy(Qt::ClickFocus);
    BtnPSetup = new QPushButton(PictureIcon(Picture::Printer), QStringLiteral("Page Setup"), page);
    BtnPSetup->setObjectName(QStringLiteral("BtnPSetup"));
    BtnPSetup->setToolTip(QStringLiteral("Change page layout/printer."));
    BtnPSetup->setIconSize(QSize(22, 22));
    BtnPSetup->setMinimumWidth(130);
    Edit2 = new QLineEdit(page);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setReadOnly(true);
    Edit2->setFocusPolicy(Qt::ClickFocus);

    GroupBox1 = new QGroupBox(QStringLiteral("  Fiscal Year Setup  "), page);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    LabelMonth = Caption(GroupBox1, "LabelMonth", QStringLiteral("Start Month:"));
    MaskEdit3 = MaskField(GroupBox1, "MaskEdit3", QStringLiteral("!99;1;_"), 40);
    MaskEdit3->setToolTip(QStringLiteral("Month in which the fiscal year begins (1 to 12)"));
    LabelDay = Caption(GroupBox1, "LabelDay", QStringLiteral("Start Day:"));
    MaskEdit4 = MaskField(GroupBox1, "MaskEdit4", QStringLiteral("!99;1;_"), 40);
    MaskEdit4->setToolTip(QStringLiteral("Day of that month on which the fiscal year begins"));
    auto* fiscal = new QHBoxLayout(GroupBox1);
    fiscal->setContentsMargins(12, 10, 12, 10);
    fiscal->addWidget(LabelMonth);
    fiscal->addWidget(MaskEdit3);
    fiscal->addSpacing(24);
    fiscal->addWidget(LabelDay);
    fiscal->addWidget(MaskEdit4);
    fiscal->addStretch();
    BtnHelpSetup = HelpButton(page, "BtnHelpSetup");

    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(10, 12, 10, 6);
    grid->setVerticalSpacing(10);
    grid->addWidget(BtnFont, 0, 0);
    grid->addWidget(Edit1, 0, 1);
    grid->addWidget(BtnPSetup, 1, 0);
    grid->addWidget(Edit2, 1, 1);
    grid->addWidget(GroupBox1, 2, 0, 1, 2);
    grid->setRowStretch(3, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(BtnHelpSetup);
    grid->addLayout(bottom, 4, 0, 1, 2);

    connect(BtnFont, &QPushButton::clicked, this, &TFormMain::BtnFontClick);
    connect(BtnPSetup, &QPushButton::clicked, this, &TFormMain::BtnPSetupClick);
    connect(MaskEdit3, &TMaskEdit::fieldExit, this, &TFormMain::MaskEdit3Exit);
    connect(MaskEdit4, &TMaskEdit::fieldExit, this, &TFormMain::MaskEdit4Exit);
    connect(BtnHelpSetup, &QToolButton::clicked, this, [] { ShowHelpTopic(300); });
}

void TFormMain::buildMaintenanceTab() {
    QWidget* page = TabSheet4;
    BtnBackup = PictureButton(page, "BtnBackup", Picture::Backup, QStringLiteral("Backup"),
                              QStringLiteral("Backup Data Files"), false);
    BtnRestore = PictureButton(page, "BtnRestore", Picture::Restore, QStringLiteral("Restore"),
                               QStringLiteral("Restore Data from Backup"), false);
    BtnArchive = PictureButton(page, "BtnArchive", Picture::Archive, QStringLiteral("Archive"),
                               QStringLiteral("Archive Old Data Records"), false);
    BtnDeArchive =
        PictureButton(page, "BtnDeArchive", Picture::DeArchive, QStringLiteral("De-Archive"),
                      QStringLiteral("Restore data records from Archive"), false);
    BtnReIndex =
        PictureButton(page, "BtnReIndex", Picture::Reindex, QStringLiteral("Rebuild Index"),
                      QStringLiteral("Rebuild Index Files"), false);
    BtnPack = PictureButton(page, "BtnPack", Picture::Pack, QStringLiteral("Pack Files"),
                            QStringLiteral("Physically remove deleted records."), false);
    BtnEraseData = PictureButton(page, "BtnEraseData", Picture::Erase, QStringLiteral("Erase Data"),
                                 QStringLiteral("Use to clear sample data."), false);
    BtnUpgrade = PictureButton(page, "BtnUpgrade", Picture::Upgrade, QStringLiteral("Upgrade"),
                               QStringLiteral("Import Version 3 or 4 data."), false);
    BtnHelpMaint = HelpButton(page, "BtnHelpMaint");

    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(10, 12, 10, 6);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    QToolButton* const order[4][2] = {{BtnBackup, BtnRestore},
                                      {BtnArchive, BtnDeArchive},
                                      {BtnReIndex, BtnPack},
                                      {BtnEraseData, BtnUpgrade}};
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 2; ++column) grid->addWidget(order[row][column], row, column);
    grid->setRowStretch(4, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(BtnHelpMaint);
    grid->addLayout(bottom, 5, 0, 1, 2);

    connect(BtnBackup, &QToolButton::clicked, this, &TFormMain::BtnBackupClick);
    connect(BtnRestore, &QToolButton::clicked, this, &TFormMain::BtnRestoreClick);
    connect(BtnArchive, &QToolButton::clicked, this, &TFormMain::BtnArchiveClick);
    connect(BtnDeArchive, &QToolButton::clicked, this, &TFormMain::BtnDeArchiveClick);
    connect(BtnReIndex, &QToolButton::clicked, this, &TFormMain::BtnReIndexClick);
    connect(BtnPack, &QToolButton::clicked, this, &TFormMain::BtnPackClick);
    connect(BtnEraseData, &QToolButton::clicked, this, &TFormMain::BtnEraseDataClick);
    connect(BtnUpgrade, &QToolButton::clicked, this, &TFormMain::BtnUpgradeClick);
    connect(BtnHelpMaint, &QToolButton::clicked, this, [] { ShowHelpTopic(400); });

}

void TFormMain::buildMenus() {
    MenuFile = menuBar()->addMenu(QStringLiteral("&File"));
    MenuFile->setObjectName(QStringLiteral("MenuFile"));
    MenuImportStatement = MenuFile->addAction(QStringLiteral("Import &Statement..."));
    MenuImportStatement->setObjectName(QStringLiteral("MenuImportStatement"));
    MenuFile->addSeparator();
    MenuExit = MenuFile->addAction(QStringLiteral("&Exit"));
    MenuExit->setObjectName(QStringLiteral("MenuExit"));
    MenuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    MenuHelp->setObjectName(QStringLiteral("MenuHelp"));
    MenuAbout = MenuHelp->addAction(QStringLiteral("&About"));
    MenuAbout->setObjectName(QStringLiteral("MenuAbout"));
    MenuHelp->addSeparator();
    MenuHelpContents = MenuHelp->addAction(QStringLiteral("&Help"));
    MenuHelpContents->setObjectName(QStringLiteral("MenuHelpContents"));
    connect(MenuImportStatement, &QAction::triggered, this, &TFormMain::MenuImportStatementClick);
    connect(MenuExit, &QAction::triggered, this, &TFormMain::MenuExitClick);
    connect(MenuAbout, &QAction::triggered, this, &TFormMain::MenuAboutClick);
    connect(MenuHelpContents, &QAction::triggered, this, &TFormMain::MenuHelpClick);
}

}  // namespace kvl
