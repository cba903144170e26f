// The 64-bit launcher imports advapi32 on first use. Its functions that
// kernelbase exports as well (the registry, tokens, security descriptors:
// kernelbase holds their implementation since Windows 8, and under Wine) are
// taken from there, which every process has loaded, so that a run that needs
// no other advapi32 function never loads it (nor what it loads in turn); the
// rest, and every function on a system whose kernelbase lacks it, come from
// advapi32 as before. The hook is installed by linking this unit (the
// 32-bit launcher imports advapi32 at start and never calls it).
#pragma once

