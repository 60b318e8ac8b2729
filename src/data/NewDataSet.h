// Creating a new data set: the six tables with their layouts, the five index groups and the one
// settings record, empty or holding a sample business.
//
// The program itself never creates tables; kvl-cli new and the tests do it through here. Creation
// refuses, writing nothing, when any of the six table files already exists in the directory; a
// creation that fails part way removes the files it made. The sample is a small landscaping firm:
// four folders, a dozen expense accounts (owner draws and personal spending not deductible), four
// income accounts (one not taxable), and about two years of expenses and income up to
// kvl::Today(), with records on the first of every month, so every report of the current month and
// year has data.
#pragma once

#include <QString>

namespace kvl {

struct NewDataSetOptions {
    QString userName;  // stored in the settings record
    bool sample = false;
};

// Creates dir when needed, then the data set. False with the reason in *message.
bool CreateDataSet(const QString& dir, const NewDataSetOptions& options, QString* message);

// The same, holding dir's lock meanwhile so that no other writer starts on tables being made:
// what kvl-cli new and the program's first start from the menu run.
bool CreateDataSetLocked(const QString& dir, const NewDataSetOptions& options, QString* message);

// The user name the sample books carry when none is given.
QString SampleBusinessName();

}  // namespace kvl
