// A small validator for the subset of JSON Schema the report's schema uses:
// type, enum, required, properties, additionalProperties (false or a
// schema), items, oneOf and local $ref. It returns the first violation as "path: problem", or "".
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace tolvern::testing {

std::string ValidateJson(const nlohmann::json& value, const nlohmann::json& schema,
                         const nlohmann::json& root, const std::string& path = "$");

}  // namespace tolvern::testing
