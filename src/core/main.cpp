// The launcher's entry point.
#include "core/entry_point.h"

int main() { return launcherMain(); }
