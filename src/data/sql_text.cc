#include "data/sql_text.h"

#include <cmath>

namespace tolvern::data {

std::string QuotedName(std::string_view name) {
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string CreateTableSql(const TableSchema& schema) {
  std::string sql = "CREATE TABLE " + QuotedName(schema.name) + " (";
  for (size_t i = 0; i < schema.columns.size(); ++i) {
    const Column& column = schema.columns[i];
    sql += i ? ",\n  " : "\n  ";
    sql += QuotedName(column.name) + " " + SqlTypeText(column);
    if (column.not_null) sql += " NOT NULL";
    if (column.default_value) {
      sql += " DEFAULT ";
      AppendLiteral(*column.default_value, &sql);
    }
  }
  if (!schema.primary_key.empty()) {
    sql += ",\n  PRIMARY KEY (";
    for (size_t i = 0; i < schema.primary_key.size(); ++i)
      sql += (i ? ", " : "") + QuotedName(schema.columns[schema.primary_key[i]].name);
    sql += ")";
  }
  return sql + "\n)";
}

std::string CreateIndexSql(const TableSchema& schema, const TableIndex& index) {
  std::string sql = index.unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ";
  sql += QuotedName(index.name) + " ON " + QuotedName(schema.name) + " (";
  for (size_t i = 0; i < index.columns.size(); ++i) {
    sql += (i ? ", " : "") + QuotedName(schema.columns[index.columns[i]].name);
    if (i < index.descending.size() && index.descending[i]) sql += " DESC";
  }
  return sql + ")";
}

std::string InsertPrefix(const TableSchema& schema) {
  std::string sql = "INSERT INTO " + QuotedName(schema.name) + " (";
  for (size_t i = 0; i < schema.columns.size(); ++i)
    sql += (i ? ", " : "") + QuotedName(schema.columns[i].name);
  return sql + ") VALUES (";
}

std::string_view StoredText(const std::string& text) {
  std::string_view view = text;
  return view.substr(0, view.find('\0'));
}

void AppendLiteral(const Value& value, std::string* sql) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  switch (value.kind) {
    case ValueKind::kNull:
      *sql += "NULL";
      return;
    case ValueKind::kInteger:
      *sql += std::to_string(value.integer);
      return;
    case ValueKind::kReal:
      *sql += std::isfinite(value.real) ? ShortestDecimal(value.real) : "NULL";
      return;
    case ValueKind::kDecimal:
      *sql += value.text;
      return;
    case ValueKind::kBoolean:
      *sql += value.integer ? "TRUE" : "FALSE";
      return;
    case ValueKind::kText:
      *sql += '\'';
      for (char c : StoredText(value.text)) {
        if (c == '\'') *sql += '\'';
        *sql += c;
      }
      *sql += '\'';
      return;
    case ValueKind::kBlob:
      *sql += "X'";
      for (char c : value.text) {
        auto b = static_cast<unsigned char>(c);
        *sql += kHex[b >> 4];
        *sql += kHex[b & 15];
      }
      *sql += '\'';
      return;
  }
}

}  // namespace tolvern::data
