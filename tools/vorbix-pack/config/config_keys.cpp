#include "config/config_keys.h"

#include <algorithm>

#include "image/version_resource.h"

using namespace cfg;

const std::vector<ConfigKey>& configKeys() {
    static const std::vector<ConfigKey> keys = {
        // Service and process.
        {"serviceName", kServiceName, KeyForm::Text, 5999, nullptr},
        {"executableType", kExecutableType, KeyForm::Number, 0, nullptr},
        {"workingDirectory", kWorkingDirectory, KeyForm::Text, 5999, nullptr},
        {"serviceDependencies", kServiceDependencies, KeyForm::NameList, 5999, ","},
        {"launcherFlavour", kLauncherFlavour, KeyForm::Text, 1, nullptr},
        {"clearJavaOptionVariables", kClearJavaOptionVariables, KeyForm::Switch, 0, nullptr},
        {"serviceDescription", kServiceDescription, KeyForm::Localized, kWideMaxLength, nullptr},
        {"stopTimeout", kStopTimeout, KeyForm::Seconds, 0, nullptr},
        {"serviceAccount", kServiceAccount, KeyForm::Account, 0, nullptr},
        {"failureActions", kFailureActions, KeyForm::FailureActions, 0, nullptr},
        {"delayedAutoStart", kDelayedAutoStart, KeyForm::Switch, 0, nullptr},
        {"preshutdownTimeout", kPreshutdownTimeout, KeyForm::Seconds, 0, nullptr},
        {"serviceOutputLog", kServiceOutputLog, KeyForm::Text, 5999, nullptr},
        {"serviceOutputLogSize", kServiceOutputLogSize, KeyForm::Count, 0, nullptr},
        {"serviceOutputLogKeep", kServiceOutputLogKeep, KeyForm::Count, 0, nullptr},
        {"serviceOutputLogRollOnStart", kServiceOutputLogRollOnStart, KeyForm::Switch, 0, nullptr},
        // JVM discovery.
        {"minJavaVersion", kMinJavaVersion, KeyForm::Text, 1999, nullptr},
        {"maxJavaVersion", kMaxJavaVersion, KeyForm::Text, 1999, nullptr},
        {"jvmSearchSequence", kJvmSearchSequence, KeyForm::SearchList, 5999, "ABRESIY"},
        {"allowBetaJava", kAllowBetaJava, KeyForm::Switch, 0, nullptr},
        {"requireJdk", kRequireJdk, KeyForm::Switch, 0, nullptr},
        {"acceptDirectoriesUnchecked", kAcceptDirectoriesUnchecked, KeyForm::Switch, 0, nullptr},
        {"vmFolder", kVmFolder, KeyForm::Text, 199, nullptr},
        {"applicationId", kApplicationId, KeyForm::Text, 5999, nullptr},
        {"disableRegistrySource", kDisableRegistrySource, KeyForm::Switch, 0, nullptr},
        {"applicationDirectory", kApplicationDirectory, KeyForm::Text, 5999, nullptr},
        // VM options and launch.
        {"useStderrPath", kUseStderrPath, KeyForm::Switch, 0, nullptr},
        {"stderrPath", kStderrPath, KeyForm::Text, 5999, nullptr},
        {"useStdoutPath", kUseStdoutPath, KeyForm::Switch, 0, nullptr},
        {"stdoutPath", kStdoutPath, KeyForm::Text, 5999, nullptr},
        {"appendRedirection", kAppendRedirection, KeyForm::Switch, 0, nullptr},
        {"passSplashConfig", kPassSplashConfig, KeyForm::Switch, 0, nullptr},
        {"classPath", kClassPath, KeyForm::ClassPathList, 0, "ADES"},
        {"mainClass", kMainClass, KeyForm::Text, 5999, nullptr},
        {"vmOptions", kVmOptions, KeyForm::Text, 5999, nullptr},
        {"programArguments", kProgramArguments, KeyForm::Text, 5999, nullptr},
        {"jArgumentsAreVmOptions", kJArgumentsAreVmOptions, KeyForm::Switch, 0, nullptr},
        {"modulePath", kModulePath, KeyForm::ClassPathList, 0, "ADES"},
        {"mainClassInModule", kMainClassInModule, KeyForm::Switch, 0, nullptr},
        {"splashFlag", kSplashFlag, KeyForm::Switch, 0, nullptr},
        {"readVmOptionsFile", kReadVmOptionsFile, KeyForm::Switch, 0, nullptr},
        {"splashInt1", kSplashInt1, KeyForm::Number, 0, nullptr},
        {"splashInt2", kSplashInt2, KeyForm::Number, 0, nullptr},
        {"splashInt3", kSplashInt3, KeyForm::Number, 0, nullptr},
        {"splashInt4", kSplashInt4, KeyForm::Number, 0, nullptr},
        {"splashInt5", kSplashInt5, KeyForm::Number, 0, nullptr},
        {"splashInt6", kSplashInt6, KeyForm::Number, 0, nullptr},
        {"splashInt7", kSplashInt7, KeyForm::Number, 0, nullptr},
        {"splashInt8", kSplashInt8, KeyForm::Number, 0, nullptr},
        {"splashText1", kSplashText1, KeyForm::Text, 1999, nullptr},
        {"splashText2", kSplashText2, KeyForm::Text, 1999, nullptr},
        {"splashText3", kSplashText3, KeyForm::Text, 1999, nullptr},
        {"splashText4", kSplashText4, KeyForm::Text, 1999, nullptr},
        // Runtime support.
        {"useAddDllDirectory", kUseAddDllDirectory, KeyForm::Switch, 0, nullptr},
        {"globalSemaphore", kGlobalSemaphore, KeyForm::Switch, 0, nullptr},
        {"sessionSemaphore", kSessionSemaphore, KeyForm::Switch, 0, nullptr},
        {"nativeLibraryDirectories", kNativeLibraryDirectories, KeyForm::NameList, 0, ";"},
        {"singleInstance", kSingleInstance, KeyForm::Switch, 0, nullptr},
        {"activateOtherInstance", kActivateOtherInstance, KeyForm::Switch, 0, nullptr},
        {"preferLongTempPath", kPreferLongTempPath, KeyForm::Switch, 0, nullptr},
        {"reduceSearchPath", kReduceSearchPath, KeyForm::Switch, 0, nullptr},
        {"tempInLocalAppData", kTempInLocalAppData, KeyForm::Switch, 0, nullptr},
    };
    return keys;
}

const ConfigKey* findKeyByName(const std::string& name) {
    for (const ConfigKey& key : configKeys())
        if (name == key.name) return &key;
    return nullptr;
}

const ConfigKey* findKeyById(ConfigId id) {
    for (const ConfigKey& key : configKeys())
        if (key.id == id) return &key;
    return nullptr;
}

const std::vector<ConfigId>& messageIds() {
    static const std::vector<ConfigId> ids = {
        kMsgErrorTitle,         kMsgRegistryJvmNotLoadable, kMsgRequiredPathMissing, kMsgRequiredVariableMissing,
        kMsgCannotPrepareFiles, kMsgLauncherClassMissing,   kMsgLauncherMainMissing, kMsgNoTempRoot,
        kMsgNoJvmFound,         kMsgEnvJvmNotLoadable,      kMsgDirectoryJvmNotLoadable, kMsgPackToolNotStartable,
    };
    return ids;
}

bool isMessageId(ConfigId id) {
    const auto& ids = messageIds();
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

size_t baseMaxLength(ConfigId id) {
    const ConfigKey* key = findKeyById(id);
    return key && key->form != KeyForm::Localized ? key->maxLength : 0;
}

const std::vector<std::string>& toolKeys() {
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> names = {kVersionOptionSetsKey, kIncludedFilesKey, kMessagesKey, kWideKey,
                                           kLocalesKey,          kRuntimeArchiveKey, kArchitectureKey, kIconKey,
                                           kInstallerKey,        kSchemaKey,           kSignatureKey,      kPackedByKey};
        for (const VersionKey& key : versionKeys()) names.push_back(key.key);
        return names;
    }();
    return keys;
}

bool isToolKey(const std::string& name) {
    const auto& keys = toolKeys();
    return std::find(keys.begin(), keys.end(), name) != keys.end();
}
