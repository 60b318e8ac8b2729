#include "data/dbFiles.h"

#include <QFile>
#include <algorithm>
#include <string>

#include "data/DbUtil.h"
#include "data/Messages.h"
#include "data/TableLayouts.h"
#include "engine/CodePage.h"
#include "engine/Files.h"
#include "engine/NumberText.h"

namespace kvl {

CODE4* cb = nullptr;

DATA4* dbExpenseAccounts = nullptr;
DATA4* dbIncomeAccounts = nullptr;
DATA4* dbFolders = nullptr;
DATA4* dbExpenses = nullptr;
DATA4* dbIncome = nullptr;
DATA4* dbSettings = nullptr;

FIELD4* fAccNo = nullptr;
FIELD4* fAcDesc = nullptr;
FIELD4* fAcDed = nullptr;
TAG4* tagAcc = nullptr;
FIELD4* fIAccNo = nullptr;
FIELD4* fIAcDesc = nullptr;
FIELD4* fIAcDed = nullptr;
TAG4* tagAccI = nullptr;
FIELD4* fFolNo = nullptr;
FIELD4* fFolName = nullptr;
TAG4* tagFol = nullptr;
FIELD4* fExpDate = nullptr;
FIELD4* fCheckNo = nullptr;
FIELD4* fExpAccNo = nullptr;
FIELD4* fExpFolNo = nullptr;
FIELD4* fPayTo = nullptr;
FIELD4* fAmount = nullptr;
FIELD4* fEMemo = nullptr;
FIELD4* fExpArchive = nullptr;
TAG4* tagEDate = nullptr;
TAG4* tagEAcc = nullptr;
FIELD4* fIncAcc = nullptr;
FIELD4* fIncImp = nullptr;
FIELD4* fIncDate = nullptr;
FIELD4* fIncDesc = nullptr;
FIELD4* fIncAmt = nullptr;
FIELD4* fIncFolNo = nullptr;
FIELD4* fIncArchive = nullptr;
TAG4* tagIncDate = nullptr;
TAG4* tagIncAcc = nullptr;
FIELD4* fUName = nullptr;
FIELD4* fFyMonth = nullptr;
FIELD4* fFyDay = nullptr;
FIELD4* fFontName = nullptr;
FIELD4* fFontSize = nullptr;

AccountRecord ExpenseAccountBuffer;
AccountRecord IncomeAccountBuffer;
FolderRecord FolderBuffer;
ExpenseRecord ExpenseBuffer;
IncomeRecord IncomeBuffer;
SettingsRecord Settings;

namespace {

// Settings texts are kept one byte short of their 60-byte fields.
constexpr int kSettingsTextBytes = 59;

DATA4* OpenTable(const TableLayout& layout) {
    DATA4* table = d4open(cb, layout.name);
    if (code4errorCode(cb, 0) < 0 || !table) FailOpen(QString::fromLatin1(layout.failName));
    return table;
}

// A table that lacks a field the program binds would leave a null handle to crash on later, so
// it counts as a table that cannot be opened.
void CheckBound(const TableLayout& layout) {
    if (code4errorCode(cb, 0) < 0) FailOpen(QString::fromLatin1(layout.failName));
}

void CheckTag(const TagLayout& tag, TAG4* handle) {
    if (code4errorCode(cb, 0) < 0 || !handle) FailOpen(QString::fromLatin1(tag.failName));
}

// Puts a table just opened on its first record. A move that fails (a damaged tag) leaves its error
// pending for the caller's next check: the table itself is open.
void MoveToFirst(DATA4* table) {
    (void)d4top(table);
}

bool OpenAccounts(const TableLayout& layout, DATA4*& table, FIELD4*& number, FIELD4*& description,
                  FIELD4*& flag, TAG4*& tag) {
    table = OpenTable(layout);
    number = d4field(table, "AccNo");
    description = d4field(table, "AcDesc");
    flag = d4field(table, "AcDed");
    CheckBound(layout);
    tag = d4tag(table, layout.tags[0].lookupName);
    d4tagSelect(table, tag);
    CheckTag(layout.tags[0], tag);
    MoveToFirst(table);
    return true;
}

void LoadAccount(AccountRecord& buffer, FIELD4* number, FIELD4* description, FIELD4* flag) {
    buffer.number = f4int(number);
    buffer.description = FieldText(description);
    buffer.taxFlag = f4true(flag) == 1;
}

void StoreAccount(const AccountRecord& buffer, FIELD4* number, FIELD4* description, FIELD4* flag) {
    f4assignInt(number, buffer.number);
    AssignText(description, buffer.description);
    AssignBool(flag, buffer.taxFlag);
}

QDate FieldDate(FIELD4* field) {
    return KeyToDate(f4str(field));
}

void AssignDate(FIELD4* field, const QDate& date) {
    char key[9] = {};
    if (DateKeyInto(date, key))
        f4assign(field, key);
    else
        f4assign(field, DateToKey(date).toLatin1().constData());
}

double FieldDouble(FIELD4* field) {
    double value = 0;
    (void)f4double2(field, &value);  // text that is no number reads as 0, as a blank one does
    return value;
}

}  // namespace

QString FieldText(FIELD4* field) {
    const char* raw = f4str(field);
    return QString::fromStdString(xb::Cp1252ToUtf8(raw ? raw : ""));
}

void AssignText(FIELD4* field, const QString& text, int maxBytes) {
    // Only the bytes that fit are made. Plain ASCII, what nearly every field holds, is the same
    // bytes in Windows-1252, one for each character.
    std::size_t room = field->desc().length;
    if (maxBytes >= 0) room = std::min(room, static_cast<std::size_t>(maxBytes));
    thread_local std::string bytes;
    const auto* units = reinterpret_cast<const char16_t*>(text.utf16());
    const auto size = static_cast<std::size_t>(text.size());
    char16_t all = 0;
    for (std::size_t i = 0; i < size; ++i) all |= units[i];
    if (all < 0x80) {
        bytes.assign(std::min(size, room), ' ');
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(units[i]);
    } else {
        bytes = xb::Utf8ToCp1252(text.toStdString());
        if (bytes.size() > room) bytes.resize(room);
    }
    // A NUL would end the text early in the engine's C-string call; it has no place in a field.
    for (char& c : bytes) {
        if (c == '\0') c = ' ';
    }
    f4assign(field, bytes.c_str());
}

void AssignBool(FIELD4* field, bool value) {
    f4assign(field, value ? "T" : "F");
}

void GoToRecord(DATA4* table, long recno) {
    (void)d4go(table, recno);  // its failure is pending, for the test that follows
    error4exitTest(cb);
}

void RefreshRecord(DATA4* table) {
    (void)d4refresh(table);  // the same
    error4exitTest(cb);
}

bool NumberFits(FIELD4* field, double value) {
    std::string text;
    xb::FormatNumber(value, field->desc().length, field->desc().decimals, text);
    return text.find('*') == std::string::npos;
}

void SelectRecordOrder(DATA4* table) {
    code4errTagName(cb, 0);
    TAG4* none = d4tag(table, "");
    code4errTagName(cb, 1);
    d4tagSelect(table, none);
}

int SeekText(DATA4* table, const QString& key) {
    const std::string bytes = xb::Utf8ToCp1252(key.toStdString());
    return d4seek(table, bytes.c_str());
}

bool CheckDataFiles() {
    return CheckDataFilesIn(QStringLiteral("."));
}

bool CheckDataFilesIn(const QString& dir) {
    static const char* const kFiles[] = {"KVL1.dbf",   "ACC.dbf",  "EXP5.dbf",
                                         "FOLDER.dbf", "INC5.dbf", "ACCI.dbf"};
    const std::string base = QFile::encodeName(dir).toStdString();
    for (const char* name : kFiles) {
        if (!xb::FileExists(xb::ResolvePath(base, name))) return false;
    }
    return true;
}

void FailOpen(const QString& fileName) {
    ShowMessage(MsgKind::Information, QStringLiteral("Unable to open file ") + fileName +
                                          QStringLiteral("\r\n") +
                                          QStringLiteral("Program will now terminate."));
    code4exit(cb);
}

bool OpenExpenseAccounts() {
    return OpenAccounts(ExpenseAccountLayout(), dbExpenseAccounts, fAccNo, fAcDesc, fAcDed, tagAcc);
}

bool OpenIncomeAccounts() {
    return OpenAccounts(IncomeAccountLayout(), dbIncomeAccounts, fIAccNo, fIAcDesc, fIAcDed,
                        tagAccI);
}

bool OpenFolders() {
    const TableLayout& layout = FolderLayout();
    dbFolders = OpenTable(layout);
    fFolNo = d4field(dbFolders, "FolNo");
    fFolName = d4field(dbFolders, "FolName");
    CheckBound(layout);
    tagFol = d4tag(dbFolders, layout.tags[0].lookupName);
    d4tagSelect(dbFolders, tagFol);
    CheckTag(layout.tags[0], tagFol);
    MoveToFirst(dbFolders);
    return true;
}

void BindExpenseFields(DATA4* table) {
    dbExpenses = table;
    fExpDate = d4field(table, "ExpDate");
    fCheckNo = d4field(table, "CheckNo");
    fExpAccNo = d4field(table, "AccNo");
    fExpFolNo = d4field(table, "FolNo");
    fPayTo = d4field(table, "PayTo");
    fAmount = d4field(table, "Amount");
    fEMemo = d4field(table, "EMemo");
    fExpArchive = d4field(table, "Archive");
}

void BindIncomeFields(DATA4* table) {
    dbIncome = table;
    fIncAcc = d4field(table, "IncAcc");
    fIncImp = d4field(table, "IncImp");
    fIncDate = d4field(table, "IncDate");
    fIncDesc = d4field(table, "IncDesc");
    fIncAmt = d4field(table, "IncAmt");
    fIncFolNo = d4field(table, "FolNo");
    fIncArchive = d4field(table, "Archive");
}

bool OpenExpenses() {
    const TableLayout& layout = ExpenseLayout();
    BindExpenseFields(OpenTable(layout));
    CheckBound(layout);
    tagEDate = d4tag(dbExpenses, layout.tags[0].lookupName);
    CheckTag(layout.tags[0], tagEDate);
    tagEAcc = d4tag(dbExpenses, layout.tags[1].lookupName);
    CheckTag(layout.tags[1], tagEAcc);
    d4tagSelect(dbExpenses, tagEDate);
    MoveToFirst(dbExpenses);
    return true;
}

bool OpenIncome() {
    const TableLayout& layout = IncomeLayout();
    BindIncomeFields(OpenTable(layout));
    CheckBound(layout);
    tagIncDate = d4tag(dbIncome, layout.tags[0].lookupName);
    CheckTag(layout.tags[0], tagIncDate);
    tagIncAcc = d4tag(dbIncome, layout.tags[1].lookupName);
    CheckTag(layout.tags[1], tagIncAcc);
    d4tagSelect(dbIncome, tagIncDate);
    MoveToFirst(dbIncome);
    return true;
}

bool OpenSettings() {
    const TableLayout& layout = SettingsLayout();
    code4autoOpen(cb, 0);
    dbSettings = d4open(cb, layout.name);
    // Back on before a failure ends the program, so a caller that survives the end (a test)
    // finds the engine in its normal state.
    code4autoOpen(cb, 1);
    if (code4errorCode(cb, 0) < 0 || !dbSettings) FailOpen(QString::fromLatin1(layout.failName));
    fUName = d4field(dbSettings, "UName");
    fFyMonth = d4field(dbSettings, "FyMonth");
    fFyDay = d4field(dbSettings, "FyDay");
    fFontName = d4field(dbSettings, "FontName");
    fFontSize = d4field(dbSettings, "FontSize");
    CheckBound(layout);
    MoveToFirst(dbSettings);
    return true;
}

void LoadExpenseAccountRecord() {
    LoadAccount(ExpenseAccountBuffer, fAccNo, fAcDesc, fAcDed);
}
void StoreExpenseAccountRecord() {
    StoreAccount(ExpenseAccountBuffer, fAccNo, fAcDesc, fAcDed);
}
void LoadIncomeAccountRecord() {
    LoadAccount(IncomeAccountBuffer, fIAccNo, fIAcDesc, fIAcDed);
}
void StoreIncomeAccountRecord() {
    StoreAccount(IncomeAccountBuffer, fIAccNo, fIAcDesc, fIAcDed);
}

void LoadAccountRecord(char mode) {
    if (mode == 'I' || mode == 'i')
        LoadIncomeAccountRecord();
    else
        LoadExpenseAccountRecord();
}

void StoreAccountRecord(char mode) {
    if (mode == 'I' || mode == 'i')
        StoreIncomeAccountRecord();
    else
        StoreExpenseAccountRecord();
}

void LoadFolderRecord() {
    FolderBuffer.number = f4int(fFolNo);
    FolderBuffer.name = FieldText(fFolName);
}

void StoreFolderRecord() {
    f4assignInt(fFolNo, FolderBuffer.number);
    AssignText(fFolName, FolderBuffer.name);
}

void LoadExpenseRecord() {
    ExpenseBuffer.date = FieldDate(fExpDate);
    ExpenseBuffer.checkNo = f4long(fCheckNo);
    ExpenseBuffer.account = f4int(fExpAccNo);
    ExpenseBuffer.folder = f4int(fExpFolNo);
    ExpenseBuffer.payTo = FieldText(fPayTo);
    ExpenseBuffer.amount = FieldDouble(fAmount);
    ExpenseBuffer.memo = FieldText(fEMemo);
    ExpenseBuffer.archived = f4true(fExpArchive) == 1;
}

void StoreExpenseRecord() {
    AssignDate(fExpDate, ExpenseBuffer.date);
    f4assignLong(fCheckNo, ExpenseBuffer.checkNo);
    f4assignInt(fExpAccNo, ExpenseBuffer.account);
    f4assignInt(fExpFolNo, ExpenseBuffer.folder);
    AssignText(fPayTo, ExpenseBuffer.payTo);
    f4assignDouble(fAmount, ExpenseBuffer.amount);
    AssignText(fEMemo, ExpenseBuffer.memo);
    AssignBool(fExpArchive, ExpenseBuffer.archived);
}

void LoadIncomeRecord() {
    IncomeBuffer.account = f4int(fIncAcc);
    IncomeBuffer.imported = f4true(fIncImp) == 1;
    IncomeBuffer.date = FieldDate(fIncDate);
    IncomeBuffer.description = FieldText(fIncDesc);
    IncomeBuffer.amount = FieldDouble(fIncAmt);
    IncomeBuffer.folder = f4int(fIncFolNo);
    IncomeBuffer.archived = f4true(fIncArchive) == 1;
}

void StoreIncomeRecord() {
    f4assignInt(fIncAcc, IncomeBuffer.account);
    AssignBool(fIncImp, IncomeBuffer.imported);
    AssignDate(fIncDate, IncomeBuffer.date);
    AssignText(fIncDesc, IncomeBuffer.description);
    f4assignDouble(fIncAmt, IncomeBuffer.amount);
    f4assignInt(fIncFolNo, IncomeBuffer.folder);
    AssignBool(fIncArchive, IncomeBuffer.archived);
}

void LoadSettings() {
    Settings.userName = FieldText(fUName);
    Settings.fyMonth = f4int(fFyMonth);
    Settings.fyDay = f4int(fFyDay);
    Settings.fontName = FieldText(fFontName);
    Settings.fontSize = f4int(fFontSize);
}

void StoreSettings() {
    AssignText(fUName, Settings.userName, kSettingsTextBytes);
    f4assignInt(fFyMonth, Settings.fyMonth);
    f4assignInt(fFyDay, Settings.fyDay);
    AssignText(fFontName, Settings.fontName, kSettingsTextBytes);
    f4assignInt(fFontSize, Settings.fontSize);
}

void WriteSettings() {
    OpenSettings();
    const bool appended = d4recCountDo(dbSettings) != 0 || d4appendBlank(dbSettings) == 0;
    StoreSettings();
    const bool closed = d4close(dbSettings) == 0;
    dbSettings = nullptr;
    // A failed append or close ends the program with its message: settings are not lost in silence.
    if (!appended || !closed) error4exitTest(cb);
}

}  // namespace kvl
