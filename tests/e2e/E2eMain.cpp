#include <gtest/gtest.h>

#include <cstdio>

#include "Process.h"
#include "ocr_double/OcrScript.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // A Tarvel left over from an interrupted run would make every scenario meaningless.
  const int stale = tarvel::e2e::CountProcesses(L"tarvel.exe");
  if (stale != 0) {
    std::fprintf(stderr, "e2e: %d tarvel.exe process(es) already running in this prefix\n", stale);
    return 2;
  }
  // Wine has no text recognition: every Tarvel of the run finds the test's runtime classes,
  // with one language installed, unless a scenario scripts them otherwise.
  const tarvel::ocr_double::TOcrDoubleRegistration ocr;
  const tarvel::ocr_double::TOcrScript languages;
  return RUN_ALL_TESTS();
}
