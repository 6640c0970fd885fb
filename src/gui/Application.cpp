#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

#include "gui/Gui.h"
#include "gui/QtServices.h"
#include "gui/ViewBase.h"

namespace gui {

bool DisplayAvailable() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* v = std::getenv(name);
    if (v && *v) return true;
  }
  return false;
}

int ReportNoDisplay(const std::string& programName) {
  std::fprintf(stderr,
               "%s: no display available (neither DISPLAY nor WAYLAND_DISPLAY is set); "
               "set QT_QPA_PLATFORM=offscreen to run without a screen\n",
               programName.c_str());
  return 1;
}

struct Application::Impl {
  std::unique_ptr<QApplication> app;  // null when a QApplication existed already
  std::unique_ptr<QObject> context;   // ends the event-loop connection with this object
  QtClipboard clipboard;
  QtDialogs dialogs;
  QtModalLoop modal;
  QtApplication application;
  platform::SystemDesktop desktop;
  platform::ServiceSet previous;
};

Application::Application(int& argc, char** argv) : impl_(std::make_unique<Impl>()) {
  if (!QApplication::instance()) impl_->app = std::make_unique<QApplication>(argc, argv);
  impl_->context = std::make_unique<QObject>();
  QApplication::setQuitOnLastWindowClosed(false);  // the main form's close ends the program
  platform::ServiceSet set;
  set.clipboard = &impl_->clipboard;
  set.dialogs = &impl_->dialogs;
  set.modal = &impl_->modal;
  set.application = &impl_->application;
  set.desktop = &impl_->desktop;
  impl_->previous = platform::InstallServices(set);
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    QRect r = s->availableGeometry();
    platform::Screen::SetSize(r.width(), r.height());
  }
  // Before the loop waits: windows and components made meanwhile get their widgets, and
  // released forms go.
  if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance()) {
    QObject::connect(d, &QAbstractEventDispatcher::aboutToBlock, impl_->context.get(), [] {
      Sync();
      platform::Screen::ProcessReleases();
    });
  }
}

Application::~Application() {
  UnbindAll();
  platform::InstallServices(impl_->previous);
  impl_->context.reset();
  impl_->app.reset();
}

int Application::Run(platform::Form* mainForm) {
  if (mainForm) {
    platform::Screen::SetMainForm(mainForm);
    Show(mainForm);
  }
  Sync();
  if (impl_->application.Terminated()) return 0;
  return QApplication::exec();
}

}  // namespace gui
