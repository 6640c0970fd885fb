// Orvanto: the equilibrium of a closed system of up to eight phases, in an MDI frame. The first
// command-line argument may name an ".eql" system file to open.
#include "equilibrium/EqlMain.h"
#include "gui/Gui.h"

int main(int argc, char** argv) {
  if (!gui::DisplayAvailable()) return gui::ReportNoDisplay("orvanto");
  gui::Application app(argc, argv);
  int status = 0;
  {
    quorel::OrvantoWindows windows;
    windows.Main->StartUp();
    status = app.Run(windows.Main.get());
    gui::UnbindAll();
  }
  return status;
}
