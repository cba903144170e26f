# Sourced by setup, demo, test and bench: the one answer to "does this
# machine run 32-bit code?" (scripts/probe32), asked once and passed on to
# the scripts each of them calls through the environment.

# VBX_IA32 (yes/no) and its reason VBX_IA32_WHY: does the kernel run i386
# programs? Decides whether setup adds the i386 architecture and 32-bit Wine.
vbx_ask_ia32() {
    [ -n "${VBX_IA32_WHY:-}" ] && return 0  # asked by the calling script
    local answer
    if answer=$("$root/scripts/probe32" kernel); then VBX_IA32=yes; else VBX_IA32=no; fi
    VBX_IA32_WHY=${answer#*: }
    export VBX_IA32 VBX_IA32_WHY
    echo "32-bit code: $VBX_IA32 ($VBX_IA32_WHY)"
}

# VBX_WINE32 (yes/no) and VBX_WINE32_WHY: can Wine run 32-bit Windows
# programs here? Asked after setup, which may have installed 32-bit Wine;
# the tests, the demo and the bench skip what needs it when the answer is no.
vbx_ask_wine32() {
    [ -n "${VBX_WINE32_WHY:-}" ] && return 0
    local answer
    if answer=$("$root/scripts/probe32" wine); then VBX_WINE32=yes; else VBX_WINE32=no; fi
    VBX_WINE32_WHY=${answer#*: }
    export VBX_WINE32 VBX_WINE32_WHY
    echo "32-bit Windows programs under Wine: $VBX_WINE32 ($VBX_WINE32_WHY)"
}

# Starts a Windows program under Wine the way the test bed does:
# "${winerun[@]}" PROGRAM ARGS...
winerun=(python3 "$root/tests/wine/winerun.py")
