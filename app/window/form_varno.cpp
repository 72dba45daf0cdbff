#include "form_varno.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QGroupBox>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <filesystem>
#include <system_error>

#include "capture.h"
#include "fonts.h"
#include "graph.h"
#include "job.h"
#include "module1.h"
#include "numbers.h"
#include "numtext.h"
#include "resample.h"

namespace {

// Places and sizes are kept in twips as laid out; 15 twips make one pixel.
QRect fromTwips(int left, int top, int width, int height) {
  auto px = [](int twips) { return qRound(twips / 15.0); };
  return QRect(px(left), px(top), px(width), px(height));
}

const QString kDropPrompt = QStringLiteral("Wave ファイルを、上の白のボックス内にドロップしてください。");
const QString kCaptured = QStringLiteral("オリジナルの音を取り込みました。");
const QString kRefused = QStringLiteral("ドロップされたファイルフォーマットには対応していません。") +
                         QStringLiteral("\r\n") +
                         QStringLiteral("別の Wave ファイルを、上の白のボックス内にドロップしてください。");
const QString kOriginalUnreadable = QStringLiteral("取り込んだ音のデータ（Data/Org_txt.txt）を読めませんでした。") +
                                    QStringLiteral("\r\n") +
                                    QStringLiteral("別の Wave ファイルを、上の白のボックス内にドロップしてください。");

const QString kResampledUnwritable =
    QStringLiteral("サンプリング後のデータ（Data/Chg_txt.txt）を書き込めませんでした。") + QStringLiteral("\r\n") +
    QStringLiteral("Data フォルダに書き込めるか確かめてください。");
const QString kDataInUse = QStringLiteral("データが使われています。") + QStringLiteral("\r\n") +
                           QStringLiteral("再生用のソフトを閉じてから選択して選択してください。");
const QString kLocked = QStringLiteral("再生用のソフトをクローズしないと、すべての選択は行えません。");
const QString kPlayerNotStarted = QStringLiteral("再生用のソフトを起動できませんでした。");
// How long Timer3 looks for the player's window before it gives up: 25 ticks, 5 seconds.
constexpr int kPlayerLookTicks = 25;

std::filesystem::path fsPath(const QString& path) { return std::filesystem::path(QFile::encodeName(path).toStdString()); }

QString fromBytes(const std::string& text) { return QFile::decodeName(QByteArray::fromStdString(text)); }

// A window's changes reach the screen before the next long step.
void processPendingEvents() { QCoreApplication::processEvents(); }

QFont gothic(const QString& family, double points) {
  QFont font(family);
  font.setPointSizeF(points);
  font.setWeight(QFont::Normal);
  return font;
}

void showMessageBox(QWidget* parent, Module1::MessageKind kind, const QString& text) {
  const bool information = kind == Module1::MessageKind::Information;
  QMessageBox box(information ? QMessageBox::Information : QMessageBox::NoIcon, QStringLiteral("Varno"),
                  text, QMessageBox::Ok, parent);
  if (information) {
    box.show();
    box.raise();
    box.activateWindow();
  }
  box.exec();
}

}  // namespace

formVarno::formVarno(varno::Desktop& desktop, const QString& programDir, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      desktop_(desktop),
      programDir_(programDir) {
  showMessage = [this](Module1::MessageKind kind, const QString& text) { showMessageBox(this, kind, text); };
  buildControls();
  connectEvents();
  Form_Load();
}

void formVarno::buildControls() {
  setObjectName(QStringLiteral("formVarno"));
  setWindowTitle(QStringLiteral("B"));
  setFixedSize(583, 719);
  // The window's own font, for the controls that have none of their own.
  setFont(gothic(varno_fonts::kProportionalGothic, 9));
  QIcon icon;
  icon.addFile(QStringLiteral(":/varno/varno-32.png"), QSize(32, 32));
  icon.addFile(QStringLiteral(":/varno/varno-16.png"), QSize(16, 16));
  setWindowIcon(icon);

  auto label = [this](const char* name, const QString& text, QRect place, Qt::Alignment align,
                      bool border) {
    auto* l = new QLabel(text, this);
    l->setObjectName(QLatin1String(name));
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(align | Qt::AlignTop);
    l->setGeometry(place);
    if (border) {
      l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
      l->setLineWidth(1);
    }
    return l;
  };
  auto button = [this](const char* name, const QString& text, QRect place, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(place);
    return b;
  };

  Label1 = label("Label1", QStringLiteral("Wave ファイルを下にドロップしてください。"),
                 fromTwips(390, 120, 3555, 225), Qt::AlignLeft, false);
  Text1 = new DropBox(this);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->setGeometry(fromTwips(360, 360, 7545, 435));
  Label2 = label("Label2", QStringLiteral("サンプル周波数："), fromTwips(9240, 1800, 1605, 225), Qt::AlignRight, false);
  Label3 = label("Label3", QStringLiteral("ビット"), fromTwips(5760, 960, 585, 195), Qt::AlignRight, false);
  Label4 = label("Label4", QString(), fromTwips(10920, 1800, 1605, 255), Qt::AlignLeft, true);
  Label5 = label("Label5", QString(), fromTwips(6480, 930, 1395, 255), Qt::AlignLeft, true);
  Label6 = label("Label6", QStringLiteral("サンプル周波数："), fromTwips(360, 960, 2205, 225), Qt::AlignRight, false);
  Combo1 = new QComboBox(this);
  Combo1->setObjectName(QStringLiteral("Combo1"));
  Combo1->setEditable(false);
  Combo1->setFont(gothic(varno_fonts::kFixedGothic, 9));
  Combo1->setGeometry(fromTwips(2640, 900, 1965, 300));
  Label7 = label("Label7", QString(), fromTwips(360, 2520, 7635, 525), Qt::AlignLeft, true);
  Label7->setAutoFillBackground(true);
  QPalette pinkish = Label7->palette();
  pinkish.setColor(QPalette::Window, QColor(255, 192, 192));
  Label7->setPalette(pinkish);
  cmdOpen_Org = button("cmdOpen_Org", QStringLiteral("オリジナルの音を聞く"), fromTwips(360, 1920, 3855, 525), this);
  cmdOpen_Chg =
      button("cmdOpen_Chg", QStringLiteral("サンプリング後の音を聞く"), fromTwips(4200, 1920, 3735, 525), this);
  Command1 = button("Command1", QStringLiteral("Command1"), fromTwips(9480, 5520, 465, 315), this);
  Label8 = label("Label8", QStringLiteral("ファイルのサイズ："), fromTwips(480, 1260, 2055, 255), Qt::AlignRight, false);
  Label9 = label("Label9", QString(), fromTwips(2640, 1260, 1935, 255), Qt::AlignRight, true);
  Label10 = label("Label10", QStringLiteral("変換後のファイルのサイズ："), fromTwips(360, 1560, 2175, 255),
                  Qt::AlignRight, false);
  Label11 = label("Label11", QString(), fromTwips(2640, 1560, 1935, 255), Qt::AlignRight, true);
  Frame1 = new QGroupBox(QStringLiteral("サンプリングの方法"), this);
  Frame1->setObjectName(QStringLiteral("Frame1"));
  Frame1->setGeometry(fromTwips(9600, 480, 3255, 1095));
  Option1 = new QRadioButton(QStringLiteral("平均値を使う"), Frame1);
  Option1->setObjectName(QStringLiteral("Option1"));
  Option1->setGeometry(fromTwips(720, 360, 1455, 255));
  Option2 = new QRadioButton(QStringLiteral("先頭データを使う"), Frame1);
  Option2->setObjectName(QStringLiteral("Option2"));
  Option2->setGeometry(fromTwips(720, 720, 1815, 180));
  Picture1 = new PictureBox(this);
  Picture1->setObjectName(QStringLiteral("Picture1"));
  Picture1->setGeometry(fromTwips(360, 3240, 7575, 3100));
  Picture2 = new PictureBox(this);
  Picture2->setObjectName(QStringLiteral("Picture2"));
  Picture2->setGeometry(fromTwips(360, 6720, 7575, 3100));
  cmdLeft = button("cmdLeft", QStringLiteral("<<"), fromTwips(120, 12360, 615, 375), this);
  cmdRight = button("cmdRight", QStringLiteral(">>"), fromTwips(7080, 12360, 615, 375), this);
  HScroll1 = new QScrollBar(Qt::Horizontal, this);
  HScroll1->setObjectName(QStringLiteral("HScroll1"));
  HScroll1->setGeometry(fromTwips(360, 10320, 7575, 255));
  HScroll1->setRange(0, 32767);
  HScroll1->setSingleStep(1);
  HScroll1->setPageStep(1);
  // The view follows the thumb when it is released, not while it is dragged.
  HScroll1->setTracking(false);
  HScroll1->setFocusPolicy(Qt::StrongFocus);

  const QFont captionFont = gothic(varno_fonts::kProportionalGothic, 8.25);
  constexpr std::array<int, 6> kLabel12Tops{3120, 4680, 6240, 6720, 8160, 9720};
  for (int i = 0; i < 6; ++i) {
    Label12[i] = label(QStringLiteral("Label12(%1)").arg(i).toLatin1().constData(), QString(),
                       fromTwips(8040, kLabel12Tops[i], 735, 135), Qt::AlignLeft, false);
    Label12[i]->setFont(captionFont);
  }
  constexpr std::array<int, 6> kLabel13Lefts{0, 1560, 3120, 4560, 6120, 7560};
  for (int i = 0; i < 12; ++i) {
    const bool samples = i < 6;
    Label13[i] = label(QStringLiteral("Label13(%1)").arg(i).toLatin1().constData(), QString(),
                       fromTwips(kLabel13Lefts[i % 6], samples ? 6480 : 9960, samples ? 735 : 975, 135),
                       Qt::AlignHCenter, false);
    Label13[i]->setFont(captionFont);
  }

  QWidget* tabOrder[] = {Text1, Combo1, cmdOpen_Org, cmdOpen_Chg, Command1, Option1,
                         Option2, cmdLeft, cmdRight, HScroll1};
  for (std::size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

  auto timer = [this](const char* name) {
    auto* t = new QTimer(this);
    t->setObjectName(QLatin1String(name));
    return t;
  };
  Timer1 = timer("Timer1");
  Timer2 = timer("Timer2");
  Timer3 = timer("Timer3");
  Timer4 = timer("Timer4");
}

void formVarno::connectEvents() {
  connect(Text1, &DropBox::filesDropped, this, &formVarno::Text1_OLEDragDrop);
  connect(Timer1, &QTimer::timeout, this, &formVarno::Timer1_Timer);
  connect(HScroll1, &QScrollBar::valueChanged, this, &formVarno::HScroll1_Change);
  connect(cmdLeft, &QPushButton::clicked, this, &formVarno::cmdLeft_Click);
  connect(cmdRight, &QPushButton::clicked, this, &formVarno::cmdRight_Click);
  connect(Combo1, &QComboBox::currentIndexChanged, this, [this] {
    comboPickSeen_ = true;
    Combo1_Click();
    // Posted only now, so the activation that follows a pick still finds the mark.
    QTimer::singleShot(0, this, [this] { comboPickSeen_ = false; });
  });
  connect(Combo1, &QComboBox::activated, this, [this] {
    if (comboPickSeen_) {
      comboPickSeen_ = false;
      return;
    }
    Combo1_Click();
  });
  connect(Option1, &QRadioButton::toggled, this, [this](bool selected) {
    if (selected) Option1_Click();
  });
  connect(Option2, &QRadioButton::toggled, this, [this](bool selected) {
    if (selected) Option2_Click();
  });
  connect(Timer2, &QTimer::timeout, this, &formVarno::Timer2_Timer);
  connect(cmdOpen_Org, &QPushButton::clicked, this, &formVarno::cmdOpen_Org_Click);
  connect(cmdOpen_Chg, &QPushButton::clicked, this, &formVarno::cmdOpen_Chg_Click);
  connect(Timer3, &QTimer::timeout, this, &formVarno::Timer3_Timer);
  connect(Timer4, &QTimer::timeout, this, &formVarno::Timer4_Timer);
  connect(Command1, &QPushButton::clicked, this, &formVarno::Command1_Click);
}

void formVarno::Form_Load() {
  Conv_Exe = programDir_ + QStringLiteral("/pelkin");
  Conv_Ini = programDir_ + QStringLiteral("/pelkin.ini");
  Rev_Exe = programDir_ + QStringLiteral("/trosk");
  Rev_Ini = programDir_ + QStringLiteral("/trosk.ini");
  Org_Txt = programDir_ + QStringLiteral("/Data/Org_txt.txt");
  Chg_Txt = programDir_ + QStringLiteral("/Data/Chg_txt.txt");
  Chg_Wav = programDir_ + QStringLiteral("/Data/Chg_wav.wav");

  Text1->clear();

  for (QTimer* t : {Timer1, Timer2, Timer3}) {
    t->setInterval(200);
    t->stop();
  }

  for (QLabel* l : {Label4, Label5, Label7, Label9, Label11}) l->clear();

  Option2->setChecked(true);

  Module1::Make_Dir(programDir_ + QStringLiteral("/Data"));

  cmdOpen_Org->setEnabled(false);
  cmdOpen_Chg->setEnabled(false);
  HScroll1->setEnabled(false);

  Label7->setText(kDropPrompt);

  show();

  // Steps 10 to 13: the picture boxes keep their drawing by design (they paint their own
  // image), so only the captions and the empty grids remain.
  const QString amplitude[] = {QStringLiteral("max"), QString(), QStringLiteral("min")};
  for (int i = 0; i < 6; ++i) Label12[i]->setText(amplitude[i % 3]);
  for (int k = 0; k < 6; ++k) {
    Label13[k]->setText(QString::number(100 * k));
    Label13[6 + k]->setText(QStringLiteral("%1 msec").arg(100 * k));
  }

  Set_Grid_1();
  Set_Grid_2();
}

void formVarno::Set_Grid_1() {
  for (const varno::graph::Segment& s : varno::graph::gridSegments()) Picture1->line(s.x1, s.y1, s.x2, s.y2, s.rgb);
}

void formVarno::Set_Grid_2() {
  for (const varno::graph::Segment& s : varno::graph::gridSegments()) Picture2->line(s.x1, s.y1, s.x2, s.y2, s.rgb);
}

void formVarno::Text1_OLEDragDrop(const QList<QUrl>& urls) {
  if (urls.isEmpty()) return;
  const QString path = urls.first().toLocalFile();
  if (path.isEmpty() || !varno::pipeline::hasWaveExtension(QFile::encodeName(path).toStdString())) return;
  if (captureBusy_ || mainJobRunning_) {
    queuedDrop_ = path;
    return;
  }
  Capture(path);
}

void formVarno::Capture(const QString& path) {
  captureBusy_ = true;
  Text1->setText(path);

  std::error_code error;
  const std::uintmax_t bytes = std::filesystem::file_size(fsPath(path), error);
  if (!error) Label9->setText(fromBytes(varno::pipeline::kilobytesText(bytes)));

  // The display's values belong to the sound being replaced; until the new one is scanned
  // a redraw draws nothing.
  Max_Amp = 0;
  orgIndex_ = {};

  const bool jobWritten = varno::pipeline::writeJob(fsPath(Conv_Ini), QFile::encodeName(Text1->text()).toStdString(),
                                                    QFile::encodeName(Org_Txt).toStdString());
  Picture1->clear();
  Picture2->clear();
  // A converter that cannot be given its job or cannot be started refuses the file at once.
  const bool started = jobWritten && desktop_.startDetached(QFile::encodeName(Conv_Exe).toStdString(),
                                                           {QFile::encodeName(Conv_Ini).toStdString()});
  if (started) Timer1->start();

  Combo1->setCurrentIndex(-1);
  Combo1->setEnabled(false);
  Label7->setText(started ? kCaptured : kRefused);
  processPendingEvents();
  cmdOpen_Chg->setEnabled(false);
  cmdOpen_Org->setEnabled(true);

  QFile::remove(Chg_Txt);
  chgIndex_ = {};
  chgFactor_ = 0;
  if (Timer2->isActive()) conversionAbandoned_ = true;

  if (!started) Finish_Capture();
}

void formVarno::Finish_Capture() {
  captureBusy_ = false;
  Start_Queued_Drop();
}

void formVarno::Start_Queued_Drop() {
  if (queuedDrop_.isEmpty()) return;
  const QString next = queuedDrop_;
  queuedDrop_.clear();
  Capture(next);
}

void formVarno::Timer1_Timer() {
  Timer1->stop();
  switch (varno::pipeline::readJobStatus(fsPath(Conv_Ini))) {
    case varno::pipeline::JobStatus::Unfinished:
      Timer1->start();
      return;
    case varno::pipeline::JobStatus::Error:
      Label7->setText(kRefused);
      Finish_Capture();
      return;
    case varno::pipeline::JobStatus::Close:
      break;
  }

  const std::optional<varno::pipeline::SampleHeader> header = varno::pipeline::readSampleHeader(fsPath(Org_Txt));
  if (!header) {
    Label7->setText(kOriginalUnreadable);
    Finish_Capture();
    return;
  }
  Label4->setText(QLatin1Char(' ') + fromBytes(header->rateLine));
  Label5->setText(QLatin1Char(' ') + fromBytes(header->bitsLine));
  processPendingEvents();

  Label7->setText(QStringLiteral("グラフ作成の前準備中です。"));
  processPendingEvents();
  if (!Pre_Draw_Fig()) {
    Label7->setText(kOriginalUnreadable);
    Finish_Capture();
    return;
  }
  Set_Grid();

  Label7->setText(QStringLiteral("グラフ作成中です。"));
  processPendingEvents();
  HScroll1->setValue(0);
  Draw_Fig();
  HScroll1->setRange(0, 100);

  Label7->setText(kCaptured + QStringLiteral("\r\n") + QStringLiteral("サンプリング周波数を指定してください。"));
  Combo1->setEnabled(true);
  HScroll1->setEnabled(true);
  Set_Combo1();
  Finish_Capture();
}

bool formVarno::Pre_Draw_Fig() {
  const bool sixteenBit = varno::graph::isSixteenBit(Label5->text().toStdString());
  std::optional<varno::graph::Scan> scan = varno::graph::scanOriginal(fsPath(Org_Txt), sixteenBit);
  if (!scan) return false;
  Max_Amp = scan->maxAmp;
  Data_Count = scan->dataCount;
  orgIndex_ = std::move(scan->index);
  const std::array<std::string, 6> captions = varno::graph::amplitudeCaptions(Max_Amp, sixteenBit);
  for (std::size_t i = 0; i < captions.size(); ++i) Label12[i]->setText(QString::fromStdString(captions[i]));
  Start_Pos = 0;
  return true;
}

void formVarno::Set_Grid() {
  const varno::graph::TimeCaptions captions =
      varno::graph::timeCaptions(Start_Pos, varno::leadingNumber(Label4->text().toStdString()));
  for (std::size_t k = 0; k < 6; ++k) {
    Label13[k]->setText(QString::fromStdString(captions.samples[k]));
    Label13[6 + k]->setText(QString::fromStdString(captions.times[k]));
  }
}

void formVarno::Draw_Fig() {
  if (Max_Amp == 0) return;
  const int k = Combo1->currentIndex();
  Picture1->clear();
  Picture2->clear();
  const bool sixteenBit = varno::graph::isSixteenBit(Label5->text().toStdString());
  for (const varno::graph::Segment& s :
       varno::graph::originalTrace(fsPath(Org_Txt), orgIndex_, Start_Pos, Max_Amp, sixteenBit))
    Picture1->line(s.x1, s.y1, s.x2, s.y2, s.rgb);
  if (Module1::Check_File(Chg_Txt, 0) == 0 && k != -1) {
    const int factor = chgFactor_ != 0 ? chgFactor_ : 1 << k;
    for (const varno::graph::Segment& s :
         varno::graph::resampledTrace(fsPath(Chg_Txt), chgIndex_, Start_Pos, factor, Max_Amp, sixteenBit))
      Picture2->line(s.x1, s.y1, s.x2, s.y2, s.rgb);
  }
  Set_Grid_1();
  Set_Grid_2();
}

void formVarno::HScroll1_Change() {
  Start_Pos = varno::graph::scrollStartPos(HScroll1->value(), Data_Count);
  Set_Grid();
  Draw_Fig();
}

void formVarno::cmdLeft_Click() {
  Start_Pos = varno::graph::stepLeft(Start_Pos);
  Draw_Fig();
}

void formVarno::cmdRight_Click() {
  Start_Pos = varno::graph::stepRight(Start_Pos, Data_Count);
  Draw_Fig();
}

void formVarno::Set_Combo1() {
  static const QString kSuffixes[] = {QStringLiteral("Hz (等倍)"),  QStringLiteral("Hz (1/2)"),
                                      QStringLiteral("Hz (1/4)"),   QStringLiteral("Hz (1/8)"),
                                      QStringLiteral("Hz (1/16)"),  QStringLiteral("Hz (1/32)"),
                                      QStringLiteral("Hz (1/64)"),  QStringLiteral("Hz (1/128)")};
  // Filling the list is no choice: a combo box selects its first item by itself.
  const QSignalBlocker quiet(Combo1);
  Combo1->clear();
  for (int k = 0; k < 8; ++k) {
    const double rate = varno::leadingNumber(Label4->text().toStdString());
    const double value = k == 0 ? rate : varno::roundHalfUp(rate / (1 << k));
    Combo1->addItem(Module1::Right_Fit(value, 6) + kSuffixes[k]);
  }
  Combo1->setCurrentIndex(-1);
}

void formVarno::Combo1_Click() { Make_Choice(ChoiceSource::Combo); }

void formVarno::Option1_Click() { Make_Choice(ChoiceSource::Option); }

void formVarno::Option2_Click() { Make_Choice(ChoiceSource::Option); }

void formVarno::Make_Choice(ChoiceSource source) {
  if (Combo1->currentIndex() == -1) return;
  lastChoiceSource_ = source;
  if (desktop_.setForegroundWindow(Module1::Player_Wnd) == 1) {
    showMessage(Module1::MessageKind::Information, kDataInUse);
    if (source == ChoiceSource::Combo) Combo1->setCurrentIndex(-1);
    return;
  }
  if (!Main_Job()) return;
  Start_Pos = varno::graph::choiceStartPos(HScroll1->value(), Data_Count);
  Draw_Fig();
}

bool formVarno::Main_Job() {
  if (Combo1->currentIndex() == -1) return true;
  if (mainJobRunning_ || Timer2->isActive()) {
    choiceQueued_ = true;
    return false;
  }
  mainJobRunning_ = true;
  // The re-sampled sound is about to be replaced; nobody should start listening to it now.
  cmdOpen_Chg->setEnabled(false);
  varno::pipeline::ResampleResult result;
  int factor = 0;
  do {
    choiceQueued_ = false;
    const int k = Combo1->currentIndex();
    if (k == -1) break;
    Label7->setText(QStringLiteral("Wave データを圧縮中です。"));
    factor = 1 << k;
    const varno::pipeline::Method method =
        Option1->isChecked() ? varno::pipeline::Method::Average : varno::pipeline::Method::FirstSample;
    result = varno::pipeline::resample(fsPath(Org_Txt), fsPath(Chg_Txt), factor, method, [this] {
      processPendingEvents();
      return !choiceQueued_ && queuedDrop_.isEmpty();
    });
    // A newer choice cancels this run and runs in its place.
  } while (choiceQueued_ && queuedDrop_.isEmpty());
  mainJobRunning_ = false;

  if (!queuedDrop_.isEmpty()) {
    Start_Queued_Drop();
    return false;
  }
  switch (result.error) {
    case varno::pipeline::ResampleError::None:
      break;
    case varno::pipeline::ResampleError::OriginalUnreadable:
      Label7->setText(kOriginalUnreadable);
      return true;
    case varno::pipeline::ResampleError::CannotWrite:
      Label7->setText(kResampledUnwritable);
      return true;
    case varno::pipeline::ResampleError::Cancelled:
      return false;
  }
  chgIndex_ = std::move(result.index);
  chgFactor_ = factor;

  Label7->setText(QStringLiteral("サンプリングを完了しました。") + QStringLiteral("\r\n") +
                  QStringLiteral("サンプリングデータを Wave 化をしています。"));
  cmdOpen_Chg->setEnabled(false);
  const bool started =
      varno::pipeline::writeJob(fsPath(Rev_Ini), QFile::encodeName(Chg_Txt).toStdString(),
                                QFile::encodeName(Chg_Wav).toStdString()) &&
      desktop_.startDetached(QFile::encodeName(Rev_Exe).toStdString(), {QFile::encodeName(Rev_Ini).toStdString()});
  // A converter that cannot be started has failed: say so now rather than poll for ever.
  if (!started) {
    showMessage(Module1::MessageKind::Plain, QStringLiteral("Error"));
    return true;
  }
  Timer2->start();
  return true;
}

void formVarno::Timer2_Timer() {
  Timer2->stop();
  const varno::pipeline::JobStatus status = varno::pipeline::readJobStatus(fsPath(Rev_Ini));
  if (status == varno::pipeline::JobStatus::Unfinished) {
    Timer2->start();
    return;
  }
  if (conversionAbandoned_) {
    conversionAbandoned_ = false;
  } else if (status == varno::pipeline::JobStatus::Close) {
    Label7->setText(QStringLiteral("サンプリングを終了しました。"));
    cmdOpen_Chg->setEnabled(true);
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(fsPath(Chg_Wav), error);
    if (!error) Label11->setText(fromBytes(varno::pipeline::kilobytesText(bytes)));
  } else {
    showMessage(Module1::MessageKind::Plain, QStringLiteral("Error"));
  }
  if (choiceQueued_) {
    choiceQueued_ = false;
    Make_Choice(lastChoiceSource_);
  }
}

void formVarno::cmdOpen_Org_Click() { Open_Sound(Text1->text()); }

void formVarno::cmdOpen_Chg_Click() { Open_Sound(Chg_Wav); }

void formVarno::Open_Sound(const QString& file) {
  // The player is the program associated with the dropped file's type, for both sounds.
  const QString player = Module1::Find_Exe(desktop_, Text1->text(), showMessage);
  if (player.isEmpty()) return;
  if (!desktop_.startDetached(QFile::encodeName(Module1::Cut_Quote(player)).toStdString(),
                              {QFile::encodeName(file).toStdString()})) {
    showMessage(Module1::MessageKind::Plain, kPlayerNotStarted);
    return;
  }
  playerLookTicks_ = 0;
  Timer3->start();
  Org_Btn_State = cmdOpen_Org->isEnabled();
  Chg_Btn_State = cmdOpen_Chg->isEnabled();
  cmdOpen_Org->setEnabled(false);
  cmdOpen_Chg->setEnabled(false);
}

bool formVarno::isOwnWindow(varno::WindowId window) const {
  const QWidgetList windows = QApplication::topLevelWidgets();
  return std::any_of(windows.begin(), windows.end(), [window](const QWidget* w) {
    return w->testAttribute(Qt::WA_WState_Created) && static_cast<varno::WindowId>(w->internalWinId()) == window;
  });
}

void formVarno::Timer3_Timer() {
  Timer3->stop();
  const varno::WindowId window = desktop_.foregroundWindow();
  // The player's window may not be up yet: look again for a while, and never take our own.
  if (window == 0 || isOwnWindow(window)) {
    if (++playerLookTicks_ < kPlayerLookTicks) {
      Timer3->start();
      return;
    }
    cmdOpen_Org->setEnabled(Org_Btn_State);
    cmdOpen_Chg->setEnabled(Chg_Btn_State);
    return;
  }
  Module1::Player_Wnd = window;
  Timer4->setInterval(200);
  Timer4->start();
  Text1->setEnabled(false);
  Combo1->setEnabled(false);
  Frame1->setEnabled(false);
  HScroll1->setEnabled(false);
  Saved_Msg = Label7->text();
  Label7->setText(kLocked);
}

void formVarno::Timer4_Timer() {
  if (desktop_.setForegroundWindow(Module1::Player_Wnd) != 0) return;
  Timer4->stop();
  Combo1->setEnabled(true);
  Text1->setEnabled(true);
  Frame1->setEnabled(true);
  cmdOpen_Org->setEnabled(Org_Btn_State);
  cmdOpen_Chg->setEnabled(Chg_Btn_State);
  HScroll1->setEnabled(true);
  Label7->setText(Saved_Msg);
}

void formVarno::Command1_Click() {
  const bool open = desktop_.setForegroundWindow(Module1::Player_Wnd) == 1;
  showMessage(Module1::MessageKind::Information,
              open ? QStringLiteral("再生用のソフトが開いています。") : QStringLiteral("再生用のソフトは開いていません。"));
}
