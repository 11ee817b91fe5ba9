// Stand-in for the download tool in builds without the vendor file: the
// installer only copies it into the product folder and never runs it.
#include <cstdio>

int wmain() {
  std::fputs("wget stand-in: this build carries no download tool; supply wget.exe in the vendor folder.\n",
             stderr);
  return 1;
}
