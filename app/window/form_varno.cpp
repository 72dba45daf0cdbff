#include "window/form_varno.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QMenu>
#include <QMimeDatabase>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <filesystem>
#include <span>
#include <system_error>
#include <type_traits>
#include <vector>

#include "common/numtext.h"
#include "graph/caption_layout.h"
#include "graph/graph.h"
#include "graph/labels.h"
#include "pipeline/atomic_file.h"
#include "pipeline/capture.h"
#include "pipeline/job.h"
#include "pipeline/refusal.h"
#include "pipeline/resample.h"
#include "window/controls.h"
#include "window/dialogs.h"
#include "window/signal_dialog.h"
#include "window/spectrum_window.h"

namespace varno::window {

namespace {

const QString kDropPrompt =
    QStringLiteral("Wave ファイルを、上の白のボックス内にドロップしてください。");
const QString kDataInUse = QStringLiteral("データが使われています。") + QStringLiteral("\r\n") +
                           QStringLiteral("再生用のソフトを閉じてから選択して選択してください。");
const QString kPlayerNotStarted = QStringLiteral("再生用のソフトを起動できませんでした。");

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

// What the caption rule needs of each label: its designed box and its text's extent (the
// advance, or the ink where that reaches further) and line height.
std::vector<varno::graph::CaptionText> captionTexts(std::span<QLabel* const> labels,
                                                    QRect (*place)(std::size_t)) {
  std::vector<varno::graph::CaptionText> texts;
  for (std::size_t i = 0; i < labels.size(); ++i) {
    const QFontMetrics metrics(labels[i]->font());
    const QRect ink = metrics.boundingRect(labels[i]->text());
    const int width = std::max(metrics.horizontalAdvance(labels[i]->text()), ink.right() + 1) -
                      std::min(0, ink.left());
    const QRect p = place(i);
    texts.push_back({{p.x(), p.y(), p.width(), p.height()}, width, metrics.height()});
  }
  return texts;
}

}  // namespace

formVarno::formVarno(varno::desktop::Desktop& desktop, const QString& programDir,
                     const QString& dataDir, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      desktop_(desktop) {
  showMessage = [this](Module1::MessageKind kind, const QString& text) {
    showMessageBox(this, kind, text);
  };
  askSaveName = [this](const QString& suggested) { return askSaveNameInDialog(this, suggested); };
  askToConvert = [this](const QString& question) { return askToConvertInDialog(this, question); };
  askSignal = [this] { return askSignalInDialog(this); };
  buildControls(*this);
  connectEvents();
  Form_Load(programDir, dataDir.isEmpty() ? programDir : dataDir);
}

void formVarno::connectEvents() {
  connect(Text1, &DropBox::filesDropped, this, &formVarno::Text1_OLEDragDrop);
  connect(Timer1, &QTimer::timeout, this, &formVarno::Timer1_Timer);
  connect(HScroll1, &QScrollBar::valueChanged, this, &formVarno::HScroll1_Change);
  connect(cmdLeft, &QPushButton::clicked, this, &formVarno::cmdLeft_Click);
  connect(cmdRight, &QPushButton::clicked, this, &formVarno::cmdRight_Click);
  connect(Combo1, &PickList::picked, this, &formVarno::Combo1_Click);
  // A method item of Picture2's menu selects its option button, which runs the option's click.
  auto method = [this](QRadioButton* option, QAction* item, void (formVarno::*click)()) {
    connect(option, &QRadioButton::toggled, this, [this, option, item, click](bool selected) {
      if (!selected) return;
      item->setChecked(true);
      // Tab reaches the method in force, however it was chosen: the buttons otherwise keep
      // the stop on the one that last had the focus.
      for (QRadioButton* o : {Option1, Option2, Option3})
        o->setFocusPolicy(o == option ? Qt::StrongFocus : Qt::ClickFocus);
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
  connect(mnuSpectrum, &QAction::triggered, this, &formVarno::mnuSpectrum_Click);
  // A new bit depth is a choice; checking the one in force again is none.
  for (QAction* item : mnuBitsDepth)
    connect(item, &QAction::toggled, this, [this](bool checked) {
      if (checked) mnuBitsDepth_Click();
    });
  // Its shortcut opens the bit depths under Picture2, where its menu has them.
  connect(mnuBits->menuAction(), &QAction::triggered, this,
          [this] { mnuBits->popup(Picture2->mapToGlobal(QPoint(0, 0))); });
  connect(mnuDither, &QAction::triggered, this, &formVarno::mnuDither_Click);
  connect(mnuListenToError, &QAction::triggered, this, &formVarno::mnuListenToError_Click);
  connect(mnuTestSignal, &QAction::triggered, this, &formVarno::mnuTestSignal_Click);
  connect(Timer2, &QTimer::timeout, this, &formVarno::Timer2_Timer);
  connect(cmdOpen_Org, &QPushButton::clicked, this, &formVarno::cmdOpen_Org_Click);
  connect(cmdOpen_Chg, &QPushButton::clicked, this, &formVarno::cmdOpen_Chg_Click);
  connect(Timer3, &QTimer::timeout, this, &formVarno::Timer3_Timer);
  connect(Timer4, &QTimer::timeout, this, &formVarno::Timer4_Timer);
  connect(Timer5, &QTimer::timeout, this, &formVarno::Timer5_Timer);
  connect(Command1, &QPushButton::clicked, this, &formVarno::Command1_Click);
}

void formVarno::Form_Load(const QString& programDir, const QString& dataDir) {
  Conv_Exe = programDir + QStringLiteral("/pelkin");
  Conv_Ini = dataDir + QStringLiteral("/pelkin.ini");
  Rev_Exe = programDir + QStringLiteral("/trosk");
  Rev_Ini = dataDir + QStringLiteral("/trosk.ini");
  Org_Txt = dataDir + QStringLiteral("/Data/Org_txt.txt");
  Chg_Txt = dataDir + QStringLiteral("/Data/Chg_txt.txt");
  Chg_Wav = dataDir + QStringLiteral("/Data/Chg_wav.wav");
  Dec_Exe = programDir + QStringLiteral("/decoder");
  Dec_Ini = dataDir + QStringLiteral("/decoder.ini");
  Org_Wav = dataDir + QStringLiteral("/Data/Org_wav.wav");
  Err_Txt = dataDir + QStringLiteral("/Data/Err_txt.txt");
  Err_Wav = dataDir + QStringLiteral("/Data/Err_wav.wav");

  Text1->clear();

  for (QTimer* t : {Timer1, Timer2, Timer3, Timer5}) {
    t->setInterval(200);
    t->stop();
  }

  for (QLabel* l : {Label4, Label5, Label7, Label9, Label11}) l->clear();

  Option2->setChecked(true);

  Module1::Make_Dir(dataDir + QStringLiteral("/Data"));
  // What a window that was killed while writing left behind; no other window uses the folder.
  for (const QString& file : {Conv_Ini, Rev_Ini, Chg_Txt, Err_Txt})
    varno::pipeline::removeStaleTemporaries(fsPath(file));

  cmdOpen_Org->setEnabled(false);
  cmdOpen_Chg->setEnabled(false);
  HScroll1->setEnabled(false);
  showMenus();

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
  if (!path.empty()) dropFile(path, false);
}

void formVarno::openFile(const std::string& path) { dropFile(path, true); }

void formVarno::dropFile(const std::string& path, bool named) {
  const QMimeType type =
      QMimeDatabase().mimeTypeForFile(fromBytes(path), QMimeDatabase::MatchExtension);
  dispatch(ev::Drop{path, type.name().startsWith(QLatin1String("audio/")), named});
}

void formVarno::comeForward(const std::string& activationToken) {
  // The top-level window: the scrolling one on a screen too small for the window.
  QWidget* const top = window();
  top->raise();
  if (activationToken.empty()) {
    top->activateWindow();
  } else if (QGuiApplication::platformName() != QLatin1String("wayland")) {
    // The token says the user asked for us, so the X11 desktop asks as a pager does, which
    // window managers let past their focus-stealing prevention.
    if (!desktop_.setForegroundWindow(static_cast<varno::desktop::WindowId>(top->winId())))
      top->activateWindow();
  } else {
    // Qt's xdg-shell passes XDG_ACTIVATION_TOKEN to xdg_activation_v1 when the window asks to
    // be activated, and clears it then.
    qputenv("XDG_ACTIVATION_TOKEN", QByteArray::fromStdString(activationToken));
    top->activateWindow();
    // A compositor without xdg_activation_v1 leaves it set, and the player must not inherit it.
    qunsetenv("XDG_ACTIVATION_TOKEN");
  }
}

void formVarno::Timer1_Timer() {
  Timer1->stop();
  // Whether pelkin has ended is asked first, so a status it wrote before ending is read.
  const bool ended = desktop_.processEnded(sequencer_.captureProcess());
  dispatch(ev::CaptureTick{varno::pipeline::readJobStatus(fsPath(Conv_Ini)), ended});
}

void formVarno::dispatch(const varno::pipeline::Event& event) {
  std::optional<varno::pipeline::Event> answer;
  for (const varno::pipeline::Action& action : sequencer_.handle(event)) {
    std::visit(
        [&](const auto& a) {
          using A = std::decay_t<decltype(a)>;
          if constexpr (varno::pipeline::Answered<A>) {
            static_assert(std::is_same_v<decltype(perform(a)), typename A::Answer>);
            answer = perform(a);
          } else {
            static_assert(std::is_void_v<decltype(perform(a))>);
            perform(a);
          }
        },
        action);
  }
  showMenus();
  if (answer) dispatch(*answer);
}

void formVarno::perform(const act::SetMessage& a) {
  Label7->setText(QString::fromStdString(a.text));
  Label7->setToolTip(QString::fromStdString(a.tip));
  // Shown now, before the next long step.
  Label7->repaint();
}

void formVarno::perform(const act::SetSavedMessage& a) {
  Saved_Msg = QString::fromStdString(a.text);
}

void formVarno::perform(const act::SaveMessage&) { Saved_Msg = Label7->text(); }

void formVarno::perform(const act::RestoreMessage& a) {
  Label7->setText(Saved_Msg);
  Label7->setToolTip(QString::fromStdString(a.tip));
}

void formVarno::perform(const act::Enable& a) { control(a.control)->setEnabled(a.enabled); }

void formVarno::perform(const act::SetSavedButton& a) {
  (a.control == varno::pipeline::Control::OpenOriginal ? Org_Btn_State : Chg_Btn_State) = a.enabled;
}

void formVarno::perform(const act::SaveButtons&) {
  Org_Btn_State = cmdOpen_Org->isEnabled();
  Chg_Btn_State = cmdOpen_Chg->isEnabled();
}

void formVarno::perform(const act::RestoreButtons&) {
  cmdOpen_Org->setEnabled(Org_Btn_State);
  cmdOpen_Chg->setEnabled(Chg_Btn_State);
}

// Every timer ticks every 200 ms; Timer4 gets its interval only here, when the watch begins.
void formVarno::perform(const act::StartTimer& a) { timer(a.timer)->start(200); }

void formVarno::perform(const act::StopTimer& a) { timer(a.timer)->stop(); }

void formVarno::perform(const act::ShowDrop& a) {
  Text1->setText(fromBytes(a.path));
  showFileSize(Label9, std::filesystem::path(a.path));
  // The display belongs to the sound being replaced; until the new one is scanned a redraw
  // draws nothing. Label4 and Label5 keep showing its rate and bits until then.
  display_ = {.source = a.path, .format = display_.format};
  Max_Amp = 0;
  Picture1->clear();
  Picture2->clear();
}

formVarno::Started formVarno::startConverter(const QString& program, const QString& job,
                                             const std::string& input, const QString& output) {
  Module1::Make_Dir(QFileInfo(Org_Txt).path());
  if (!varno::pipeline::writeJob(fsPath(job), input, toBytes(output))) return {0, false};
  return {desktop_.startWatched(toBytes(program), {toBytes(job)}), true};
}

ev::CaptureStarted formVarno::perform(const act::StartCapture& a) {
  const Started pelkin = startConverter(Conv_Exe, Conv_Ini, a.path, Org_Txt);
  return {pelkin.process, pelkin.jobWritten};
}

void formVarno::perform(const act::EndProcess& a) { desktop_.endProcess(a.process); }

void formVarno::perform(const act::ReleaseProcess& a) { desktop_.releaseProcess(a.process); }

void formVarno::perform(const act::ClearSelection&) {
  Combo1->setCurrentIndex(-1);
  // Without a rate chosen no staircase stands for the choice.
  display_.staircase.reset();
  showChoiceTip();
}

void formVarno::perform(const act::RemoveResampled&) {
  QFile::remove(Chg_Txt);
  QFile::remove(Err_Txt);
  display_.staircase.reset();
  display_.resampledLines = {};
  display_.errorLines = {};
  showChoiceTip();
}

ev::RefusalExplained formVarno::perform(const act::ExplainRefusal& a) {
  return {varno::pipeline::explainRefusal(a.cause, desktop_.processErrors(a.process),
                                          varno::pipeline::readFileHead(display_.source, 4096))};
}

ev::CaptionsRead formVarno::perform(const act::ReadCaptions&) {
  const std::optional<varno::pipeline::SampleHeader> header =
      varno::pipeline::readSampleHeader(fsPath(Org_Txt));
  if (!header) return {false};
  Label4->setText(QLatin1Char(' ') + fromBytes(header->rateLine));
  Label5->setText(QLatin1Char(' ') + fromBytes(header->bitsLine));
  display_.format = {varno::common::leadingNumber(header->rateLine),
                     varno::graph::isSixteenBit(header->bitsLine)};
  return {true};
}

ev::GraphPrepared formVarno::perform(const act::PrepareGraph&) {
  if (!Pre_Draw_Fig()) return {false};
  Set_Grid();
  return {true};
}

void formVarno::perform(const act::DrawCaptured&) {
  HScroll1->setValue(0);
  Draw_Fig();
  HScroll1->setRange(0, 100);
  display_.shown = true;
}

void formVarno::perform(const act::FillRates&) {
  Set_Combo1();
  showBitsItems();
}

ev::ResampleEnded formVarno::perform(const act::Resample& a) { return Main_Job(a); }

ev::ConversionStarted formVarno::perform(const act::StartConversion&) {
  const Started trosk = startConverter(Rev_Exe, Rev_Ini, toBytes(Chg_Txt), Chg_Wav);
  return {trosk.process, trosk.jobWritten};
}

void formVarno::perform(const act::ShowConvertedSize&) { showFileSize(Label11, fsPath(Chg_Wav)); }

void formVarno::perform(const act::ShowConversionError&) {
  showMessage(Module1::MessageKind::Plain, QStringLiteral("Error"));
}

void formVarno::perform(const act::ShowDataInUse&) {
  showMessage(Module1::MessageKind::Information, kDataInUse);
}

void formVarno::perform(const act::ShowPlayerNotStarted&) {
  showMessage(Module1::MessageKind::Plain, kPlayerNotStarted);
}

void formVarno::perform(const act::Redraw&) {
  Start_Pos = varno::graph::choiceStartPos(HScroll1->value(), Data_Count);
  Draw_Fig();
}

ev::DecoderStarted formVarno::perform(const act::StartProbe& a) {
  const Started decoder = startConverter(Dec_Exe, Dec_Ini, a.path, QString());
  return {decoder.process, decoder.jobWritten};
}

ev::ConvertAnswered formVarno::perform(const act::AskToConvert& a) {
  return {a.question, askToConvert(QString::fromStdString(a.text))};
}

ev::DecoderStarted formVarno::perform(const act::StartDecoding& a) {
  const Started decoder = startConverter(Dec_Exe, Dec_Ini, a.path, Org_Wav);
  return {decoder.process, decoder.jobWritten};
}

ev::CaptureStarted formVarno::perform(const act::CaptureDecoded&) {
  const Started pelkin = startConverter(Conv_Exe, Conv_Ini, toBytes(Org_Wav), Org_Txt);
  return {pelkin.process, pelkin.jobWritten};
}

ev::ConversionStarted formVarno::perform(const act::StartErrorConversion&) {
  const Started trosk = startConverter(Rev_Exe, Rev_Ini, toBytes(Err_Txt), Err_Wav);
  return {trosk.process, trosk.jobWritten};
}

void formVarno::perform(const act::OpenError&) { Open_Sound(toBytes(Err_Wav)); }

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
    case Timer::Decoding: return Timer5;
  }
  return nullptr;
}

void formVarno::showChoiceTip() {
  Combo1->setToolTip(
      QString::fromStdString(varno::graph::choiceTip(methodInForce(), display_.staircase)));
}

varno::pipeline::Method formVarno::methodInForce() const {
  if (Option1->isChecked()) return varno::pipeline::Method::Average;
  if (Option3->isChecked()) return varno::pipeline::Method::LowPass;
  return varno::pipeline::Method::FirstSample;
}

varno::pipeline::Quantization formVarno::quantizationInForce() const {
  for (const QAction* item : mnuBitsDepth)
    if (item->isChecked()) {
      const int bits = item->data().toInt();
      return {bits, bits != 0 && mnuDither->isChecked()};
    }
  return {};
}

void formVarno::showBitsItems() {
  const std::vector<int> offered = varno::pipeline::offeredBits(display_.format.sixteenBit);
  for (QAction* item : mnuBitsDepth) {
    const int bits = item->data().toInt();
    item->setVisible(bits == 0 || std::ranges::find(offered, bits) != offered.end());
    if (item->isChecked() && !item->isVisible()) {
      // The list has no rate chosen yet, so this is no choice.
      const QSignalBlocker quiet(mnuBitsDepth[0]);
      mnuBitsDepth[0]->setChecked(true);
    }
  }
}

void formVarno::showMenus() {
  // The method and bit-depth items are the option buttons' other face.
  for (QAction* item : mnuMethod) item->setEnabled(Frame1->isEnabled());
  mnuBits->setEnabled(Frame1->isEnabled());
  mnuDither->setEnabled(Frame1->isEnabled());
  mnuCopySamples->setEnabled(display_.shown);
  // The error can be heard while the re-sampled sound can.
  mnuListenToError->setEnabled(cmdOpen_Chg->isEnabled() && display_.staircase &&
                               display_.staircase->quantization.bits != 0);
  // A test signal is a drop, which the player lock keeps out.
  mnuTestSignal->setEnabled(Text1->isEnabled());
}

bool formVarno::Pre_Draw_Fig() {
  std::optional<varno::graph::Scan> scan =
      varno::graph::scanOriginal(fsPath(Org_Txt), display_.format.sixteenBit);
  if (!scan) return false;
  Max_Amp = scan->maxAmp;
  Data_Count = scan->dataCount;
  display_.originalLines = std::move(scan->index);
  const std::array<std::string, 6> captions =
      varno::graph::amplitudeCaptions(Max_Amp, display_.format.sixteenBit);
  for (std::size_t i = 0; i < captions.size(); ++i)
    Label12[i]->setText(QString::fromStdString(captions[i]));
  fitCaptions();
  Start_Pos = 0;
  return true;
}

void formVarno::Set_Grid() {
  const varno::graph::TimeCaptions captions =
      varno::graph::timeCaptions(Start_Pos, display_.format.rate);
  for (std::size_t k = 0; k < 6; ++k) {
    Label13[k]->setText(QString::fromStdString(captions.samples[k]));
    Label13[6 + k]->setText(QString::fromStdString(captions.times[k]));
  }
  fitCaptions();
}

void formVarno::fitCaptions() {
  const int blank = QFontMetrics(Label12[0]->font()).horizontalAdvance(QLatin1Char(' '));
  const std::vector<varno::graph::Box> boxes = varno::graph::axisCaptionBoxes(
      captionTexts(Label12, amplitudeCaptionPlace), captionTexts(Label13, timeCaptionPlace),
      Picture1->geometry().right() + 1, width(), blank);
  std::vector<QLabel*> labels(Label12.begin(), Label12.end());
  labels.insert(labels.end(), Label13.begin(), Label13.end());
  for (std::size_t i = 0; i < labels.size(); ++i)
    labels[i]->setGeometry(boxes[i].left, boxes[i].top, boxes[i].width, boxes[i].height);
}

varno::graph::Frame formVarno::currentFrame() const {
  return varno::graph::frameOf(display_, sampleFiles(), Start_Pos, Max_Amp);
}

void formVarno::Draw_Fig() {
  const varno::graph::Frame frame = currentFrame();
  if (!frame.drawn) return;
  // The spectrum follows what the graphs show.
  if (formSpectrum != nullptr && formSpectrum->isVisible())
    formSpectrum->setSpectrum(currentSpectrum());
  Picture1->clear();
  Picture1->draw(frame.upper);
  Picture2->clear();
  Picture2->draw(frame.lower);
  if (!display_.staircase) return;
  const QString label = QString::fromStdString(
      varno::graph::staircaseLabel(*display_.staircase, display_.format.rate));
  // A picture box's pixels and its user units are within half a percent of each other.
  const QFontMetrics metrics(Picture2->font());
  Picture2->drawText(label,
                     varno::graph::labelPlace(frame.lower, metrics.horizontalAdvance(label) + 4,
                                              metrics.height() + 2));
}

QString formVarno::soundTitle() const {
  return QString::fromStdString(
      varno::graph::soundTitle(QFileInfo(fromBytes(display_.source)).fileName().toStdString(),
                               display_.format.rate, display_.staircase));
}

QRect formVarno::graphsRegion() const {
  QRect region = Picture1->geometry() | Picture2->geometry();
  for (const QLabel* caption : Label12) region |= caption->geometry();
  for (const QLabel* caption : Label13) region |= caption->geometry();
  return region & rect();
}

QImage formVarno::titledPicture() {
  const QPixmap graphs = grab(graphsRegion());
  if (!display_.shown) return graphs.toImage();
  // The title line names what the graphs show, above them as docs/methods.png has it.
  const QFontMetrics metrics(Label7->font());
  const qreal ratio = graphs.devicePixelRatio();
  const int titleHeight = metrics.height() + 6;
  QImage picture(graphs.width(), graphs.height() + qRound(titleHeight * ratio),
                 QImage::Format_RGB32);
  picture.setDevicePixelRatio(ratio);
  picture.fill(Qt::white);
  QPainter painter(&picture);
  painter.setFont(Label7->font());
  painter.setPen(Qt::black);
  const int width = qRound(graphs.width() / ratio);
  painter.drawText(QRect(4, 0, width - 8, titleHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   soundTitle());
  painter.drawPixmap(0, titleHeight, graphs);
  return picture;
}

void formVarno::mnuSavePicture_Click() {
  const QString name =
      display_.shown ? QString::fromStdString(varno::graph::pictureFileName(
                           QFileInfo(fromBytes(display_.source)).completeBaseName().toStdString(),
                           display_.format.rate, display_.staircase))
                     : QStringLiteral("varno.png");
  const QString file = askSaveName(suggestedPictureName(name));
  if (file.isEmpty()) return;
  const QString failure = savePicture(QPixmap::fromImage(titledPicture()), file);
  if (!failure.isEmpty()) showMessage(Module1::MessageKind::Plain, failure);
}

void formVarno::mnuSpectrum_Click() {
  if (formSpectrum == nullptr) {
    formSpectrum = new SpectrumWindow(this);
    formSpectrum->showMessage = showMessage;
  }
  formSpectrum->setSpectrum(currentSpectrum());
  formSpectrum->show();
  formSpectrum->raise();
  formSpectrum->activateWindow();
}

varno::graph::Spectrum formVarno::currentSpectrum() const {
  return varno::graph::spectrumOf(display_, sampleFiles(), Start_Pos);
}

varno::graph::SampleFiles formVarno::sampleFiles() const {
  // A re-sampled text that is not there gives no staircase, an error text no error.
  const auto present = [](const QString& file) {
    return Module1::Check_File(file, 0) == 0 ? fsPath(file) : std::filesystem::path();
  };
  return {fsPath(Org_Txt), present(Chg_Txt), present(Err_Txt)};
}

void formVarno::mnuCopySamples_Click() {
  QGuiApplication::clipboard()->setText(QString::fromStdString(varno::graph::samplesTable(
      currentFrame().values, display_.format.rate, soundTitle().toStdString())));
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
  for (const varno::graph::RateItem& item : varno::graph::rateItems(display_.format.rate))
    Combo1->addItem(Module1::Right_Fit(item.value, 6) + QString::fromUtf8(item.suffix));
  Combo1->setCurrentIndex(-1);
}

void formVarno::Combo1_Click() { Make_Choice(ChoiceSource::Combo); }

void formVarno::Option1_Click() { Make_Choice(ChoiceSource::Option); }

void formVarno::Option2_Click() { Make_Choice(ChoiceSource::Option); }

void formVarno::Option3_Click() { Make_Choice(ChoiceSource::Option); }

void formVarno::mnuBitsDepth_Click() { Make_Choice(ChoiceSource::Option); }

void formVarno::mnuDither_Click() {
  // The dither belongs to fewer bits; at the original's it changes nothing.
  if (quantizationInForce().bits != 0) Make_Choice(ChoiceSource::Option);
}

void formVarno::mnuListenToError_Click() { dispatch(ev::ListenToError{}); }

void formVarno::mnuTestSignal_Click() {
  const std::optional<varno::pipeline::SignalSettings> settings = askSignal();
  if (!settings) return;
  const QString folder = QFileInfo(Org_Txt).path();
  Module1::Make_Dir(folder);
  const QString name = QString::fromStdString(varno::pipeline::signalFileName(*settings));
  const QString file = folder + QLatin1Char('/') + name;
  if (const std::error_code error = varno::pipeline::writeSignal(fsPath(file), *settings)) {
    showMessage(Module1::MessageKind::Plain,
                QStringLiteral("テスト信号（Data/%1）を書き込めませんでした。\r\n").arg(name) +
                    QString::fromStdString(error.message()));
    return;
  }
  dropFile(toBytes(file), false);
}

void formVarno::Make_Choice(ChoiceSource source) {
  const int k = Combo1->currentIndex();
  if (k == -1) return;
  const bool open = playerOpen();
  dispatch(
      ev::Choose{k, methodInForce(), source == ChoiceSource::Combo, open, quantizationInForce()});
}

bool formVarno::playerOpen() {
  const varno::desktop::ProcessId player = sequencer_.playerProcess();
  if (player == 0 || desktop_.processEnded(player)) return false;
  if (Player_Wnd != 0) desktop_.setForegroundWindow(Player_Wnd);
  return true;
}

ev::ResampleEnded formVarno::Main_Job(const act::Resample& choice) {
  const int factor = 1 << choice.index;
  const varno::pipeline::Quantization& quantization = choice.quantization;
  varno::pipeline::ResampleResult result = varno::pipeline::resample(
      fsPath(Org_Txt), fsPath(Chg_Txt), factor, choice.method,
      [this] {
        QCoreApplication::processEvents();
        return sequencer_.keepResampling();
      },
      quantization, quantization.bits != 0 ? fsPath(Err_Txt) : std::filesystem::path());
  if (result.error == varno::pipeline::ResampleError::None) {
    // An error text of an earlier run does not belong to this one.
    if (quantization.bits == 0) QFile::remove(Err_Txt);
    display_.resampledLines = std::move(result.index);
    display_.errorLines = std::move(result.errorIndex);
    display_.staircase = varno::graph::Staircase{factor, choice.method, quantization, result.snrDb};
    showChoiceTip();
  }
  return {result.error};
}

void formVarno::Timer2_Timer() {
  Timer2->stop();
  // Whether trosk has ended is asked first, so a status it wrote before ending is read.
  const bool ended = desktop_.processEnded(sequencer_.conversionProcess());
  dispatch(ev::ConversionTick{varno::pipeline::readJobStatus(fsPath(Rev_Ini)), ended});
}

void formVarno::cmdOpen_Org_Click() { Open_Sound(display_.source); }

void formVarno::cmdOpen_Chg_Click() { Open_Sound(toBytes(Chg_Wav)); }

void formVarno::Open_Sound(const std::string& file) {
  // The player is the program associated with the dropped file's type, for both sounds.
  if (Module1::Find_Exe(desktop_, display_.source, showMessage).isEmpty()) return;
  // A window recorded for an earlier player belongs to that one.
  Player_Wnd = 0;
  const varno::desktop::PlayerLaunch launch = desktop_.launchPlayer(display_.source, file);
  dispatch(ev::PlayerLaunched{launch.result, launch.process});
}

bool formVarno::Raise_Player() {
  const varno::desktop::ProcessId player = sequencer_.playerProcess();
  if (desktop_.processEnded(player)) return false;
  // One of the player's own windows in front, a dialog of it say, keeps the focus it has.
  if (desktop_.processInFront(player)) {
    if (Player_Wnd == 0) Player_Wnd = desktop_.windowOfProcess(player);
    return true;
  }
  // Only a window of the player process or of its children is ever taken for the player's;
  // one it has hidden is looked for again.
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
  dispatch(ev::PlayerLook{running, failed, Player_Wnd != 0});
}

void formVarno::Timer4_Timer() {
  const bool running = Raise_Player();
  const bool failed = !running && desktop_.processFailed(sequencer_.playerProcess());
  dispatch(ev::PlayerWatch{running, failed, Player_Wnd != 0});
}

void formVarno::Timer5_Timer() {
  Timer5->stop();
  // Whether the decoder has ended is asked first, so a status it wrote before ending is read.
  const bool ended = desktop_.processEnded(sequencer_.decoderProcess());
  varno::pipeline::DecoderJob job = varno::pipeline::readDecoderJob(fsPath(Dec_Ini));
  // The file's first bytes name what it is once the decoder has had its say.
  const bool finished = ended || job.status != varno::pipeline::JobStatus::Unfinished;
  dispatch(ev::DecoderTick{
      job.status, ended, std::move(job.report),
      finished ? varno::pipeline::readFileHead(sequencer_.decodingPath(), 4096) : ""});
}

void formVarno::Command1_Click() {
  showMessage(Module1::MessageKind::Information,
              playerOpen() ? QStringLiteral("再生用のソフトが開いています。")
                           : QStringLiteral("再生用のソフトは開いていません。"));
}

}  // namespace varno::window
