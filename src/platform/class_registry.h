// The registry of component classes that forms may be converted to: a lookup
// by class name (letter case ignored) that yields the class's published
// property names.
#pragma once

#include <string>
#include <vector>

namespace tolvern {

struct ComponentClass {
  std::string name;
  std::vector<std::string> published;  // property and event names

  bool HasProperty(const std::string& property) const;
};

void RegisterClass(ComponentClass cls);
// The registered class of that name, or null.
const ComponentClass* GetClass(const std::string& name);
void UnregisterAllClasses();

}  // namespace tolvern
