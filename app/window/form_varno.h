#pragma once
// formVarno, the program's one window: every control under its own name, the window-wide
// variables the procedures share, and the procedures themselves. The procedures read the
// controls, call the rules of the pipeline and graph libraries, and write the results back.
#include <QLabel>
#include <QList>
#include <QString>
#include <QUrl>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>

#include "desktop.h"
#include "drop_box.h"
#include "line_index.h"
#include "module1.h"
#include "picture_box.h"

class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QScrollBar;

class formVarno : public QWidget {
  Q_OBJECT

 public:
  // `programDir` holds the converters, their job files and the Data folder.
  formVarno(varno::Desktop& desktop, const QString& programDir, QWidget* parent = nullptr);

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

  // Every message box of the window goes through here; tests replace it.
  Module1::MessageHook showMessage;

 private slots:
  void Text1_OLEDragDrop(const QList<QUrl>& urls);
  void Timer1_Timer();
  void HScroll1_Change();
  void cmdLeft_Click();
  void cmdRight_Click();
  void Combo1_Click();
  void Option1_Click();
  void Option2_Click();
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
  // Steps 3 to 12 of a drop: hand the file to pelkin and wait for it.
  void Capture(const QString& path);
  // The end of a capture, "close" or "error": a drop that waited for it starts now.
  void Finish_Capture();
  void Start_Queued_Drop();
  // The steps every choice of rate or method runs: the player guard, Main_Job, the redraw.
  void Make_Choice(ChoiceSource source);
  // False when the choice was left to the run or conversion in progress, or given up for a
  // drop: the caller then does not redraw.
  bool Main_Job();
  // Starts the player on `file` and locks the open buttons until the player's window is known.
  void Open_Sound(const QString& file);
  bool isOwnWindow(varno::WindowId window) const;
  bool Pre_Draw_Fig();
  void Set_Grid();
  void Set_Grid_1();
  void Set_Grid_2();
  void Draw_Fig();
  void Set_Combo1();

  varno::Desktop& desktop_;
  const QString programDir_;
  // From the drop until the capture's end is handled; a drop meanwhile waits in queuedDrop_
  // (only the latest), so two pelkin never work on the same files.
  bool captureBusy_ = false;
  QString queuedDrop_;
  // Main_Job yields to events while it re-samples; a choice made meanwhile, or while trosk
  // converts, is noted here and run when the run or the conversion ends.
  bool mainJobRunning_ = false;
  bool choiceQueued_ = false;
  ChoiceSource lastChoiceSource_ = ChoiceSource::Combo;
  // A drop while trosk converts: that conversion belongs to the sound being replaced.
  bool conversionAbandoned_ = false;
  // The factor Chg_txt was written with (0 when there is none), so the staircase always
  // matches the file even while a newer choice waits.
  int chgFactor_ = 0;
  // Timer3's ticks spent looking for the player's window.
  int playerLookTicks_ = 0;
  // A pick in the list announces itself twice (index changed, then activated); a pick of
  // the item already selected only once.
  bool comboPickSeen_ = false;
  // Where every 4096th sample line starts in Org_txt and in Chg_txt, for redraws that seek.
  varno::LineIndex orgIndex_;
  varno::LineIndex chgIndex_;
};
