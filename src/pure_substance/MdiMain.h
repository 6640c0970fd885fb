// Lunetta's frame window and start-up. The frame "Pure Substance" is an MDI frame that holds
// the substance window beside the shared windows (settings, message log, conversion, about,
// Behaviour of System, substance selection, element picker). LunettaWindows makes them in
// their start-up order; StartSubstanceWindow then starts the database, binds the frame's
// commands to the substance window, reads the user settings file and a ".sub" file named on
// the command line.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Components.h"

namespace quorel {

class TPSubstWnd;
class TAplStgsWnd;
class TAplMsgWnd;
class TUnitCnvDlg;
class TInfoDlg;
class TTablOprtWnd;
class TTDynOprtWnd;
class TSubstSelDlg;
class TElementsDlg;
class TGrfParaDlg;
class TGrfVarDlg;
class TGrfWnd;

// Message ID of a ".sub" file named on the command line that cannot be read.
constexpr int SubstanceArgumentUnreadableId = 1911;

class TMdiMainWnd : public platform::Form {
 public:
  explicit TMdiMainWnd(platform::Component* owner = nullptr);
  ~TMdiMainWnd() override;

  platform::StatusBar* StBar = nullptr;
  platform::MainMenu* MainMenu1 = nullptr;
  platform::MenuItem* File1 = nullptr;
  platform::MenuItem* MnuClose1 = nullptr;
  platform::MenuItem* System1 = nullptr;
  platform::MenuItem* MnuBehaviour = nullptr;
  platform::MenuItem* MnuSelect = nullptr;
  platform::MenuItem* Window1 = nullptr;
  platform::MenuItem* Cascade1 = nullptr;
  platform::MenuItem* Tile1 = nullptr;
  platform::MenuItem* MnuTable = nullptr;
  platform::MenuItem* MnuGraphic = nullptr;
  platform::MenuItem* Settings1 = nullptr;
  platform::MenuItem* MnuSaveNow = nullptr;
  platform::MenuItem* MnuSaveByExit = nullptr;
  platform::MenuItem* Information1 = nullptr;
  platform::MenuItem* Help1 = nullptr;
  platform::MenuItem* Messages1 = nullptr;
  platform::MenuItem* About1 = nullptr;

  void MnuClose1Click(platform::Component* sender);
  // System>Select From Database: the substance selection, with the element picker first when
  // no element is selected.
  void MnuSelectClick(platform::Component* sender);
  void Cascade1Click(platform::Component* sender);
  void Tile1Click(platform::Component* sender);
  // Window>Graphic: the chart window, restored when minimised, in front.
  void MnuGraphicClick(platform::Component* sender);
  void MnuSaveByExitClick(platform::Component* sender);
  void Help1Click(platform::Component* sender);
  void Messages1Click(platform::Component* sender);
  void About1Click(platform::Component* sender);
  void FormResize(platform::Component* sender);
  // Window > Tile: the table above the chart across the frame.
  void ArrangeTableAndChart();
  // The chart's height for its series boxes, and what the table keeps at least.
  static constexpr int kChartHeight = 560;
  static constexpr int kTableMinHeight = 160;
  // Set at the first start: the maximised frame arranges the table and the chart.
  bool ArrangeOnResize = false;

 private:
  bool arranged_ = false;
};

extern TMdiMainWnd* MdiMainWnd;

// The windows of one run of Lunetta, made in the start-up order (frame first, the substance
// window last) and destroyed in the opposite order.
struct LunettaWindows {
  LunettaWindows();
  ~LunettaWindows();
  LunettaWindows(const LunettaWindows&) = delete;
  LunettaWindows& operator=(const LunettaWindows&) = delete;

  std::unique_ptr<TMdiMainWnd> Frame;
  std::unique_ptr<TAplStgsWnd> Settings;
  std::unique_ptr<TAplMsgWnd> Messages;
  std::unique_ptr<TUnitCnvDlg> Conversion;
  std::unique_ptr<TInfoDlg> About;
  std::unique_ptr<TTablOprtWnd> Records;
  std::unique_ptr<TTDynOprtWnd> Behaviour;
  std::unique_ptr<TSubstSelDlg> SubstanceSelection;
  std::unique_ptr<TElementsDlg> Elements;
  std::unique_ptr<TGrfParaDlg> ChartFormat;
  std::unique_ptr<TGrfVarDlg> ChartVariables;
  std::unique_ptr<TGrfWnd> Chart;
  std::unique_ptr<TPSubstWnd> Substance;

 private:
  platform::Form* previousMainForm_ = nullptr;  // given back when the windows go
};

// Once, after every window exists and before the message loop: database start-up, captions,
// the frame's bindings, the user settings file, a ".sub" file named by the first command-line
// argument, the layout and the about text.
void StartSubstanceWindow(TPSubstWnd& window);

}  // namespace quorel
