// The --help texts of tolvo and its commands.
#pragma once

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

}  // namespace tolvo::tool
