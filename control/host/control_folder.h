// ControlFolder: the control's own folder with a trailing '/', written by MP3Class::Init. One copy
// per thread that hosts controls, shared by the control instances living on that thread; the ID3v2
// write and remove methods hand it to the engine as the place for their temporary file.
#pragma once

#include <string>

namespace tolvo::control {

// This thread's ControlFolder; empty until an Init on this thread has set it.
const std::u16string& ControlFolder();
void SetControlFolder(std::u16string folderWithSeparator);

}  // namespace tolvo::control
