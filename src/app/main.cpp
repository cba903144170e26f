// The launcher's entry point.
#include "app/entry_point.h"

int main() { return launcherMain(); }
