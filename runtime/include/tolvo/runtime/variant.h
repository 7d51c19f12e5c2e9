// A small automation VARIANT: empty, 32-bit integer, Boolean and UTF-16 text, each also by
// reference (a pointer to the caller's storage, which the callee may change).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "tolvo/runtime/export.h"

namespace tolvo::runtime {

// Type tags with their automation values.
enum VarType : uint16_t {
  VT_EMPTY = 0,
  VT_I4 = 3,
  VT_BSTR = 8,
  VT_BOOL = 11,
  VT_VARIANT = 12,  // "any of these" in type information
  VT_VOID = 24,     // no result, in type information
  VT_BYREF = 0x4000,
};

using VARIANT_BOOL = int16_t;
inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

class TOLVO_RUNTIME_API Variant {
 public:
  Variant() = default;  // VT_EMPTY

  static Variant FromI4(int32_t value) { return Variant(Value{value}); }
  static Variant FromBool(bool value) {
    return Variant(Value{BoolValue{value ? VARIANT_TRUE : VARIANT_FALSE}});
  }
  static Variant FromBstr(std::u16string value) { return Variant(Value{std::move(value)}); }
  // By-reference forms; the storage must outlive the Variant.
  static Variant RefI4(int32_t* storage) { return Variant(Value{storage}); }
  static Variant RefBool(VARIANT_BOOL* storage) { return Variant(Value{storage}); }
  static Variant RefBstr(std::u16string* storage) { return Variant(Value{storage}); }

  // The full tag, VT_BYREF included for the by-reference forms.
  uint16_t Type() const;
  uint16_t BaseType() const { return static_cast<uint16_t>(Type() & ~VT_BYREF); }
  bool IsByRef() const { return (Type() & VT_BYREF) != 0; }
  bool IsEmpty() const { return Type() == VT_EMPTY; }

  // Pointers to the value, whether held here or by reference; null when the base type differs.
  // Writing through them changes the caller's storage for the by-reference forms.
  int32_t* I4Ptr();
  VARIANT_BOOL* BoolPtr();
  std::u16string* BstrPtr();
  const int32_t* I4Ptr() const { return const_cast<Variant*>(this)->I4Ptr(); }
  const VARIANT_BOOL* BoolPtr() const { return const_cast<Variant*>(this)->BoolPtr(); }
  const std::u16string* BstrPtr() const { return const_cast<Variant*>(this)->BstrPtr(); }

  // Values read through references; 0, false or empty text when the base type differs.
  int32_t I4() const { return I4Ptr() ? *I4Ptr() : 0; }
  bool Bool() const { return BoolPtr() && *BoolPtr() != VARIANT_FALSE; }
  std::u16string Bstr() const { return BstrPtr() ? *BstrPtr() : std::u16string(); }

 private:
  struct BoolValue {
    VARIANT_BOOL value;
  };
  using Value = std::variant<std::monostate, int32_t, BoolValue, std::u16string, int32_t*,
                             VARIANT_BOOL*, std::u16string*>;
  explicit Variant(Value value) : value_(std::move(value)) {}
  Value value_;
};

// A by-value copy of `value` as the base type `type` (VT_I4, VT_BOOL or VT_BSTR), reading through
// a reference; nullopt when it cannot be converted. Conversions: empty gives 0, false or "";
// I4 and BOOL convert into each other (nonzero is true, true is -1); I4 gives its decimal text;
// BOOL gives "True" or "False"; text gives I4 when it is a decimal integer in range (blanks
// around it allowed) and BOOL when it is "True"/"False" (any case) or such an integer.
TOLVO_RUNTIME_API std::optional<Variant> ChangeType(const Variant& value, uint16_t type);

}  // namespace tolvo::runtime
