"""The launcher image asks for ASLR and DEP and keeps what the loader needs
to move it: the header flags, the relocation directory and its entries, the
same in a packed launcher, and a loader that moves the image and applies
the entries."""
import struct
import unittest

import pe_image as pe
import winebed as wb

FILE_RELOCS_STRIPPED = 0x0001
FILE_DLL = 0x2000
HIGH_ENTROPY_VA = 0x0020
DYNAMIC_BASE = 0x0040
NX_COMPAT = 0x0100
IMAGE_PROBE = wb.FIXTURES / "image_probe.exe"


def loaded_sections(image, data, names):
    return b"".join(data[s.raw_pointer:s.raw_pointer + min(s.raw_size, s.virtual_size)]
                    for s in image.sections if s.name in names)


class Hardening(unittest.TestCase):
    def setUp(self):
        self.dir = wb.app_dir("pe")
        self.data = wb.LAUNCHER.read_bytes()
        self.image = pe.read(self.data)

    def assert_hardened(self, image):
        self.assertEqual(image.machine, wb.ARCH.machine)
        self.assertEqual(image.magic, pe.PE32_PLUS if wb.ARCH is wb.X64 else pe.PE32)
        self.assertTrue(image.dll_characteristics & DYNAMIC_BASE, hex(image.dll_characteristics))
        self.assertTrue(image.dll_characteristics & NX_COMPAT, hex(image.dll_characteristics))
        # High-entropy addresses are for 64-bit images only; a 32-bit image
        # that claims them is malformed.
        self.assertEqual(bool(image.dll_characteristics & HIGH_ENTROPY_VA), wb.ARCH is wb.X64)
        self.assertFalse(image.characteristics & FILE_RELOCS_STRIPPED)
        rva, size = image.directories[pe.DATA_DIRECTORY_BASERELOC]
        self.assertGreater(size, 0, "no relocation directory")
        self.assertEqual(image.section_of(rva).name, ".reloc")

    def test_bare_launcher_asks_for_aslr_and_dep_and_keeps_its_relocations(self):
        self.assert_hardened(self.image)
        entries = pe.relocations(self.data, self.image)
        address = pe.address_relocation(self.image)
        targets = [rva for kind, rva in entries if kind == address]
        self.assertEqual({kind for kind, _ in entries} - {address, pe.REL_ABSOLUTE}, set())
        # A 64-bit image addresses most of its data relative to the
        # instruction, so it needs far fewer entries.
        self.assertGreater(len(targets), 1000 if wb.ARCH is wb.X86 else 100)
        # Every entry names an address inside the image, in a section with
        # file data: what the loader adds the move to.
        low, high = self.image.image_base, self.image.image_base + self.image.size_of_image
        form = "<Q" if address == pe.REL_DIR64 else "<I"
        for rva in targets:
            value = struct.unpack_from(form, self.data, self.image.file_offset(rva))[0]
            self.assertTrue(low <= value < high, "entry at %#x holds %#x" % (rva, value))

    def test_packed_launcher_keeps_the_flags_and_runs(self):
        exe = wb.pack({"serviceName": wb.unique("Pe"), "mainClass": "a.B"}, self.dir, name="packed.exe")
        packed = exe.read_bytes()
        self.assertGreater(len(packed), len(self.data))
        image = pe.read(packed)
        self.assert_hardened(image)
        self.assertEqual(pe.relocations(packed, image), pe.relocations(self.data, self.image))
        r = wb.run(exe, "/?")
        self.assertEqual(r.code, 0, r)
        self.assertTrue(r.stdout.startswith("Usage: packed.exe /install | /uninstall"), r)

    def test_loader_moves_the_image_by_its_relocations(self):
        # Wine never moves a main executable that it can map at its base, so
        # the image is loaded as a library (marked as one, without an entry
        # point) into a process whose own image sits at the same base.
        copy = bytearray(self.data)
        header = struct.unpack_from("<I", copy, 0x3C)[0]
        struct.pack_into("<H", copy, header + 22, self.image.characteristics | FILE_DLL)
        struct.pack_into("<I", copy, header + 24 + 16, 0)  # AddressOfEntryPoint
        library = self.dir / "launcher_as_library.exe"
        library.write_bytes(bytes(copy))
        dump = self.dir / "sections.bin"
        r = wb.run(IMAGE_PROBE, wb.windows_path(library), wb.windows_path(dump), ".text", ".rdata")
        self.assertEqual(r.code, 0, r)
        base = int(wb.driver_value(r, "base"), 16)
        self.assertNotEqual(base, self.image.image_base)
        loaded = dump.read_bytes()
        names = (".text", ".rdata")
        self.assertNotEqual(loaded, loaded_sections(self.image, bytes(copy), names))
        self.assertEqual(loaded, loaded_sections(self.image, pe.rebase(bytes(copy), base), names))


if __name__ == "__main__":
    unittest.main()
