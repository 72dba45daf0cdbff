#pragma once
// The spectrum window: both sounds' spectra over the stretch in view, as graph/spectrum.h
// computes them, with the new Nyquist limit, the band above it shaded, the peaks and the fold
// marked; with fewer bits the quantization error in grey and the SNR. Its menu and the plot's
// context menu save the plot as a picture and copy its values.
#include <QMainWindow>
#include <QString>
#include <functional>

#include "graph/spectrum.h"
#include "window/module1.h"

class QAction;

namespace varno::window {

// Draws a spectrum in the frequency range 0 .. the original's Nyquist limit and the levels
// 0 .. -120 dB, mapped once onto the widget's plot area.
class SpectrumPlot : public QWidget {
  Q_OBJECT

 public:
  explicit SpectrumPlot(QWidget* parent = nullptr);
  void setSpectrum(const varno::graph::Spectrum& spectrum);
  const varno::graph::Spectrum& spectrum() const { return spectrum_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  varno::graph::Spectrum spectrum_;
};

// A top-level window of its own, not modal and resizable; Escape or Ctrl+W closes it.
class SpectrumWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit SpectrumWindow(QWidget* parent = nullptr);

  // Shows `spectrum` from now on; showing the window is the caller's.
  void setSpectrum(const varno::graph::Spectrum& spectrum);

  SpectrumPlot* picSpectrum;
  // The menu's items, the first two on the plot's context menu too.
  QAction* mnuSaveSpectrum;
  QAction* mnuCopySpectrum;
  QAction* mnuCloseSpectrum;

  // The message when the picture cannot be saved; tests replace it.
  Module1::MessageHook showMessage;
  // Asks where to save the picture, offering `suggested`; "" when the user cancels. Tests
  // replace it.
  std::function<QString(const QString& suggested)> askSaveName;

 private slots:
  void mnuSaveSpectrum_Click();
  void mnuCopySpectrum_Click();
  void mnuCloseSpectrum_Click();
};

}  // namespace varno::window
