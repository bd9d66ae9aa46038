#include "platform/class_registry.h"

#include <memory>

#include "base/ascii_text.h"

namespace tolvern {

namespace {
std::vector<std::unique_ptr<ComponentClass>>& Classes() {
  static std::vector<std::unique_ptr<ComponentClass>> classes;
  return classes;
}
}  // namespace

bool ComponentClass::HasProperty(const std::string& property) const {
  for (const std::string& p : published)
    if (SameText(p, property)) return true;
  return false;
}

void RegisterClass(ComponentClass cls) {
  for (auto& c : Classes())
    if (SameText(c->name, cls.name)) return;  // registered once
  Classes().push_back(std::make_unique<ComponentClass>(std::move(cls)));
}

const ComponentClass* GetClass(const std::string& name) {
  for (auto& c : Classes())
    if (SameText(c->name, name)) return c.get();
  return nullptr;
}

void UnregisterAllClasses() { Classes().clear(); }

}  // namespace tolvern
