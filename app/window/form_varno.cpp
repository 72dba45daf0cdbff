#include "window/form_varno.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <algorithm>
#include <array>
#include <filesystem>
#include <span>
#include <system_error>
#include <vector>

#include "common/numbers.h"
#include "common/numtext.h"
#include "graph/caption_layout.h"
#include "graph/graph.h"
#include "pipeline/capture.h"
#include "pipeline/job.h"
#include "pipeline/refusal.h"
#include "pipeline/resample.h"
#include "window/fonts.h"
#include "window/module1.h"

namespace varno::window {

namespace {

// Places and sizes are kept in twips as laid out; 15 twips make one pixel.
QRect fromTwips(int left, int top, int width, int height) {
  auto px = [](int twips) { return qRound(twips / 15.0); };
  return QRect(px(left), px(top), px(width), px(height));
}

// The designed places of the axis captions.
constexpr std::array<int, 6> kLabel12Tops{3120, 4680, 6240, 6720, 8160, 9720};
constexpr std::array<int, 6> kLabel13Lefts{0, 1560, 3120, 4560, 6120, 7560};
QRect label12Place(std::size_t i) { return fromTwips(8040, kLabel12Tops[i], 735, 135); }
QRect label13Place(std::size_t i) {
  const bool samples = i < 6;
  return fromTwips(kLabel13Lefts[i % 6], samples ? 6480 : 9960, samples ? 735 : 975, 135);
}

const QString kDropPrompt =
    QStringLiteral("Wave ファイルを、上の白のボックス内にドロップしてください。");
const QString kDataInUse = QStringLiteral("データが使われています。") + QStringLiteral("\r\n") +
                           QStringLiteral("再生用のソフトを閉じてから選択して選択してください。");
const QString kPlayerNotStarted = QStringLiteral("再生用のソフトを起動できませんでした。");
const QString kPictureNotSaved = QStringLiteral("画像を保存できませんでした。");

std::filesystem::path fsPath(const QString& path) {
  return std::filesystem::path(QFile::encodeName(path).toStdString());
}

QString fromBytes(const std::string& text) {
  return QFile::decodeName(QByteArray::fromStdString(text));
}

std::string toBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

void showFileSize(QLabel* label, const std::filesystem::path& path) {
  std::error_code error;
  const std::uintmax_t bytes = std::filesystem::file_size(path, error);
  if (!error) label->setText(fromBytes(varno::pipeline::kilobytesText(bytes)));
}

QFont gothic(const QString& family, double points) {
  QFont font(family);
  font.setPointSizeF(points);
  font.setWeight(QFont::Normal);
  return font;
}

QString methodName(varno::pipeline::Method method) {
  switch (method) {
    case varno::pipeline::Method::Average: return QStringLiteral("平均値を使う");
    case varno::pipeline::Method::LowPass: return QStringLiteral("ローパスフィルタを使う");
    case varno::pipeline::Method::FirstSample: break;
  }
  return QStringLiteral("先頭データを使う");
}

// The rate list's tooltip: the method a choice would use now and, once the red staircase is
// drawn, what made it (its options lie outside the window's visible part).
QString choiceTip(varno::pipeline::Method inForce, int staircaseFactor,
                  varno::pipeline::Method staircaseMethod) {
  QString tip = QStringLiteral("サンプリングの方法：") + methodName(inForce);
  if (staircaseFactor != 0)
    tip += QStringLiteral("\n赤い階段：1/%1 の周波数、%2")
               .arg(staircaseFactor)
               .arg(methodName(staircaseMethod));
  return tip;
}

// The width a label's text needs: its advance, or its ink where that reaches further.
int textWidth(const QLabel* label) {
  const QFontMetrics metrics(label->font());
  const QRect ink = metrics.boundingRect(label->text());
  return std::max(metrics.horizontalAdvance(label->text()), ink.right() + 1) -
         std::min(0, ink.left());
}

// Gives each caption of a row the box the caption rule finds for its text, keeping the
// captions a blank apart.
void fitCaptionRow(std::span<QLabel* const> labels, std::span<const QRect> places,
                   varno::graph::Anchor anchor, int areaLeft, int areaRight) {
  std::vector<varno::graph::CaptionText> row;
  for (std::size_t i = 0; i < labels.size(); ++i) {
    const QRect& p = places[i];
    const int lineHeight = QFontMetrics(labels[i]->font()).height();
    row.push_back({{p.x(), p.y(), p.width(), p.height()}, textWidth(labels[i]), lineHeight});
  }
  const int blank = QFontMetrics(labels.front()->font()).horizontalAdvance(QLatin1Char(' '));
  const std::vector<varno::graph::Box> boxes =
      varno::graph::captionRow(row, anchor, areaLeft, areaRight, blank);
  for (std::size_t i = 0; i < labels.size(); ++i)
    labels[i]->setGeometry(boxes[i].left, boxes[i].top, boxes[i].width, boxes[i].height);
}

void showMessageBox(QWidget* parent, Module1::MessageKind kind, const QString& text) {
  const bool information = kind == Module1::MessageKind::Information;
  QMessageBox box(information ? QMessageBox::Information : QMessageBox::NoIcon,
                  QStringLiteral("Varno"), text, QMessageBox::Ok, parent);
  if (information) {
    box.show();
    box.raise();
    box.activateWindow();
  }
  box.exec();
}

QString askSaveNameInDialog(QWidget* parent, const QString& suggested) {
  QFileDialog dialog(parent, QStringLiteral("画像を保存"), suggested,
                     QStringLiteral("PNG 画像 (*.png)"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("png"));
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

// varno.png in the user's pictures folder, or at home when there is none.
QString suggestedPictureName() {
  const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  const QString folder =
      !pictures.isEmpty() && QDir(pictures).exists() ? pictures : QDir::homePath();
  return folder + QStringLiteral("/varno.png");
}

}  // namespace

formVarno::formVarno(varno::desktop::Desktop& desktop, const QString& programDir,
                     const QString& dataDir, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      desktop_(desktop),
      programDir_(programDir),
      dataDir_(dataDir.isEmpty() ? programDir : dataDir) {
  showMessage = [this](Module1::MessageKind kind, const QString& text) {
    showMessageBox(this, kind, text);
  };
  askSaveName = [this](const QString& suggested) { return askSaveNameInDialog(this, suggested); };
  buildControls();
  connectEvents();
  Form_Load();
}

void formVarno::buildControls() {
  setObjectName(QStringLiteral("formVarno"));
  setWindowTitle(QStringLiteral("B"));
  setFixedSize(583, 719);
  // The window's own font, for the controls that have none of their own.
  setFont(gothic(kProportionalGothic, 9));
  QIcon icon;
  for (const int side : {16, 22, 24, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/varno/icons/varno-%1.png").arg(side), QSize(side, side));
  setWindowIcon(icon);

  auto label = [this](const char* name, const QString& text, QRect place, Qt::Alignment align,
                      bool border) {
    auto* l = new QLabel(text, this);
    l->setObjectName(QLatin1String(name));
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(align & Qt::AlignVertical_Mask ? align : align | Qt::AlignTop);
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
  Label2 = label("Label2", QStringLiteral("サンプル周波数："), fromTwips(9240, 1800, 1605, 225),
                 Qt::AlignRight, false);
  Label3 = label("Label3", QStringLiteral("ビット"), fromTwips(5760, 960, 585, 195), Qt::AlignRight,
                 false);
  // The framed one-line fields centre their line: QLabel indents a top-aligned line from the
  // top as well, which would put its descent on the bottom border.
  Label4 = label("Label4", QString(), fromTwips(10920, 1800, 1605, 255),
                 Qt::AlignLeft | Qt::AlignVCenter, true);
  Label5 = label("Label5", QString(), fromTwips(6480, 930, 1395, 255),
                 Qt::AlignLeft | Qt::AlignVCenter, true);
  Label6 = label("Label6", QStringLiteral("サンプル周波数："), fromTwips(360, 960, 2205, 225),
                 Qt::AlignRight, false);
  Combo1 = new QComboBox(this);
  Combo1->setObjectName(QStringLiteral("Combo1"));
  Combo1->setEditable(false);
  Combo1->setFont(gothic(kFixedGothic, 9));
  Combo1->setGeometry(fromTwips(2640, 900, 1965, 300));
  Label7 = label("Label7", QString(), fromTwips(360, 2520, 7635, 525), Qt::AlignLeft, true);
  Label7->setAutoFillBackground(true);
  QPalette pinkish = Label7->palette();
  pinkish.setColor(QPalette::Window, QColor(255, 192, 192));
  Label7->setPalette(pinkish);
  cmdOpen_Org = button("cmdOpen_Org", QStringLiteral("オリジナルの音を聞く"),
                       fromTwips(360, 1920, 3855, 525), this);
  cmdOpen_Chg = button("cmdOpen_Chg", QStringLiteral("サンプリング後の音を聞く"),
                       fromTwips(4200, 1920, 3735, 525), this);
  Command1 = button("Command1", QStringLiteral("Command1"), fromTwips(9480, 5520, 465, 315), this);
  Label8 = label("Label8", QStringLiteral("ファイルのサイズ："), fromTwips(480, 1260, 2055, 255),
                 Qt::AlignRight, false);
  Label9 = label("Label9", QString(), fromTwips(2640, 1260, 1935, 255),
                 Qt::AlignRight | Qt::AlignVCenter, true);
  Label10 = label("Label10", QStringLiteral("変換後のファイルのサイズ："),
                  fromTwips(360, 1560, 2175, 255), Qt::AlignRight, false);
  Label11 = label("Label11", QString(), fromTwips(2640, 1560, 1935, 255),
                  Qt::AlignRight | Qt::AlignVCenter, true);
  Frame1 = new QGroupBox(QStringLiteral("サンプリングの方法"), this);
  Frame1->setObjectName(QStringLiteral("Frame1"));
  // Tall enough for a third option; the frame lies outside the window's visible part.
  Frame1->setGeometry(fromTwips(9600, 480, 3255, 1455));
  Option1 = new QRadioButton(QStringLiteral("平均値を使う"), Frame1);
  Option1->setObjectName(QStringLiteral("Option1"));
  Option1->setGeometry(fromTwips(720, 360, 1455, 255));
  Option2 = new QRadioButton(QStringLiteral("先頭データを使う"), Frame1);
  Option2->setObjectName(QStringLiteral("Option2"));
  Option2->setGeometry(fromTwips(720, 720, 1815, 180));
  Option3 = new QRadioButton(QStringLiteral("ローパスフィルタを使う"), Frame1);
  Option3->setObjectName(QStringLiteral("Option3"));
  Option3->setGeometry(fromTwips(720, 1080, 2415, 255));
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

  const QFont captionFont = gothic(kProportionalGothic, 8.25);
  for (std::size_t i = 0; i < Label12.size(); ++i) {
    Label12[i] = label(QStringLiteral("Label12(%1)").arg(i).toLatin1().constData(), QString(),
                       label12Place(i), Qt::AlignLeft, false);
    Label12[i]->setFont(captionFont);
  }
  for (std::size_t i = 0; i < Label13.size(); ++i) {
    Label13[i] = label(QStringLiteral("Label13(%1)").arg(i).toLatin1().constData(), QString(),
                       label13Place(i), Qt::AlignHCenter, false);
    Label13[i]->setFont(captionFont);
  }

  QWidget* tabOrder[] = {Text1,   Combo1,  cmdOpen_Org, cmdOpen_Chg, Command1, Option1,
                         Option2, Option3, cmdLeft,     cmdRight,    HScroll1};
  for (std::size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

  auto* methods = new QActionGroup(this);
  const std::array<const QRadioButton*, 3> options{Option1, Option2, Option3};
  for (std::size_t i = 0; i < mnuMethod.size(); ++i) {
    mnuMethod[i] = new QAction(options[i]->text(), methods);
    mnuMethod[i]->setObjectName(QStringLiteral("mnuMethod(%1)").arg(i));
    mnuMethod[i]->setCheckable(true);
  }
  auto* separator = new QAction(this);
  separator->setSeparator(true);
  mnuSavePicture = new QAction(QStringLiteral("画像を保存…"), this);
  mnuSavePicture->setObjectName(QStringLiteral("mnuSavePicture"));
  mnuCopySamples = new QAction(QStringLiteral("表示中のサンプルをコピー"), this);
  mnuCopySamples->setObjectName(QStringLiteral("mnuCopySamples"));
  Picture1->addActions({mnuSavePicture, mnuCopySamples});
  Picture2->addActions(methods->actions());
  Picture2->addActions({separator, mnuSavePicture, mnuCopySamples});
  for (PictureBox* picture : {Picture1, Picture2})
    picture->setContextMenuPolicy(Qt::ActionsContextMenu);

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
    Combo1_Click();
    // Marked only once the click is done: a pick made while it ran has had its own pair of
    // signals meanwhile, and must not take this pick's activation away.
    comboPickSeen_ = true;
    QTimer::singleShot(0, this, [this] { comboPickSeen_ = false; });
  });
  connect(Combo1, &QComboBox::activated, this, [this] {
    if (comboPickSeen_) {
      comboPickSeen_ = false;
      return;
    }
    Combo1_Click();
  });
  // A method item of Picture2's menu selects its option button, which runs the option's click.
  auto method = [this](QRadioButton* option, QAction* item, void (formVarno::*click)()) {
    connect(option, &QRadioButton::toggled, this, [this, item, click](bool selected) {
      if (!selected) return;
      item->setChecked(true);
      showChoiceTip();
      (this->*click)();
    });
    connect(item, &QAction::triggered, option, [option] { option->setChecked(true); });
  };
  method(Option1, mnuMethod[0], &formVarno::Option1_Click);
  method(Option2, mnuMethod[1], &formVarno::Option2_Click);
  method(Option3, mnuMethod[2], &formVarno::Option3_Click);
  connect(mnuSavePicture, &QAction::triggered, this, &formVarno::mnuSavePicture_Click);
  connect(mnuCopySamples, &QAction::triggered, this, &formVarno::mnuCopySamples_Click);
  connect(Timer2, &QTimer::timeout, this, &formVarno::Timer2_Timer);
  connect(cmdOpen_Org, &QPushButton::clicked, this, &formVarno::cmdOpen_Org_Click);
  connect(cmdOpen_Chg, &QPushButton::clicked, this, &formVarno::cmdOpen_Chg_Click);
  connect(Timer3, &QTimer::timeout, this, &formVarno::Timer3_Timer);
  connect(Timer4, &QTimer::timeout, this, &formVarno::Timer4_Timer);
  connect(Command1, &QPushButton::clicked, this, &formVarno::Command1_Click);
}

void formVarno::Form_Load() {
  Conv_Exe = programDir_ + QStringLiteral("/pelkin");
  Conv_Ini = dataDir_ + QStringLiteral("/pelkin.ini");
  Rev_Exe = programDir_ + QStringLiteral("/trosk");
  Rev_Ini = dataDir_ + QStringLiteral("/trosk.ini");
  Org_Txt = dataDir_ + QStringLiteral("/Data/Org_txt.txt");
  Chg_Txt = dataDir_ + QStringLiteral("/Data/Chg_txt.txt");
  Chg_Wav = dataDir_ + QStringLiteral("/Data/Chg_wav.wav");

  Text1->clear();

  for (QTimer* t : {Timer1, Timer2, Timer3}) {
    t->setInterval(200);
    t->stop();
  }

  for (QLabel* l : {Label4, Label5, Label7, Label9, Label11}) l->clear();

  Option2->setChecked(true);

  Module1::Make_Dir(dataDir_ + QStringLiteral("/Data"));

  cmdOpen_Org->setEnabled(false);
  cmdOpen_Chg->setEnabled(false);
  HScroll1->setEnabled(false);
  mnuCopySamples->setEnabled(false);

  Label7->setText(kDropPrompt);

  show();

  // The picture boxes keep their drawing by design (they paint their own image), so only
  // the captions and the empty grids remain.
  const QString amplitude[] = {QStringLiteral("max"), QString(), QStringLiteral("min")};
  for (int i = 0; i < 6; ++i) Label12[i]->setText(amplitude[i % 3]);
  for (int k = 0; k < 6; ++k) {
    Label13[k]->setText(QString::number(100 * k));
    Label13[6 + k]->setText(QStringLiteral("%1 msec").arg(100 * k));
  }
  fitCaptions();

  Set_Grid_1();
  Set_Grid_2();
}

void formVarno::Set_Grid_1() { Picture1->draw(varno::graph::gridSegments()); }

void formVarno::Set_Grid_2() { Picture2->draw(varno::graph::gridSegments()); }

void formVarno::Text1_OLEDragDrop(const QList<QUrl>& urls) {
  if (urls.isEmpty()) return;
  const std::string path = localPathBytes(urls.first());
  if (!path.empty()) dispatch(varno::pipeline::event::Drop{path});
}

void formVarno::openFile(const std::string& path) { dispatch(varno::pipeline::event::Drop{path}); }

void formVarno::Timer1_Timer() {
  Timer1->stop();
  // Whether pelkin has ended is asked first, so a status it wrote before ending is read.
  const bool ended = desktop_.processEnded(sequencer_.captureProcess());
  dispatch(
      varno::pipeline::event::CaptureTick{varno::pipeline::readJobStatus(fsPath(Conv_Ini)), ended});
}

void formVarno::dispatch(const varno::pipeline::Event& event) {
  for (const varno::pipeline::Action& action : sequencer_.handle(event)) {
    if (std::optional<varno::pipeline::Event> answer = perform(action)) {
      dispatch(*answer);
      return;
    }
  }
}

QWidget* formVarno::control(varno::pipeline::Control c) const {
  using varno::pipeline::Control;
  switch (c) {
    case Control::Text1: return Text1;
    case Control::Combo1: return Combo1;
    case Control::Frame1: return Frame1;
    case Control::HScroll1: return HScroll1;
    case Control::OpenOriginal: return cmdOpen_Org;
    case Control::OpenResampled: return cmdOpen_Chg;
  }
  return nullptr;
}

QTimer* formVarno::timer(varno::pipeline::Timer t) const {
  using varno::pipeline::Timer;
  switch (t) {
    case Timer::Capture: return Timer1;
    case Timer::Conversion: return Timer2;
    case Timer::PlayerLook: return Timer3;
    case Timer::PlayerWatch: return Timer4;
  }
  return nullptr;
}

std::optional<varno::pipeline::Event> formVarno::perform(const varno::pipeline::Action& action) {
  namespace act = varno::pipeline::action;
  namespace ev = varno::pipeline::event;
  using Answer = std::optional<varno::pipeline::Event>;
  return std::visit(
      [this](const auto& a) -> Answer {
        using A = std::decay_t<decltype(a)>;
        if constexpr (std::is_same_v<A, act::SetMessage>) {
          showMessageLine(QString::fromStdString(a.text));
          // Shown now, before the next long step.
          Label7->repaint();
        } else if constexpr (std::is_same_v<A, act::SetSavedMessage>) {
          Saved_Msg = QString::fromStdString(a.text);
        } else if constexpr (std::is_same_v<A, act::SaveMessage>) {
          Saved_Msg = Label7->text();
        } else if constexpr (std::is_same_v<A, act::RestoreMessage>) {
          showMessageLine(Saved_Msg);
        } else if constexpr (std::is_same_v<A, act::Enable>) {
          control(a.control)->setEnabled(a.enabled);
          // The method items are the option buttons' other face.
          if (a.control == varno::pipeline::Control::Frame1)
            for (QAction* item : mnuMethod) item->setEnabled(a.enabled);
        } else if constexpr (std::is_same_v<A, act::SetSavedButton>) {
          (a.control == varno::pipeline::Control::OpenOriginal ? Org_Btn_State : Chg_Btn_State) =
              a.enabled;
        } else if constexpr (std::is_same_v<A, act::SaveButtons>) {
          Org_Btn_State = cmdOpen_Org->isEnabled();
          Chg_Btn_State = cmdOpen_Chg->isEnabled();
        } else if constexpr (std::is_same_v<A, act::RestoreButtons>) {
          cmdOpen_Org->setEnabled(Org_Btn_State);
          cmdOpen_Chg->setEnabled(Chg_Btn_State);
        } else if constexpr (std::is_same_v<A, act::StartTimer>) {
          timer(a.timer)->start(200);
        } else if constexpr (std::is_same_v<A, act::StopTimer>) {
          timer(a.timer)->stop();
        } else if constexpr (std::is_same_v<A, act::ShowDrop>) {
          droppedPath_ = a.path;
          Text1->setText(fromBytes(a.path));
          showFileSize(Label9, std::filesystem::path(a.path));
          // The display's values belong to the sound being replaced; until the new one is
          // scanned a redraw draws nothing.
          Max_Amp = 0;
          orgIndex_ = {};
          mnuCopySamples->setEnabled(false);
          Picture1->clear();
          Picture2->clear();
        } else if constexpr (std::is_same_v<A, act::StartCapture>) {
          varno::desktop::ProcessId pelkin = 0;
          if (varno::pipeline::writeJob(fsPath(Conv_Ini), a.path, toBytes(Org_Txt)))
            pelkin = desktop_.startWatched(toBytes(Conv_Exe), {toBytes(Conv_Ini)});
          return ev::CaptureStarted{pelkin};
        } else if constexpr (std::is_same_v<A, act::EndProcess>) {
          desktop_.endProcess(a.process);
        } else if constexpr (std::is_same_v<A, act::ReleaseProcess>) {
          desktop_.releaseProcess(a.process);
        } else if constexpr (std::is_same_v<A, act::ClearSelection>) {
          Combo1->setCurrentIndex(-1);
        } else if constexpr (std::is_same_v<A, act::RemoveResampled>) {
          QFile::remove(Chg_Txt);
          chgIndex_ = {};
          chgFactor_ = 0;
          showChoiceTip();
        } else if constexpr (std::is_same_v<A, act::ExplainRefusal>) {
          const std::string reason =
              varno::pipeline::refusalReason(a.cause, desktop_.processErrors(a.process),
                                             varno::pipeline::readFileHead(droppedPath_, 4096));
          refusalReason_ = QString::fromStdString(reason);
        } else if constexpr (std::is_same_v<A, act::ReadCaptions>) {
          const std::optional<varno::pipeline::SampleHeader> header =
              varno::pipeline::readSampleHeader(fsPath(Org_Txt));
          if (!header) return ev::CaptureUnreadable{};
          Label4->setText(QLatin1Char(' ') + fromBytes(header->rateLine));
          Label5->setText(QLatin1Char(' ') + fromBytes(header->bitsLine));
          format_ = {varno::common::leadingNumber(header->rateLine),
                     varno::graph::isSixteenBit(header->bitsLine)};
        } else if constexpr (std::is_same_v<A, act::PrepareGraph>) {
          if (!Pre_Draw_Fig()) return ev::CaptureUnreadable{};
          Set_Grid();
        } else if constexpr (std::is_same_v<A, act::DrawCaptured>) {
          HScroll1->setValue(0);
          Draw_Fig();
          HScroll1->setRange(0, 100);
          mnuCopySamples->setEnabled(true);
        } else if constexpr (std::is_same_v<A, act::FillRates>) {
          Set_Combo1();
        } else if constexpr (std::is_same_v<A, act::Resample>) {
          return Main_Job(a);
        } else if constexpr (std::is_same_v<A, act::StartConversion>) {
          varno::desktop::ProcessId trosk = 0;
          if (varno::pipeline::writeJob(fsPath(Rev_Ini), toBytes(Chg_Txt), toBytes(Chg_Wav)))
            trosk = desktop_.startWatched(toBytes(Rev_Exe), {toBytes(Rev_Ini)});
          return ev::ConversionStarted{trosk};
        } else if constexpr (std::is_same_v<A, act::ShowConvertedSize>) {
          showFileSize(Label11, fsPath(Chg_Wav));
        } else if constexpr (std::is_same_v<A, act::ShowConversionError>) {
          showMessage(Module1::MessageKind::Plain, QStringLiteral("Error"));
        } else if constexpr (std::is_same_v<A, act::ShowDataInUse>) {
          showMessage(Module1::MessageKind::Information, kDataInUse);
        } else if constexpr (std::is_same_v<A, act::ShowPlayerNotStarted>) {
          showMessage(Module1::MessageKind::Plain, kPlayerNotStarted);
        } else if constexpr (std::is_same_v<A, act::Redraw>) {
          Start_Pos = varno::graph::choiceStartPos(HScroll1->value(), Data_Count);
          Draw_Fig();
        }
        return std::nullopt;
      },
      action);
}

void formVarno::showChoiceTip() {
  Combo1->setToolTip(choiceTip(methodInForce(), chgFactor_, chgMethod_));
}

varno::pipeline::Method formVarno::methodInForce() const {
  if (Option1->isChecked()) return varno::pipeline::Method::Average;
  if (Option3->isChecked()) return varno::pipeline::Method::LowPass;
  return varno::pipeline::Method::FirstSample;
}

void formVarno::showMessageLine(const QString& text) {
  Label7->setText(text);
  Label7->setToolTip(text == QString::fromUtf8(varno::pipeline::text::kRefused) ? refusalReason_
                                                                                : QString());
}

bool formVarno::Pre_Draw_Fig() {
  std::optional<varno::graph::Scan> scan =
      varno::graph::scanOriginal(fsPath(Org_Txt), format_.sixteenBit);
  if (!scan) return false;
  Max_Amp = scan->maxAmp;
  Data_Count = scan->dataCount;
  orgIndex_ = std::move(scan->index);
  const std::array<std::string, 6> captions =
      varno::graph::amplitudeCaptions(Max_Amp, format_.sixteenBit);
  for (std::size_t i = 0; i < captions.size(); ++i)
    Label12[i]->setText(QString::fromStdString(captions[i]));
  fitCaptions();
  Start_Pos = 0;
  return true;
}

void formVarno::Set_Grid() {
  const varno::graph::TimeCaptions captions = varno::graph::timeCaptions(Start_Pos, format_.rate);
  for (std::size_t k = 0; k < 6; ++k) {
    Label13[k]->setText(QString::fromStdString(captions.samples[k]));
    Label13[6 + k]->setText(QString::fromStdString(captions.times[k]));
  }
  fitCaptions();
}

void formVarno::fitCaptions() {
  // The amplitude captions stand alone, between the pictures' right edge and the window's.
  const int pictureRight = Picture1->geometry().right() + 1;
  for (std::size_t i = 0; i < Label12.size(); ++i) {
    const QRect place = label12Place(i);
    fitCaptionRow(std::span(&Label12[i], 1), std::span(&place, 1), varno::graph::Anchor::Left,
                  pictureRight, width());
  }
  for (std::size_t row = 0; row < 2; ++row) {
    std::array<QRect, 6> places;
    for (std::size_t k = 0; k < 6; ++k) places[k] = label13Place(6 * row + k);
    fitCaptionRow(std::span(Label13).subspan(6 * row, 6), places, varno::graph::Anchor::Centre, 0,
                  width());
  }
}

void formVarno::Draw_Fig() {
  if (Max_Amp == 0) return;
  Picture1->clear();
  Picture2->clear();
  Picture1->draw(varno::graph::originalTrace(fsPath(Org_Txt), orgIndex_, Start_Pos, Max_Amp,
                                             format_.sixteenBit));
  if (const int factor = staircaseFactor(); factor != 0)
    Picture2->draw(varno::graph::resampledTrace(fsPath(Chg_Txt), chgIndex_, Start_Pos, factor,
                                                Max_Amp, format_.sixteenBit));
  Set_Grid_1();
  Set_Grid_2();
}

int formVarno::staircaseFactor() const {
  const int k = Combo1->currentIndex();
  if (Module1::Check_File(Chg_Txt, 0) != 0 || k == -1) return 0;
  return chgFactor_ != 0 ? chgFactor_ : 1 << k;
}

QRect formVarno::graphsRegion() const {
  QRect region = Picture1->geometry() | Picture2->geometry();
  for (const QLabel* caption : Label12) region |= caption->geometry();
  for (const QLabel* caption : Label13) region |= caption->geometry();
  return region & rect();
}

void formVarno::mnuSavePicture_Click() {
  const QString file = askSaveName(suggestedPictureName());
  if (file.isEmpty()) return;
  const QPixmap picture = grab(graphsRegion());
  // A file that cannot be written whole is not written at all.
  QSaveFile out(file);
  if (out.open(QIODevice::WriteOnly) && picture.save(&out, "PNG") && out.commit()) return;
  showMessage(Module1::MessageKind::Plain, kPictureNotSaved + QStringLiteral("\r\n") +
                                               QDir::toNativeSeparators(file) +
                                               QStringLiteral("\r\n") + out.errorString());
}

void formVarno::mnuCopySamples_Click() {
  const varno::graph::ViewValues values = varno::graph::valuesInView(
      fsPath(Org_Txt), orgIndex_, fsPath(Chg_Txt), chgIndex_, Start_Pos, staircaseFactor());
  QGuiApplication::clipboard()->setText(QString::fromStdString(varno::graph::samplesTable(values)));
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
  // Filling the list is no choice: a combo box selects its first item by itself.
  const QSignalBlocker quiet(Combo1);
  Combo1->clear();
  for (const varno::graph::RateItem& item : varno::graph::rateItems(format_.rate))
    Combo1->addItem(Module1::Right_Fit(item.value, 6) + QString::fromUtf8(item.suffix));
  Combo1->setCurrentIndex(-1);
}

void formVarno::Combo1_Click() { Make_Choice(ChoiceSource::Combo); }

void formVarno::Option1_Click() { Make_Choice(ChoiceSource::Option); }

void formVarno::Option2_Click() { Make_Choice(ChoiceSource::Option); }

void formVarno::Option3_Click() { Make_Choice(ChoiceSource::Option); }

void formVarno::Make_Choice(ChoiceSource source) {
  const int k = Combo1->currentIndex();
  if (k == -1) return;
  const bool open = playerOpen();
  dispatch(varno::pipeline::event::Choose{k, methodInForce(), source == ChoiceSource::Combo, open});
}

bool formVarno::playerOpen() {
  const varno::desktop::ProcessId player = sequencer_.playerProcess();
  if (player == 0 || desktop_.processEnded(player)) return false;
  if (Player_Wnd != 0) desktop_.setForegroundWindow(Player_Wnd);
  return true;
}

varno::pipeline::Event formVarno::Main_Job(const varno::pipeline::action::Resample& choice) {
  const int factor = 1 << choice.index;
  varno::pipeline::ResampleResult result =
      varno::pipeline::resample(fsPath(Org_Txt), fsPath(Chg_Txt), factor, choice.method, [this] {
        QCoreApplication::processEvents();
        return sequencer_.keepResampling();
      });
  if (result.error == varno::pipeline::ResampleError::None) {
    chgIndex_ = std::move(result.index);
    chgFactor_ = factor;
    chgMethod_ = choice.method;
    showChoiceTip();
  }
  return varno::pipeline::event::ResampleEnded{result.error};
}

void formVarno::Timer2_Timer() {
  Timer2->stop();
  // Whether trosk has ended is asked first, so a status it wrote before ending is read.
  const bool ended = desktop_.processEnded(sequencer_.conversionProcess());
  dispatch(varno::pipeline::event::ConversionTick{varno::pipeline::readJobStatus(fsPath(Rev_Ini)),
                                                  ended});
}

void formVarno::cmdOpen_Org_Click() { Open_Sound(droppedPath_); }

void formVarno::cmdOpen_Chg_Click() { Open_Sound(toBytes(Chg_Wav)); }

void formVarno::Open_Sound(const std::string& file) {
  // The player is the program associated with the dropped file's type, for both sounds.
  if (Module1::Find_Exe(desktop_, droppedPath_, showMessage).isEmpty()) return;
  const varno::desktop::PlayerLaunch launch = desktop_.launchPlayer(droppedPath_, file);
  switch (launch.result) {
    case varno::desktop::LaunchResult::Failed:
      showMessage(Module1::MessageKind::Plain, kPlayerNotStarted);
      return;
    case varno::desktop::LaunchResult::Handed:
      dispatch(varno::pipeline::event::PlayerHanded{});
      return;
    case varno::desktop::LaunchResult::Started:
      // A window recorded for an earlier player belongs to that one.
      Player_Wnd = 0;
      dispatch(varno::pipeline::event::PlayerStarted{launch.process});
      return;
  }
}

bool formVarno::Raise_Player() {
  const varno::desktop::ProcessId player = sequencer_.playerProcess();
  if (desktop_.processEnded(player)) return false;
  // Only a window of the player process or of its children is ever taken for the player's.
  if (Player_Wnd == 0 || !desktop_.setForegroundWindow(Player_Wnd)) {
    Player_Wnd = desktop_.windowOfProcess(player);
    if (Player_Wnd != 0) desktop_.setForegroundWindow(Player_Wnd);
  }
  return true;
}

void formVarno::Timer3_Timer() {
  Timer3->stop();
  const bool running = Raise_Player();
  const bool failed = !running && desktop_.processFailed(sequencer_.playerProcess());
  dispatch(varno::pipeline::event::PlayerLook{running, failed, Player_Wnd != 0});
}

void formVarno::Timer4_Timer() {
  const bool running = Raise_Player();
  const bool failed = !running && desktop_.processFailed(sequencer_.playerProcess());
  dispatch(varno::pipeline::event::PlayerWatch{running, failed, Player_Wnd != 0});
}

void formVarno::Command1_Click() {
  showMessage(Module1::MessageKind::Information,
              playerOpen() ? QStringLiteral("再生用のソフトが開いています。")
                           : QStringLiteral("再生用のソフトは開いていません。"));
}

}  // namespace varno::window
