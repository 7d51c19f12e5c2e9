// Type information as data: the type library, its interfaces with their methods and parameters,
// and its classes. One constant table per server serves Invoke, GetIDsOfNames, registration and
// tests; the helpers here look members up and check a call's arguments against a method.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "tolvo/runtime/dispatch.h"
#include "tolvo/runtime/guid.h"
#include "tolvo/runtime/variant.h"

namespace tolvo::runtime {

// Flags with their type-library values.
enum LibFlags : uint32_t {
  LIBFLAG_FRESTRICTED = 0x1,
  LIBFLAG_FCONTROL = 0x2,
  LIBFLAG_FHIDDEN = 0x4
};
enum TypeFlags : uint32_t {
  TYPEFLAG_FAPPOBJECT = 0x1,
  TYPEFLAG_FCANCREATE = 0x2,
  TYPEFLAG_FHIDDEN = 0x10,
  TYPEFLAG_FCONTROL = 0x20,
  TYPEFLAG_FDUAL = 0x40,
  TYPEFLAG_FNONEXTENSIBLE = 0x80,
  TYPEFLAG_FOLEAUTOMATION = 0x100,
  TYPEFLAG_FDISPATCHABLE = 0x1000,
};
enum ParamFlags : uint32_t { PARAMFLAG_FIN = 0x1, PARAMFLAG_FOUT = 0x2, PARAMFLAG_FRETVAL = 0x8 };
inline constexpr uint32_t kSysKindWin32 = 1;

struct ParamInfo {
  std::u16string_view name;
  uint16_t type;   // VT_I4, VT_BSTR or VT_BOOL, with VT_BYREF for an in/out parameter
  uint32_t flags;  // PARAMFLAG_*
};

// A method of a dual interface or an event of a dispinterface. The [out, retval] parameter of
// the early-bound form is not among `params`: its type is `resultType` (VT_VOID for none).
struct MethodInfo {
  std::u16string_view name;
  DISPID dispid;
  std::span<const ParamInfo> params;
  uint16_t resultType;
};

enum class InterfaceKind { kDual, kDispinterface };

struct InterfaceInfo {
  std::string_view name;
  Guid iid;
  uint16_t versionMajor;
  uint16_t versionMinor;
  uint32_t flags;  // TYPEFLAG_*
  InterfaceKind kind;
  std::span<const MethodInfo> methods;
};

struct CoclassInfo {
  std::string_view name;
  Guid clsid;
  uint16_t versionMajor;
  uint16_t versionMinor;
  uint32_t flags;  // TYPEFLAG_*
  const InterfaceInfo* defaultInterface;
  const InterfaceInfo* defaultSource;  // the event interface; may be null
};

struct TypeLibraryInfo {
  std::string_view name;
  Guid libid;
  uint16_t versionMajor;
  uint16_t versionMinor;
  uint32_t locale;  // 0: neutral
  uint32_t flags;   // LIBFLAG_*
  uint32_t sysKind;
  std::string_view helpString;
  std::span<const InterfaceInfo* const> interfaces;
  std::span<const CoclassInfo* const> coclasses;
};

// Case-insensitive (ASCII letters), as GetIDsOfNames compares; null when absent.
TOLVO_RUNTIME_API const MethodInfo* FindByName(const InterfaceInfo& iface,
                                               std::u16string_view name);
TOLVO_RUNTIME_API const MethodInfo* FindByDispid(const InterfaceInfo& iface, DISPID dispid);
TOLVO_RUNTIME_API bool NamesEqualIgnoringCase(std::u16string_view a, std::u16string_view b);

// Checks `params` against `method` and gives `bound`, one Variant per parameter whose base type
// is the declared one: a by-value parameter gets a converted copy (ChangeType); an in/out
// parameter gets the caller's by-reference argument when its base type matches exactly, or a
// converted copy of a by-value argument (the method's changes then stay with the copy, as when
// an expression is passed by reference). Returns S_OK, DISP_E_BADPARAMCOUNT (wrong count),
// DISP_E_PARAMNOTOPTIONAL (an empty argument for an in/out parameter) or DISP_E_TYPEMISMATCH;
// `badArgument` (may be null) receives the position of the failing argument.
TOLVO_RUNTIME_API HRESULT BindArguments(const MethodInfo& method, DispParams& params,
                                        std::vector<Variant>* bound,
                                        uint32_t* badArgument = nullptr);

}  // namespace tolvo::runtime
