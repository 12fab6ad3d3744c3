// The agreement countdown: ten ticks on the Agree button, then one more tick after the click
// before Install and Close can be used.
#include <string>

#include "ui/main_window.h"

namespace ui {

void TMain::FormCreate() {
  TickCount = 0;
  Countdown = 10;
}

void TMain::Timer1Timer() {
  ++TickCount;
  if (TickCount <= 10) {
    btnInstall->SetEnabled(false);
    btnAgree->SetEnabled(false);
    if (TickCount == 10) {
      btnAgree->SetEnabled(true);
      Timer1->SetEnabled(false);
    }
    btnAgree->SetCaption("同意(" + std::to_string(Countdown) + ")");
    --Countdown;
  }
  // Replaces "同意(1)" within the same tick, before anything is painted.
  if (TickCount == 10) btnAgree->SetCaption("同意授权");
  if (TickCount > 10) {
    btnInstall->SetEnabled(true);
    Timer1->SetEnabled(false);
    if (TickCount == 11) {
      btnAgree->SetVisible(false);
      btnClose->SetVisible(true);
    }
  }
}

void TMain::btnAgreeClick() {
  if (Timer1->Enabled()) return;
  Timer1->SetEnabled(true);
  btnAgree->SetVisible(false);
  Memo1->SetVisible(false);
}

}  // namespace ui
