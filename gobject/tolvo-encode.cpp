// Tolvo.Encode: one TolvoEncode control created through the component runtime, its methods in
// the GObject style and its events as signals. The control raises its events on the creating
// thread's context, inside its own calls and ticks, so the signals are emitted there too.
#include "tolvo-1.0/tolvo-encode.h"

#include <memory>

#include "gobject_internal.h"
#include "tolvo/control/tolvo_encode.h"
#include "tolvo/control/tolvo_encode_events.h"
#include "tolvo/runtime/create_object.h"
#include "tolvo/runtime/error_info.h"

namespace {

using tolvo::gobject::SetFailure;
using tolvo::gobject::ToUtf16;
using tolvo::gobject::ToUtf8;
using tolvo::runtime::HRESULT;
using tolvo::runtime::Variant;
using Control = tolvo::control::_TolvoEncode;

enum { kSignalErrorCode, kSignalFinished, kSignalProgress, kSignalGenreList, kSignalCount };
guint signals[kSignalCount];

enum { kPropControlLibrary = 1 };

// What one object owns besides its GObject part. The control goes before the connection, so
// destroying the connection first unadvises the sink while the control is still alive.
struct Hosted {
  tolvo::runtime::ComPtr<Control> control;
  tolvo::control::TolvoEncodeConnection connection;
  std::shared_ptr<tolvo::control::TolvoEncodeEvents> events;
  // Why there is no control, for every call when creation failed.
  GError* creationError = nullptr;

  ~Hosted() {
    connection.Disconnect();
    if (events) *events = {};  // an event during the release below reaches nobody
    control.Reset();           // cancels a job that still runs and lets the engine go
    g_clear_error(&creationError);
  }
};

}  // namespace

struct _TolvoEncode {
  GObject parent_instance;
  gchar* control_library;
  Hosted* hosted;
};

G_DEFINE_FINAL_TYPE(TolvoEncode, tolvo_encode, G_TYPE_OBJECT)

namespace {

HRESULT CreateControl(const gchar* library, tolvo::runtime::ComPtr<Control>* control) {
  using namespace tolvo;
  if (library) {
    return runtime::CreateObjectFromServer(library, control::CLSID_TolvoEncode,
                                           control::IID__TolvoEncode, control->PutVoid());
  }
  const std::string beside = gobject::ControlLibraryBesideThisLibrary();
  if (!beside.empty()) {
    return runtime::CreateObjectFromServer(beside, control::CLSID_TolvoEncode,
                                           control::IID__TolvoEncode, control->PutVoid());
  }
  return runtime::CreateObject(control::kTolvoEncodeProgId, control::IID__TolvoEncode,
                               control->PutVoid());
}

// Handlers that emit the object's signals; they hold no reference, and the object clears them
// before it lets its control go.
std::shared_ptr<tolvo::control::TolvoEncodeEvents> SignalsOf(TolvoEncode* self) {
  auto events = std::make_shared<tolvo::control::TolvoEncodeEvents>();
  events->onErrorCode = [self](int32_t number, const std::u16string& description) {
    gchar* text = ToUtf8(description);
    g_signal_emit(self, signals[kSignalErrorCode], 0, static_cast<gint>(number), text);
    g_free(text);
  };
  events->onFinished = [self] { g_signal_emit(self, signals[kSignalFinished], 0); };
  events->onProgress = [self](int32_t percent) {
    g_signal_emit(self, signals[kSignalProgress], 0, static_cast<gint>(percent));
  };
  events->onGenreList = [self](bool clear, const std::u16string& genre) {
    gchar* text = ToUtf8(genre);
    g_signal_emit(self, signals[kSignalGenreList], 0, static_cast<gboolean>(clear), text);
    g_free(text);
  };
  return events;
}

void tolvo_encode_constructed(GObject* object) {
  G_OBJECT_CLASS(tolvo_encode_parent_class)->constructed(object);
  TolvoEncode* self = TOLVO_ENCODE(object);
  Hosted& hosted = *self->hosted;
  tolvo::runtime::ClearErrorInfo();
  HRESULT hr = CreateControl(self->control_library, &hosted.control);
  if (tolvo::runtime::SUCCEEDED(hr) && hosted.control) {
    hosted.events = SignalsOf(self);
    hr = hosted.connection.Connect(*hosted.control, hosted.events);
  } else if (tolvo::runtime::SUCCEEDED(hr)) {
    hr = tolvo::runtime::E_POINTER;
  }
  if (tolvo::runtime::FAILED(hr)) {
    hosted.control.Reset();
    SetFailure(&hosted.creationError, hr, "Creating the TolvoEncode control");
  }
}

void tolvo_encode_dispose(GObject* object) {
  TolvoEncode* self = TOLVO_ENCODE(object);
  delete self->hosted;
  self->hosted = nullptr;
  G_OBJECT_CLASS(tolvo_encode_parent_class)->dispose(object);
}

void tolvo_encode_finalize(GObject* object) {
  g_free(TOLVO_ENCODE(object)->control_library);
  G_OBJECT_CLASS(tolvo_encode_parent_class)->finalize(object);
}

void tolvo_encode_set_property(GObject* object, guint id, const GValue* value, GParamSpec* pspec) {
  if (id != kPropControlLibrary) {
    G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
    return;
  }
  TolvoEncode* self = TOLVO_ENCODE(object);
  g_free(self->control_library);
  self->control_library = g_value_dup_string(value);
}

void tolvo_encode_get_property(GObject* object, guint id, GValue* value, GParamSpec* pspec) {
  if (id != kPropControlLibrary) {
    G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
    return;
  }
  g_value_set_string(value, TOLVO_ENCODE(object)->control_library);
}

// The control of a live object, or NULL with *error set.
Control* ControlOf(TolvoEncode* self, GError** error) {
  if (!self->hosted) {
    g_set_error_literal(error, TOLVO_CONTROL_ERROR, TOLVO_CONTROL_ERROR_FAILED,
                        "The TolvoEncode object has been disposed");
    return nullptr;
  }
  if (self->hosted->creationError) {
    g_propagate_error(error, g_error_copy(self->hosted->creationError));
    return nullptr;
  }
  return self->hosted->control.get();
}

// Calls `method` on the control; a failure becomes *error. `what` names the call in a message.
template <class Method>
gboolean Call(TolvoEncode* self, GError** error, const char* what, Method&& method) {
  g_return_val_if_fail(TOLVO_IS_ENCODE(self), FALSE);
  g_return_val_if_fail(error == nullptr || *error == nullptr, FALSE);
  Control* control = ControlOf(self, error);
  if (!control) return FALSE;
  // The object may lose its last other reference inside a signal handler.
  g_object_ref(self);
  tolvo::runtime::ClearErrorInfo();
  const HRESULT hr = method(*control);
  if (tolvo::runtime::FAILED(hr)) SetFailure(error, hr, what);
  g_object_unref(self);
  return tolvo::runtime::SUCCEEDED(hr);
}

// Hands the caller a UTF-8 copy of a text that came back.
void GiveText(gchar** out, const std::u16string& text) {
  if (out) *out = ToUtf8(text);
}

}  // namespace

static void tolvo_encode_class_init(TolvoEncodeClass* klass) {
  GObjectClass* object_class = G_OBJECT_CLASS(klass);
  object_class->constructed = tolvo_encode_constructed;
  object_class->dispose = tolvo_encode_dispose;
  object_class->finalize = tolvo_encode_finalize;
  object_class->set_property = tolvo_encode_set_property;
  object_class->get_property = tolvo_encode_get_property;

  g_object_class_install_property(
      object_class, kPropControlLibrary,
      g_param_spec_string("control-library", "Control library",
                          "The file of the TolvoEncode control library to host", nullptr,
                          static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_CONSTRUCT_ONLY |
                                                   G_PARAM_STATIC_STRINGS)));

  const GType type = G_TYPE_FROM_CLASS(klass);
  signals[kSignalErrorCode] =
      g_signal_new("error-code", type, G_SIGNAL_RUN_LAST, 0, nullptr, nullptr, nullptr, G_TYPE_NONE,
                   2, G_TYPE_INT, G_TYPE_STRING);
  signals[kSignalFinished] = g_signal_new("finished", type, G_SIGNAL_RUN_LAST, 0, nullptr, nullptr,
                                          nullptr, G_TYPE_NONE, 0);
  signals[kSignalProgress] = g_signal_new("progress", type, G_SIGNAL_RUN_LAST, 0, nullptr, nullptr,
                                          nullptr, G_TYPE_NONE, 1, G_TYPE_INT);
  signals[kSignalGenreList] =
      g_signal_new("id3v1-genre-list", type, G_SIGNAL_RUN_LAST, 0, nullptr, nullptr, nullptr,
                   G_TYPE_NONE, 2, G_TYPE_BOOLEAN, G_TYPE_STRING);
}

static void tolvo_encode_init(TolvoEncode* self) { self->hosted = new Hosted(); }

TolvoEncode* tolvo_encode_new(GError** error) {
  return tolvo_encode_new_for_library(nullptr, error);
}

TolvoEncode* tolvo_encode_new_for_library(const gchar* control_library, GError** error) {
  g_return_val_if_fail(error == nullptr || *error == nullptr, nullptr);
  auto* self =
      TOLVO_ENCODE(g_object_new(TOLVO_TYPE_ENCODE, "control-library", control_library, nullptr));
  if (self->hosted->creationError) {
    g_propagate_error(error, g_error_copy(self->hosted->creationError));
    g_object_unref(self);
    return nullptr;
  }
  return self;
}

gboolean tolvo_encode_mp3_encode(TolvoEncode* self, const gchar* input_file,
                                 const gchar* output_file, gint bitrate, const gchar* stereo_mode,
                                 const gchar* mp3_quality, gint vbr, gint vbr_max_bitrate,
                                 GError** error) {
  return Call(self, error, "MP3Encode", [&](Control& c) {
    Variant ignored;
    return c.MP3Encode(ToUtf16(input_file), ToUtf16(output_file), bitrate, ToUtf16(stereo_mode),
                       ToUtf16(mp3_quality), vbr, vbr_max_bitrate, &ignored);
  });
}

gboolean tolvo_encode_mp3_encode_pause(TolvoEncode* self, GError** error) {
  return Call(self, error, "MP3EncodePause", [](Control& c) {
    Variant ignored;
    return c.MP3EncodePause(&ignored);
  });
}

gboolean tolvo_encode_mp3_encode_resume(TolvoEncode* self, GError** error) {
  return Call(self, error, "MP3EncodeResume", [](Control& c) {
    Variant ignored;
    return c.MP3EncodeResume(&ignored);
  });
}

gboolean tolvo_encode_mp3_encode_cancel(TolvoEncode* self, GError** error) {
  return Call(self, error, "MP3EncodeCancel", [](Control& c) {
    Variant ignored;
    return c.MP3EncodeCancel(&ignored);
  });
}

gboolean tolvo_encode_select_process_priority(TolvoEncode* self, gint new_level, GError** error) {
  return Call(self, error, "SelectProcessPriority", [&](Control& c) {
    Variant ignored;
    return c.SelectProcessPriority(new_level, &ignored);
  });
}

gint tolvo_encode_read_id3_v1_tag(TolvoEncode* self, const gchar* filename, gint* track,
                                  gchar** title, gchar** artist, gchar** album, gchar** year,
                                  gint* genre, gchar** comment, GError** error) {
  int32_t result = -1, trackValue = 0, genreValue = 0;
  std::u16string texts[5];  // title, artist, album, year, comment
  const gboolean ok = Call(self, error, "Read_ID3_v1_tag", [&](Control& c) {
    return c.Read_ID3_v1_tag(ToUtf16(filename), &trackValue, &texts[0], &texts[1], &texts[2],
                             &texts[3], &genreValue, &texts[4], &result);
  });
  if (track) *track = trackValue;
  if (genre) *genre = genreValue;
  gchar** outs[] = {title, artist, album, year, comment};
  for (size_t i = 0; i < 5; ++i) GiveText(outs[i], texts[i]);
  return ok ? result : -1;
}

gint tolvo_encode_write_id3_v1_tag(TolvoEncode* self, const gchar* filename, gint track,
                                   const gchar* title, const gchar* artist, const gchar* album,
                                   const gchar* year, gint genre, const gchar* comment,
                                   GError** error) {
  int32_t result = -1;
  const gboolean ok = Call(self, error, "Write_ID3_v1_tag", [&](Control& c) {
    return c.Write_ID3_v1_tag(ToUtf16(filename), track, ToUtf16(title), ToUtf16(artist),
                              ToUtf16(album), ToUtf16(year), genre, ToUtf16(comment), &result);
  });
  return ok ? result : -1;
}

gint tolvo_encode_remove_id3v1_tag(TolvoEncode* self, const gchar* filename, GError** error) {
  int32_t result = -1;
  const gboolean ok = Call(self, error, "Remove_ID3V1_tag", [&](Control& c) {
    return c.Remove_ID3V1_tag(ToUtf16(filename), &result);
  });
  return ok ? result : -1;
}

gboolean tolvo_encode_generate_id3v1_genre(TolvoEncode* self, GError** error) {
  return Call(self, error, "Generate_ID3v1Genre", [](Control& c) {
    Variant ignored;
    return c.Generate_ID3v1Genre(&ignored);
  });
}

gint tolvo_encode_read_id3_v2_tag(TolvoEncode* self, const gchar* filename, gchar** track,
                                  gchar** title, gchar** artist, gchar** album, gchar** year,
                                  gchar** genre, gchar** comment, gchar** encoded_by, gchar** url,
                                  gchar** copyright, gchar** original_artist, gchar** composer,
                                  GError** error) {
  int32_t result = -1;
  std::u16string t[12];  // in the order of the parameters
  const gboolean ok = Call(self, error, "Read_ID3_v2_tag", [&](Control& c) {
    return c.Read_ID3_v2_tag(ToUtf16(filename), &t[0], &t[1], &t[2], &t[3], &t[4], &t[5], &t[6],
                             &t[7], &t[8], &t[9], &t[10], &t[11], &result);
  });
  gchar** outs[] = {track,      title, artist,    album,           year,    genre, comment,
                    encoded_by, url,   copyright, original_artist, composer};
  for (size_t i = 0; i < 12; ++i) GiveText(outs[i], t[i]);
  return ok ? result : -1;
}

gint tolvo_encode_write_id3_v2_tag(TolvoEncode* self, const gchar* filename, const gchar* track,
                                   const gchar* title, const gchar* artist, const gchar* album,
                                   const gchar* year, const gchar* genre, const gchar* comment,
                                   const gchar* encoded_by, const gchar* url,
                                   const gchar* copyright, const gchar* original_artist,
                                   const gchar* composer, GError** error) {
  int32_t result = -1;
  const gboolean ok = Call(self, error, "Write_ID3_v2_tag", [&](Control& c) {
    return c.Write_ID3_v2_tag(ToUtf16(filename), ToUtf16(track), ToUtf16(title), ToUtf16(artist),
                              ToUtf16(album), ToUtf16(year), ToUtf16(genre), ToUtf16(comment),
                              ToUtf16(encoded_by), ToUtf16(url), ToUtf16(copyright),
                              ToUtf16(original_artist), ToUtf16(composer), &result);
  });
  return ok ? result : -1;
}

gint tolvo_encode_remove_id3v2_tag(TolvoEncode* self, const gchar* filename, GError** error) {
  int32_t result = -1;
  const gboolean ok = Call(self, error, "Remove_ID3V2_tag", [&](Control& c) {
    return c.Remove_ID3V2_tag(ToUtf16(filename), &result);
  });
  return ok ? result : -1;
}

gboolean tolvo_encode_about(TolvoEncode* self, GError** error) {
  return Call(self, error, "About", [](Control& c) {
    Variant ignored;
    return c.About(&ignored);
  });
}

gchar* tolvo_encode_control_name(TolvoEncode* self, GError** error) {
  std::u16string name;
  const gboolean ok =
      Call(self, error, "ControlName", [&](Control& c) { return c.ControlName(&name); });
  return ok ? ToUtf8(name) : nullptr;
}
