// Member lookup in type information and the binding of a call's arguments to declared types.
#include "tolvo/runtime/type_info.h"

namespace tolvo::runtime {
namespace {

char16_t LowerAscii(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c;
}

}  // namespace

bool NamesEqualIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

const MethodInfo* FindByName(const InterfaceInfo& iface, std::u16string_view name) {
  for (const MethodInfo& method : iface.methods) {
    if (NamesEqualIgnoringCase(method.name, name)) return &method;
  }
  return nullptr;
}

const MethodInfo* FindByDispid(const InterfaceInfo& iface, DISPID dispid) {
  for (const MethodInfo& method : iface.methods) {
    if (method.dispid == dispid) return &method;
  }
  return nullptr;
}

HRESULT BindArguments(const MethodInfo& method, DispParams& params, std::vector<Variant>* bound,
                      uint32_t* badArgument) {
  bound->clear();
  if (params.arguments.size() != method.params.size()) return DISP_E_BADPARAMCOUNT;
  bound->reserve(params.arguments.size());
  for (size_t i = 0; i < method.params.size(); ++i) {
    const ParamInfo& param = method.params[i];
    Variant& argument = params.arguments[i];
    const bool byRef = (param.type & VT_BYREF) != 0;
    const uint16_t baseType = static_cast<uint16_t>(param.type & ~VT_BYREF);
    auto fail = [&](HRESULT hr) {
      if (badArgument) *badArgument = static_cast<uint32_t>(i);
      bound->clear();
      return hr;
    };
    if (byRef && argument.IsByRef()) {
      // The caller's storage is handed on only when it has exactly the declared type.
      if (argument.BaseType() != baseType) return fail(DISP_E_TYPEMISMATCH);
      bound->push_back(argument);
      continue;
    }
    if (byRef && argument.IsEmpty()) return fail(DISP_E_PARAMNOTOPTIONAL);
    std::optional<Variant> converted = ChangeType(argument, baseType);
    if (!converted) return fail(DISP_E_TYPEMISMATCH);
    bound->push_back(std::move(*converted));
  }
  return S_OK;
}

}  // namespace tolvo::runtime
