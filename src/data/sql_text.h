// The SQL both writers share: quoted names, the CREATE TABLE statement, and
// values as literals for the script.
#pragma once

#include <string>
#include <string_view>

#include "data/field_value.h"

namespace tolvern::data {

// A name in double quotes, any double quote in it doubled.
std::string QuotedName(std::string_view name);

// CREATE TABLE with each column's type, NOT NULL and DEFAULT where the
// table says so, and the primary key; no statement terminator.
std::string CreateTableSql(const TableSchema& schema);

// CREATE [UNIQUE] INDEX "name" ON "table" ("a", "b" DESC); no terminator.
std::string CreateIndexSql(const TableSchema& schema, const TableIndex& index);

// INSERT INTO "t" ("a", "b") VALUES ( -- the start every row's statement shares.
std::string InsertPrefix(const TableSchema& schema);

// The text a value stores: up to its first NUL character, which neither an
// SQL literal nor most databases' text can hold.
std::string_view StoredText(const std::string& text);

// Appends the value as an SQL literal: NULL, 12, -1.5, 'It''s', X'00FF',
// TRUE.
void AppendLiteral(const Value& value, std::string* sql);

}  // namespace tolvern::data
