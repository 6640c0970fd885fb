// Lunetta: properties of one pure substance over a temperature or pressure range, in an MDI
// frame. The first command-line argument may name a ".sub" file to open.
#include "gui/Gui.h"
#include "pure_substance/MdiMain.h"
#include "pure_substance/SubstMain.h"

int main(int argc, char** argv) {
  if (!gui::DisplayAvailable()) return gui::ReportNoDisplay("lunetta");
  gui::Application app(argc, argv);
  int status = 0;
  {
    quorel::LunettaWindows windows;
    quorel::StartSubstanceWindow(*windows.Substance);
    status = app.Run(windows.Frame.get());
    gui::UnbindAll();
  }
  return status;
}
