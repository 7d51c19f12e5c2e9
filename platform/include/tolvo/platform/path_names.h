// Pure text rules for POSIX path names: parent, joining, lexical normal form, a name's stem and
// extension. Nothing here touches the file system; the results are those of std::filesystem's
// path operations, except that a run of slashes alone ("//") is the root "/".
#pragma once

#include <string>

namespace tolvo::platform {

// "a/b" -> "a", "/a" -> "/", "a" -> "", "a/b/" -> "a/b", "/" -> "/".
std::string ParentPath(const std::string& path);

// `folder` and `name` with one separator between them; `name` alone when it is absolute or
// `folder` is empty.
std::string JoinPath(const std::string& folder, const std::string& name);

// Without "." elements, with "name/.." pairs taken out and runs of separators made one:
// "/out/../x/./a.mp3" -> "/x/a.mp3", "a/.." -> ".".
std::string NormalPath(const std::string& path);

// The last element without its extension, and the extension with its dot: "d/x.wav" -> "x" and
// ".wav"; a leading dot starts no extension (".wav" -> ".wav" and "").
std::string PathStem(const std::string& path);
std::string PathExtension(const std::string& path);

}  // namespace tolvo::platform
