// Creating objects of component classes: by ProgID through the registry, or straight from a
// server library that lies beside the host. A server, once loaded, stays loaded for the process.
// On failure the calling thread's error object (error_info.h) says what went wrong.
#pragma once

#include <string>

#include "tolvo/runtime/export.h"
#include "tolvo/runtime/guid.h"
#include "tolvo/runtime/hresult.h"

namespace tolvo::runtime {

// Objects are created only on a thread in an apartment (apartment.h): CO_E_NOTINITIALIZED elsewhere.
// REGDB_E_CLASSNOTREG when the ProgID or its class is not registered; CO_E_ERRORINDLL when the
// server cannot be loaded or lacks DllGetClassObject; else the server's own result.
TOLVO_RUNTIME_API HRESULT CreateObject(const std::string& progId, const Guid& iid, void** out);
TOLVO_RUNTIME_API HRESULT CreateObjectFromServer(const std::string& serverPath, const Guid& clsid,
                                                 const Guid& iid, void** out);

// Loads a server and calls its DllRegisterServer / DllUnregisterServer.
TOLVO_RUNTIME_API HRESULT RegisterServer(const std::string& serverPath);
TOLVO_RUNTIME_API HRESULT UnregisterServer(const std::string& serverPath);

}  // namespace tolvo::runtime
