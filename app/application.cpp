#include "app/application.h"

#include <exception>
#include <memory>

#include "ui/main_window.h"

namespace app {

int RunInstaller(ui::Toolkit& toolkit, install::OperatingSystem& os) {
  toolkit.Initialize("MAINICON");
  std::unique_ptr<ui::TMain> Main;
  try {
    Main = std::make_unique<ui::TMain>(toolkit, os);
  } catch (const std::exception& error) {
    toolkit.ShowMessage(error.what());
    return 1;
  }
  toolkit.Run();
  return 0;
}

}  // namespace app
