#include "data/sql_text.h"

#include <gtest/gtest.h>

namespace tolvern::data {
namespace {

TEST(SqlTextTest, LiteralsOfEveryKind) {
  struct Case {
    Value value;
    std::string sql;
  };
  const std::vector<Case> cases = {
      {Value::Null(), "NULL"},
      {Value::Integer(-2147483648LL), "-2147483648"},
      {Value::Real(0.1), "0.1"},
      {Value::Real(1e300 * 1e300), "NULL"},  // no infinity in SQL
      {Value::Decimal("-1234.50"), "-1234.50"},
      {Value::Boolean(true), "TRUE"},
      {Value::Text("It's"), "'It''s'"},
      {Value::Text("two\nlines; -- not a comment"), "'two\nlines; -- not a comment'"},
      {Value::Text(std::string("cut\0here", 8)), "'cut'"},
      {Value::Blob(std::string("\0\x01\xAB\xFF", 4)), "X'0001ABFF'"},
      {Value::Blob(""), "X''"},
  };
  for (const Case& c : cases) {
    std::string sql;
    AppendLiteral(c.value, &sql);
    EXPECT_EQ(sql, c.sql);
  }
}

TEST(SqlTextTest, CreateTableQuotesNamesAndKeepsTheKeyOrder) {
  TableSchema schema;
  schema.name = "Order \"Items\"";
  schema.columns = {{"Id", "AutoInc", SqlType::kInteger, 0, 0, true},
                    {"Line", "Short", SqlType::kSmallint},
                    {"Price", "BCD", SqlType::kDecimal, 32, 2},
                    {"Name", "Alpha", SqlType::kVarchar, 40}};
  schema.primary_key = {1, 0};
  EXPECT_EQ(CreateTableSql(schema),
            "CREATE TABLE \"Order \"\"Items\"\"\" (\n"
            "  \"Id\" INTEGER NOT NULL,\n"
            "  \"Line\" SMALLINT,\n"
            "  \"Price\" DECIMAL(32,2),\n"
            "  \"Name\" VARCHAR(40),\n"
            "  PRIMARY KEY (\"Line\", \"Id\")\n"
            ")");
  EXPECT_EQ(InsertPrefix(schema),
            "INSERT INTO \"Order \"\"Items\"\"\" (\"Id\", \"Line\", \"Price\", \"Name\") VALUES (");
}

TEST(SqlTextTest, DefaultsAreLiteralsAndIndexesKeepTheirOrderAndDirection) {
  TableSchema schema;
  schema.name = "t";
  schema.columns = {{"a", "Alpha", SqlType::kVarchar, 4}, {"b\"", "Short", SqlType::kSmallint}};
  schema.columns[0].not_null = true;
  schema.columns[0].default_value = Value::Text("it's");
  schema.columns[1].default_value = Value::Integer(-3);
  EXPECT_EQ(CreateTableSql(schema),
            "CREATE TABLE \"t\" (\n"
            "  \"a\" VARCHAR(4) NOT NULL DEFAULT 'it''s',\n"
            "  \"b\"\"\" SMALLINT DEFAULT -3\n"
            ")");
  TableIndex index{"t_x", {1, 0}, {true, false}, false};
  EXPECT_EQ(CreateIndexSql(schema, index), "CREATE INDEX \"t_x\" ON \"t\" (\"b\"\"\" DESC, \"a\")");
  index.unique = true;
  EXPECT_EQ(CreateIndexSql(schema, index),
            "CREATE UNIQUE INDEX \"t_x\" ON \"t\" (\"b\"\"\" DESC, \"a\")");
}

}  // namespace
}  // namespace tolvern::data
