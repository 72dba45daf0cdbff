// One program for the window's tests: the shared routines, start-up, capture and display,
// choices and listening, the pictures' menus, the spectrum window, the hand-over's message,
// Varno started as a program, and the test-signal dialog.
#include <QApplication>

#include "window/fonts.h"
#include "window/language.h"

int runModule1Tests(int argc, char** argv);
int runStartupTests(int argc, char** argv);
int runCaptureTests(int argc, char** argv);
int runChoiceTests(int argc, char** argv);
int runMenuTests(int argc, char** argv);
int runSpectrumWindowTests(int argc, char** argv);
int runHandoverTests(int argc, char** argv);
int runInstanceTests(int argc, char** argv);
int runSignalDialogTests(int argc, char** argv);

int main(int argc, char** argv) {
  varno::window::loadFontAliases();
  QApplication app(argc, argv);
  varno::window::loadQtTranslations();
  int failures = 0;
  for (auto run :
       {runModule1Tests, runStartupTests, runCaptureTests, runChoiceTests, runMenuTests,
        runSpectrumWindowTests, runHandoverTests, runInstanceTests, runSignalDialogTests})
    failures += run(argc, argv);
  return failures == 0 ? 0 : 1;
}
