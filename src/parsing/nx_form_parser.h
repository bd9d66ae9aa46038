// The form parser for the Nexa target classes. Every top-level property of an
// object is converted by the rule its mapping profile gives for it: kept,
// dropped, renamed (with its value mapped, or looked up as a database name),
// or converted by code (database login parameters, command texts). A property
// without a rule stays when the target class publishes it.
#pragma once

#include <memory>

#include "parsing/form_parser.h"
#include "parsing/mapping_profile.h"
#include "parsing/source_families.h"

namespace tolvern {

class TNXFormParser : public TFormParser {
 public:
  // Without a profile: both built-in profiles' conversions.
  explicit TNXFormParser(StateClass state_class = StateClassOf<TFormParseState>())
      : TNXFormParser(BuiltinConversions(), std::move(state_class)) {}
  explicit TNXFormParser(std::shared_ptr<const MappingProfile> profile,
                         StateClass state_class = StateClassOf<TFormParseState>())
      : TFormParser(std::move(state_class)), profile_(std::move(profile)) {}

  const MappingProfile& Profile() const { return *profile_; }

 protected:
  void ConvertProperty(std::string_view name, std::string_view value) override;
  const ComponentClass* TargetClass(const std::string& name) const override;

 private:
  void Rename(const PropertyRule& rule, std::string_view value);
  void RunCode(const std::string& code, std::string_view value);
  void LoginParams(std::string_view value);

  std::shared_ptr<const MappingProfile> profile_;
};

}  // namespace tolvern
