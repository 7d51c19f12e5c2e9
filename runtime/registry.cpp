// The per-user class registry as a GLib key file. Each change reads the whole file, edits it and
// writes it back atomically, so a crash never leaves a half-written registry.
#include "tolvo/runtime/registry.h"

#include <glib.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace tolvo::runtime {
namespace {

constexpr const char* kClassGroupPrefix = "CLSID ";
constexpr const char* kProgIdGroupPrefix = "ProgID ";

struct KeyFileFree {
  void operator()(GKeyFile* file) const { g_key_file_free(file); }
};
using KeyFile = std::unique_ptr<GKeyFile, KeyFileFree>;

struct GErrorFree {
  void operator()(GError* error) const { g_error_free(error); }
};
using ErrorPtr = std::unique_ptr<GError, GErrorFree>;

struct GFree {
  void operator()(void* p) const { g_free(p); }
};
using GText = std::unique_ptr<gchar, GFree>;

std::string NonEmptyEnv(const char* name) {
  const char* value = std::getenv(name);
  return (value && *value) ? value : "";
}

// Group names may not hold brackets or line ends.
bool IsUsableProgId(const std::string& progId) {
  if (progId.empty()) return false;
  for (char c : progId) {
    if (c == '[' || c == ']' || static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
}

std::string ClassGroup(const Guid& clsid) { return kClassGroupPrefix + clsid.ToString(); }
std::string ProgIdGroup(const std::string& progId) { return kProgIdGroupPrefix + progId; }

// The registry as it is on disk; an absent file is an empty registry. Null when the file exists
// but cannot be read as a key file: it is then left alone rather than overwritten.
KeyFile Load(const std::string& path) {
  KeyFile file(g_key_file_new());
  GError* raw = nullptr;
  if (g_key_file_load_from_file(file.get(), path.c_str(), G_KEY_FILE_KEEP_COMMENTS, &raw))
    return file;
  ErrorPtr error(raw);
  if (error->domain == G_FILE_ERROR && error->code == G_FILE_ERROR_NOENT) return file;
  return nullptr;
}

HRESULT Save(GKeyFile* file, const std::string& path) {
  GText folder(g_path_get_dirname(path.c_str()));
  if (g_mkdir_with_parents(folder.get(), 0700) != 0) return E_FAIL;
  gsize length = 0;
  GText data(g_key_file_to_data(file, &length, nullptr));
  // g_file_set_contents writes a temporary file beside the target and renames it into place.
  if (!data ||
      !g_file_set_contents(path.c_str(), data.get(), static_cast<gssize>(length), nullptr)) {
    return E_FAIL;
  }
  return S_OK;
}

std::string ReadString(GKeyFile* file, const std::string& group, const char* key) {
  GText value(g_key_file_get_string(file, group.c_str(), key, nullptr));
  return value ? value.get() : "";
}

// "8.0" → 8, 0; false for anything else.
bool ParseVersion(const std::string& text, uint16_t* major, uint16_t* minor) {
  unsigned a = 0, b = 0;
  char extra = 0;
  if (std::sscanf(text.c_str(), "%u.%u%c", &a, &b, &extra) != 2 || a > 0xFFFF || b > 0xFFFF)
    return false;
  *major = static_cast<uint16_t>(a);
  *minor = static_cast<uint16_t>(b);
  return true;
}

}  // namespace

std::string RegistryFilePath() {
  std::string explicitPath = NonEmptyEnv("TOLVO_REGISTRY_FILE");
  if (!explicitPath.empty()) return explicitPath;
  std::string dataHome = NonEmptyEnv("XDG_DATA_HOME");
  // A relative XDG_DATA_HOME is invalid and is to be ignored.
  if (dataHome.empty() || dataHome[0] != '/') {
    std::string home = NonEmptyEnv("HOME");
    if (home.empty()) home = g_get_home_dir();
    dataHome = home + "/.local/share";
  }
  return dataHome + "/tolvo/registry.ini";
}

HRESULT RegisterClass(const ClassRegistration& r) {
  if (!IsUsableProgId(r.progId)) return E_INVALIDARG;
  const std::string path = RegistryFilePath();
  KeyFile file = Load(path);
  if (!file) return E_FAIL;
  GKeyFile* kf = file.get();

  // A class registered earlier under another ProgID loses that ProgID.
  const std::string group = ClassGroup(r.clsid);
  const std::string oldProgId = ReadString(kf, group, "ProgID");
  if (IsUsableProgId(oldProgId) && oldProgId != r.progId &&
      ReadString(kf, ProgIdGroup(oldProgId), "CLSID") == r.clsid.ToString()) {
    g_key_file_remove_group(kf, ProgIdGroup(oldProgId).c_str(), nullptr);
  }
  g_key_file_remove_group(kf, group.c_str(), nullptr);

  const char* g = group.c_str();
  g_key_file_set_string(kf, g, "Name", r.name.c_str());
  g_key_file_set_string(kf, g, "Server", r.serverPath.c_str());
  g_key_file_set_string(kf, g, "ProgID", r.progId.c_str());
  g_key_file_set_string(kf, g, "ThreadingModel", r.threadingModel.c_str());
  g_key_file_set_boolean(kf, g, "Control", r.control);
  g_key_file_set_uint64(kf, g, "MiscStatus", r.miscStatus);
  g_key_file_set_string(kf, g, "ToolboxBitmap", r.toolboxBitmap.c_str());
  g_key_file_set_string(kf, g, "TypeLib", r.typeLibrary.ToString().c_str());
  const std::string version =
      std::to_string(r.typeLibraryMajor) + "." + std::to_string(r.typeLibraryMinor);
  g_key_file_set_string(kf, g, "TypeLibVersion", version.c_str());
  g_key_file_set_string(kf, ProgIdGroup(r.progId).c_str(), "CLSID", r.clsid.ToString().c_str());
  return Save(kf, path);
}

HRESULT UnregisterClass(const Guid& clsid) {
  const std::string path = RegistryFilePath();
  KeyFile file = Load(path);
  if (!file) return E_FAIL;
  GKeyFile* kf = file.get();
  const std::string group = ClassGroup(clsid);
  if (!g_key_file_has_group(kf, group.c_str())) return S_OK;
  const std::string progId = ReadString(kf, group, "ProgID");
  if (IsUsableProgId(progId) && ReadString(kf, ProgIdGroup(progId), "CLSID") == clsid.ToString()) {
    g_key_file_remove_group(kf, ProgIdGroup(progId).c_str(), nullptr);
  }
  g_key_file_remove_group(kf, group.c_str(), nullptr);
  return Save(kf, path);
}

std::optional<ClassRegistration> FindClass(const Guid& clsid) {
  KeyFile file = Load(RegistryFilePath());
  if (!file) return std::nullopt;
  GKeyFile* kf = file.get();
  const std::string group = ClassGroup(clsid);
  if (!g_key_file_has_group(kf, group.c_str())) return std::nullopt;
  ClassRegistration r;
  r.clsid = clsid;
  r.name = ReadString(kf, group, "Name");
  r.serverPath = ReadString(kf, group, "Server");
  r.progId = ReadString(kf, group, "ProgID");
  r.threadingModel = ReadString(kf, group, "ThreadingModel");
  r.control = g_key_file_get_boolean(kf, group.c_str(), "Control", nullptr);
  r.miscStatus =
      static_cast<uint32_t>(g_key_file_get_uint64(kf, group.c_str(), "MiscStatus", nullptr));
  r.toolboxBitmap = ReadString(kf, group, "ToolboxBitmap");
  if (auto libid = Guid::Parse(ReadString(kf, group, "TypeLib"))) r.typeLibrary = *libid;
  ParseVersion(ReadString(kf, group, "TypeLibVersion"), &r.typeLibraryMajor, &r.typeLibraryMinor);
  return r;
}

std::optional<Guid> ClassIdFromProgId(const std::string& progId) {
  if (!IsUsableProgId(progId)) return std::nullopt;
  KeyFile file = Load(RegistryFilePath());
  if (!file) return std::nullopt;
  return Guid::Parse(ReadString(file.get(), ProgIdGroup(progId), "CLSID"));
}

}  // namespace tolvo::runtime
