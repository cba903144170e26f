// The launcher's entry point.
#include <windows.h>

#include "core/config/config_file.h"

int main() {
    loadEntries();
    loadLocalizedEntries();
    return 0;
}
