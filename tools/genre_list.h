// The ID3v1 genre list as the control delivers it (through its ID3v1GenreList event), and the
// lookup of a genre given on the command line by name or number.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "control_session.h"
#include "tolvo/engine/interface1.h"

namespace tolvo::tool {

// The names in index order (the last " " for no genre), asked of the control once per session;
// empty with *error on failure.
std::vector<std::string> FetchGenreNames(ControlSession& session, std::string* error);

// The index of a genre given as a number (0..147) or a name (letter case ignored); nullopt for
// anything else.
std::optional<int> FindGenre(const std::vector<std::string>& names, const std::string& given);

}  // namespace tolvo::tool
