// New books in a temporary directory, made the current directory for the fixture's life: empty or
// with the sample business, under the user's name. Given a date, the clock stands at it, before
// the sample's entries are dated from it, until the fixture goes. `created` says whether the books
// were made; the directory the test ran in is current again afterwards.
#pragma once

#include <QDir>
#include <QTemporaryDir>

#include "data/Clock.h"
#include "data/NewDataSet.h"

namespace kvl::test {

class DataSetFixture {
  public:
    explicit DataSetFixture(const QString& userName = QStringLiteral("Greenway Landscaping"),
                            bool sample = true, const QDate& today = QDate()) {
        if (today.isValid()) SetToday(today);
        oldDir_ = QDir::currentPath();
        NewDataSetOptions options;
        options.userName = userName;
        options.sample = sample;
        QString message;
        created = dir.isValid() && CreateDataSet(dir.path(), options, &message);
        if (!created) qWarning("data set not created: %s", qPrintable(message));
        QDir::setCurrent(dir.path());
    }
    ~DataSetFixture() {
        QDir::setCurrent(oldDir_);
        SetToday(QDate());
    }

    DataSetFixture(const DataSetFixture&) = delete;
    DataSetFixture& operator=(const DataSetFixture&) = delete;

    QString file(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    bool created = false;

  private:
    QString oldDir_;
};

}  // namespace kvl::test
