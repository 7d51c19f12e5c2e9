// The built control as a component: registration values, creation by ProgID, the type
// information, late binding by DISPID, the size rule, empty persistence, and engine-host errors
// (5007, 5008) reaching early- and late-bound callers as errors, never as events.
#include <filesystem>
#include <functional>

#include "id3_builders.h"
#include "tolvo/control/control_site.h"
#include "tolvo/control/encoder_tuning.h"
#include "tolvo/runtime/registry.h"
#include "tolvo_encode_test_host.h"
#include "type_library.h"

namespace tolvo::test {
namespace {

using namespace control;

TEST_F(ControlHostTest, RegistrationWritesTheValuesOfTheTypeInformation) {
  const std::optional<ClassRegistration> r = FindClass(CLSID_TolvoEncode);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->serverPath, BuiltControlPath());
  EXPECT_EQ(r->name, "TolvoEncode");
  EXPECT_EQ(r->progId, "TolvoMP3Encode130.TolvoEncode");
  EXPECT_EQ(r->threadingModel, "Apartment");
  EXPECT_TRUE(r->control);
  EXPECT_EQ(r->miscStatus, 132497u);
  EXPECT_EQ(r->toolboxBitmap, BuiltControlPath() + ",30000");
  EXPECT_EQ(r->typeLibrary, LIBID_TolvoMP3Encode130);
  EXPECT_EQ(r->typeLibraryMajor, 8);
  EXPECT_EQ(r->typeLibraryMinor, 0);
  EXPECT_EQ(ClassIdFromProgId("TolvoMP3Encode130.TolvoEncode"), CLSID_TolvoEncode);

  ASSERT_EQ(UnregisterServer(BuiltControlPath()), S_OK);
  EXPECT_FALSE(FindClass(CLSID_TolvoEncode));
  ComPtr<_TolvoEncode> none;
  EXPECT_EQ(CreateObject(kTolvoEncodeProgId, IID__TolvoEncode, none.PutVoid()),
            REGDB_E_CLASSNOTREG);
}

TEST(TolvoEncodeTypeInfoTest, LibraryInterfacesAndClassCarryTheirFlagsAndVersions) {
  const TypeLibraryInfo& lib = kTolvoEncodeTypeLibrary;
  EXPECT_EQ(lib.name, "TolvoMP3Encode130");
  EXPECT_EQ(lib.libid, LIBID_TolvoMP3Encode130);
  EXPECT_EQ(lib.versionMajor, 8);
  EXPECT_EQ(lib.versionMinor, 0);
  EXPECT_EQ(lib.locale, 0u);
  EXPECT_EQ(lib.flags, uint32_t{LIBFLAG_FCONTROL});
  EXPECT_EQ(lib.helpString, "Tolvo MP3 Encoder OCX 1.3.0");
  ASSERT_EQ(lib.interfaces.size(), 2u);
  EXPECT_EQ(lib.interfaces[0]->name, "_TolvoEncode");
  EXPECT_EQ(lib.interfaces[1]->name, "__TolvoEncode");
  EXPECT_EQ(kTolvoEncodeInterface.flags, 0x1000u | 0x100u | 0x80u | 0x40u | 0x10u);
  EXPECT_EQ(kTolvoEncodeEventInterface.flags, 0x1000u | 0x80u | 0x10u);
  EXPECT_EQ(kTolvoEncodeInterface.kind, InterfaceKind::kDual);
  EXPECT_EQ(kTolvoEncodeEventInterface.kind, InterfaceKind::kDispinterface);
  EXPECT_EQ(kTolvoEncodeClass.flags, uint32_t{TYPEFLAG_FCONTROL});
  EXPECT_EQ(kTolvoEncodeClass.defaultInterface, &kTolvoEncodeInterface);
  EXPECT_EQ(kTolvoEncodeClass.defaultSource, &kTolvoEncodeEventInterface);
}

TEST(TolvoEncodeTypeInfoTest, MethodsAndEventsInInterfaceOrderWithTheirDispids) {
  const std::pair<std::u16string_view, DISPID> methods[] = {
      {u"MP3EncodePause", 0x60030000},
      {u"MP3EncodeResume", 0x60030001},
      {u"MP3EncodeCancel", 0x60030002},
      {u"MP3Encode", 0x60030003},
      {u"About", 0x60030009},
      {u"ControlName", 0x6003000A},
      {u"SelectProcessPriority", 0x6003000B},
      {u"Read_ID3_v1_tag", 0x6003000C},
      {u"Generate_ID3v1Genre", 0x6003000D},
      {u"Write_ID3_v1_tag", 0x6003000E},
      {u"Remove_ID3V1_tag", 0x6003000F},
      {u"Read_ID3_v2_tag", 0x60030010},
      {u"Write_ID3_v2_tag", 0x60030011},
      {u"Remove_ID3V2_tag", 0x60030012},
  };
  ASSERT_EQ(kTolvoEncodeInterface.methods.size(), 14u);
  for (size_t i = 0; i < 14; ++i) {
    EXPECT_EQ(kTolvoEncodeInterface.methods[i].name, methods[i].first);
    EXPECT_EQ(kTolvoEncodeInterface.methods[i].dispid, methods[i].second);
  }
  const MethodInfo* encode = FindByDispid(kTolvoEncodeInterface, 0x60030003);
  ASSERT_TRUE(encode);
  std::vector<std::u16string_view> names;
  for (const ParamInfo& p : encode->params) names.push_back(p.name);
  EXPECT_EQ(names, (std::vector<std::u16string_view>{u"Inputfile", u"OutPutFile", u"Bitrate",
                                                     u"StereoMode", u"MP3Quality", u"VBR",
                                                     u"VBRMaxBitrate"}));
  EXPECT_EQ(FindByDispid(kTolvoEncodeInterface, 0x60030010)->params.size(), 13u);
  EXPECT_EQ(FindByDispid(kTolvoEncodeInterface, 0x60030010)->params[12].type, VT_BYREF | VT_BSTR);

  const std::pair<std::u16string_view, size_t> events[] = {
      {u"ErrorCode", 2}, {u"Finished", 0}, {u"Progress", 1}, {u"ID3v1GenreList", 2}};
  ASSERT_EQ(kTolvoEncodeEventInterface.methods.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    const MethodInfo& e = kTolvoEncodeEventInterface.methods[i];
    EXPECT_EQ(e.name, events[i].first);
    EXPECT_EQ(e.dispid, static_cast<DISPID>(i + 1));
    EXPECT_EQ(e.params.size(), events[i].second);
    for (const ParamInfo& p : e.params) EXPECT_TRUE(p.type & VT_BYREF);
  }
}

TEST_F(ControlHostTest, LateBindingReachesAboutAndControlNameByTheirDispids) {
  ComPtr<_TolvoEncode> control = Create();
  ASSERT_TRUE(control);
  const std::u16string names[] = {u"about", u"CONTROLNAME"};
  DISPID id = 0;
  EXPECT_EQ(control->GetIDsOfNames(std::span(names, 1), &id), S_OK);
  EXPECT_EQ(id, 0x60030009);
  EXPECT_EQ(control->GetIDsOfNames(std::span(names + 1, 1), &id), S_OK);
  EXPECT_EQ(id, 0x6003000A);

  DispParams none;
  Variant result;
  EXPECT_EQ(control->Invoke(0x6003000A, none, &result, nullptr), S_OK);
  EXPECT_EQ(result.Bstr(), u"Tolvo MP3 Encoder OCX 1.3.0");
  for (DISPID gap = 0x60030004; gap <= 0x60030008; ++gap) {
    EXPECT_EQ(control->Invoke(gap, none, &result, nullptr), DISP_E_MEMBERNOTFOUND);
  }
  // Without a display the box is printed, so the call returns at once.
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  result = Variant::FromI4(1);
  EXPECT_EQ(control->Invoke(0x60030009, none, &result, nullptr), S_OK);
  EXPECT_TRUE(result.IsEmpty());

  std::u16string name;
  EXPECT_EQ(control->ControlName(&name), S_OK);
  EXPECT_EQ(name, u"Tolvo MP3 Encoder OCX 1.3.0");
}

TEST_F(ControlHostTest, LateBoundTagCallFillsTheCallersReferences) {
  ComPtr<_TolvoEncode> control = Create();
  ASSERT_TRUE(control);
  const std::string mp3 = dir_ / "plain.mp3";
  WriteFile(mp3, test::AudioBytes(500));
  int32_t track = 3, genre = 0;
  std::u16string title = u"keep", artist, album, year, comment;
  DispParams write{{Variant::FromBstr(U16(mp3)), Variant::FromI4(9), Variant::FromBstr(u"T"),
                    Variant::FromBstr(u"A"), Variant::FromBstr(u"B"), Variant::FromBstr(u"2024"),
                    Variant::FromI4(17), Variant::FromBstr(u"C")}};
  Variant result;
  ASSERT_EQ(control->Invoke(kDispidWrite_ID3_v1_tag, write, &result, nullptr), S_OK);
  EXPECT_EQ(result.Type(), VT_I4);
  EXPECT_EQ(result.I4(), 0);
  DispParams read{{Variant::FromBstr(U16(mp3)), Variant::RefI4(&track), Variant::RefBstr(&title),
                   Variant::RefBstr(&artist), Variant::RefBstr(&album), Variant::RefBstr(&year),
                   Variant::RefI4(&genre), Variant::RefBstr(&comment)}};
  ASSERT_EQ(control->Invoke(kDispidRead_ID3_v1_tag, read, &result, nullptr), S_OK);
  EXPECT_EQ(result.I4(), 0);
  EXPECT_EQ(track, 9);
  EXPECT_EQ(genre, 17);
  EXPECT_EQ(title, u"T");
  EXPECT_EQ(year, u"2024");
}

TEST_F(ControlHostTest, TheControlStaysA550TwipsSquareAndStoresNoProperties) {
  ComPtr<_TolvoEncode> control = Create();
  ASSERT_TRUE(control);
  ComPtr<IControlExtent> extent;
  ASSERT_EQ(control.As(IID_IControlExtent, &extent), S_OK);
  int32_t w = 0, h = 0;
  for (auto [pw, ph] : {std::pair{1000, 200}, std::pair{550, 550}, std::pair{0, 99999}}) {
    EXPECT_EQ(extent->SetExtent(pw, ph), S_OK);
    EXPECT_EQ(extent->GetExtent(&w, &h), S_OK);
    EXPECT_EQ(w, 550);
    EXPECT_EQ(h, 550);
  }

  // A bag that fails the test if the control reads or writes anything.
  class StrictBag final : public IPropertyBag {
   public:
    HRESULT QueryInterface(const Guid&, void** out) override {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }
    HRESULT Read(const std::u16string&, Variant*) override {
      ++touched;
      return E_FAIL;
    }
    HRESULT Write(const std::u16string&, const Variant&) override {
      ++touched;
      return E_FAIL;
    }
    int touched = 0;
  } bag;
  ComPtr<IPersistPropertyBag> persist;
  ASSERT_EQ(control.As(IID_IPersistPropertyBag, &persist), S_OK);
  EXPECT_EQ(persist->InitNew(), S_OK);
  EXPECT_EQ(persist->Load(&bag), S_OK);
  EXPECT_EQ(persist->Save(&bag, true, true), S_OK);
  EXPECT_EQ(bag.touched, 0);
}

// A copy of the control in a folder of its own, with only the files a test puts beside it.
class LoneControlTest : public ControlHostTest {
 protected:
  ComPtr<_TolvoEncode> CreateLone(bool withEngine) {
    std::filesystem::create_directory(lone_);
    std::filesystem::copy_file(BuiltControlPath(), lone_ + "/" + kControlLibraryName);
    if (withEngine) {
      std::filesystem::copy_file(OutDir() + "/" + kEngineLibraryName,
                                 lone_ + "/" + kEngineLibraryName);
    }
    ComPtr<_TolvoEncode> control;
    EXPECT_EQ(CreateObjectFromServer(lone_ + "/" + kControlLibraryName, CLSID_TolvoEncode,
                                     IID__TolvoEncode, control.PutVoid()),
              S_OK);
    return control;
  }
  // Every engine method fails early- and late-bound with `number` and a description holding
  // `mention`; no event reaches the sink.
  void ExpectEveryEngineCallFails(const ComPtr<_TolvoEncode>& control, int32_t number,
                                  const std::string& mention) {
    EventSink* sink = Connect(control);
    const std::u16string wav = Wav("in.wav", 0.1);
    Variant v;
    int32_t result = -5;
    const std::function<HRESULT()> calls[] = {
        [&] {
          return control->MP3Encode(wav, Path("out.mp3"), 128, u"joint", u"normal", 0, 320, &v);
        },
        [&] { return control->MP3EncodePause(&v); },
        [&] { return control->MP3EncodeCancel(&v); },
        [&] { return control->SelectProcessPriority(2, &v); },
        [&] { return control->Remove_ID3V1_tag(wav, &result); },
        [&] { return control->Generate_ID3v1Genre(&v); },
        [&] {
          ComPtr<IEncoderTuning> tuning;
          EXPECT_EQ(control.As(IID_IEncoderTuning, &tuning), S_OK);
          return tuning->SetVbrQuality(2);
        },
    };
    for (const auto& call : calls) {
      EXPECT_EQ(call(), ControlErrorHResult(number));
      std::optional<ErrorInfo> error = GetErrorInfo();  // each call's own error object
      ASSERT_TRUE(error);
      EXPECT_EQ(error->Number(), number);
      EXPECT_EQ(error->source, u"TolvoMP3Encode130.TolvoEncode");
      EXPECT_NE(error->description.find(U16(mention)), std::u16string::npos);
      EXPECT_NE(error->description.find(u"support@tolvo.example"), std::u16string::npos);
    }
    EXPECT_EQ(result, -5);

    DispParams args{{Variant::FromBstr(wav)}};
    ExcepInfo excep;
    EXPECT_EQ(control->Invoke(kDispidRemove_ID3V2_tag, args, &v, &excep), DISP_E_EXCEPTION);
    EXPECT_EQ(excep.scode, ControlErrorHResult(number));
    EXPECT_EQ(excep.Number(), number);
    EXPECT_NE(excep.description.find(U16(mention)), std::u16string::npos);
    EXPECT_TRUE(sink->heard.empty());

    // A priority outside 1..3 is refused without the engine, as an event.
    EXPECT_EQ(control->SelectProcessPriority(0, &v), S_OK);
    ASSERT_EQ(sink->heard.size(), 1u);
    EXPECT_EQ(sink->heard[0].number, 12);
  }
  std::string lone_ = dir_ / "lone";
};

TEST_F(LoneControlTest, WithoutTheEngineEveryEngineCallFailsWith5007AndTheEnginePath) {
  ComPtr<_TolvoEncode> control = CreateLone(false);
  ASSERT_TRUE(control);
  ExpectEveryEngineCallFails(control, 5007, lone_ + "/" + kEngineLibraryName);
}

TEST_F(LoneControlTest, WithoutTheEncoderEveryEngineCallFailsWith5008AndItsBareName) {
  ComPtr<_TolvoEncode> control = CreateLone(true);
  ASSERT_TRUE(control);
  ExpectEveryEngineCallFails(control, 5008, std::string(", ") + kEncoderLibraryName + " ");
}

}  // namespace
}  // namespace tolvo::test
