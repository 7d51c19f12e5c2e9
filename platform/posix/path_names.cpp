// Path names as text, elements separated by '/'.
#include "tolvo/platform/path_names.h"

#include <vector>

namespace tolvo::platform {
namespace {

constexpr char kSeparator = '/';

bool AllSeparators(const std::string& path) {
  return !path.empty() && path.find_first_not_of(kSeparator) == std::string::npos;
}

// The last element: empty after a trailing separator.
std::string FileName(const std::string& path) {
  const size_t slash = path.rfind(kSeparator);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Where the extension's dot is in a file name; npos when it has none.
size_t ExtensionDot(const std::string& name) {
  if (name == "." || name == "..") return std::string::npos;
  const size_t dot = name.rfind('.');
  return dot == 0 ? std::string::npos : dot;
}

}  // namespace

std::string ParentPath(const std::string& path) {
  if (path.empty() || AllSeparators(path)) return path;
  size_t end = path.size();
  if (path.back() != kSeparator) {
    const size_t slash = path.rfind(kSeparator);
    if (slash == std::string::npos) return {};
    end = slash + 1;
  }
  while (end > 0 && path[end - 1] == kSeparator) --end;
  return end == 0 ? std::string(1, kSeparator) : path.substr(0, end);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || (!name.empty() && name.front() == kSeparator)) return name;
  if (folder.back() == kSeparator) return folder + name;
  return folder + kSeparator + name;
}

std::string NormalPath(const std::string& path) {
  if (path.empty()) return {};
  const bool absolute = path.front() == kSeparator;
  std::vector<std::string> kept;
  bool endsInFolder = path.back() == kSeparator;
  size_t at = 0;
  while (at < path.size()) {
    size_t end = path.find(kSeparator, at);
    if (end == std::string::npos) end = path.size();
    const std::string element = path.substr(at, end - at);
    at = end + 1;
    if (element.empty()) continue;
    endsInFolder = end == path.size() ? (element == "." || element == "..") : endsInFolder;
    if (element == ".") continue;
    if (element == "..") {
      if (!kept.empty() && kept.back() != "..") {
        kept.pop_back();
      } else if (!absolute) {
        kept.push_back(element);
      }
      continue;
    }
    kept.push_back(element);
  }
  std::string normal = absolute ? std::string(1, kSeparator) : std::string();
  for (size_t i = 0; i < kept.size(); ++i) {
    if (i > 0) normal += kSeparator;
    normal += kept[i];
  }
  if (normal.empty()) return ".";
  if (endsInFolder && !kept.empty() && kept.back() != "..") normal += kSeparator;
  return normal;
}

std::string PathStem(const std::string& path) {
  const std::string name = FileName(path);
  return name.substr(0, ExtensionDot(name));
}

std::string PathExtension(const std::string& path) {
  const std::string name = FileName(path);
  const size_t dot = ExtensionDot(name);
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

}  // namespace tolvo::platform
