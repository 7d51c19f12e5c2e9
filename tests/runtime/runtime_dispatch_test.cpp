// Late binding over type information, the per-thread error object, and connection points.
#include <gtest/gtest.h>

#include <thread>

#include "recording_sink.h"
#include "test_widget.h"
#include "tolvo/runtime/connection_point.h"
#include "tolvo/runtime/dispatch_table.h"
#include "tolvo/runtime/error_info.h"

namespace tolvo::test {
namespace {

TEST(TypeInfoLookup, FindsMembersByNameWithoutRegardToCaseAndByDispid) {
  const MethodInfo* m = FindByName(kTestWidgetInterface, u"bUMP");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->dispid, kDispidBump);
  EXPECT_EQ(FindByDispid(kTestWidgetInterface, kDispidAnnounce)->name, u"Announce");
  EXPECT_EQ(FindByName(kTestWidgetInterface, u"Bumps"), nullptr);
  EXPECT_EQ(FindByName(kTestWidgetInterface, u""), nullptr);
  EXPECT_EQ(FindByDispid(kTestWidgetInterface, 0x60030004), nullptr);
}

TEST(TypeInfoLookup, GetIDsOfNamesGivesMemberAndParameterIds) {
  std::vector<std::u16string> names{u"BUMP", u"flag", u"counter"};
  DISPID ids[3] = {};
  EXPECT_EQ(GetIDsFromTable(kTestWidgetInterface, names, ids), S_OK);
  EXPECT_EQ(ids[0], kDispidBump);
  EXPECT_EQ(ids[1], 2);
  EXPECT_EQ(ids[2], 0);

  std::vector<std::u16string> unknown{u"Nonesuch"};
  DISPID id = 0;
  EXPECT_EQ(GetIDsFromTable(kTestWidgetInterface, unknown, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);

  std::vector<std::u16string> badParam{u"twice", u"Value", u"Other"};
  DISPID pids[3] = {};
  EXPECT_EQ(GetIDsFromTable(kTestWidgetInterface, badParam, pids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(pids[0], kDispidTwice);
  EXPECT_EQ(pids[1], 0);
  EXPECT_EQ(pids[2], DISPID_UNKNOWN);
}

TEST(ArgumentBinding, ChecksCountAndConvertsByValueArguments) {
  const MethodInfo& twice = *FindByDispid(kTestWidgetInterface, kDispidTwice);
  std::vector<Variant> bound;
  DispParams none;
  EXPECT_EQ(BindArguments(twice, none, &bound), DISP_E_BADPARAMCOUNT);
  DispParams two{{Variant::FromI4(1), Variant::FromI4(2)}};
  EXPECT_EQ(BindArguments(twice, two, &bound), DISP_E_BADPARAMCOUNT);

  DispParams text{{Variant::FromBstr(u"21")}};
  ASSERT_EQ(BindArguments(twice, text, &bound), S_OK);
  EXPECT_EQ(bound[0].Type(), VT_I4);
  EXPECT_EQ(bound[0].I4(), 21);

  DispParams word{{Variant::FromBstr(u"abc")}};
  uint32_t bad = 99;
  EXPECT_EQ(BindArguments(twice, word, &bound, &bad), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(bad, 0u);
}

TEST(ArgumentBinding, PassesMatchingReferencesOnAndCopiesValuesForInOutParameters) {
  const MethodInfo& bump = *FindByDispid(kTestWidgetInterface, kDispidBump);
  int32_t counter = 1;
  std::u16string label = u"x";
  VARIANT_BOOL flag = VARIANT_FALSE;
  std::vector<Variant> bound;
  DispParams byRef{{Variant::RefI4(&counter), Variant::RefBstr(&label), Variant::RefBool(&flag)}};
  ASSERT_EQ(BindArguments(bump, byRef, &bound), S_OK);
  *bound[0].I4Ptr() = 7;
  EXPECT_EQ(counter, 7);

  // A by-value argument for an in/out parameter is converted into a private copy.
  DispParams byValue{{Variant::FromBstr(u"3"), Variant::FromBstr(u"y"), Variant::FromBool(true)}};
  ASSERT_EQ(BindArguments(bump, byValue, &bound), S_OK);
  EXPECT_EQ(bound[0].I4(), 3);
  EXPECT_FALSE(bound[0].IsByRef());

  // A reference of another type cannot be handed on.
  std::u16string wrong = u"5";
  DispParams mismatch{
      {Variant::RefBstr(&wrong), Variant::RefBstr(&label), Variant::RefBool(&flag)}};
  uint32_t bad = 99;
  EXPECT_EQ(BindArguments(bump, mismatch, &bound, &bad), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(bad, 0u);
  DispParams missing{{Variant::RefI4(&counter), Variant(), Variant::RefBool(&flag)}};
  EXPECT_EQ(BindArguments(bump, missing, &bound, &bad), DISP_E_PARAMNOTOPTIONAL);
  EXPECT_EQ(bad, 1u);
}

TEST(ErrorObject, EarlyBoundReadGivesNumberAndDescriptionOnceAndClears) {
  ClearErrorInfo();
  HRESULT hr = RaiseError(5007, u"Error loading a required dll , please contact the developer ");
  EXPECT_EQ(hr, ControlErrorHResult(5007));
  std::optional<ErrorInfo> info = GetErrorInfo();
  ASSERT_TRUE(info);
  EXPECT_EQ(info->Number(), 5007);
  EXPECT_EQ(info->hresult, hr);
  EXPECT_EQ(info->description, u"Error loading a required dll , please contact the developer ");
  EXPECT_EQ(info->source, u"");
  EXPECT_FALSE(GetErrorInfo());

  SetErrorInfo(ErrorInfo{E_FAIL, u"x", u"y"});
  ClearErrorInfo();
  EXPECT_FALSE(GetErrorInfo());
}

TEST(ErrorObject, EachThreadHasItsOwn) {
  ClearErrorInfo();
  RaiseError(5006, u"main thread");
  std::optional<ErrorInfo> seenByOther;
  std::thread other([&] {
    seenByOther = GetErrorInfo();
    RaiseError(5008, u"other thread");
  });
  other.join();
  EXPECT_FALSE(seenByOther);
  std::optional<ErrorInfo> mine = GetErrorInfo();
  ASSERT_TRUE(mine);
  EXPECT_EQ(mine->Number(), 5006);
  EXPECT_EQ(mine->description, u"main thread");
}

TEST(InvokeTable, FailureWithErrorObjectBecomesAnExceptionRecord) {
  DispParams params{{Variant::FromI4(5007)}};
  ExcepInfo excep;
  Variant result = Variant::FromI4(1);
  HRESULT hr = InvokeFromTable(kTestWidgetInterface, kDispidFail, params, &result, &excep,
                               [](const MethodInfo&, std::vector<Variant>& args, Variant*) {
                                 return RaiseError(args[0].I4(), u"bad", u"src");
                               });
  EXPECT_EQ(hr, DISP_E_EXCEPTION);
  EXPECT_EQ(excep.scode, ControlErrorHResult(5007));
  EXPECT_EQ(excep.Number(), 5007);
  EXPECT_EQ(excep.description, u"bad");
  EXPECT_EQ(excep.source, u"src");
  EXPECT_FALSE(GetErrorInfo());  // consumed by the late-bound path
}

TEST(InvokeTable, PlainFailuresStaleErrorsAndUnknownMembers) {
  DispParams params{{Variant::FromI4(1)}};
  ExcepInfo excep;
  // A stale error object from an earlier call is not reported for a plain failure.
  RaiseError(9, u"stale");
  HRESULT hr = InvokeFromTable(
      kTestWidgetInterface, kDispidTwice, params, nullptr, &excep,
      [](const MethodInfo&, std::vector<Variant>&, Variant*) { return E_OUTOFMEMORY; });
  EXPECT_EQ(hr, E_OUTOFMEMORY);
  EXPECT_EQ(excep.scode, S_OK);

  bool called = false;
  auto call = [&](const MethodInfo&, std::vector<Variant>&, Variant*) {
    called = true;
    return S_OK;
  };
  EXPECT_EQ(InvokeFromTable(kTestWidgetInterface, 0x60030004, params, nullptr, nullptr, call),
            DISP_E_MEMBERNOTFOUND);
  DispParams none;
  EXPECT_EQ(InvokeFromTable(kTestWidgetInterface, kDispidTwice, none, nullptr, nullptr, call),
            DISP_E_BADPARAMCOUNT);
  EXPECT_FALSE(called);

  Variant result;
  hr = InvokeFromTable(kTestWidgetInterface, kDispidTwice, params, &result, nullptr,
                       [](const MethodInfo&, std::vector<Variant>& args, Variant* out) {
                         *out = Variant::FromI4(args[0].I4() + 1);
                         return S_OK;
                       });
  EXPECT_EQ(hr, S_OK);
  EXPECT_EQ(result.I4(), 2);
}

// An event source that owns a connection point and notes its own destruction.
class Source final : public IUnknown {
 public:
  explicit Source(bool* destroyed) : destroyed_(destroyed), point(*this, DIID_TestWidgetEvents) {}
  HRESULT QueryInterface(const Guid&, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  uint32_t AddRef() override { return ++refs_; }
  uint32_t Release() override {
    uint32_t left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  void Raise(int32_t* count) {
    std::u16string text = u"t";
    VARIANT_BOOL loud = VARIANT_FALSE;
    DispParams params{{Variant::RefI4(count), Variant::RefBstr(&text), Variant::RefBool(&loud)}};
    point.Fire(kDispidSaid, params);
  }

 private:
  ~Source() override {
    point.UnadviseAll();
    *destroyed_ = true;
  }
  bool* destroyed_;
  uint32_t refs_ = 1;

 public:
  ConnectionPoint point;
};

TEST(ConnectionPoints, EventsReachEverySinkInOrderByReference) {
  bool destroyed = false;
  ComPtr<Source> source = ComPtr<Source>::Adopt(new Source(&destroyed));
  std::vector<HeardEvent> log;
  ComPtr<RecordingSink> a = ComPtr<RecordingSink>::Adopt(new RecordingSink("a", &log));
  ComPtr<RecordingSink> b = ComPtr<RecordingSink>::Adopt(new RecordingSink("b", &log));
  a->onEvent = [](DispParams& p) { *p.arguments[0].I4Ptr() += 10; };
  uint32_t cookieA = 0, cookieB = 0;
  ASSERT_EQ(source->point.Advise(a.get(), &cookieA), S_OK);
  ASSERT_EQ(source->point.Advise(b.get(), &cookieB), S_OK);
  EXPECT_NE(cookieA, 0u);
  EXPECT_NE(cookieA, cookieB);

  int32_t count = 1;
  source->Raise(&count);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].sink, "a");
  EXPECT_EQ(log[1].sink, "b");
  EXPECT_EQ(log[0].dispid, kDispidSaid);
  std::vector<uint16_t> byRef{VT_BYREF | VT_I4, VT_BYREF | VT_BSTR, VT_BYREF | VT_BOOL};
  EXPECT_EQ(log[0].types, byRef);
  EXPECT_EQ(log[0].firstI4, 1);
  EXPECT_EQ(log[1].firstI4, 11);  // the second sink sees what the first wrote
  EXPECT_EQ(count, 11);

  EXPECT_EQ(source->point.Unadvise(cookieA), S_OK);
  EXPECT_EQ(source->point.Unadvise(cookieA), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(source->point.Unadvise(0), CONNECT_E_NOCONNECTION);
  log.clear();
  source->Raise(&count);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].sink, "b");
  EXPECT_EQ(source->point.Advise(nullptr, &cookieA), E_POINTER);
  Guid iid;
  EXPECT_EQ(source->point.GetConnectionInterface(&iid), S_OK);
  EXPECT_EQ(iid, DIID_TestWidgetEvents);
}

TEST(ConnectionPoints, SinkUnadvisingDuringAnEventIsNotCalledAgain) {
  bool destroyed = false;
  ComPtr<Source> source = ComPtr<Source>::Adopt(new Source(&destroyed));
  std::vector<HeardEvent> log;
  auto* a = new RecordingSink("a", &log);
  auto* b = new RecordingSink("b", &log);
  uint32_t cookieA = 0, cookieB = 0;
  source->point.Advise(a, &cookieA);
  source->point.Advise(b, &cookieB);
  // The first sink drops both itself and the second one, and lets go of its last references.
  a->onEvent = [&](DispParams&) {
    source->point.Unadvise(cookieA);
    source->point.Unadvise(cookieB);
  };
  a->Release();
  b->Release();
  int32_t count = 0;
  source->Raise(&count);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].sink, "a");
  source->Raise(&count);  // nobody is left to hear it
  EXPECT_EQ(log.size(), 1u);
}

TEST(ConnectionPoints, SourceReleasedByAHandlerLivesUntilTheEventHasGoneRound) {
  bool destroyed = false;
  Source* source = new Source(&destroyed);
  std::vector<HeardEvent> log;
  ComPtr<RecordingSink> a = ComPtr<RecordingSink>::Adopt(new RecordingSink("a", &log));
  ComPtr<RecordingSink> b = ComPtr<RecordingSink>::Adopt(new RecordingSink("b", &log));
  a->onEvent = [&](DispParams&) {
    source->Release();  // the host's last reference
    EXPECT_FALSE(destroyed);
  };
  uint32_t cookie = 0;
  source->point.Advise(a.get(), &cookie);
  source->point.Advise(b.get(), &cookie);
  int32_t count = 0;
  source->Raise(&count);
  EXPECT_EQ(log.size(), 2u);
  EXPECT_TRUE(destroyed);
}

TEST(ConnectionPoints, ThePointSharesItsOwnersReferences) {
  bool destroyed = false;
  Source* source = new Source(&destroyed);
  ComPtr<IConnectionPoint> point(&source->point);
  source->Release();
  EXPECT_FALSE(destroyed);  // the host still holds the point
  ComPtr<IUnknown> unknown;
  EXPECT_EQ(point.As(IID_IUnknown, &unknown), S_OK);
  unknown.Reset();
  point.Reset();
  EXPECT_TRUE(destroyed);
}

}  // namespace
}  // namespace tolvo::test
