#include "window/spectrum_window.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPolygonF>
#include <QTransform>
#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "graph/graph.h"
#include "window/dialogs.h"

namespace varno::window {

namespace {

using varno::graph::kFloorDb;
using varno::graph::Mark;
using varno::graph::SoundSpectrum;

const QColor kBlue = QColor::fromRgb(varno::graph::kBlue);
const QColor kRed = QColor::fromRgb(varno::graph::kRed);
const QColor kGrid(0xDD, 0xDD, 0xDD);
const QColor kLimit(0x60, 0x60, 0x60);
const QColor kFold(0xC0, 0x00, 0x00);
const QColor kError(0x80, 0x80, 0x80);
// Light enough that the traces above the limit still show through it.
const QColor kBeyondLimit(0x00, 0x00, 0x00, 0x20);

QPen cosmetic(const QColor& colour, Qt::PenStyle style = Qt::SolidLine) {
  QPen pen(colour, 1, style);
  pen.setCosmetic(true);
  return pen;
}

QPolygonF trace(const SoundSpectrum& s) {
  QPolygonF line;
  line.reserve(static_cast<qsizetype>(s.levels.size()));
  for (std::size_t k = 0; k < s.levels.size(); ++k) line << QPointF(s.frequencyOf(k), s.levels[k]);
  return line;
}

// The box of `text` centred on x with its bottom at `bottom`, moved inside [0, right).
QRectF labelBox(const QFontMetrics& metrics, const QString& text, double x, double bottom,
                int right) {
  const double width = metrics.horizontalAdvance(text);
  const double left = std::clamp(x - width / 2, 0.0, std::max(0.0, right - width));
  return QRectF(left, bottom - metrics.height(), width, metrics.height());
}

// A small triangle pointing down at the peak and its label above it, or under the peak where
// the label would leave the widget or meet `avoid`; returns the label's box.
QRectF drawPeak(QPainter& painter, const QTransform& toPlot, const QRectF& area, const Mark& peak,
                const QColor& colour, const QRectF& avoid) {
  const QPointF at = toPlot.map(QPointF(peak.frequency, std::max(peak.level, kFloorDb)));
  const QPointF tip(at.x(), std::clamp(at.y(), area.top(), area.bottom()) - 2);
  painter.setPen(colour);
  painter.setBrush(colour);
  painter.drawPolygon(QPolygonF{tip, tip + QPointF(-4, -6), tip + QPointF(4, -6)});
  const QFontMetrics metrics(painter.font());
  const QString text = QString::fromStdString(varno::graph::peakLabel(peak.frequency));
  const int right = painter.device()->width();
  QRectF box = labelBox(metrics, text, tip.x(), tip.y() - 7, right);
  if (box.top() < 0 || box.intersects(avoid))
    box = labelBox(metrics, text, tip.x(), tip.y() + 4 + metrics.height(), right);
  painter.drawText(box, Qt::AlignCenter, text);
  return box;
}

}  // namespace

SpectrumPlot::SpectrumPlot(QWidget* parent) : QWidget(parent) {
  // The menu key opens the context menu of the plot that has the focus.
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(360, 240);
}

void SpectrumPlot::setSpectrum(const varno::graph::Spectrum& spectrum) {
  spectrum_ = spectrum;
  // The SNR drawn in the plot, for screen readers too.
  setAccessibleDescription(QString::fromStdString(spectrum.snr));
  update();
}

void SpectrumPlot::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  const QFontMetrics metrics(font());
  const int line = metrics.height();
  const int gap = metrics.horizontalAdvance(QLatin1Char(' '));
  const SoundSpectrum& original = spectrum_.original;
  const double top = original.rate > 0 ? original.rate / 2 : 1;
  const QString widest = QString::number(top, 'f', 0);
  const std::optional<SoundSpectrum>& resampled = spectrum_.resampled;
  const std::optional<SoundSpectrum>& error = spectrum_.error;

  // The legend of the traces shown, on the first line at the right.
  std::vector<std::pair<QString, QColor>> legend;
  if (error) legend.emplace_back(QStringLiteral("量子化誤差"), kError);
  if (resampled) legend.emplace_back(QStringLiteral("サンプリング後"), kRed);
  legend.emplace_back(QStringLiteral("オリジナル"), kBlue);
  double legendLeft = width() + gap;
  for (const auto& entry : legend) legendLeft -= metrics.horizontalAdvance(entry.first) + 5 * gap;

  // The SNR on the legend's line from the plot's left edge, or on a line of its own under it
  // where the legend leaves it too little room.
  const double plotLeft = metrics.horizontalAdvance(QStringLiteral("-120")) + 2 * gap;
  const QString snr = QString::fromStdString(spectrum_.snr);
  const double snrWidth = metrics.horizontalAdvance(snr);
  const bool snrLine = !snr.isEmpty() && plotLeft + snrWidth + 2 * gap > legendLeft;

  // Captions left of the plot and under it; above it the legend, then room for the label of
  // a peak at 0 dB and its mark.
  const QRectF area(QPointF(plotLeft, (snrLine ? 3 : 2) * line + 10),
                    QPointF(width() - metrics.horizontalAdvance(widest) / 2.0 - gap,
                            height() - 2 * line - 2 * gap));
  if (area.width() <= 0 || area.height() <= 0) return;
  // (Hz, dB) to pixels: 0 .. top left to right, 0 dB at the top and the floor at the bottom.
  const QTransform toPlot(area.width() / top, 0, 0, area.height() / kFloorDb, area.left(),
                          area.top());
  const double limit = spectrum_.limit();
  const double limitX = toPlot.map(QPointF(limit, 0)).x();

  if (resampled && limit < top)
    painter.fillRect(toPlot.mapRect(QRectF(QPointF(limit, 0), QPointF(top, kFloorDb))),
                     kBeyondLimit);

  const int most =
      std::max(2, static_cast<int>(area.width()) / (metrics.horizontalAdvance(widest) + 2 * gap));
  for (const varno::graph::AxisTick& tick : varno::graph::frequencyTicks(top, most)) {
    const double x = toPlot.map(QPointF(tick.value, 0)).x();
    painter.setPen(cosmetic(kGrid));
    painter.drawLine(QLineF(x, area.top(), x, area.bottom()));
    painter.setPen(Qt::black);
    const QString caption = QString::fromStdString(tick.caption);
    painter.drawText(labelBox(metrics, caption, x, area.bottom() + gap + line, width()),
                     Qt::AlignCenter, caption);
  }
  for (const varno::graph::AxisTick& tick : varno::graph::levelTicks()) {
    const double y = toPlot.map(QPointF(0, tick.value)).y();
    painter.setPen(cosmetic(kGrid));
    painter.drawLine(QLineF(area.left(), y, area.right(), y));
    painter.setPen(Qt::black);
    painter.drawText(QRectF(0, y - line / 2.0, area.left() - gap, line),
                     Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(tick.caption));
  }
  painter.setPen(cosmetic(Qt::black));
  painter.drawRect(area);
  painter.drawText(QRectF(0, area.top() - 1.5 * line - 2, area.left() - gap, line),
                   Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("dB"));
  painter.drawText(QRectF(area.left(), height() - line - gap, area.width(), line),
                   Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("周波数 (Hz)"));

  double legendRight = width() - gap;
  for (const auto& [name, colour] : legend) {
    const double textLeft = legendRight - metrics.horizontalAdvance(name);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(textLeft, 0, legendRight - textLeft, line), Qt::AlignVCenter, name);
    painter.setPen(QPen(colour, 2));
    painter.drawLine(QLineF(textLeft - 3 * gap, line / 2.0, textLeft - gap / 2.0, line / 2.0));
    legendRight = textLeft - 5 * gap;
  }
  if (!snr.isEmpty()) {
    painter.setPen(Qt::black);
    painter.drawText(QRectF(plotLeft, snrLine ? line : 0, snrWidth, line), Qt::AlignVCenter, snr);
  }

  // The traces in their exact colours: the red one wider, under the blue one, so that both
  // show where the sounds agree; the error's over both, since it is the red one's floor and
  // would otherwise hide under it.
  painter.save();
  painter.setClipRect(area);
  if (resampled) {
    QPen wide = cosmetic(kRed);
    wide.setWidth(2);
    painter.setPen(wide);
    painter.drawPolyline(toPlot.map(trace(*resampled)));
  }
  painter.setPen(cosmetic(kBlue));
  painter.drawPolyline(toPlot.map(trace(original)));
  if (error) {
    painter.setPen(cosmetic(kError));
    painter.drawPolyline(toPlot.map(trace(*error)));
  }
  painter.restore();

  painter.setRenderHint(QPainter::Antialiasing);
  QRectF limitLabel;
  if (resampled) {
    painter.setPen(cosmetic(kLimit, Qt::DashLine));
    painter.drawLine(QLineF(limitX, area.top(), limitX, area.bottom()));
    // Along the line at the top, reading upwards, in the band it bounds; the fold's label
    // keeps the bottom.
    const QString text = QString::fromStdString(varno::graph::nyquistLabel(limit));
    limitLabel =
        QRectF(limitX, area.top(), gap / 2.0 + line, gap + metrics.horizontalAdvance(text));
    painter.save();
    painter.translate(limitX + gap / 2.0 + metrics.ascent(), limitLabel.bottom());
    painter.rotate(-90);
    painter.setPen(kLimit);
    painter.drawText(QPointF(0, 0), text);
    painter.restore();
  }
  QRectF originalLabel;
  if (original.peak)
    originalLabel = drawPeak(painter, toPlot, area, *original.peak, kBlue, QRectF());
  if (resampled && resampled->peak)
    drawPeak(painter, toPlot, area, *resampled->peak, kRed, originalLabel);
  if (const std::optional<Mark>& folded = spectrum_.folded) {
    const QPointF at = toPlot.map(QPointF(folded->frequency, folded->level));
    painter.setPen(cosmetic(kFold, Qt::DotLine));
    painter.drawLine(QLineF(at.x(), area.bottom(), at.x(), at.y()));
    const QString text = QString::fromStdString(varno::graph::foldedLabel(folded->frequency));
    const double textWidth = metrics.horizontalAdvance(text);
    // Right of the line where the text stays in the plot clear of the limit's label, else
    // left of it.
    QRectF box(at.x() + gap, area.bottom() - gap - line, textWidth, line);
    if (box.right() > area.right() || box.intersects(limitLabel))
      box.moveLeft(std::max(area.left() + gap, at.x() - gap - textWidth));
    painter.setPen(kFold);
    painter.drawText(box, Qt::AlignCenter, text);
  }
}

SpectrumWindow::SpectrumWindow(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("formSpectrum"));
  setWindowTitle(QStringLiteral("スペクトル"));
  setAccessibleName(QStringLiteral("スペクトル"));
  showMessage = [this](Module1::MessageKind kind, const QString& text) {
    showMessageBox(this, kind, text);
  };
  askSaveName = [this](const QString& suggested) { return askSaveNameInDialog(this, suggested); };

  picSpectrum = new SpectrumPlot(this);
  picSpectrum->setObjectName(QStringLiteral("picSpectrum"));
  picSpectrum->setAccessibleName(QStringLiteral("スペクトルのグラフ"));
  setCentralWidget(picSpectrum);

  struct Item {
    QAction* SpectrumWindow::*member;
    const char* name;
    const char* text;  // UTF-8, also the accessible name
    const char* keys;  // QKeySequence's portable text, shortcuts separated by "; "
    void (SpectrumWindow::*click)();
  };
  static const Item kItems[] = {
      {&SpectrumWindow::mnuSaveSpectrum, "mnuSaveSpectrum", "画像を保存…", "Ctrl+S",
       &SpectrumWindow::mnuSaveSpectrum_Click},
      {&SpectrumWindow::mnuCopySpectrum, "mnuCopySpectrum", "値をコピー", "Ctrl+C",
       &SpectrumWindow::mnuCopySpectrum_Click},
      {&SpectrumWindow::mnuCloseSpectrum, "mnuCloseSpectrum", "閉じる", "Ctrl+W; Esc",
       &SpectrumWindow::mnuCloseSpectrum_Click},
  };
  QMenu* menu = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
  menu->setObjectName(QStringLiteral("mnuSpectrum"));
  for (const Item& item : kItems) {
    QAction* action = menu->addAction(QString::fromUtf8(item.text));
    action->setObjectName(QLatin1String(item.name));
    action->setShortcuts(QKeySequence::listFromString(QLatin1String(item.keys)));
    connect(action, &QAction::triggered, this, item.click);
    this->*item.member = action;
  }
  picSpectrum->addActions({mnuSaveSpectrum, mnuCopySpectrum});
  picSpectrum->setContextMenuPolicy(Qt::ActionsContextMenu);
  resize(720, 480);
}

void SpectrumWindow::setSpectrum(const varno::graph::Spectrum& spectrum) {
  picSpectrum->setSpectrum(spectrum);
}

void SpectrumWindow::mnuSaveSpectrum_Click() {
  const QString file = askSaveName(suggestedPictureName(QStringLiteral("varno-spectrum.png")));
  if (file.isEmpty()) return;
  if (const QString failure = savePicture(picSpectrum->grab(), file); !failure.isEmpty())
    showMessage(Module1::MessageKind::Plain, failure);
}

void SpectrumWindow::mnuCopySpectrum_Click() {
  QGuiApplication::clipboard()->setText(
      QString::fromStdString(varno::graph::spectrumTable(picSpectrum->spectrum())));
}

void SpectrumWindow::mnuCloseSpectrum_Click() { close(); }

}  // namespace varno::window
