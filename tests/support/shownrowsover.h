#pragma once

#include "error.h"
#include "recordsetmodel.h"
#include "shownrowsmodel.h"
#include "testcatalogue.h"

#include <QAbstractItemModelTester>
#include <QStringList>

#include <vector>

// A row map over the model of a whole catalogue, with Qt's model tester watching
// every signal it sends: what the tests of filtering and ordering start from.
struct ShownRowsOver {
    explicit ShownRowsOver(const TestCatalogue::Books& books = TestCatalogue::sampleBooks) : catalogue(books) {}

    QString cell(int row, int column) const { return view.index(row, column).data().toString(); }
    // The iddorvo of each row on show, "*" for the new-row line.
    QStringList ids() const
    {
        QStringList shown;
        for (int row = 0; row < view.rowCount(); ++row)
            shown << (view.isNewRowLine(row) ? QStringLiteral("*") : cell(row, 0));
        return shown;
    }

    TestCatalogue catalogue;
    std::vector<catalogue::Error> errors;
    RecordsetModel model{openRecordset(catalogue.path(), "select * from dorvi;"),
                         [this](const catalogue::Error& e) { errors.push_back(e); }};
    ShownRowsModel view{model};
    QAbstractItemModelTester tester{&view, QAbstractItemModelTester::FailureReportingMode::Fatal};
};
