// The C interface between the platform layer and the GTK module (libtolvoui-gtk.so), which the
// platform loads at run time so that neither library links a GUI toolkit. Both sides include
// this header; plain C types only, so the two may be built apart.
#pragma once

extern "C" {

// Answers of a message box. 0 means the box could not be shown and the caller falls back to text.
enum TolvoUiAnswer { kTolvoUiNotShown = 0, kTolvoUiOk = 1, kTolvoUiCancel = 2 };

struct TolvoUiMessageRequest {
  const char* caption;
  const char* text;
  int withCancel;  // nonzero: OK and Cancel; zero: OK only
  int topmost;     // nonzero: kept above every other window
};

// Opens a web or "mailto:" address; the module calls back into the platform for it.
typedef void (*TolvoUiShellOpenFunction)(const char* target);

struct TolvoUiAboutRequest {
  const char* caption;
  const char* makerName;
  const char* webAddress;
  const char* contactAddress;
  const char* description;
  const char* exitCaption;
  TolvoUiShellOpenFunction shellOpen;
};

typedef int (*TolvoUiAbiVersionFunction)(void);
// 1 when the module could open the display (done once per process), else 0.
typedef int (*TolvoUiInitFunction)(void);
// One of TolvoUiAnswer.
typedef int (*TolvoUiMessageBoxFunction)(const TolvoUiMessageRequest* request);
// 1 when the box was shown and has been closed; 0 when it could not be shown.
typedef int (*TolvoUiAboutBoxFunction)(const TolvoUiAboutRequest* request);

}  // extern "C"

namespace tolvo::platform {

inline constexpr int kUiModuleAbiVersion = 1;
inline constexpr const char* kUiModuleFileName = "libtolvoui-gtk.so";
inline constexpr const char* kUiAbiVersionSymbol = "tolvo_ui_abi_version";
inline constexpr const char* kUiInitSymbol = "tolvo_ui_init";
inline constexpr const char* kUiMessageBoxSymbol = "tolvo_ui_message_box";
inline constexpr const char* kUiAboutBoxSymbol = "tolvo_ui_about_box";

}  // namespace tolvo::platform
