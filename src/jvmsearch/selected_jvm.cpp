#include "jvmsearch/selected_jvm.h"

SelectedJvm& selectedJvm() {
    static SelectedJvm selected;
    return selected;
}
