// Creation of the control, its event sink, and the lookup of the control library beside tolvo.
#include "control_session.h"

#include <cstdio>

#include "tolvo/platform/executable_path.h"
#include "tolvo/platform/file_system.h"
#include "tolvo/platform/path_names.h"
#include "tolvo/platform/utf16.h"
#include "tolvo/runtime/create_object.h"
#include "tolvo/runtime/error_info.h"
#include "tolvo/system_files.h"

namespace tolvo::tool {

using runtime::HRESULT;

std::string ControlLibraryBesideTool() {
  const std::string folder = platform::ParentPath(platform::ExecutablePath());
  if (folder.empty()) return {};
  platform::FileSystem& files = platform::RealFileSystem();
  for (const std::string& candidate :
       {folder, platform::JoinPath(folder, TOLVO_LIBDIR_FROM_BINDIR)}) {
    const platform::IoResult<std::string> resolved = files.ResolvePath(candidate.c_str());
    if (!resolved) continue;
    const std::string library = platform::JoinPath(*resolved, kControlLibraryName);
    if (platform::IsRegularFile(files.Stat(library.c_str()))) return library;
  }
  return {};
}

std::string FailureText(HRESULT hr) {
  if (std::optional<runtime::ErrorInfo> info = runtime::GetErrorInfo();
      info && !info->description.empty()) {
    return platform::Utf16ToUtf8(info->description);
  }
  char text[48];
  std::snprintf(text, sizeof text, "failed with 0x%08X", static_cast<unsigned>(hr));
  return text;
}

std::unique_ptr<ControlSession> ControlSession::Open(std::string* error) {
  std::unique_ptr<ControlSession> session(new ControlSession());
  HRESULT hr = runtime::CreateObject(control::kTolvoEncodeProgId, control::IID__TolvoEncode,
                                     session->control_.PutVoid());
  if (runtime::FAILED(hr)) {
    // Not registered (or registered to a file that is gone): use the control installed with us.
    runtime::ClearErrorInfo();
    std::string beside = ControlLibraryBesideTool();
    if (beside.empty()) {
      *error = std::string("the TolvoEncode control is not registered and ") + kControlLibraryName +
               " is not installed beside tolvo";
      return nullptr;
    }
    hr = runtime::CreateObjectFromServer(beside, control::CLSID_TolvoEncode,
                                         control::IID__TolvoEncode, session->control_.PutVoid());
    if (runtime::FAILED(hr) || !session->control_) {
      *error = "cannot create the TolvoEncode control: " + FailureText(hr);
      return nullptr;
    }
  }

  session->events_ = std::make_shared<control::TolvoEncodeEvents>();
  hr = session->connection_.Connect(*session->control_, session->events_);
  if (runtime::FAILED(hr)) {
    *error = "cannot connect to the TolvoEncode events: " + FailureText(hr);
    return nullptr;
  }
  return session;
}

ControlSession::~ControlSession() {
  connection_.Disconnect();
  // Releasing the control cancels a job that still runs and lets the engine go.
  control_.Reset();
}

}  // namespace tolvo::tool
