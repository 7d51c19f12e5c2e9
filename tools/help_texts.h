// The --help texts of tolvo and its commands.
#pragma once

#include <string>

namespace tolvo::tool {

extern const char* const kMainHelp;
extern const char* const kEncodeHelp;
extern const char* const kTagHelp;
extern const char* const kTagShowHelp;
extern const char* const kTagSetHelp;
extern const char* const kTagRemoveHelp;
extern const char* const kGenresHelp;
extern const char* const kAboutHelp;
extern const char* const kRegisterHelp;
extern const char* const kUnregisterHelp;

// The help of a command by its name ("encode", "tag set", "" for the general help); nullptr for
// a name that is no command.
const char* HelpFor(const char* command);
inline const char* HelpFor(const std::string& command) { return HelpFor(command.c_str()); }

}  // namespace tolvo::tool
