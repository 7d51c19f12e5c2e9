// The about box Form1: the maker's name, two links, the description and the Exit button, laid out
// in pixels at 15 twips per pixel, modal on a nested loop of the calling thread's context.
#pragma once

#include "tolvo/platform/ui_module_abi.h"

namespace tolvo::ui {

// Pixel size of a length in twips on the form.
constexpr int TwipsToPixels(int twips) { return twips / 15; }

// Shows the form and returns once it has been closed; at most one form per thread (a call while
// the thread's form is open waits for that same form). Call only where GTK may be used.
void RunAboutForm(const TolvoUiAboutRequest& request);

}  // namespace tolvo::ui
