// Result values, GUID text forms and the Variant's value, by-reference and conversion rules.
#include <gtest/gtest.h>

#include <unordered_set>

#include "tolvo/runtime/guid.h"
#include "tolvo/runtime/hresult.h"
#include "tolvo/runtime/text.h"
#include "tolvo/runtime/unknown.h"
#include "tolvo/runtime/variant.h"

namespace tolvo::runtime {
namespace {

TEST(HResult, ControlErrorsTravelInTheControlFacility) {
  EXPECT_EQ(static_cast<uint32_t>(ControlErrorHResult(5007)), 0x800A138Fu);
  EXPECT_EQ(static_cast<uint32_t>(ControlErrorHResult(9)), 0x800A0009u);
  EXPECT_TRUE(FAILED(ControlErrorHResult(5006)));
  EXPECT_EQ(ErrorNumberOf(ControlErrorHResult(5008)), 5008);
  EXPECT_TRUE(IsControlError(ControlErrorHResult(1)));
  // Other failures keep their own value as their number.
  EXPECT_FALSE(IsControlError(E_FAIL));
  EXPECT_EQ(ErrorNumberOf(E_FAIL), E_FAIL);
  EXPECT_TRUE(SUCCEEDED(S_FALSE));
  EXPECT_FALSE(SUCCEEDED(DISP_E_EXCEPTION));
}

TEST(GuidText, ParsesAndFormatsTheBracedForm) {
  auto g = Guid::Parse("{00020400-0000-0000-c000-000000000046}");
  ASSERT_TRUE(g);
  EXPECT_EQ(*g, IID_IDispatch);
  EXPECT_EQ(g->ToString(), "{00020400-0000-0000-C000-000000000046}");
  const Guid cp = IID_IConnectionPoint;
  EXPECT_EQ(cp.ToString(), "{B196B286-BAB4-101A-B69C-00AA00341D07}");
  EXPECT_EQ(Guid::Parse(cp.ToString()), cp);
  EXPECT_EQ(g->data1, 0x00020400u);
  EXPECT_EQ(g->data4[0], 0xC0);
  EXPECT_EQ(g->data4[7], 0x46);
}

TEST(GuidText, RejectsMalformedText) {
  for (const char* text :
       {"", "00020400-0000-0000-C000-000000000046", "{00020400-0000-0000-C000-00000000004}",
        "{00020400-0000-0000-C000-0000000000467}", "{00020400_0000-0000-C000-000000000046}",
        "{0002040G-0000-0000-C000-000000000046}", "{00020400-0000-0000-C000-000000000046]"}) {
    EXPECT_FALSE(Guid::Parse(text)) << text;
  }
}

TEST(GuidText, ComparesAndHashesByValue) {
  std::unordered_set<Guid> set{IID_IUnknown, IID_IDispatch, IID_IClassFactory};
  EXPECT_EQ(set.size(), 3u);
  EXPECT_TRUE(set.count(*Guid::Parse("{00000001-0000-0000-C000-000000000046}")));
  EXPECT_LT(IID_IUnknown, IID_IClassFactory);
  EXPECT_NE(IID_IConnectionPoint, IID_IConnectionPointContainer);
}

TEST(VariantForms, ValuesCarryTheirTags) {
  EXPECT_EQ(Variant().Type(), VT_EMPTY);
  EXPECT_EQ(Variant::FromI4(-7).Type(), VT_I4);
  EXPECT_EQ(Variant::FromI4(-7).I4(), -7);
  EXPECT_EQ(Variant::FromBool(true).Type(), VT_BOOL);
  EXPECT_EQ(*Variant::FromBool(true).BoolPtr(), VARIANT_TRUE);
  EXPECT_EQ(*Variant::FromBool(false).BoolPtr(), VARIANT_FALSE);
  EXPECT_EQ(Variant::FromBstr(u"abc").Bstr(), u"abc");
  // Asking for another type gives nothing rather than a reinterpretation.
  EXPECT_EQ(Variant::FromBstr(u"12").I4Ptr(), nullptr);
  EXPECT_EQ(Variant::FromI4(1).BstrPtr(), nullptr);
}

TEST(VariantForms, ByReferenceFormsReadAndWriteTheCallersStorage) {
  int32_t number = 5;
  VARIANT_BOOL flag = VARIANT_FALSE;
  std::u16string text = u"before";
  Variant n = Variant::RefI4(&number), b = Variant::RefBool(&flag), t = Variant::RefBstr(&text);
  EXPECT_EQ(n.Type(), VT_BYREF | VT_I4);
  EXPECT_EQ(b.Type(), VT_BYREF | VT_BOOL);
  EXPECT_EQ(t.Type(), VT_BYREF | VT_BSTR);
  EXPECT_TRUE(n.IsByRef());
  EXPECT_EQ(t.BaseType(), VT_BSTR);
  EXPECT_EQ(n.I4(), 5);
  *n.I4Ptr() = 42;
  *b.BoolPtr() = VARIANT_TRUE;
  *t.BstrPtr() = u"after";
  EXPECT_EQ(number, 42);
  EXPECT_EQ(flag, VARIANT_TRUE);
  EXPECT_EQ(text, u"after");
  // A copy of a by-reference Variant still refers to the same storage.
  Variant copy = n;
  *copy.I4Ptr() = 43;
  EXPECT_EQ(number, 43);
}

TEST(VariantConversion, ConvertsBetweenTheThreeTypes) {
  EXPECT_EQ(ChangeType(Variant::FromBstr(u" -12 "), VT_I4)->I4(), -12);
  EXPECT_EQ(ChangeType(Variant::FromBstr(u"2147483647"), VT_I4)->I4(), 2147483647);
  EXPECT_EQ(ChangeType(Variant::FromBstr(u"-2147483648"), VT_I4)->I4(), INT32_MIN);
  EXPECT_EQ(ChangeType(Variant::FromI4(-305), VT_BSTR)->Bstr(), u"-305");
  EXPECT_EQ(ChangeType(Variant::FromBool(true), VT_I4)->I4(), -1);
  EXPECT_TRUE(ChangeType(Variant::FromI4(2), VT_BOOL)->Bool());
  EXPECT_EQ(ChangeType(Variant::FromBool(false), VT_BSTR)->Bstr(), u"False");
  EXPECT_TRUE(ChangeType(Variant::FromBstr(u"TRUE"), VT_BOOL)->Bool());
  EXPECT_EQ(ChangeType(Variant(), VT_BSTR)->Bstr(), u"");
  EXPECT_EQ(ChangeType(Variant(), VT_I4)->I4(), 0);
  // Through a reference, giving a by-value copy.
  int32_t n = 9;
  auto copy = ChangeType(Variant::RefI4(&n), VT_I4);
  EXPECT_FALSE(copy->IsByRef());
  *copy->I4Ptr() = 10;
  EXPECT_EQ(n, 9);
}

TEST(VariantConversion, RefusesTextThatIsNotANumber) {
  for (const char16_t* text : {u"", u"12a", u"2147483648", u"-2147483649", u"1 2", u"-", u"0x10"}) {
    EXPECT_FALSE(ChangeType(Variant::FromBstr(text), VT_I4))
        << std::string(text, text + std::char_traits<char16_t>::length(text));
  }
  EXPECT_FALSE(ChangeType(Variant::FromBstr(u"maybe"), VT_BOOL));
  EXPECT_FALSE(ChangeType(Variant::FromI4(1), VT_VARIANT));
}

TEST(Texts, Utf8AndUtf16ConvertBothWaysAndReplaceWhatIsMalformed) {
  struct Case {
    std::string utf8;
    std::u16string text;
  };
  const Case both[] = {{"", u""},
                       {"abc", u"abc"},
                       {"D\xC3\xA9j\xC3\xA0", u"D\u00E9j\u00E0"},
                       {"\xE2\x82\xAC \xF0\x9F\x8E\xB5", u"\u20AC \U0001F3B5"}};
  for (const Case& c : both) {
    EXPECT_EQ(TextFromUtf8(c.utf8), c.text);
    EXPECT_EQ(TextToUtf8(c.text), c.utf8);
  }
  EXPECT_EQ(TextFromUtf8("a\xFF"
                         "b\xC3"),
            u"a\uFFFDb\uFFFD");
  EXPECT_EQ(TextFromUtf8("\xE2\x82\x41"), u"\uFFFDA");  // as the control and tolvo read it
  EXPECT_EQ(TextToUtf8(std::u16string{u'a', char16_t(0xD800), u'b', char16_t(0xDC00)}),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
}

}  // namespace
}  // namespace tolvo::runtime
