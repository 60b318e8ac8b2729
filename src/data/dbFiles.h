// The program's tables as it uses them: the engine handle, the table, field and tag handles, the
// open routines, the one-record buffers with their load and store routines, and text conversion at
// the boundary.
//
// The tables live in the current directory and are opened by their bare names. An open routine
// opens one table (with its index group, except the settings table), binds its handles, selects its
// default tag and moves to the first record; on any failure it shows "Unable to open file <name>"
// and ends the program, so a caller that gets control back has valid handles. Handles stay valid
// until the next code4close or d4close of their table. Texts cross the boundary as QString: field
// bytes are Windows-1252, read at full width (blank-padded), and text stored into a field is cut
// to the field width in those bytes. `cb` must be set (code4initP) before any open routine runs.
#pragma once

#include <QDate>
#include <QString>

#include "data/CodeBase.h"

namespace kvl {

// The engine handle for the whole run.
extern CODE4* cb;

// Tables, valid while open.
extern DATA4* dbExpenseAccounts;  // ACC
extern DATA4* dbIncomeAccounts;   // ACCI
extern DATA4* dbFolders;          // FOLDER
extern DATA4* dbExpenses;         // EXP5
extern DATA4* dbIncome;           // INC5
extern DATA4* dbSettings;         // KVL1

// ACC fields and tag.
extern FIELD4* fAccNo;
extern FIELD4* fAcDesc;
extern FIELD4* fAcDed;
extern TAG4* tagAcc;
// ACCI fields and tag (same layout as ACC).
extern FIELD4* fIAccNo;
extern FIELD4* fIAcDesc;
extern FIELD4* fIAcDed;
extern TAG4* tagAccI;
// FOLDER fields and tag.
extern FIELD4* fFolNo;
extern FIELD4* fFolName;
extern TAG4* tagFol;
// EXP5 fields and tags.
extern FIELD4* fExpDate;
extern FIELD4* fCheckNo;
extern FIELD4* fExpAccNo;
extern FIELD4* fExpFolNo;
extern FIELD4* fPayTo;
extern FIELD4* fAmount;
extern FIELD4* fEMemo;
extern FIELD4* fExpArchive;
extern TAG4* tagEDate;  // date order, selected on open
extern TAG4* tagEAcc;   // account order
// INC5 fields and tags.
extern FIELD4* fIncAcc;
extern FIELD4* fIncImp;
extern FIELD4* fIncDate;
extern FIELD4* fIncDesc;
extern FIELD4* fIncAmt;
extern FIELD4* fIncFolNo;
extern FIELD4* fIncArchive;
extern TAG4* tagIncDate;  // date order, selected on open
extern TAG4* tagIncAcc;   // account order
// KVL1 fields.
extern FIELD4* fUName;
extern FIELD4* fFyMonth;
extern FIELD4* fFyDay;
extern FIELD4* fFontName;
extern FIELD4* fFontSize;

// One-record buffers.
struct AccountRecord {
    int number = 0;
    QString description;   // raw, blank-padded when loaded
    bool taxFlag = false;  // deductible (expense chart) or taxable (income chart)
};

struct FolderRecord {
    int number = 0;
    QString name;
};

struct ExpenseRecord {
    QDate date;  // null: no date
    long checkNo = 0;
    int account = 0;
    int folder = 0;
    QString payTo;
    double amount = 0;
    QString memo;
    bool archived = false;
};

struct IncomeRecord {
    int account = 0;
    QDate date;
    QString description;
    double amount = 0;
    int folder = 0;
    bool imported = false;
    bool archived = false;
};

struct SettingsRecord {
    QString userName;
    int fyMonth = 1;
    int fyDay = 1;
    QString fontName;
    int fontSize = 0;
};

extern AccountRecord ExpenseAccountBuffer;
extern AccountRecord IncomeAccountBuffer;
extern FolderRecord FolderBuffer;
extern ExpenseRecord ExpenseBuffer;
extern IncomeRecord IncomeBuffer;
extern SettingsRecord Settings;

// True when all six table files exist in the current directory (names matched ignoring case).
bool CheckDataFiles();
// The same for dir.
bool CheckDataFilesIn(const QString& dir);

// Shows "Unable to open file <fileName>" and ends the program.
[[noreturn]] void FailOpen(const QString& fileName);

bool OpenExpenseAccounts();
bool OpenIncomeAccounts();
bool OpenFolders();
bool OpenExpenses();
bool OpenIncome();
bool OpenSettings();  // the table alone, at its first record
// Points dbExpenses or dbIncome and the table's field handles at table, an EXP5 or INC5 opened
// elsewhere (a staged copy); a missing field leaves e4fieldName pending. The tags are not bound.
void BindExpenseFields(DATA4* table);
void BindIncomeFields(DATA4* table);

// Loading reads every field of the current record into the buffer; storing assigns every field of
// the current record from it (the engine writes the record when the table moves, refreshes or
// closes).
void LoadExpenseAccountRecord();
void StoreExpenseAccountRecord();
void LoadIncomeAccountRecord();
void StoreIncomeAccountRecord();
// The chart by the account editor's mode: 'E' expense accounts, 'I' income accounts.
void LoadAccountRecord(char mode);
void StoreAccountRecord(char mode);
void LoadFolderRecord();
void StoreFolderRecord();
void LoadExpenseRecord();
void StoreExpenseRecord();
void LoadIncomeRecord();
void StoreIncomeRecord();
void LoadSettings();
void StoreSettings();  // each text cut to 59 characters
// OpenSettings, StoreSettings, d4close. An empty settings table gets its record first, so that
// settings are never dropped silently.
void WriteSettings();

// The field's raw text at full width, as Unicode.
QString FieldText(FIELD4* field);
// The text in Windows-1252, cut to maxBytes (when not negative) and then to the field's width.
void AssignText(FIELD4* field, const QString& text, int maxBytes = -1);
void AssignBool(FIELD4* field, bool value);
// Whether the engine can store value in the numeric field: a number too wide for it would be
// stored as asterisks, which read back as no amount at all.
bool NumberFits(FIELD4* field, double value);
// Selects record-number order on table: the lookup of an empty tag name, with the tag-name error
// turned off around it, gives "no tag".
void SelectRecordOrder(DATA4* table);
// Moves table to a record the caller knows to exist; a failure ends the program (error4exitTest):
// a record that cannot be reached leaves nothing sound to change or show.
void GoToRecord(DATA4* table, long recno);
// Writes a pending change of the current record; a failure ends the program the same way.
void RefreshRecord(DATA4* table);
// Seeks a key given as Unicode text (d4seek's results).
[[nodiscard]] int SeekText(DATA4* table, const QString& key);

}  // namespace kvl
