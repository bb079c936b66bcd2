// The database commands against a real SQLite file through the ODBC driver manager.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "framework/odbc.h"
#include "library_access.h"
#include "testing_support/database.h"
#include "testing_support/files.h"

namespace fscmd_tests {
namespace {

using testing_support::ScratchFolder;
using testing_support::SqliteConnectString;

// A fresh copy of the library (so fresh slots) and a database file made with the framework's own classes,
// which take the commas the commands' argument texts cannot carry.
class DatabaseCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library_.loaded());
    // A run that was cut short may have left a file of the same name behind.
    ::DeleteFileW((folder_ / L"test.db").c_str());
    connect_ = SqliteConnectString(folder_ / L"test.db");
    framework::DBError error = setup_.OpenEx(connect_);
    ASSERT_FALSE(error) << Utf8(error->errorText());
  }

  void Execute(const std::wstring& sql) {
    framework::DBError error = setup_.ExecuteSQL(sql);
    ASSERT_FALSE(error) << Utf8(error->errorText());
  }

  void MakePeople() {
    Execute(L"CREATE TABLE people (id INTEGER, name VARCHAR(40), born DATE, seen TIMESTAMP, note TEXT, at TIME)");
    Execute(L"INSERT INTO people VALUES (1, 'Ada, Countess', '2004-03-05', '2004-03-05 14:07:09', 'first', "
            L"'08:09:10')");
    Execute(L"INSERT INTO people VALUES (2, 'Grace', NULL, '1999-12-31 23:59:58', NULL, NULL)");
  }

  std::wstring Call(const char* name, const std::wstring& args) { return library_.Call(name, args); }
  std::wstring Open(int slot) { return Call("FSDBOpen", std::to_wstring(slot) + L"," + connect_); }

  ScratchFolder folder_{L"fscmd-db"};
  LoadedLibrary library_{folder_.path()};
  std::wstring connect_;
  framework::CDatabase setup_;
};

TEST_F(DatabaseCommands, SlotsOutsideOneToTenAndMissingFieldsAreRefused) {
  EXPECT_EQ(Call("FSDBOpen", L"11," + connect_), L",-102");
  EXPECT_EQ(Call("FSDBOpen", L"0," + connect_), L",-102");
  EXPECT_EQ(Call("FSDBOpen", L""), L",-101");
  EXPECT_EQ(Call("FSDBClose", L"11"), L",-102");
  EXPECT_EQ(Call("FSDBClose", L""), L",-101");
  EXPECT_EQ(Call("FSDBDoSQL", L"11,SELECT 1"), L",-102");
  EXPECT_EQ(Call("FSDBDoSQL", L"1"), L",-101");
  EXPECT_EQ(Call("FSDBMoveNext", L"-1"), L",-102");
  EXPECT_EQ(Call("FSDBMoveNext", L""), L",-101");
  EXPECT_EQ(Call("FSDBGetFieldVal", L"11,0,v"), L"\t-102");
  EXPECT_EQ(Call("FSDBGetFieldVal", L"1"), L"\t-101");
  EXPECT_EQ(Call("FSDBGetFieldType", L"12,0,v"), L",-102");
  EXPECT_EQ(Call("FSDBGetFieldName", L"1"), L",-101");
  EXPECT_EQ(Call("FSDBExecSQL", L"11,DELETE FROM x"), L",-102");
  EXPECT_EQ(Call("FSDBExecSQL", L"1"), L",-101");
}

TEST_F(DatabaseCommands, ASlotNeverOpenedHasNothingToRun) {
  EXPECT_EQ(Call("FSDBExecSQL", L"3,CREATE TABLE t (a INTEGER)"), L",-103");
  EXPECT_EQ(Call("FSDBDoSQL", L"3,SELECT 1"), L",-103");
  EXPECT_EQ(Call("FSDBMoveNext", L"3"), L",-103");
  EXPECT_EQ(Call("FSDBGetFieldVal", L"3,0,v"), L"\t-103");
  EXPECT_EQ(Call("FSDBGetFieldVal", L"3,name,v"), L"\t-103");
  EXPECT_EQ(Call("FSDBGetFieldType", L"3,0,v"), L",-103");
  EXPECT_EQ(Call("FSDBGetFieldName", L"3,0,v"), L",-103");
  EXPECT_EQ(Call("FSDBClose", L"3"), L",0");
}

TEST_F(DatabaseCommands, AQueryIsWalkedRowByRowFieldByField) {
  MakePeople();
  EXPECT_EQ(Open(2), L",0");
  EXPECT_EQ(Call("FSDBDoSQL", L"2,SELECT * FROM people ORDER BY id"), L",6");
  EXPECT_EQ(Call("FSDBGetFieldName", L"2,1,col"), L",0,2,1,name");
  EXPECT_EQ(Call("FSDBGetFieldName", L"2,6,col"), L",-102");
  EXPECT_EQ(Call("FSDBGetFieldName", L"2,-1,col"), L",-102");
  EXPECT_EQ(Call("FSDBGetFieldVal", L"2,0,v"), L"\t0\t2\t0\t1");
  // The tab separator lets a value carry commas; names are found in any letter case.
  EXPECT_EQ(Call("FSDBGetFieldVal", L"2,NAME,v"), L"\t1\t2\tNAME\tAda, Countess");
  EXPECT_EQ(Call("FSDBGetFieldVal", L"2,Born,v"), L"\t2\t2\tBorn\t2004/03/05");
  EXPECT_EQ(Call("FSDBGetFieldVal", L"2,3,v"), L"\t3\t2\t3\t2004/03/05 14:07 09");
  EXPECT_EQ(Call("FSDBGetFieldVal", L"2,note,v"), L"\t4\t2\tnote\tfirst");
  // Reading a value twice or out of order gives the same text.
  EXPECT_EQ(Call("FSDBGetFieldVal", L"2,1,v"), L"\t1\t2\t1\tAda, Countess");
  EXPECT_EQ(Call("FSDBGetFieldVal", L"2,6,v"), L"\t-102");
  EXPECT_EQ(Call("FSDBGetFieldVal", L"2,-1,v"), L"\t-102");
  EXPECT_EQ(Call("FSDBGetFieldVal", L"2,missing,v"), L"\t-107");
  EXPECT_EQ(Call("FSDBGetFieldType", L"2,missing,v"), L",-107");

  EXPECT_EQ(Call("FSDBMoveNext", L"2"), L",0");
  EXPECT_EQ(Call("FSDBGetFieldVal", L"2,id,v"), L"\t0\t2\tid\t2");
  // Null values, dates among them, read as empty texts.
  EXPECT_EQ(Call("FSDBGetFieldVal", L"2,born,v"), L"\t2\t2\tborn\t");
  EXPECT_EQ(Call("FSDBGetFieldVal", L"2,note,v"), L"\t4\t2\tnote\t");
  EXPECT_EQ(Call("FSDBGetFieldVal", L"2,seen,v"), L"\t3\t2\tseen\t1999/12/31 23:59 58");
  EXPECT_EQ(Call("FSDBMoveNext", L"2"), L",-106");
  EXPECT_EQ(Call("FSDBMoveNext", L"2"), L",-106");

  EXPECT_EQ(Call("FSDBClose", L"2"), L",0");
  EXPECT_EQ(Call("FSDBMoveNext", L"2"), L",-103");
  EXPECT_EQ(Call("FSDBExecSQL", L"2,DELETE FROM people"), L",-103");
}

TEST_F(DatabaseCommands, ColumnTypesHaveTheirNames) {
  MakePeople();
  EXPECT_EQ(Open(1), L",0");
  EXPECT_EQ(Call("FSDBDoSQL", L"1,SELECT * FROM people"), L",6");
  EXPECT_EQ(Call("FSDBGetFieldType", L"1,id,t"), L",0,1,id,INTEGER");
  EXPECT_EQ(Call("FSDBGetFieldType", L"1,1,t"), L",1,1,1,VARCHAR");
  EXPECT_EQ(Call("FSDBGetFieldType", L"1,born,t"), L",2,1,born,DATETIME");
  EXPECT_EQ(Call("FSDBGetFieldType", L"1,seen,t"), L",3,1,seen,TIMESTAMP");
  // A long text column reports a negative type.
  EXPECT_EQ(Call("FSDBGetFieldType", L"1,note,t"), L",4,1,note,UNKNOWN_TYPE");
  EXPECT_EQ(Call("FSDBGetFieldType", L"1,at,t"), L",5,1,at,TIME");
  EXPECT_EQ(Call("FSDBGetFieldType", L"1,6,t"), L",-102");
}

TEST_F(DatabaseCommands, AQueryWithoutRowsLeavesNoQuery) {
  MakePeople();
  EXPECT_EQ(Open(4), L",0");
  EXPECT_EQ(Call("FSDBDoSQL", L"4,SELECT * FROM people"), L",6");
  EXPECT_EQ(Call("FSDBDoSQL", L"4,SELECT * FROM people WHERE id > 5"), L",0");
  EXPECT_EQ(Call("FSDBGetFieldVal", L"4,0,v"), L"\t-103");
  EXPECT_EQ(Call("FSDBGetFieldName", L"4,0,v"), L",-103");
  EXPECT_EQ(Call("FSDBMoveNext", L"4"), L",-103");
  // A statement without a result set is no query either.
  EXPECT_EQ(Call("FSDBDoSQL", L"4,DELETE FROM people WHERE id = 2"), L",0");
  EXPECT_EQ(Call("FSDBGetFieldVal", L"4,0,v"), L"\t-103");
}

TEST_F(DatabaseCommands, StatementsChangeTheDatabase) {
  EXPECT_EQ(Open(10), L",0");
  EXPECT_EQ(Call("FSDBExecSQL", L"10,CREATE TABLE notes (body TEXT)"), L",0");
  EXPECT_EQ(Call("FSDBExecSQL", L"10,INSERT INTO notes VALUES ('hello')"), L",0");
  EXPECT_EQ(Call("FSDBExecSQL", L"10,UPDATE notes SET body = 'none' WHERE body = 'other'"), L",0");
  EXPECT_EQ(Call("FSDBDoSQL", L"10,SELECT * FROM notes"), L",1");
  EXPECT_EQ(Call("FSDBGetFieldVal", L"10,body,v"), L"\t0\t10\tbody\thello");
  // Opening the slot again closes the connection and its query first.
  EXPECT_EQ(Open(10), L",0");
  EXPECT_EQ(Call("FSDBMoveNext", L"10"), L",-103");
  EXPECT_EQ(Call("FSDBOpen", L"10," + connect_ + L",0"), L",0");
  EXPECT_EQ(Call("FSDBOpen", L"10," + connect_ + L",30"), L",0");
  EXPECT_EQ(Call("FSDBDoSQL", L"10,SELECT * FROM notes"), L",1");
}

TEST_F(DatabaseCommands, FailuresShowTheStepAndAnswerMinus105) {
  MakePeople();
  EXPECT_EQ(Open(5), L",0");
  {
    DialogCloser closer(L"E:Open()", IDOK);
    EXPECT_EQ(Call("FSDBDoSQL", L"5,SELEKT * FROM people"), L",-105");
    EXPECT_TRUE(closer.pressed());
    EXPECT_EQ(closer.text().rfind(L"Error 0xffffffff : ", 0), 0u) << Utf8(closer.text());
    EXPECT_NE(closer.text().find(L"SELEKT"), std::wstring::npos) << Utf8(closer.text());
  }
  {
    DialogCloser closer(L"E:GetFieldVal()", IDOK);
    EXPECT_EQ(Call("FSDBExecSQL", L"5,DROP TABLE nothing_here"), L",-105");
    EXPECT_TRUE(closer.pressed());
    EXPECT_NE(closer.text().find(L"nothing_here"), std::wstring::npos) << Utf8(closer.text());
  }
  // The connection stays usable after a failure.
  EXPECT_EQ(Call("FSDBDoSQL", L"5,SELECT * FROM people"), L",6");
  EXPECT_EQ(Call("FSDBGetFieldVal", L"5,id,v"), L"\t0\t5\tid\t1");
}

TEST_F(DatabaseCommands, ADateColumnHoldingNoDateReadsAsEmpty) {
  Execute(L"CREATE TABLE odd (born DATE)");
  Execute(L"INSERT INTO odd VALUES ('not a date at all')");
  EXPECT_EQ(Open(3), L",0");
  EXPECT_EQ(Call("FSDBDoSQL", L"3,SELECT * FROM odd"), L",1");
  EXPECT_EQ(Call("FSDBGetFieldVal", L"3,born,v"), L"\t0\t3\tborn\t");
}

TEST_F(DatabaseCommands, AnErrorAboutALongStatementStaysInsideTheMessageBuffer) {
  EXPECT_EQ(Open(6), L",0");
  std::wstring table(3000, L'q');
  DialogCloser closer(L"E:Open()", IDOK);
  EXPECT_EQ(Call("FSDBDoSQL", L"6,SELECT * FROM " + table), L",-105");
  EXPECT_TRUE(closer.pressed());
  EXPECT_LE(closer.text().size(), 1023u);
  EXPECT_EQ(closer.text().rfind(L"Error 0xffffffff : ", 0), 0u) << Utf8(closer.text().substr(0, 80));
}

TEST_F(DatabaseCommands, AFailedOpenLeavesTheSlotClosedAndUsable) {
  EXPECT_EQ(Open(7), L",0");
  {
    DialogCloser closer(L"E:OpenDB()", IDOK);
    EXPECT_EQ(Call("FSDBOpen", L"7,DRIVER={No Such Driver};Database=x"), L",-105");
    EXPECT_TRUE(closer.pressed());
    EXPECT_EQ(closer.text().rfind(L"Error 0xffffffff : ", 0), 0u) << Utf8(closer.text());
  }
  EXPECT_EQ(Call("FSDBExecSQL", L"7,CREATE TABLE t (a INTEGER)"), L",-103");
  EXPECT_EQ(Call("FSDBClose", L"7"), L",0");
  EXPECT_EQ(Open(7), L",0");
  EXPECT_EQ(Call("FSDBExecSQL", L"7,CREATE TABLE t (a INTEGER)"), L",0");
}

TEST_F(DatabaseCommands, AnEmptyConnectStringAsksTheDriverManager) {
  // Without a data source the driver manager asks the user; Wine's has no such dialog and refuses at once,
  // which the library reports like any other failed open. Whatever box comes up is closed.
  DialogCloser closer(L"E:OpenDB()", IDOK);
  EXPECT_EQ(Call("FSDBOpen", L"8"), L",-105");
  EXPECT_TRUE(closer.pressed());
  EXPECT_EQ(Call("FSDBExecSQL", L"8,SELECT 1"), L",-103");
}

TEST_F(DatabaseCommands, AOneMegabyteTextReadsBackWhole) {
  std::wstring text;
  for (int i = 0; text.size() < (1u << 20); ++i) text += std::to_wstring(i) + L' ';
  // SQLite keeps any length in a column declared short, which the driver then reports as short.
  Execute(L"CREATE TABLE big (body TEXT, label VARCHAR(20))");
  Execute(L"INSERT INTO big VALUES ('" + text + L"', '" + text + L"')");
  EXPECT_EQ(Open(9), L",0");
  EXPECT_EQ(Call("FSDBDoSQL", L"9,SELECT * FROM big"), L",2");
  for (const wchar_t* column : {L"0", L"1", L"0"}) {
    std::wstring answer = Call("FSDBGetFieldVal", L"9," + std::wstring(column) + L",v");
    EXPECT_EQ(answer.size(), text.size() + 7);
    EXPECT_TRUE(answer == L"\t" + std::wstring(column) + L"\t9\t" + column + L"\t" + text)
        << Utf8(answer.substr(0, 40));
  }
}

}  // namespace
}  // namespace fscmd_tests
