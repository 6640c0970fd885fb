// Lunetta: properties of one pure substance over a temperature or pressure range, in an MDI
// frame. The first command-line argument may name a ".sub" file to open.
#include "gui/Gui.h"
#include "platform/Form.h"
#include "pure_substance/MdiMain.h"
#include "pure_substance/SubstMain.h"

int main(int argc, char** argv) {
  if (!gui::DisplayAvailable()) return gui::ReportNoDisplay("lunetta");
  gui::Application app(argc, argv);
  int status = 0;
  {
    quorel::LunettaWindows windows;
    quorel::StartSubstanceWindow(*windows.Substance);
    // The frame and the substance window get their widgets; each menu bar is then put on its
    // window (the bars exist only once the windows are bound).
    for (platform::Form* form : {static_cast<platform::Form*>(windows.Frame.get()),
                                 static_cast<platform::Form*>(windows.Substance.get())}) {
      gui::Bind(form);
      form->SetMenu(form->Menu());
    }
    status = app.Run(windows.Frame.get());
    gui::UnbindAll();
  }
  return status;
}
