#pragma once

#include "store/database.h"

#include <QString>
#include <gtest/gtest.h>

#include <initializer_list>
#include <type_traits>

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
// failure must leave snapshot() exactly as it was. Returns how many statements the write takes
// (-1 when it never completes).
//
// A write fails by throwing store::StoreError, or, when it reports instead of throwing, by
// returning false (it checks what it reported itself). The write that completes runs with its
// last statement + 1 still set to fail, so whatever it runs after its last write (a reload)
// meets the fault; the caller looks at that afterwards.
template <class Snapshot, class Write>
int failAtEveryStatement(store::Database& db, Snapshot snapshot, Write write) {
    const auto before = snapshot();
    for (int n = 1; n < 10000; ++n) {
        SCOPED_TRACE(testing::Message() << "statement " << n);
        db.failStatementAfter(n);
        bool completed = true;
        try {
            if constexpr (std::is_same_v<std::invoke_result_t<Write>, bool>)
                completed = write();
            else
                write();
        } catch (const store::StoreError&) {
            completed = false;
        }
        db.failStatementAfter(0);
        if (completed)
            return n - 1;
        EXPECT_EQ(snapshot(), before);
    }
    return -1;
}
