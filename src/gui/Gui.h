// The real user interface: every platform component shown by Qt 6 Widgets, and the Qt
// implementations of the services (clipboard, message boxes, file/font/colour dialogs, the
// modal loop, the event pump, the busy cursor, the desktop).
//
// A program's main() looks like this:
//
//   int main(int argc, char** argv) {
//     if (!gui::DisplayAvailable()) return gui::ReportNoDisplay("orvanto");
//     gui::Application app(argc, argv);        // Qt set installed
//     ... create the windows (platform forms) ...
//     return app.Run(mainForm);                // shows it, runs until the program ends
//   }
//
// Forms are bound to Qt widgets when they are shown through gui::Show, when the event loop
// is about to wait, and on every event pump, so windows made later (phase windows, dialogs)
// and components added later (recent-file menu items) get their widgets by themselves.
#pragma once

#include <memory>
#include <string>

class QWidget;

namespace platform {
class Component;
class Form;
class StringGrid;
}  // namespace platform

namespace gui {

// True when Qt can open windows: DISPLAY or WAYLAND_DISPLAY is set, or QT_QPA_PLATFORM names
// a platform plugin (such as "offscreen").
bool DisplayAvailable();
// Prints why the program cannot start ("<program>: no display ...") to stderr and returns the
// exit status to leave with (1).
int ReportNoDisplay(const std::string& programName);

class QtServices;

// The Qt application for the program's lifetime: creates the QApplication, installs the Qt
// services (the previous services come back when it ends) and tells the platform the screen
// size. Destroy the program's forms before it, or let it unbind them at its end.
class Application {
 public:
  Application(int& argc, char** argv);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Shows mainForm (when given), runs the event loop until the program terminates (the main
  // form closed, or Terminate); returns the exit status.
  int Run(platform::Form* mainForm = nullptr);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Binds a form (and all its components) to widgets now and shows it.
void Show(platform::Form* form);
// Binds a form to widgets without showing it.
void Bind(platform::Form* form);
// Binds every existing form and every component added since the last call.
void Sync();
// Binds only the forms that have no widgets yet.
void SyncForms();
// Removes every view (the widgets go; the components stay and work headless).
void UnbindAll();

// The widget showing a component (nullptr when it has none). For a form: its window.
QWidget* WidgetOf(const platform::Component* component);
// The text a grid's view shows in cell (col, row) at the column's present width, shortened
// with "…" when it does not fit (empty without a view).
std::string GridCellShownText(const platform::StringGrid* grid, int col, int row);
// Saves a picture of the form's window as PNG; false when it has no widget or on a write error.
bool GrabToPng(const platform::Form* form, const std::string& path);

}  // namespace gui
