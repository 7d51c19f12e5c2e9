// What a form container asks of a control besides its methods: its size in twips (the resize rule)
// and property-bag persistence. TolvoEncode answers QueryInterface for both interfaces.
#pragma once

#include <cstdint>
#include <string>

#include "tolvo/runtime/guid.h"
#include "tolvo/runtime/unknown.h"
#include "tolvo/runtime/variant.h"

namespace tolvo::control {

inline constexpr runtime::Guid IID_IControlExtent{
    0x39567D4F, 0x0DD1, 0x40BE, {0xB5, 0xFC, 0xAD, 0x6C, 0x6E, 0xB2, 0x1A, 0x9C}};
inline constexpr runtime::Guid IID_IPropertyBag{
    0x309C1FAC, 0xB6A5, 0x484B, {0x9B, 0x8E, 0xC4, 0xDF, 0xDF, 0xD1, 0x46, 0x77}};
inline constexpr runtime::Guid IID_IPersistPropertyBag{
    0x5C620533, 0xE5A3, 0x4F33, {0xA2, 0x20, 0x67, 0xF1, 0xB5, 0x60, 0x4A, 0x93}};

// The size of the control on its form, in twips (1/1440 inch).
class IControlExtent : public runtime::IUnknown {
 public:
  // The container proposes a size; the control then keeps the size it insists on, which
  // GetExtent reports.
  virtual runtime::HRESULT SetExtent(int32_t widthTwips, int32_t heightTwips) = 0;
  virtual runtime::HRESULT GetExtent(int32_t* widthTwips, int32_t* heightTwips) = 0;
};

// The container's store of named property values.
class IPropertyBag : public runtime::IUnknown {
 public:
  virtual runtime::HRESULT Read(const std::u16string& name, runtime::Variant* value) = 0;
  virtual runtime::HRESULT Write(const std::u16string& name, const runtime::Variant& value) = 0;
};

class IPersistPropertyBag : public runtime::IUnknown {
 public:
  virtual runtime::HRESULT InitNew() = 0;
  virtual runtime::HRESULT Load(IPropertyBag* bag) = 0;
  virtual runtime::HRESULT Save(IPropertyBag* bag, bool clearDirty, bool saveAllProperties) = 0;
};

}  // namespace tolvo::control
