#include "form_varno.h"

#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include "fonts.h"
#include "graph.h"

namespace {

// Places and sizes are kept in twips as laid out; 15 twips make one pixel.
QRect fromTwips(int left, int top, int width, int height) {
  auto px = [](int twips) { return qRound(twips / 15.0); };
  return QRect(px(left), px(top), px(width), px(height));
}

const QString kDropPrompt = QStringLiteral("Wave ファイルを、上の白のボックス内にドロップしてください。");

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
