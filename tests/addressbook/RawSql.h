// Address-book files changed as another program would change them: SQL run on the file directly,
// with none of the library's guards.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

namespace abiftest {

inline void runSql(const std::string& file, const std::string& statements) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, statements.c_str(), nullptr, nullptr, &error), SQLITE_OK)
        << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

} // namespace abiftest
