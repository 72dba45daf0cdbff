// The test-signal dialog: what its fields describe once accepted, which fields each waveform
// opens, and that every field is named, reached by its mnemonic and in the form's tab order.
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "window/signal_dialog.h"

using varno::pipeline::SignalSettings;
using varno::pipeline::Waveform;
using varno::window::SignalDialog;

Q_DECLARE_METATYPE(Waveform)

namespace {

const char* const kFields[] = {"signalWaveform",  "signalFrequency", "signalEndFrequency",
                               "signalAmplitude", "signalRate",      "signalBits",
                               "signalSeconds"};

template <typename Field>
Field* field(const SignalDialog& dialog, const char* name) {
  Field* found = dialog.findChild<Field*>(QLatin1String(name));
  if (!found) qFatal("no field %s", name);
  return found;
}

}  // namespace

class SignalDialogTests : public QObject {
  Q_OBJECT

 private slots:
  void startsAtTheDefaults() {
    const SignalDialog dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("テスト信号を作る"));
    QCOMPARE(dialog.objectName(), QStringLiteral("signalDialog"));
    QCOMPARE(dialog.accessibleName(), QStringLiteral("テスト信号を作る"));
    QVERIFY(dialog.settings() == SignalSettings{});
    QCOMPARE(field<QComboBox>(dialog, "signalWaveform")->currentText(), QStringLiteral("正弦波"));
    const auto* buttons = field<QDialogButtonBox>(dialog, "signalButtons");
    QCOMPARE(buttons->button(QDialogButtonBox::Ok)->text(), QStringLiteral("OK"));
    QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
  }

  void acceptedSettings_data() {
    QTest::addColumn<int>("waveformItem");
    QTest::addColumn<int>("rateItem");
    QTest::addColumn<int>("bitsItem");
    QTest::addColumn<Waveform>("waveform");
    QTest::addColumn<bool>("logarithmic");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("bits");
    QTest::addColumn<bool>("frequencyOpen");
    QTest::addColumn<bool>("endOpen");
    QTest::addColumn<QString>("endLabel");
    const QString end = QStringLiteral("終わりの周波数(&E)");
    QTest::newRow("sine") << 0 << 0 << 1 << Waveform::Sine << false << 8000 << 8 << true << false
                          << end;
    QTest::newRow("square") << 1 << 1 << 0 << Waveform::Square << false << 11025 << 16 << true
                            << false << end;
    QTest::newRow("sawtooth") << 2 << 2 << 0 << Waveform::Sawtooth << false << 16000 << 16 << true
                              << false << end;
    QTest::newRow("linear sweep") << 3 << 5 << 0 << Waveform::Sweep << false << 44100 << 16 << true
                                  << true << end;
    QTest::newRow("log sweep") << 4 << 6 << 1 << Waveform::Sweep << true << 48000 << 8 << true
                               << true << end;
    QTest::newRow("two sines") << 5 << 8 << 0 << Waveform::TwoSines << false << 96000 << 16 << true
                               << true << QStringLiteral("2 つ目の周波数(&E)");
    QTest::newRow("white noise") << 6 << 7 << 0 << Waveform::WhiteNoise << false << 88200 << 16
                                 << false << false << end;
  }
  void acceptedSettings() {
    QFETCH(int, waveformItem);
    QFETCH(int, rateItem);
    QFETCH(int, bitsItem);
    QFETCH(Waveform, waveform);
    QFETCH(bool, logarithmic);
    QFETCH(int, rate);
    QFETCH(int, bits);
    QFETCH(bool, frequencyOpen);
    QFETCH(bool, endOpen);
    QFETCH(QString, endLabel);
    SignalDialog dialog;
    field<QComboBox>(dialog, "signalWaveform")->setCurrentIndex(waveformItem);
    field<QDoubleSpinBox>(dialog, "signalFrequency")->setValue(440.5);
    field<QDoubleSpinBox>(dialog, "signalEndFrequency")->setValue(30000);
    field<QDoubleSpinBox>(dialog, "signalAmplitude")->setValue(0.8);
    field<QComboBox>(dialog, "signalRate")->setCurrentIndex(rateItem);
    field<QComboBox>(dialog, "signalBits")->setCurrentIndex(bitsItem);
    field<QDoubleSpinBox>(dialog, "signalSeconds")->setValue(12.5);
    QCOMPARE(field<QDoubleSpinBox>(dialog, "signalFrequency")->isEnabled(), frequencyOpen);
    QCOMPARE(field<QDoubleSpinBox>(dialog, "signalEndFrequency")->isEnabled(), endOpen);
    QCOMPARE(field<QLabel>(dialog, "signalEndFrequencyLabel")->text(), endLabel);
    QCOMPARE(field<QDoubleSpinBox>(dialog, "signalEndFrequency")->accessibleName(),
             endLabel.left(endLabel.indexOf(QLatin1String("(&"))));

    field<QDialogButtonBox>(dialog, "signalButtons")->button(QDialogButtonBox::Ok)->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const SignalSettings expected{.waveform = waveform,
                                  .frequency = 440.5,
                                  .endFrequency = 30000,
                                  .logarithmic = logarithmic,
                                  .amplitude = 0.8,
                                  .rate = rate,
                                  .bits = bits,
                                  .seconds = 12.5};
    QVERIFY(dialog.settings() == expected);
    QCOMPARE(QString::fromStdString(varno::pipeline::signalSettingsProblem(dialog.settings())),
             QString());
  }

  // Each field has its label's words as its name, its label's mnemonic takes the focus to
  // it, and Tab goes down the form.
  void fieldsNamedReachedAndInOrder() {
    SignalDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QList<QWidget*> fields;
    for (const char* name : kFields) fields.append(field<QWidget>(dialog, name));
    QList<QLabel*> labels;
    for (QLabel* label : dialog.findChildren<QLabel*>())
      if (label->buddy()) labels.append(label);
    QCOMPARE(labels.size(), fields.size());
    for (QLabel* label : labels) {
      QWidget* buddy = label->buddy();
      QVERIFY2(fields.contains(buddy), qPrintable(label->text()));
      const QString text = label->text();
      const qsizetype mark = text.indexOf(QLatin1String("(&"));
      QVERIFY2(mark > 0 && text.endsWith(QLatin1Char(')')), qPrintable(text));
      QCOMPARE(buddy->accessibleName(), text.left(mark));
      if (!buddy->isEnabled()) continue;
      QTest::keyClick(&dialog, text.at(mark + 2).toLatin1(), Qt::AltModifier);
      QCOMPARE(QApplication::focusWidget(), buddy);
    }
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
      QVERIFY2(!button->accessibleName().isEmpty(), qPrintable(button->text()));

    // Two sines open every field.
    field<QComboBox>(dialog, "signalWaveform")->setCurrentIndex(5);
    fields.first()->setFocus();
    for (qsizetype i = 1; i < fields.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), fields[i]);
    }
  }
};

int runSignalDialogTests(int argc, char** argv) {
  SignalDialogTests tests;
  return QTest::qExec(&tests, argc, argv);
}

#include "signal_dialog_tests.moc"
