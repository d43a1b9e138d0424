// Klop!: the program on the desktop.
#include "program/desktop_main.h"

int main(int argc, char** argv) {
  return DesktopMain(argc, argv);
}
