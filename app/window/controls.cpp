#include "window/controls.h"

#include <QAction>
#include <QActionGroup>
#include <QGroupBox>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <array>
#include <type_traits>
#include <variant>
#include <vector>

#include "pipeline/quantize.h"
#include "window/fonts.h"
#include "window/form_varno.h"

namespace varno::window {

namespace {

struct Twips {
  int left, top, width, height;
};

// Places and sizes are kept in twips as laid out; 15 twips make one pixel.
QRect fromTwips(const Twips& t) {
  auto px = [](int twips) { return qRound(twips / 15.0); };
  return QRect(px(t.left), px(t.top), px(t.width), px(t.height));
}

enum class Border { None, Single };

using F = formVarno;
template <class W>
using In = W* F::*;
// The member a row's control goes into; its type is the control's kind.
using Member = std::variant<In<QLabel>, In<DropBox>, In<PickList>, In<QPushButton>, In<QGroupBox>,
                            In<QRadioButton>, In<PictureBox>, In<QScrollBar>>;

struct Row {
  const char* name;
  Member member;
  const char* text;  // UTF-8
  Twips place;       // option buttons within their frame, the others within the window
  Qt::Alignment align = {};
  Border border = Border::None;
};

constexpr Qt::Alignment kTopLeft = Qt::AlignLeft | Qt::AlignTop;
constexpr Qt::Alignment kTopRight = Qt::AlignRight | Qt::AlignTop;
// The framed one-line fields centre their line: QLabel indents a top-aligned line from the
// top as well, which would put its descent on the bottom border.
constexpr Qt::Alignment kMiddleLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kMiddleRight = Qt::AlignRight | Qt::AlignVCenter;

// In the tab order. Frame1 is tall enough for a third option; it lies outside the window's
// visible part, as do Label2, Label4, Command1, cmdLeft and cmdRight.
// clang-format off
const Row kRows[] = {
    {"Label1", &F::Label1, "Wave ファイルを下にドロップしてください。", {390, 120, 3555, 225},
     kTopLeft},
    {"Text1", &F::Text1, "", {360, 360, 7545, 435}},
    {"Label2", &F::Label2, "サンプル周波数：", {9240, 1800, 1605, 225}, kTopRight},
    {"Label3", &F::Label3, "ビット", {5760, 960, 585, 195}, kTopRight},
    {"Label4", &F::Label4, "", {10920, 1800, 1605, 255}, kMiddleLeft, Border::Single},
    {"Label5", &F::Label5, "", {6480, 930, 1395, 255}, kMiddleLeft, Border::Single},
    {"Label6", &F::Label6, "サンプル周波数：", {360, 960, 2205, 225}, kTopRight},
    {"Combo1", &F::Combo1, "", {2640, 900, 1965, 300}},
    {"Label7", &F::Label7, "", {360, 2520, 7635, 525}, kTopLeft, Border::Single},
    {"cmdOpen_Org", &F::cmdOpen_Org, "オリジナルの音を聞く", {360, 1920, 3855, 525}},
    {"cmdOpen_Chg", &F::cmdOpen_Chg, "サンプリング後の音を聞く", {4200, 1920, 3735, 525}},
    {"Command1", &F::Command1, "Command1", {9480, 5520, 465, 315}},
    {"Label8", &F::Label8, "ファイルのサイズ：", {480, 1260, 2055, 255}, kTopRight},
    {"Label9", &F::Label9, "", {2640, 1260, 1935, 255}, kMiddleRight, Border::Single},
    {"Label10", &F::Label10, "変換後のファイルのサイズ：", {360, 1560, 2175, 255}, kTopRight},
    {"Label11", &F::Label11, "", {2640, 1560, 1935, 255}, kMiddleRight, Border::Single},
    {"Frame1", &F::Frame1, "サンプリングの方法", {9600, 480, 3255, 1455}},
    {"Option1", &F::Option1, "平均値を使う", {720, 360, 1455, 255}},
    {"Option2", &F::Option2, "先頭データを使う", {720, 720, 1815, 180}},
    {"Option3", &F::Option3, "ローパスフィルタを使う", {720, 1080, 2415, 255}},
    {"Picture1", &F::Picture1, "", {360, 3240, 7575, 3100}},
    {"Picture2", &F::Picture2, "", {360, 6720, 7575, 3100}},
    {"cmdLeft", &F::cmdLeft, "<<", {120, 12360, 615, 375}},
    {"cmdRight", &F::cmdRight, ">>", {7080, 12360, 615, 375}},
    {"HScroll1", &F::HScroll1, "", {360, 10320, 7575, 255}},
};
// clang-format on

constexpr std::array<int, 6> kAmplitudeTops{3120, 4680, 6240, 6720, 8160, 9720};
constexpr std::array<int, 6> kTimeLefts{0, 1560, 3120, 4560, 6120, 7560};

template <class W>
W* make(QWidget* parent, const QString& name, const QString& text, const QRect& place,
        Qt::Alignment align, Border border) {
  auto* w = new W(parent);
  w->setObjectName(name);
  w->setGeometry(place);
  if constexpr (std::is_same_v<W, QLabel>) {
    w->setTextFormat(Qt::PlainText);
    w->setText(text);
    w->setAlignment(align);
    if (border == Border::Single) {
      w->setFrameStyle(QFrame::Panel | QFrame::Sunken);
      w->setLineWidth(1);
    }
  } else if constexpr (std::is_same_v<W, QGroupBox>) {
    w->setTitle(text);
  } else if constexpr (std::is_base_of_v<QAbstractButton, W>) {
    w->setText(text);
  }
  return w;
}

QFont gothic(const QString& family, double points) {
  QFont font(family);
  font.setPointSizeF(points);
  font.setWeight(QFont::Normal);
  return font;
}

void buildMenus(formVarno& f) {
  auto* methods = new QActionGroup(&f);
  const std::array<const QRadioButton*, 3> options{f.Option1, f.Option2, f.Option3};
  for (std::size_t i = 0; i < f.mnuMethod.size(); ++i) {
    f.mnuMethod[i] = new QAction(options[i]->text(), methods);
    f.mnuMethod[i]->setObjectName(QStringLiteral("mnuMethod(%1)").arg(i));
    f.mnuMethod[i]->setCheckable(true);
  }
  auto separator = [&f] {
    auto* line = new QAction(&f);
    line->setSeparator(true);
    return line;
  };
  // The bit depths: every one a 16-bit sound offers; the window hides those an 8-bit one lacks.
  f.mnuBits = new QMenu(QString::fromUtf8(varno::pipeline::kBitsMenuText), &f);
  f.mnuBits->setObjectName(QStringLiteral("mnuBits"));
  auto* depths = new QActionGroup(f.mnuBits);
  const std::vector<int> bits = varno::pipeline::offeredBits(true);
  for (std::size_t i = 0; i < f.mnuBitsDepth.size(); ++i) {
    const int depth = i == 0 ? 0 : bits[i - 1];
    f.mnuBitsDepth[i] =
        new QAction(QString::fromStdString(varno::pipeline::bitsMenuItem(depth)), depths);
    f.mnuBitsDepth[i]->setObjectName(QStringLiteral("mnuBitsDepth(%1)").arg(i));
    f.mnuBitsDepth[i]->setData(depth);
    f.mnuBitsDepth[i]->setCheckable(true);
  }
  f.mnuBitsDepth[0]->setChecked(true);
  f.mnuBits->addActions(depths->actions());
  f.mnuDither = new QAction(QString::fromUtf8(varno::pipeline::kDitherText), &f);
  f.mnuDither->setObjectName(QStringLiteral("mnuDither"));
  f.mnuDither->setCheckable(true);
  f.mnuListenToError = new QAction(QString::fromUtf8(varno::pipeline::kListenToErrorText), &f);
  f.mnuListenToError->setObjectName(QStringLiteral("mnuListenToError"));
  f.mnuTestSignal = new QAction(QStringLiteral("テスト信号を作る…"), &f);
  f.mnuTestSignal->setObjectName(QStringLiteral("mnuTestSignal"));
  // The keyboard's way to the items of the graphs' menus, which take no Tab focus.
  f.mnuDither->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
  f.mnuListenToError->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  f.mnuTestSignal->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  f.mnuBits->menuAction()->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
  f.addActions({f.mnuBits->menuAction(), f.mnuDither, f.mnuListenToError, f.mnuTestSignal});
  f.mnuSavePicture = new QAction(QStringLiteral("画像を保存…"), &f);
  f.mnuSavePicture->setObjectName(QStringLiteral("mnuSavePicture"));
  f.mnuCopySamples = new QAction(QStringLiteral("表示中のサンプルをコピー"), &f);
  f.mnuCopySamples->setObjectName(QStringLiteral("mnuCopySamples"));
  f.mnuSpectrum = new QAction(QStringLiteral("スペクトルを表示…"), &f);
  f.mnuSpectrum->setObjectName(QStringLiteral("mnuSpectrum"));
  f.Picture1->addActions(
      {f.mnuSavePicture, f.mnuCopySamples, f.mnuSpectrum, separator(), f.mnuTestSignal});
  f.Picture2->addActions(methods->actions());
  f.Picture2->addActions({separator(), f.mnuBits->menuAction(), f.mnuDither, f.mnuListenToError,
                          separator(), f.mnuSavePicture, f.mnuCopySamples, f.mnuSpectrum,
                          separator(), f.mnuTestSignal});
  f.Text1->addAction(f.mnuTestSignal);
  for (PictureBox* picture : {f.Picture1, f.Picture2})
    picture->setContextMenuPolicy(Qt::ActionsContextMenu);
}

}  // namespace

QRect amplitudeCaptionPlace(std::size_t i) {
  return fromTwips({8040, kAmplitudeTops[i], 735, 135});
}

QRect timeCaptionPlace(std::size_t i) {
  const bool samples = i < 6;
  return fromTwips({kTimeLefts[i % 6], samples ? 6480 : 9960, samples ? 735 : 975, 135});
}

void buildControls(formVarno& f) {
  f.setObjectName(QStringLiteral("formVarno"));
  f.setWindowTitle(QStringLiteral("B"));
  f.setFixedSize(583, 719);
  // The window's own font, for the controls that have none of their own.
  f.setFont(gothic(kProportionalGothic, 9));
  QIcon icon;
  for (const int side : {16, 22, 24, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/varno/icons/varno-%1.png").arg(side), QSize(side, side));
  f.setWindowIcon(icon);

  // Controls are made in the tab order, so the focus chain follows it.
  for (const Row& row : kRows) {
    std::visit(
        [&](auto member) {
          using W = std::remove_pointer_t<std::remove_reference_t<decltype(f.*member)>>;
          // The option buttons stand in their frame.
          QWidget* parent = std::is_same_v<W, QRadioButton> ? static_cast<QWidget*>(f.Frame1) : &f;
          f.*member = make<W>(parent, QLatin1String(row.name), QString::fromUtf8(row.text),
                              fromTwips(row.place), row.align, row.border);
        },
        row.member);
  }
  const QFont captionFont = gothic(kProportionalGothic, 8.25);
  for (std::size_t i = 0; i < f.Label12.size(); ++i) {
    f.Label12[i] = make<QLabel>(&f, QStringLiteral("Label12(%1)").arg(i), QString(),
                                amplitudeCaptionPlace(i), kTopLeft, Border::None);
    f.Label12[i]->setFont(captionFont);
  }
  for (std::size_t i = 0; i < f.Label13.size(); ++i) {
    f.Label13[i] = make<QLabel>(&f, QStringLiteral("Label13(%1)").arg(i), QString(),
                                timeCaptionPlace(i), Qt::AlignHCenter | Qt::AlignTop, Border::None);
    f.Label13[i]->setFont(captionFont);
  }

  f.Combo1->setFont(gothic(kFixedGothic, 9));
  f.Label7->setAutoFillBackground(true);
  QPalette pinkish = f.Label7->palette();
  pinkish.setColor(QPalette::Window, QColor(255, 192, 192));
  f.Label7->setPalette(pinkish);
  f.HScroll1->setOrientation(Qt::Horizontal);
  f.HScroll1->setRange(0, 32767);
  f.HScroll1->setSingleStep(1);
  f.HScroll1->setPageStep(1);
  // The view follows the thumb when it is released, not while it is dragged.
  f.HScroll1->setTracking(false);
  f.HScroll1->setFocusPolicy(Qt::StrongFocus);

  buildMenus(f);
  auto timer = [&f](const char* name) {
    auto* t = new QTimer(&f);
    t->setObjectName(QLatin1String(name));
    return t;
  };
  f.Timer1 = timer("Timer1");
  f.Timer2 = timer("Timer2");
  f.Timer3 = timer("Timer3");
  f.Timer4 = timer("Timer4");
  f.Timer5 = timer("Timer5");
}

}  // namespace varno::window
