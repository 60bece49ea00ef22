#pragma once

#include "store/database.h"

#include <QString>
#include <gtest/gtest.h>

#include <initializer_list>

// Every row the queries return, as text, to compare a database before and after a write.
inline QString queryRows(store::Database& db, std::initializer_list<const char*> queries) {
    QString all;
    for (const char* sql : queries) {
        store::RecordSet rs = db.query(sql);
        for (int r = 0; r < rs.count(); ++r) {
            for (int c = 0; c < rs.fieldCount(); ++c)
                all += rs.valueAt(r, c).toString() + '|';
            all += '\n';
        }
    }
    return all;
}

// Runs a write with the Nth statement failing, for every N until the write completes; each
// failure must leave snapshot() exactly as it was. Returns how many statements the write takes.
template <class Snapshot, class Write>
int failAtEveryStatement(store::Database& db, Snapshot snapshot, Write write) {
    const QString before = snapshot();
    for (int n = 1; n < 10000; ++n) {
        db.failStatementAfter(n);
        try {
            write();
        } catch (const store::StoreError&) {
            db.failStatementAfter(0);
            EXPECT_EQ(snapshot(), before) << "statement " << n;
            continue;
        }
        db.failStatementAfter(0);
        return n - 1;
    }
    return -1;
}
