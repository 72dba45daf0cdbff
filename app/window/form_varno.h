#pragma once
// formVarno, the program's one window: every control under its own name, the window-wide
// variables the procedures share, and the procedures themselves. The procedures read the
// controls, call the rules of the pipeline and graph libraries, and write the results back.
#include <QLabel>
#include <QList>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>

#include "common/line_index.h"
#include "desktop/desktop.h"
#include "graph/graph.h"
#include "pipeline/sequencer.h"
#include "window/drop_box.h"
#include "window/module1.h"
#include "window/picture_box.h"

class QAction;
class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace varno::window {

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
  QComboBox* Combo1;
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

  // The picture boxes' context menus: the methods, on Picture2 only and in step with Option1
  // to Option3; then saving both graphs as a picture and copying the samples in view.
  std::array<QAction*, 3> mnuMethod;
  QAction* mnuSavePicture;
  QAction* mnuCopySamples;

  // The window-wide variables.
  QString Conv_Exe;
  QString Conv_Ini;
  QString Rev_Exe;
  QString Rev_Ini;
  QString Org_Txt;
  QString Chg_Txt;
  QString Chg_Wav;
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

  // Every message box of the window goes through here; tests replace it.
  Module1::MessageHook showMessage;
  // Asks where to save the graphs' picture, offering `suggested`; "" when the user cancels.
  // Tests replace it.
  std::function<QString(const QString& suggested)> askSaveName;

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
  void Timer2_Timer();
  void cmdOpen_Org_Click();
  void cmdOpen_Chg_Click();
  void Timer3_Timer();
  void Timer4_Timer();
  void Command1_Click();

 private:
  enum class ChoiceSource { Combo, Option };

  void buildControls();
  void connectEvents();
  void Form_Load();
  // Hands an event to the sequencer and carries out what it asks for, in order; an action
  // answered by an event ends the list, and the answer is handled next.
  void dispatch(const varno::pipeline::Event& event);
  std::optional<varno::pipeline::Event> perform(const varno::pipeline::Action& action);
  // The steps every choice of rate or method runs: the player guard, then the sequencer.
  void Make_Choice(ChoiceSource source);
  // Re-samples the original with the choice; the answer says how the run ended.
  varno::pipeline::Event Main_Job(const varno::pipeline::action::Resample& choice);
  // Starts the player on `file` (the bytes of its path) and locks the open buttons until
  // the player's window is known.
  void Open_Sound(const std::string& file);
  // The player guard: whether the player process of the lock still runs; its window, where
  // one can be seen, is brought to the front.
  bool playerOpen();
  // Brings the player's window to the front, finding it among the player process's windows
  // when it is not known yet; false once the player process has ended.
  bool Raise_Player();
  // Combo1's tooltip: the method in force and what made the staircase.
  void showChoiceTip();
  varno::pipeline::Method methodInForce() const;
  // Label7's text; the refusal lines carry the reason for the refusal as their tooltip.
  void showMessageLine(const QString& text);
  bool Pre_Draw_Fig();
  void Set_Grid();
  // Sizes the axis captions to their texts, so none is cut (Label12 and Label13).
  void fitCaptions();
  void Set_Grid_1();
  void Set_Grid_2();
  void Draw_Fig();
  // The factor of the staircase Draw_Fig draws; 0 when it draws none.
  int staircaseFactor() const;
  // Both picture boxes with their amplitude and time captions, in window coordinates.
  QRect graphsRegion() const;
  void Set_Combo1();
  QWidget* control(varno::pipeline::Control control) const;
  QTimer* timer(varno::pipeline::Timer timer) const;

  varno::desktop::Desktop& desktop_;
  const QString programDir_;
  const QString dataDir_;
  varno::pipeline::Sequencer sequencer_;
  // The dropped file's path as its own bytes: a name that is not UTF-8 still reaches
  // pelkin and the player unchanged, whatever Text1 can show of it.
  std::string droppedPath_;
  // What Label4 and Label5 show, as numbers: set with their texts when a capture ends.
  varno::graph::SoundFormat format_;
  // Why the last refused file was refused, for as long as the refusal lines stand.
  QString refusalReason_;
  // The factor Chg_txt was written with (0 when there is none), so the staircase always
  // matches the file even while a newer choice runs.
  int chgFactor_ = 0;
  varno::pipeline::Method chgMethod_ = varno::pipeline::Method::FirstSample;
  // A pick in the list announces itself twice (index changed, then activated); a pick of
  // the item already selected only once.
  bool comboPickSeen_ = false;
  // Where every 4096th sample line starts in Org_txt and in Chg_txt, for redraws that seek.
  varno::common::LineIndex orgIndex_;
  varno::common::LineIndex chgIndex_;
};

}  // namespace varno::window
