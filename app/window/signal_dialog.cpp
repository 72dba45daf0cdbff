#include "window/signal_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <array>
#include <initializer_list>
#include <utility>

#include "pipeline/quantize.h"

namespace varno::window {

namespace {

using pipeline::Waveform;

struct WaveformItem {
  const char* text;
  Waveform waveform;
  bool logarithmic;
};
constexpr std::array<WaveformItem, 7> kWaveforms = {{
    {"正弦波", Waveform::Sine, false},
    {"矩形波", Waveform::Square, false},
    {"のこぎり波", Waveform::Sawtooth, false},
    {"スイープ（直線）", Waveform::Sweep, false},
    {"スイープ（対数）", Waveform::Sweep, true},
    {"2 つの正弦波", Waveform::TwoSines, false},
    {"ホワイトノイズ", Waveform::WhiteNoise, false},
}};

constexpr std::array<int, 9> kRates = {8000,  11025, 16000, 22050, 32000,
                                       44100, 48000, 88200, 96000};
constexpr std::array<int, 2> kBits = {16, 8};

const QString kEndFrequencyText = QStringLiteral("終わりの周波数(&E)");
const QString kSecondFrequencyText = QStringLiteral("2 つ目の周波数(&E)");

// A label's text without its mnemonic: what a screen reader says for its field.
QString withoutMnemonic(const QString& text) {
  const qsizetype at = text.indexOf(QLatin1String("(&"));
  return at < 0 ? text : text.left(at);
}

QDoubleSpinBox* spinBox(const char* name, double lowest, double highest, double step, int decimals,
                        const QString& suffix) {
  auto* box = new QDoubleSpinBox;
  box->setObjectName(QLatin1String(name));
  box->setRange(lowest, highest);
  box->setSingleStep(step);
  box->setDecimals(decimals);
  box->setSuffix(suffix);
  return box;
}

}  // namespace

SignalDialog::SignalDialog(QWidget* parent)
    : QDialog(parent),
      waveform_(new QComboBox),
      frequency_(spinBox("signalFrequency", 1, 200000, 100, 1, QStringLiteral(" Hz"))),
      endFrequencyLabel_(new QLabel(kEndFrequencyText)),
      endFrequency_(spinBox("signalEndFrequency", 1, 200000, 100, 1, QStringLiteral(" Hz"))),
      amplitude_(spinBox("signalAmplitude", 0, 1, 0.05, 2, QString())),
      rate_(new QComboBox),
      bits_(new QComboBox),
      seconds_(spinBox("signalSeconds", 0.5, 30, 0.5, 1, QStringLiteral(" 秒"))),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel)) {
  const QString title = QStringLiteral("テスト信号を作る");
  setObjectName(QStringLiteral("signalDialog"));
  setWindowTitle(title);
  setAccessibleName(title);
  waveform_->setObjectName(QStringLiteral("signalWaveform"));
  for (const WaveformItem& item : kWaveforms) waveform_->addItem(QString::fromUtf8(item.text));
  rate_->setObjectName(QStringLiteral("signalRate"));
  for (const int rate : kRates) rate_->addItem(QStringLiteral("%1 Hz").arg(rate), rate);
  bits_->setObjectName(QStringLiteral("signalBits"));
  for (const int bits : kBits)
    bits_->addItem(QString::fromStdString(pipeline::bitsLabel(bits)), bits);
  endFrequencyLabel_->setObjectName(QStringLiteral("signalEndFrequencyLabel"));

  const pipeline::SignalSettings defaults;
  frequency_->setValue(defaults.frequency);
  endFrequency_->setValue(defaults.endFrequency);
  amplitude_->setValue(defaults.amplitude);
  rate_->setCurrentIndex(rate_->findData(defaults.rate));
  bits_->setCurrentIndex(bits_->findData(defaults.bits));
  seconds_->setValue(defaults.seconds);

  auto* form = new QFormLayout;
  const auto addRow = [form](QLabel* label, QWidget* field) {
    label->setBuddy(field);
    field->setAccessibleName(withoutMnemonic(label->text()));
    form->addRow(label, field);
  };
  addRow(new QLabel(QStringLiteral("波形(&W)")), waveform_);
  addRow(new QLabel(QStringLiteral("周波数(&F)")), frequency_);
  addRow(endFrequencyLabel_, endFrequency_);
  addRow(new QLabel(QStringLiteral("振幅(&A)")), amplitude_);
  addRow(new QLabel(QStringLiteral("サンプリング周波数(&R)")), rate_);
  addRow(new QLabel(QStringLiteral("ビット数(&B)")), bits_);
  addRow(new QLabel(QStringLiteral("長さ(&L)")), seconds_);

  // Set here rather than left to Qt's translation, which may not be installed.
  buttons_->setObjectName(QStringLiteral("signalButtons"));
  for (const auto& [which, text] : {std::pair{QDialogButtonBox::Ok, QStringLiteral("OK")},
                                    {QDialogButtonBox::Cancel, QStringLiteral("キャンセル")}}) {
    QPushButton* button = buttons_->button(which);
    button->setText(text);
    button->setAccessibleName(text);
  }
  form->addRow(buttons_);
  setLayout(form);

  QWidget* previous = waveform_;
  for (QWidget* next : std::initializer_list<QWidget*>{frequency_, endFrequency_, amplitude_, rate_,
                                                       bits_, seconds_, buttons_}) {
    setTabOrder(previous, next);
    previous = next;
  }
  connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(waveform_, &QComboBox::currentIndexChanged, this, &SignalDialog::showWaveformFields);
  showWaveformFields();
}

pipeline::SignalSettings SignalDialog::settings() const {
  const WaveformItem& item = kWaveforms.at(static_cast<std::size_t>(waveform_->currentIndex()));
  return {.waveform = item.waveform,
          .frequency = frequency_->value(),
          .endFrequency = endFrequency_->value(),
          .logarithmic = item.logarithmic,
          .amplitude = amplitude_->value(),
          .rate = rate_->currentData().toInt(),
          .bits = bits_->currentData().toInt(),
          .seconds = seconds_->value()};
}

void SignalDialog::showWaveformFields() {
  const Waveform waveform = settings().waveform;
  frequency_->setEnabled(waveform != Waveform::WhiteNoise);
  endFrequency_->setEnabled(waveform == Waveform::Sweep || waveform == Waveform::TwoSines);
  endFrequencyLabel_->setText(waveform == Waveform::TwoSines ? kSecondFrequencyText
                                                             : kEndFrequencyText);
  endFrequency_->setAccessibleName(withoutMnemonic(endFrequencyLabel_->text()));
}

std::optional<pipeline::SignalSettings> askSignalInDialog(QWidget* parent) {
  SignalDialog dialog(parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.settings();
}

}  // namespace varno::window
