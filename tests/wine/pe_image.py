"""A small reader of PE images (PE32 and PE32+) for the tests: the headers,
the section table, the base relocations, and rebasing an image in a file
(applying its own relocations as a loader would)."""
import struct
from dataclasses import dataclass, field

DATA_DIRECTORY_BASERELOC = 5
REL_ABSOLUTE, REL_HIGHLOW, REL_DIR64 = 0, 3, 10
PE32, PE32_PLUS = 0x10B, 0x20B


@dataclass
class Section:
    name: str
    address: int      # relative virtual address
    virtual_size: int
    raw_pointer: int
    raw_size: int


@dataclass
class Image:
    machine: int
    characteristics: int
    magic: int              # 0x10b PE32, 0x20b PE32+
    image_base: int
    image_base_offset: int  # file offset of the ImageBase field
    size_of_image: int
    dll_characteristics: int
    directories: list = field(default_factory=list)   # (rva, size) pairs
    sections: list = field(default_factory=list)

    def file_offset(self, rva):
        for s in self.sections:
            if s.address <= rva < s.address + max(s.virtual_size, s.raw_size):
                if rva - s.address >= s.raw_size:
                    raise ValueError("address %#x has no file data" % rva)
                return s.raw_pointer + rva - s.address
        raise ValueError("address %#x is in no section" % rva)

    def section_of(self, rva):
        for s in self.sections:
            if s.address <= rva < s.address + max(s.virtual_size, s.raw_size):
                return s
        return None


def read(data):
    if data[:2] != b"MZ":
        raise ValueError("no MZ header")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE signature")
    machine, count = struct.unpack_from("<HH", data, pe + 4)
    optional_size, characteristics = struct.unpack_from("<HH", data, pe + 20)
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    if magic not in (PE32, PE32_PLUS):
        raise ValueError("not a PE32 or PE32+ image: %#x" % magic)
    # PE32+ has a 64-bit image base and no base-of-data field; the fields
    # between keep their offsets, the data directories move by 16.
    base_offset, base_format, tables = (opt + 28, "<I", opt + 92) if magic == PE32 else (opt + 24, "<Q", opt + 108)
    image = Image(machine=machine, characteristics=characteristics, magic=magic,
                  image_base=struct.unpack_from(base_format, data, base_offset)[0], image_base_offset=base_offset,
                  size_of_image=struct.unpack_from("<I", data, opt + 56)[0],
                  dll_characteristics=struct.unpack_from("<H", data, opt + 70)[0])
    directories = struct.unpack_from("<I", data, tables)[0]
    image.directories = [struct.unpack_from("<II", data, tables + 4 + 8 * i) for i in range(directories)]
    for i in range(count):
        off = opt + optional_size + 40 * i
        name = data[off:off + 8].rstrip(b"\0").decode("ascii", "replace")
        vsize, va, raw_size, raw_pointer = struct.unpack_from("<IIII", data, off + 8)
        image.sections.append(Section(name, va, vsize, raw_pointer, raw_size))
    return image


def relocations(data, image):
    """(type, rva) of every base relocation entry."""
    if len(image.directories) <= DATA_DIRECTORY_BASERELOC:
        return []
    rva, size = image.directories[DATA_DIRECTORY_BASERELOC]
    if rva == 0 or size == 0:
        return []
    pos = image.file_offset(rva)
    end = pos + size
    entries = []
    while pos + 8 <= end:
        page, block = struct.unpack_from("<II", data, pos)
        if block < 8 or pos + block > end:
            raise ValueError("bad relocation block at %#x" % pos)
        for k in range((block - 8) // 2):
            entry = struct.unpack_from("<H", data, pos + 8 + 2 * k)[0]
            entries.append((entry >> 12, page + (entry & 0xFFF)))
        pos += block
    return entries


def address_relocation(image):
    """The relocation type that moves an address of this image's width."""
    return REL_DIR64 if image.magic == PE32_PLUS else REL_HIGHLOW


def rebase(data, new_base):
    """The image's bytes as if linked for new_base: every address target
    (HIGHLOW in PE32, DIR64 in PE32+) moved by the difference, the ImageBase
    field set."""
    out = bytearray(data)
    image = read(data)
    kind_wanted = address_relocation(image)
    width, form, mask = (8, "<Q", (1 << 64) - 1) if kind_wanted == REL_DIR64 else (4, "<I", 0xFFFFFFFF)
    delta = (new_base - image.image_base) & mask
    for kind, rva in relocations(data, image):
        if kind == kind_wanted:
            off = image.file_offset(rva)
            value = struct.unpack_from(form, out, off)[0]
            struct.pack_into(form, out, off, (value + delta) & mask)
        elif kind != REL_ABSOLUTE:
            raise ValueError("relocation type %d in a %d-bit image" % (kind, 8 * width))
    struct.pack_into(form, out, image.image_base_offset, new_base)
    return bytes(out)
