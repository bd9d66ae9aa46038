#include "json_schema.h"

namespace tolvern::testing {

namespace {
bool HasType(const nlohmann::json& v, const std::string& type) {
  if (type == "object") return v.is_object();
  if (type == "array") return v.is_array();
  if (type == "string") return v.is_string();
  if (type == "integer") return v.is_number_integer();
  if (type == "number") return v.is_number();
  if (type == "boolean") return v.is_boolean();
  return false;
}
}  // namespace

std::string ValidateJson(const nlohmann::json& value, const nlohmann::json& schema,
                         const nlohmann::json& root, const std::string& path) {
  if (schema.contains("$ref")) {
    std::string ref = schema["$ref"];  // "#/definitions/x"
    return ValidateJson(value, root["definitions"][ref.substr(ref.rfind('/') + 1)], root, path);
  }
  if (schema.contains("oneOf")) {
    int matches = 0;
    for (const auto& alternative : schema["oneOf"])
      matches += ValidateJson(value, alternative, root, path).empty() ? 1 : 0;
    if (matches != 1) return path + ": matches " + std::to_string(matches) + " of oneOf";
  }
  if (schema.contains("type") && !HasType(value, schema["type"]))
    return path + ": not of type " + schema["type"].get<std::string>();
  if (schema.contains("enum")) {
    bool found = false;
    for (const auto& e : schema["enum"]) found = found || e == value;
    if (!found) return path + ": " + value.dump() + " is not one of " + schema["enum"].dump();
  }
  if (value.is_object()) {
    for (const auto& r : schema.value("required", nlohmann::json::array()))
      if (!value.contains(r.get<std::string>())) return path + ": missing " + r.get<std::string>();
    const auto props = schema.value("properties", nlohmann::json::object());
    for (auto it = value.begin(); it != value.end(); ++it) {
      if (!props.contains(it.key())) {
        const auto extra = schema.value("additionalProperties", nlohmann::json(true));
        if (extra == false) return path + ": unexpected property " + it.key();
        if (!extra.is_object()) continue;
        std::string err = ValidateJson(it.value(), extra, root, path + "." + it.key());
        if (!err.empty()) return err;
        continue;
      }
      std::string err = ValidateJson(it.value(), props[it.key()], root, path + "." + it.key());
      if (!err.empty()) return err;
    }
  }
  if (value.is_array() && schema.contains("items")) {
    for (size_t i = 0; i < value.size(); ++i) {
      std::string err =
          ValidateJson(value[i], schema["items"], root, path + "[" + std::to_string(i) + "]");
      if (!err.empty()) return err;
    }
  }
  return "";
}

}  // namespace tolvern::testing
