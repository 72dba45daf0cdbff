#pragma once
// formVarno, the program's one window: every control under its own name, the window-wide
// variables the procedures share, and the procedures themselves. The procedures read the
// controls, ask the sequencer what to do and the display model what to show, and write the
// results back.
#include <QImage>
#include <QLabel>
#include <QList>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "desktop/desktop.h"
#include "graph/display.h"
#include "graph/spectrum.h"
#include "pipeline/quantize.h"
#include "pipeline/sequencer.h"
#include "pipeline/test_signal.h"
#include "window/drop_box.h"
#include "window/module1.h"
#include "window/pick_list.h"
#include "window/picture_box.h"

class QAction;
class QGroupBox;
class QMenu;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace varno::window {

class SpectrumWindow;

namespace act = varno::pipeline::action;
namespace ev = varno::pipeline::event;

class formVarno : public QWidget {
  Q_OBJECT

 public:
  // `programDir` holds the converters; `dataDir` their job files and the Data folder (the
  // program folder when empty).
  formVarno(varno::desktop::Desktop& desktop, const QString& programDir,
            const QString& dataDir = QString(), QWidget* parent = nullptr);

  // The controls, in their tab order.
  QLabel* Label1;
  DropBox* Text1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
  QLabel* Label5;
  QLabel* Label6;
  PickList* Combo1;
  QLabel* Label7;
  QPushButton* cmdOpen_Org;
  QPushButton* cmdOpen_Chg;
  QPushButton* Command1;
  QLabel* Label8;
  QLabel* Label9;
  QLabel* Label10;
  QLabel* Label11;
  QGroupBox* Frame1;
  QRadioButton* Option1;
  QRadioButton* Option2;
  QRadioButton* Option3;
  PictureBox* Picture1;
  PictureBox* Picture2;
  QPushButton* cmdLeft;
  QPushButton* cmdRight;
  QScrollBar* HScroll1;
  std::array<QLabel*, 6> Label12;
  std::array<QLabel*, 12> Label13;
  QTimer* Timer1;
  QTimer* Timer2;
  QTimer* Timer3;
  QTimer* Timer4;
  QTimer* Timer5;

  // The picture boxes' context menus: the methods, on Picture2 only and in step with Option1
  // to Option3, then the bit depth, the dither and the error's sound; then saving both graphs
  // as a picture and copying the samples in view; last making a test signal, which Text1's
  // menu offers too.
  std::array<QAction*, 3> mnuMethod;
  QMenu* mnuBits;
  // "元のまま", then 12, 10, 8, 6, 4, 3, 2 and 1 bits; the item's data is its bits (0 first).
  std::array<QAction*, 9> mnuBitsDepth;
  QAction* mnuDither;
  QAction* mnuListenToError;
  QAction* mnuTestSignal;
  QAction* mnuSavePicture;
  QAction* mnuCopySamples;
  QAction* mnuSpectrum;
  // The spectrum window, made when it is first asked for.
  SpectrumWindow* formSpectrum = nullptr;

  // The window-wide variables.
  QString Conv_Exe;
  QString Conv_Ini;
  QString Rev_Exe;
  QString Rev_Ini;
  QString Org_Txt;
  QString Chg_Txt;
  QString Chg_Wav;
  QString Dec_Exe;
  QString Dec_Ini;
  QString Org_Wav;
  QString Err_Txt;
  QString Err_Wav;
  std::int32_t Max_Amp = 0;
  std::int32_t Start_Pos = 0;
  std::int32_t Data_Count = 0;
  bool Org_Btn_State = false;
  bool Chg_Btn_State = false;
  QString Saved_Msg;
  // The player's window, once one of the player process's windows has been seen; 0 until then.
  varno::desktop::WindowId Player_Wnd = 0;

  // Takes the file (the bytes of its path) as a drop of it on Text1.
  void openFile(const std::string& path);
  // The drop of a file, named by the user or dropped: a WAVE file goes to pelkin, any other
  // sound to the decoder first.
  void dropFile(const std::string& path, bool named);
  // Brings the window forward for a later start, with the token its launcher gave it (""
  // for none), where the session lets it.
  void comeForward(const std::string& activationToken);

  // Every message box of the window goes through here; tests replace it.
  Module1::MessageHook showMessage;
  // Asks where to save the graphs' picture, offering `suggested`; "" when the user cancels.
  // Tests replace it.
  std::function<QString(const QString& suggested)> askSaveName;
  // Asks whether to convert a file that pelkin cannot read; tests replace it.
  std::function<bool(const QString& question)> askToConvert;
  // Asks what test signal to make; none when the user cancels. Tests replace it.
  std::function<std::optional<varno::pipeline::SignalSettings>()> askSignal;

 private slots:
  void Text1_OLEDragDrop(const QList<QUrl>& urls);
  void Timer1_Timer();
  void HScroll1_Change();
  void cmdLeft_Click();
  void cmdRight_Click();
  void Combo1_Click();
  void Option1_Click();
  void Option2_Click();
  void Option3_Click();
  void mnuSavePicture_Click();
  void mnuCopySamples_Click();
  void mnuSpectrum_Click();
  void mnuBitsDepth_Click();
  void mnuDither_Click();
  void mnuListenToError_Click();
  void mnuTestSignal_Click();
  void Timer2_Timer();
  void cmdOpen_Org_Click();
  void cmdOpen_Chg_Click();
  void Timer3_Timer();
  void Timer4_Timer();
  void Timer5_Timer();
  void Command1_Click();

 private:
  enum class ChoiceSource { Combo, Option };

  void connectEvents();
  void Form_Load(const QString& programDir, const QString& dataDir);
  // Hands an event to the sequencer and carries out what it asks for, in order; the event
  // that answers the last action comes next.
  void dispatch(const varno::pipeline::Event& event);
  // One handler for each action; an action that an event answers returns that event.
  void perform(const act::SetMessage& a);
  void perform(const act::SetSavedMessage& a);
  void perform(const act::SaveMessage& a);
  void perform(const act::RestoreMessage& a);
  void perform(const act::Enable& a);
  void perform(const act::SetSavedButton& a);
  void perform(const act::SaveButtons& a);
  void perform(const act::RestoreButtons& a);
  void perform(const act::StartTimer& a);
  void perform(const act::StopTimer& a);
  void perform(const act::ShowDrop& a);
  ev::CaptureStarted perform(const act::StartCapture& a);
  void perform(const act::EndProcess& a);
  void perform(const act::ReleaseProcess& a);
  void perform(const act::ClearSelection& a);
  void perform(const act::RemoveResampled& a);
  ev::RefusalExplained perform(const act::ExplainRefusal& a);
  ev::CaptionsRead perform(const act::ReadCaptions& a);
  ev::GraphPrepared perform(const act::PrepareGraph& a);
  void perform(const act::DrawCaptured& a);
  void perform(const act::FillRates& a);
  ev::ResampleEnded perform(const act::Resample& a);
  ev::ConversionStarted perform(const act::StartConversion& a);
  void perform(const act::ShowConvertedSize& a);
  void perform(const act::ShowConversionError& a);
  void perform(const act::ShowDataInUse& a);
  void perform(const act::ShowPlayerNotStarted& a);
  void perform(const act::Redraw& a);
  ev::DecoderStarted perform(const act::StartProbe& a);
  ev::ConvertAnswered perform(const act::AskToConvert& a);
  ev::DecoderStarted perform(const act::StartDecoding& a);
  ev::CaptureStarted perform(const act::CaptureDecoded& a);
  ev::ConversionStarted perform(const act::StartErrorConversion& a);
  void perform(const act::OpenError& a);
  // Writes a converter's job, the Data folder made again if it went missing, and starts the
  // converter on it.
  struct Started {
    varno::pipeline::ProcessId process = 0;
    bool jobWritten = false;
  };
  Started startConverter(const QString& program, const QString& job, const std::string& input,
                         const QString& output);
  // The steps every choice of rate or method runs: the player guard, then the sequencer.
  void Make_Choice(ChoiceSource source);
  // Re-samples the original with the choice; the answer says how the run ended.
  ev::ResampleEnded Main_Job(const act::Resample& choice);
  // Starts the player on `file` (the bytes of its path).
  void Open_Sound(const std::string& file);
  // The player guard: whether the player process of the lock still runs; its window, where
  // one can be seen, is brought to the front.
  bool playerOpen();
  // Brings the player's window to the front, finding it among the player process's windows
  // when it is not known yet or no longer shown, unless a window of the player is in front
  // already; false once the player process has ended.
  bool Raise_Player();
  // Combo1's tooltip: the method in force and what made the staircase.
  void showChoiceTip();
  varno::pipeline::Method methodInForce() const;
  // The bit depth checked in the menu, with the dither where there are fewer bits.
  varno::pipeline::Quantization quantizationInForce() const;
  // The bit depths the sound offers; one it lacks falls back to "元のまま".
  void showBitsItems();
  // The menu items follow the method buttons' frame and the recording on screen.
  void showMenus();
  bool Pre_Draw_Fig();
  void Set_Grid();
  // Sizes the axis captions to their texts, so none is cut (Label12 and Label13).
  void fitCaptions();
  void Set_Grid_1();
  void Set_Grid_2();
  void Draw_Fig();
  // What the graphs show now, from the files as they are.
  varno::graph::Frame currentFrame() const;
  varno::graph::Spectrum currentSpectrum() const;
  // The sample texts as they are: no re-sampled one while Data/Chg_txt.txt is missing.
  varno::graph::SampleFiles sampleFiles() const;
  // Both picture boxes with their amplitude and time captions, in window coordinates.
  QRect graphsRegion() const;
  // The graphs as a picture to save: under a title line naming the sound, its rate and what
  // made the staircase, once a sound is shown.
  QImage titledPicture();
  // The sound's file name, its rate and what made the staircase.
  QString soundTitle() const;
  void Set_Combo1();
  QWidget* control(varno::pipeline::Control control) const;
  QTimer* timer(varno::pipeline::Timer timer) const;

  varno::desktop::Desktop& desktop_;
  varno::pipeline::Sequencer sequencer_;
  varno::graph::Display display_;
};

}  // namespace varno::window
