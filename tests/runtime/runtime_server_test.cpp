// A component server end to end: self-registration, creation by ProgID and from a known server
// file, early- and late-bound calls with their error paths, and events to connected sinks.
#include <gtest/gtest.h>

#include <cstdlib>

#include "recording_sink.h"
#include "test_support.h"
#include "test_widget.h"
#include "tolvo/runtime/create_object.h"
#include "tolvo/runtime/error_info.h"
#include "tolvo/runtime/registry.h"

namespace tolvo::test {
namespace {

const std::string kServerPath = TOLVO_TEST_SERVER_PATH;

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TOLVO_REGISTRY_FILE", (dir_ / "registry.ini").c_str(), 1);
    ClearErrorInfo();
  }
  void TearDown() override { unsetenv("TOLVO_REGISTRY_FILE"); }

  ComPtr<ITestWidget> CreateRegistered() {
    EXPECT_EQ(RegisterServer(kServerPath), S_OK);
    ComPtr<ITestWidget> widget;
    EXPECT_EQ(CreateObject(kTestWidgetProgId, IID_ITestWidget, widget.PutVoid()), S_OK);
    return widget;
  }
  TempDir dir_;
};

TEST_F(ServerTest, SelfRegistrationWritesTheClassAndUnregistrationRemovesIt) {
  ASSERT_EQ(RegisterServer(kServerPath), S_OK);
  std::optional<ClassRegistration> r = FindClass(kTestWidgetClsid);
  ASSERT_TRUE(r);
  // The server found its own file.
  EXPECT_EQ(r->serverPath, kServerPath);
  EXPECT_EQ(r->progId, kTestWidgetProgId);
  EXPECT_EQ(r->threadingModel, "Apartment");
  EXPECT_TRUE(r->control);
  EXPECT_EQ(r->miscStatus, kTestWidgetMiscStatus);
  EXPECT_EQ(r->toolboxBitmap, kServerPath + ",30000");
  EXPECT_EQ(r->typeLibrary, kTestLibraryId);

  ASSERT_EQ(UnregisterServer(kServerPath), S_OK);
  EXPECT_FALSE(FindClass(kTestWidgetClsid));
  EXPECT_FALSE(ClassIdFromProgId(kTestWidgetProgId));
}

TEST_F(ServerTest, CreateByProgIdAndCallEarlyBound) {
  ComPtr<ITestWidget> widget = CreateRegistered();
  ASSERT_TRUE(widget);
  int32_t doubled = 0;
  EXPECT_EQ(widget->Twice(21, &doubled), S_OK);
  EXPECT_EQ(doubled, 42);

  int32_t counter = 4, result = 0;
  std::u16string label = u"a";
  VARIANT_BOOL flag = VARIANT_FALSE;
  EXPECT_EQ(widget->Bump(&counter, &label, &flag, &result), S_OK);
  EXPECT_EQ(counter, 5);
  EXPECT_EQ(result, 5);
  EXPECT_EQ(label, u"a+");
  EXPECT_EQ(flag, VARIANT_TRUE);

  ComPtr<IConnectionPointContainer> container;
  EXPECT_EQ(widget.As(IID_IConnectionPointContainer, &container), S_OK);
  ComPtr<IUnknown> none;
  EXPECT_EQ(widget.As(IID_IClassFactory, &none), E_NOINTERFACE);
  EXPECT_FALSE(none);
}

TEST_F(ServerTest, EarlyBoundErrorGivesControlHResultAndAnErrorObjectReadOnce) {
  ComPtr<ITestWidget> widget = CreateRegistered();
  ASSERT_TRUE(widget);
  Variant result;
  HRESULT hr = widget->Fail(5007, &result);
  EXPECT_EQ(hr, ControlErrorHResult(5007));
  std::optional<ErrorInfo> error = GetErrorInfo();
  ASSERT_TRUE(error);
  EXPECT_EQ(error->Number(), 5007);
  EXPECT_EQ(error->description, u"Failure 5007");
  EXPECT_EQ(error->source, u"TestWidget");
  EXPECT_FALSE(GetErrorInfo());
}

TEST_F(ServerTest, LateBoundCallsByNameWithExceptionRecords) {
  ComPtr<ITestWidget> widget = CreateRegistered();
  ASSERT_TRUE(widget);
  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(widget.As(IID_IDispatch, &dispatch), S_OK);

  std::vector<std::u16string> names{u"twice"};
  DISPID id = 0;
  ASSERT_EQ(dispatch->GetIDsOfNames(names, &id), S_OK);
  EXPECT_EQ(id, kDispidTwice);
  std::vector<std::u16string> unknown{u"Thrice"};
  EXPECT_EQ(dispatch->GetIDsOfNames(unknown, &id), DISP_E_UNKNOWNNAME);

  DispParams args{{Variant::FromI4(8)}};
  Variant result;
  EXPECT_EQ(dispatch->Invoke(kDispidTwice, args, &result, nullptr), S_OK);
  EXPECT_EQ(result.Type(), VT_I4);
  EXPECT_EQ(result.I4(), 16);

  DispParams failArgs{{Variant::FromI4(5008)}};
  ExcepInfo excep;
  EXPECT_EQ(dispatch->Invoke(kDispidFail, failArgs, &result, &excep), DISP_E_EXCEPTION);
  EXPECT_EQ(excep.scode, ControlErrorHResult(5008));
  EXPECT_EQ(excep.Number(), 5008);
  EXPECT_EQ(excep.description, u"Failure 5008");
  EXPECT_EQ(excep.source, u"TestWidget");
  EXPECT_FALSE(GetErrorInfo());

  // In/out parameters reach the caller's storage through the by-reference forms.
  int32_t counter = 1;
  std::u16string label = u"q";
  VARIANT_BOOL flag = VARIANT_TRUE;
  DispParams bump{{Variant::RefI4(&counter), Variant::RefBstr(&label), Variant::RefBool(&flag)}};
  EXPECT_EQ(dispatch->Invoke(kDispidBump, bump, &result, nullptr), S_OK);
  EXPECT_EQ(counter, 2);
  EXPECT_EQ(label, u"q+");
  EXPECT_EQ(flag, VARIANT_FALSE);
  EXPECT_EQ(dispatch->Invoke(0x60030004, bump, &result, nullptr), DISP_E_MEMBERNOTFOUND);
}

TEST_F(ServerTest, EventsReachTwoSinksInAdviseOrder) {
  ComPtr<ITestWidget> widget = CreateRegistered();
  ASSERT_TRUE(widget);
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(widget.As(IID_IConnectionPointContainer, &container), S_OK);
  ComPtr<IConnectionPoint> point;
  EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, point.Put()), CONNECT_E_NOCONNECTION);
  ASSERT_EQ(container->FindConnectionPoint(DIID_TestWidgetEvents, point.Put()), S_OK);

  std::vector<HeardEvent> log;
  std::vector<std::u16string> texts;
  ComPtr<RecordingSink> first = ComPtr<RecordingSink>::Adopt(new RecordingSink("first", &log));
  ComPtr<RecordingSink> second = ComPtr<RecordingSink>::Adopt(new RecordingSink("second", &log));
  first->onEvent = [&](DispParams& p) {
    texts.push_back(p.arguments[1].Bstr());
    *p.arguments[0].I4Ptr() = 99;
  };
  second->onEvent = [&](DispParams& p) { texts.push_back(p.arguments[1].Bstr()); };
  uint32_t firstCookie = 0, secondCookie = 0;
  ASSERT_EQ(point->Advise(first.get(), &firstCookie), S_OK);
  ASSERT_EQ(point->Advise(second.get(), &secondCookie), S_OK);

  Variant result;
  ASSERT_EQ(widget->Announce(u"hello", &result), S_OK);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].sink, "first");
  EXPECT_EQ(log[1].sink, "second");
  EXPECT_EQ(log[0].dispid, kDispidSaid);
  EXPECT_EQ(log[0].types,
            (std::vector<uint16_t>{VT_BYREF | VT_I4, VT_BYREF | VT_BSTR, VT_BYREF | VT_BOOL}));
  EXPECT_EQ(log[0].firstI4, 1);
  EXPECT_EQ(log[1].firstI4, 99);
  EXPECT_EQ(texts, (std::vector<std::u16string>{u"hello", u"hello"}));

  ASSERT_EQ(point->Unadvise(firstCookie), S_OK);
  log.clear();
  widget->Announce(u"again", &result);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].sink, "second");
  EXPECT_EQ(point->Unadvise(secondCookie), S_OK);
}

TEST_F(ServerTest, CreateFromAServerFileWithoutRegistration) {
  ComPtr<ITestWidget> widget;
  ASSERT_EQ(
      CreateObjectFromServer(kServerPath, kTestWidgetClsid, IID_ITestWidget, widget.PutVoid()),
      S_OK);
  int32_t doubled = 0;
  EXPECT_EQ(widget->Twice(-3, &doubled), S_OK);
  EXPECT_EQ(doubled, -6);
  EXPECT_FALSE(test::Exists(dir_ / "registry.ini"));

  ComPtr<IUnknown> other;
  EXPECT_EQ(CreateObjectFromServer(kServerPath, kTestLibraryId, IID_IUnknown, other.PutVoid()),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_FALSE(other);
}

TEST_F(ServerTest, CreationFailuresSayWhy) {
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(CreateObject("Nobody.Registered", IID_IUnknown, &out), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(out, nullptr);
  std::optional<ErrorInfo> error = GetErrorInfo();
  ASSERT_TRUE(error);
  EXPECT_NE(error->description.find(u"Nobody.Registered"), std::u16string::npos);

  // A registered class whose server file is gone.
  ClassRegistration r;
  r.clsid = kTestWidgetClsid;
  r.progId = kTestWidgetProgId;
  r.serverPath = dir_ / "missing.so";
  ASSERT_EQ(RegisterClass(r), S_OK);
  EXPECT_EQ(CreateObject(kTestWidgetProgId, IID_IUnknown, &out), CO_E_ERRORINDLL);
  error = GetErrorInfo();
  ASSERT_TRUE(error);
  EXPECT_NE(error->description.find(u"missing.so"), std::u16string::npos);

  // A library that is not a server.
  test::WriteFile(dir_ / "bogus.so", test::Bytes{'n', 'o', 't'});
  EXPECT_EQ(RegisterServer(dir_ / "bogus.so"), CO_E_ERRORINDLL);
  EXPECT_EQ(CreateObject(kTestWidgetProgId, IID_IUnknown, nullptr), E_POINTER);
}

}  // namespace
}  // namespace tolvo::test
