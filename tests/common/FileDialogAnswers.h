// Answers the next file dialog as a user would, noting what it offered (its title, name filters
// and default suffix): it first wanders to another directory, so that the program must restore
// the current directory itself, then chooses a file in the directory given, or cancels.
#pragma once

#include <QDir>
#include <QFileDialog>
#include <QStringList>

#include "common/NextModal.h"

namespace kvltest {

struct FileDialogAnswers {
    QStringList titles, filters, suffixes;

    // Chooses dir/file, or cancels when file is empty.
    void next(const QString& dir, const QString& elsewhere, const QString& file) {
        OnNextModal<QFileDialog>([this, dir, elsewhere, file](QFileDialog* d) {
            titles << d->windowTitle();
            filters << d->nameFilters().join(QLatin1Char(';'));
            suffixes << d->defaultSuffix();
            d->setDirectory(elsewhere);
            if (file.isEmpty()) {
                d->reject();
            } else {
                d->selectFile(QDir(dir).filePath(file));
                static_cast<QDialog*>(d)->accept();
            }
        });
    }
};

}  // namespace kvltest
