// main.cpp - entry of freq2equat. Arguments are ignored: the program works on
// three fixed files in the current directory.
#include "conversion/conversion_run.h"
#include "recordio/process_start.h"

int main() {
  recordio::start_up();
  conversion::run_conversion();
}
