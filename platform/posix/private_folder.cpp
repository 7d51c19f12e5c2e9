// mkdtemp behind MakePrivateFolder: the folder is created with mode 0700 under a name no other
// process can have chosen.
#include "tolvo/platform/private_folder.h"

#include <stdlib.h>

#include <cerrno>
#include <vector>

namespace tolvo::platform {

IoStatus MakePrivateFolder(const std::string& parent, const char* prefix, std::string* path) {
  std::string pattern = parent + "/" + prefix + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!::mkdtemp(name.data())) return IoStatus{errno};
  *path = name.data();
  return IoStatus{};
}

}  // namespace tolvo::platform
