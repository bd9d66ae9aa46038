// The advice for a table name that names a Paradox or dBASE table file,
// which the data must leave for the new database.
#pragma once

#include <string>
#include <string_view>

namespace tolvern {

// The advice for a table name that names a Paradox (.DB) or dBASE (.DBF)
// file, letter case ignored: value is the name's text, quoted or not (an
// expression ending in such a name counts too); "" for any other name.
std::string TableFileAdvice(std::string_view value);

// The file name (without its folder) of the first Paradox or dBASE table
// file a text names in a string ("Table1.TableName := Dir + 'Cust.db'"
// gives "Cust.db"); "" when it names none.
std::string TableFileNamed(std::string_view text);

}  // namespace tolvern
