// The tag field options ("--title T", … "--encoded-by E") as "tag set" and "encode" take them,
// checked against the control's genre list and written into an MP3's tags.
#pragma once

#include <span>
#include <string>

#include "command_line.h"
#include "control_session.h"

namespace tolvo::tool {

// The field options, each taking a value.
std::span<const OptionRule> TagFieldOptions();

// Whether any field option was given.
bool HasTagFields(const ParsedArguments& arguments);

// Checks the values the tags cannot take (a year that is not four digits, a track number beyond
// 255, an ID3v1 genre not in the list) before anything is written; "" when fine, else the
// message (a usage error).
std::string CheckTagFields(ControlSession& session, const ParsedArguments& arguments, bool v1);

// Merges the given fields into the ID3v1 and/or ID3v2 tag of `path` (absolute). "" when written,
// else what failed, without the file's name. Warnings about text ID3v1 could not hold name
// `file` (as the user named it) on standard error, unless the arguments ask for quiet.
std::string WriteTagFields(ControlSession& session, const std::string& file,
                           const std::string& path, const ParsedArguments& arguments, bool v1,
                           bool v2);

}  // namespace tolvo::tool
