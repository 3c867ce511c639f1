// main.cpp - entry of freq2equat. The program works on three fixed files in
// the current directory; its arguments are ignored, except that exactly
// "--help" or "--version" as the first one answers on standard output and
// touches no file: someone asking what the program does must not find a
// vemo.equat made by the asking.
#include <cstdio>
#include <cstring>

#include "conversion/conversion_run.h"
#include "recordio/process_start.h"

namespace {

constexpr const char* help_text =
    "Usage: freq2equat\n"
    "Convert the measured frequency ratios of vemo.freq into the equations of\n"
    "vemo.equat, with the electron binding energies of ionization.data, all in the\n"
    "current directory. vemo.equat must not exist beforehand. Arguments are\n"
    "ignored, except --help or --version alone as the first one.\n"
    "\n"
    "Exit status: 0 the run ended with a closing record in vemo.equat; 255 a\n"
    "run-time failure, reported on standard error. See freq2equat(1).\n";

// Prints `text` and tells whether every byte arrived.
int answer(const char* text) {
  const bool written = std::fputs(text, stdout) >= 0;
  if (std::fclose(stdout) == 0 && written) return 0;
  std::fputs("freq2equat: write error\n", stderr);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--help") == 0) return answer(help_text);
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
    return answer("freq2equat (freq2equat) " FREQ2EQUAT_VERSION "\n");
  }
  recordio::start_up();
  conversion::run_conversion();
}
