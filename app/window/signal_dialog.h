#pragma once
// The dialog that describes a test signal to make: a form of its waveform, frequencies,
// amplitude, rate, bits and length, each field named by its label and reached by its
// mnemonic, in the form's order.
#include <QDialog>
#include <optional>

#include "pipeline/test_signal.h"

class QComboBox;
class QDialogButtonBox;
class QDoubleSpinBox;
class QLabel;

namespace varno::window {

class SignalDialog : public QDialog {
  Q_OBJECT

 public:
  // The fields start at SignalSettings's defaults: a 1000 Hz sine at 0.5, 44100 Hz, 16 bits, 5 s.
  explicit SignalDialog(QWidget* parent = nullptr);

  // The signal the fields describe; always one signalSettingsProblem accepts.
  pipeline::SignalSettings settings() const;

 private:
  // The frequencies are open only where the waveform has them; the second one is the
  // sweep's end or the second sine.
  void showWaveformFields();

  QComboBox* waveform_;
  QDoubleSpinBox* frequency_;
  QLabel* endFrequencyLabel_;
  QDoubleSpinBox* endFrequency_;
  QDoubleSpinBox* amplitude_;
  QComboBox* rate_;
  QComboBox* bits_;
  QDoubleSpinBox* seconds_;
  QDialogButtonBox* buttons_;
};

// Shows the dialog; the signal described, or none when it was cancelled.
std::optional<pipeline::SignalSettings> askSignalInDialog(QWidget* parent);

}  // namespace varno::window
