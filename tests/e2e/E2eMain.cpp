#include <gtest/gtest.h>

#include <cstdio>

#include "Process.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // A Tarvel left over from an interrupted run would make every scenario meaningless.
  const int stale = tarvel::e2e::CountProcesses(L"tarvel.exe");
  if (stale != 0) {
    std::fprintf(stderr, "e2e: %d tarvel.exe process(es) already running in this prefix\n", stale);
    return 2;
  }
  return RUN_ALL_TESTS();
}
