// The identifiers of the embedded configuration's entries. The number is the
// contract with vorbix-pack, which writes the block; the comment gives the
// form an entry is read in ("narrow (N)" = copied into an N-byte buffer).
#pragma once

#include <cstdint>

using ConfigId = int32_t;

namespace cfg {

// Service and process.
constexpr ConfigId kServiceName = 101;              // wide
constexpr ConfigId kExecutableType = 107;           // int: 1/5 message box, 4 auto-start, 1 javaw
constexpr ConfigId kWorkingDirectory = 146;         // wide, launcher variables, relative to the exe
constexpr ConfigId kServiceDependencies = 149;      // wide (6000), names separated by ","
constexpr ConfigId kLauncherFlavour = 2001;         // narrow (2): 'e' launcher, else installer
constexpr ConfigId kClearJavaOptionVariables = 10012;  // int
constexpr ConfigId kServiceDescription = 20017;     // localized
constexpr ConfigId kStopTimeout = 30001;            // decimal seconds; absent = wait for the worker without limit
// What "/install" sets beyond the service itself; each absent = as without it.
constexpr ConfigId kServiceAccount = 30101;         // narrow: LocalSystem, LocalService, NetworkService, virtual, DOMAIN\user
constexpr ConfigId kFailureActions = 30102;         // narrow: reset seconds, then R<ms> or N per action, then F (service_settings.h)
constexpr ConfigId kDelayedAutoStart = 30103;       // int
constexpr ConfigId kPreshutdownTimeout = 30104;     // decimal seconds
// The service's output log; without 30201 the worker's output is discarded.
constexpr ConfigId kServiceOutputLog = 30201;       // wide: path, launcher variables, relative to the exe
constexpr ConfigId kServiceOutputLogSize = 30202;   // decimal bytes at which it rotates; absent = 10 MB, 0 = never
constexpr ConfigId kServiceOutputLogKeep = 30203;   // decimal count of rotated files kept; absent = 5
constexpr ConfigId kServiceOutputLogRollOnStart = 30204;  // int: rotate a non-empty log at each service start

// JVM discovery.
constexpr ConfigId kMinJavaVersion = 126;           // narrow (2000)
constexpr ConfigId kMaxJavaVersion = 127;           // narrow (2000)
constexpr ConfigId kJvmSearchSequence = 128;        // narrow (6000)
constexpr ConfigId kAllowBetaJava = 130;            // int
constexpr ConfigId kRequireJdk = 131;               // int
constexpr ConfigId kAcceptDirectoriesUnchecked = 134;  // int
constexpr ConfigId kVmFolder = 152;                 // narrow (200)
constexpr ConfigId kApplicationId = 160;            // narrow (6000)
constexpr ConfigId kDisableRegistrySource = 165;    // int
constexpr ConfigId kApplicationDirectory = 10003;   // narrow / wide

// VM options and launch.
constexpr ConfigId kUseStderrPath = 102;            // int
constexpr ConfigId kStderrPath = 103;               // wide
constexpr ConfigId kUseStdoutPath = 104;            // int
constexpr ConfigId kStdoutPath = 105;               // wide
constexpr ConfigId kAppendRedirection = 106;        // int
constexpr ConfigId kPassSplashConfig = 108;         // int
constexpr ConfigId kClassPath = 121;                // narrow: type letter, required flag, value; ";"
constexpr ConfigId kMainClass = 122;                // narrow (6000) / wide
constexpr ConfigId kVmOptions = 123;                // wide, split like a command line
constexpr ConfigId kProgramArguments = 124;         // wide, split like a command line
constexpr ConfigId kJArgumentsAreVmOptions = 125;   // int
constexpr ConfigId kModulePath = 132;               // narrow, same syntax as 121
constexpr ConfigId kMainClassInModule = 133;        // int
constexpr ConfigId kSplashFlag = 163;               // int
constexpr ConfigId kReadVmOptionsFile = 166;        // int
constexpr ConfigId kSplashInt1 = 10109;             // the eight splash integers, in call order
constexpr ConfigId kSplashInt2 = 10110;
constexpr ConfigId kSplashInt3 = 10113;
constexpr ConfigId kSplashInt4 = 10115;
constexpr ConfigId kSplashInt5 = 10116;
constexpr ConfigId kSplashInt6 = 10117;
constexpr ConfigId kSplashInt7 = 10120;
constexpr ConfigId kSplashInt8 = 10122;
constexpr ConfigId kSplashText1 = 10111;            // narrow (2000), the four splash texts
constexpr ConfigId kSplashText2 = 10114;
constexpr ConfigId kSplashText3 = 10118;
constexpr ConfigId kSplashText4 = 10121;
constexpr ConfigId kVersionOptionSetCount = 10200;  // int
constexpr ConfigId kVersionOptionSetBase = 10201;   // 10201 + 2i condition (narrow), 10202 + 2i options (wide)

constexpr ConfigId versionOptionSetCondition(int index) { return kVersionOptionSetBase + 2 * index; }
constexpr ConfigId versionOptionSetOptions(int index) { return kVersionOptionSetBase + 1 + 2 * index; }

// Runtime support.
constexpr ConfigId kUseAddDllDirectory = 154;       // int
constexpr ConfigId kGlobalSemaphore = 158;          // int
constexpr ConfigId kSessionSemaphore = 200;         // int
constexpr ConfigId kIncludedFileCount = 2002;       // int
constexpr ConfigId kIncludedFileNames = 2003;       // narrow, ";"
constexpr ConfigId kNativeLibraryDirectories = 10004;  // narrow, ";", launcher variables
constexpr ConfigId kSingleInstance = 10005;         // int
constexpr ConfigId kActivateOtherInstance = 10008;  // int
constexpr ConfigId kPreferLongTempPath = 10009;     // int
constexpr ConfigId kReduceSearchPath = 10010;       // int
constexpr ConfigId kTempInLocalAppData = 10015;     // int

// Messages (localized).
constexpr ConfigId kMsgErrorTitle = 1000;
constexpr ConfigId kMsgRegistryJvmNotLoadable = 1005;
constexpr ConfigId kMsgRequiredPathMissing = 1006;
constexpr ConfigId kMsgRequiredVariableMissing = 1008;
constexpr ConfigId kMsgCannotPrepareFiles = 1009;
constexpr ConfigId kMsgLauncherClassMissing = 1010;
constexpr ConfigId kMsgLauncherMainMissing = 1011;
constexpr ConfigId kMsgNoTempRoot = 1015;
constexpr ConfigId kMsgNoJvmFound = 1016;
constexpr ConfigId kMsgEnvJvmNotLoadable = 1017;
constexpr ConfigId kMsgDirectoryJvmNotLoadable = 1019;
constexpr ConfigId kMsgPackToolNotStartable = 1021;

}  // namespace cfg
