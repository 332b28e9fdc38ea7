// The scenario language as JSON, from the player's command table and message catalogue: what the
// editor grammar and the reference checks read instead of the sources.
#pragma once

#include <string>

namespace vellaro::lint {

// {"words": [{"word", "kind", "items": [{"kind", "name", "message", "words"}]}],
//  "messages": [{"name", "text"}], "itemNames": [{"name", "text"}]}
std::string languageJson();

}  // namespace vellaro::lint
