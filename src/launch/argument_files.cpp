#include "launch/argument_files.h"

#include <windows.h>

#include <algorithm>

#include "core/log.h"
#include "jvmsearch/java_runtime.h"
#include "jvmsearch/selected_jvm.h"

void expandArgumentFiles(OptionList& options) {
    bool any = std::any_of(options.begin(), options.end(), [](const std::string& o) { return !o.empty() && o[0] == '@'; });
    if (!any) return;
    const std::string& bin = selectedJvm().vmBinDirectory;
    logMessage(L"@ argument found %d %S", static_cast<int>(options.size()), bin.c_str());
    if (bin.empty()) return;
    std::string path = bin + "\\jli.dll";
    // Stays loaded: the runtime may keep state between these calls.
    HMODULE library = LoadLibraryA(path.c_str());
    if (!library) {
        logMessage(L"did not find %S", path.c_str());
        return;
    }
    auto init = reinterpret_cast<jre::JliInitArgProcessingFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, jre::kJliInitArgProcessingName)));
    auto preprocess = reinterpret_cast<jre::JliPreprocessArgFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, jre::kJliPreprocessArgName)));
    auto memFree = reinterpret_cast<jre::JliMemFreeFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, jre::kJliMemFreeName)));
    if (!init || !preprocess || !memFree) {
        logMessage(L"did not find all list functions %p %p %p", reinterpret_cast<void*>(init),
                   reinterpret_cast<void*>(preprocess), reinterpret_cast<void*>(memFree));
        return;
    }
    init(options.empty() ? JNI_FALSE : JNI_TRUE, JNI_FALSE);
    OptionList expanded;
    for (const std::string& option : options) {
        jre::JliList list = preprocess(option.c_str(), JNI_TRUE);
        if (!list) {
            expanded.push_back(option);
            continue;
        }
        for (size_t i = 0; i < list->size; ++i)
            if (list->elements[i]) expanded.push_back(list->elements[i]);
        memFree(list->elements);
        memFree(list);
    }
    options.swap(expanded);
    joinModuleOptions(options);
}
