#include "win32/common_controls.h"

#include <commctrl.h>

namespace win32 {

void PrepareCommonControls() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  // Without it the system's own buttons, edit fields and boxes still exist (unthemed); an
  // older library refusing a class flag is no reason to stop.
  InitCommonControlsEx(&controls);
}

}  // namespace win32
