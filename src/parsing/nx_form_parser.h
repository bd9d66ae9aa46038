// The form parser for the Nexa target classes: database login parameters,
// transaction isolation levels, and the ADO connection, command and stored
// procedure properties become their Nexa forms; everything else takes the
// general conversion.
#pragma once

#include "parsing/form_parser.h"

namespace tolvern {

class TNXFormParser : public TFormParser {
 public:
  explicit TNXFormParser(StateClass state_class = StateClassOf<TFormParseState>())
      : TFormParser(std::move(state_class)) {}

 protected:
  void ConvertProperty(std::string_view name, std::string_view value) override;
};

}  // namespace tolvern
