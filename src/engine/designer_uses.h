// The uses clause the form designer keeps for links between forms: a form
// whose components refer to a component of another form or data module
// ("Connection = dmNxConnections.conMain") needs that form's unit in its
// unit's implementation uses, or the link may be lost when the form is next
// saved.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tolvern {

// The unit text with each of units named in its implementation section:
// appended to its uses clause (", Unit"), or in a new "uses Unit;" right
// after "implementation". A unit that a uses clause of the text names
// already (the interface's too) is not added, nor one named twice in units.
// The text as it is when there is nothing to add or no implementation.
std::string AddImplementationUses(std::string_view text, const std::vector<std::string>& units,
                                  const std::string& eol);

}  // namespace tolvern
