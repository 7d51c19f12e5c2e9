// The about box: a GTK window through the UI module when a display is available, otherwise its
// content printed to standard error.
#include "tolvo/platform/about_box.h"

#include <cstdio>

#include "tolvo/platform/ui_module.h"

namespace tolvo::platform {
namespace {

void ShellOpenFromModule(const char* target) { ShellOpen(target ? target : ""); }

void ShowAsText(const AboutBoxContent& content) {
  std::string text = content.caption + "\n" + content.makerName + "\n" + content.webAddress + "\n" +
                     content.contactAddress + "\n" + content.description;
  if (text.back() != '\n') text += '\n';
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

void ShowAboutBox(const AboutBoxContent& content) {
  if (const UiModule* ui = UiModuleForDisplay()) {
    const TolvoUiAboutRequest windowed{content.caption.c_str(),     content.makerName.c_str(),
                                       content.webAddress.c_str(),  content.contactAddress.c_str(),
                                       content.description.c_str(), content.exitCaption.c_str(),
                                       &ShellOpenFromModule};
    if (ui->showAboutBox(&windowed) == 1) return;
  }
  ShowAsText(content);
}

}  // namespace tolvo::platform
