// Variant type tags, access through references, and conversions between the three value types.
#include "tolvo/runtime/variant.h"

#include <limits>

namespace tolvo::runtime {
namespace {

std::u16string_view TrimBlanks(std::u16string_view text) {
  auto isBlank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::optional<int32_t> ParseDecimal(std::u16string_view text) {
  text = TrimBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == u'-' || text.front() == u'+')) {
    negative = text.front() == u'-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  const int64_t limit = negative ? -int64_t{std::numeric_limits<int32_t>::min()}
                                 : int64_t{std::numeric_limits<int32_t>::max()};
  int64_t value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c - u'0');
    if (value > limit) return std::nullopt;
  }
  return static_cast<int32_t>(negative ? -value : value);
}

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::u16string DecimalText(int32_t value) {
  std::string narrow = std::to_string(value);
  return std::u16string(narrow.begin(), narrow.end());
}

}  // namespace

uint16_t Variant::Type() const {
  switch (value_.index()) {
    case 1:
      return VT_I4;
    case 2:
      return VT_BOOL;
    case 3:
      return VT_BSTR;
    case 4:
      return VT_BYREF | VT_I4;
    case 5:
      return VT_BYREF | VT_BOOL;
    case 6:
      return VT_BYREF | VT_BSTR;
    default:
      return VT_EMPTY;
  }
}

int32_t* Variant::I4Ptr() {
  if (auto* v = std::get_if<int32_t>(&value_)) return v;
  if (auto* r = std::get_if<int32_t*>(&value_)) return *r;
  return nullptr;
}

VARIANT_BOOL* Variant::BoolPtr() {
  if (auto* v = std::get_if<BoolValue>(&value_)) return &v->value;
  if (auto* r = std::get_if<VARIANT_BOOL*>(&value_)) return *r;
  return nullptr;
}

std::u16string* Variant::BstrPtr() {
  if (auto* v = std::get_if<std::u16string>(&value_)) return v;
  if (auto* r = std::get_if<std::u16string*>(&value_)) return *r;
  return nullptr;
}

std::optional<Variant> ChangeType(const Variant& value, uint16_t type) {
  const uint16_t from = value.BaseType();
  switch (type) {
    case VT_I4:
      if (from == VT_EMPTY) return Variant::FromI4(0);
      if (from == VT_I4) return Variant::FromI4(value.I4());
      if (from == VT_BOOL) return Variant::FromI4(value.Bool() ? VARIANT_TRUE : VARIANT_FALSE);
      if (from == VT_BSTR) {
        if (auto parsed = ParseDecimal(*value.BstrPtr())) return Variant::FromI4(*parsed);
      }
      return std::nullopt;
    case VT_BOOL:
      if (from == VT_EMPTY) return Variant::FromBool(false);
      if (from == VT_I4) return Variant::FromBool(value.I4() != 0);
      if (from == VT_BOOL) return Variant::FromBool(value.Bool());
      if (from == VT_BSTR) {
        std::u16string_view text = TrimBlanks(*value.BstrPtr());
        if (EqualsIgnoringCase(text, u"True")) return Variant::FromBool(true);
        if (EqualsIgnoringCase(text, u"False")) return Variant::FromBool(false);
        if (auto parsed = ParseDecimal(text)) return Variant::FromBool(*parsed != 0);
      }
      return std::nullopt;
    case VT_BSTR:
      if (from == VT_EMPTY) return Variant::FromBstr(u"");
      if (from == VT_I4) return Variant::FromBstr(DecimalText(value.I4()));
      if (from == VT_BOOL) return Variant::FromBstr(value.Bool() ? u"True" : u"False");
      if (from == VT_BSTR) return Variant::FromBstr(*value.BstrPtr());
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

}  // namespace tolvo::runtime
