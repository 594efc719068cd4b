"""Reads a compiled HTML help file (an ITSF container) as a help viewer does:
its PMGL directory, its uncompressed section and its LZX compressed section,
with the /#SYSTEM records and the help context map. Standard library only.
"""
import struct

FRAME = 0x8000  # LZX frame: the unit of the reset table
STORAGE = '::DataSpace/Storage/MSCompressed/'
RESET_TABLE = STORAGE + 'Transform/{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/InstanceData/ResetTable'


def encint(data, pos):
    """A directory number: 7 bits a byte, most significant first."""
    value = 0
    while True:
        byte = data[pos]
        pos += 1
        value = value << 7 | byte & 0x7F
        if byte < 0x80:
            return value, pos


class Bits:
    """LZX input: 16-bit little-endian words, read most significant bit first."""

    def __init__(self, data, pos):
        self.data, self.pos, self.buf, self.count = data, pos, 0, 0

    def read(self, n):
        while self.count < n:
            word = self.data[self.pos:self.pos + 2].ljust(2, b'\0')
            self.buf = self.buf << 16 | int.from_bytes(word, 'little')
            self.pos += 2
            self.count += 16
        self.count -= n
        value = self.buf >> self.count
        self.buf &= (1 << self.count) - 1
        return value

    def align(self):
        self.read(self.count % 16)

    def symbol(self, table):
        code = 0
        for length in range(1, 17):
            code = code << 1 | self.read(1)
            if (length, code) in table:
                return table[length, code]
        raise ValueError('invalid Huffman code')


def huffman(lengths):
    """Canonical code table {(length, code): symbol} from the code lengths."""
    table, code = {}, 0
    for length in range(1, 17):
        for symbol, size in enumerate(lengths):
            if size == length:
                table[length, code] = symbol
                code += 1
        code <<= 1
    return table


def read_lengths(bits, lengths, first, last):
    """Updates lengths[first:last] from a pretree-coded list of deltas and runs."""
    pretree = huffman([bits.read(4) for _ in range(20)])
    i = first
    while i < last:
        code = bits.symbol(pretree)
        if code == 17:
            run, value = bits.read(4) + 4, 0
        elif code == 18:
            run, value = bits.read(5) + 20, 0
        elif code == 19:
            run = bits.read(1) + 4
            value = (lengths[i] - bits.symbol(pretree)) % 17
        else:
            run, value = 1, (lengths[i] - code) % 17
        for j in range(i, min(i + run, last)):
            lengths[j] = value
        i += run


EXTRA_BITS = [0] * 4 + [min(slot // 2 - 1, 17) for slot in range(4, 50)]
POSITION_BASE = [sum(1 << extra for extra in EXTRA_BITS[:slot]) for slot in range(50)]
POSITION_SLOTS = {15: 30, 16: 32, 17: 34, 18: 36, 19: 38, 20: 42, 21: 50}


def lzx(data, size, window_bits, reset_frames, frame_offsets):
    """Decompresses `size` bytes; the decoder starts afresh every `reset_frames`
    frames, at the input offset the reset table gives for that frame."""
    main_size = 256 + 8 * POSITION_SLOTS[window_bits]
    out = bytearray()
    for frame in range((size + FRAME - 1) // FRAME):
        if frame % reset_frames == 0:
            bits = Bits(data, frame_offsets[frame])
            repeats, remaining, kind, block = [1, 1, 1], 0, 0, 0
            main_lengths, length_lengths = [0] * main_size, [0] * 249
            if bits.read(1):
                raise ValueError('E8 call translation is not supported')
        end = min(len(out) + FRAME, size)
        while len(out) < end:
            if remaining <= 0:
                if kind == 3 and block & 1:
                    bits.pos += 1  # an uncompressed block is padded to 16 bits
                kind, block = bits.read(3), bits.read(24)
                remaining = block
                if kind == 2:
                    aligned = huffman([bits.read(3) for _ in range(8)])
                if kind in (1, 2):
                    read_lengths(bits, main_lengths, 0, 256)
                    read_lengths(bits, main_lengths, 256, main_size)
                    read_lengths(bits, length_lengths, 0, 249)
                    main, lengths = huffman(main_lengths), huffman(length_lengths)
                elif kind == 3:
                    bits.pos += 2 if bits.count == 0 else 0
                    bits.buf = bits.count = 0
                    repeats = list(struct.unpack_from('<3I', data, bits.pos))
                    bits.pos += 12
                else:
                    raise ValueError(f'invalid LZX block type {kind}')
            if kind == 3:
                n = min(remaining, end - len(out))
                out += data[bits.pos:bits.pos + n]
                bits.pos += n
                remaining -= n
                continue
            element = bits.symbol(main)
            if element < 256:
                out.append(element)
                remaining -= 1
                continue
            length, slot = (element - 256) & 7, (element - 256) >> 3
            length += 2 + (bits.symbol(lengths) if length == 7 else 0)
            if slot < 3:
                offset = repeats[slot]
                repeats[slot], repeats[0] = repeats[0], offset
            else:
                extra, offset = EXTRA_BITS[slot], POSITION_BASE[slot] - 2
                if kind == 2 and extra >= 3:
                    offset += (bits.read(extra - 3) << 3) + bits.symbol(aligned)
                else:
                    offset += bits.read(extra)
                repeats = [offset, repeats[0], repeats[1]]
            if offset > len(out):
                raise ValueError('LZX match reaches before the data')
            for _ in range(length):
                out.append(out[-offset])
            remaining -= length
        bits.align()
    return bytes(out)


class Chm:
    DEFAULT_TOPIC = 2  # /#SYSTEM record

    def __init__(self, data):
        if data[:4] != b'ITSF':
            raise ValueError('not an ITSF container')
        directory, = struct.unpack_from('<Q', data, 0x48)
        self.content, = struct.unpack_from('<Q', data, 0x58)
        if data[directory:directory + 4] != b'ITSP':
            raise ValueError('no ITSP directory header')
        header, chunk_size = struct.unpack_from('<I4xI', data, directory + 8)
        chunk, = struct.unpack_from('<i', data, directory + 0x20)
        self.data, self.files, self.section1 = data, {}, None
        while chunk != -1:
            start = directory + header + chunk * chunk_size
            if data[start:start + 4] != b'PMGL':
                raise ValueError(f'directory chunk {chunk} is not a listing chunk')
            free, chunk = struct.unpack_from('<I8xi', data, start + 4)
            pos = start + 20
            while pos < start + chunk_size - free:
                n, pos = encint(data, pos)
                name = data[pos:pos + n].decode('utf-8')
                section, pos = encint(data, pos + n)
                offset, pos = encint(data, pos)
                length, pos = encint(data, pos)
                self.files[name] = (section, offset, length)

    def read(self, name):
        section, offset, length = self.files[name]
        if section == 0:
            return self.data[self.content + offset:self.content + offset + length]
        if self.section1 is None:
            control = self.read(STORAGE + 'ControlData')
            if control[4:8] != b'LZXC':
                raise ValueError('the compressed section is not LZX')
            version, reset_frames, window = struct.unpack_from('<3I', control, 8)
            if version == 1:  # counts bytes, not frames
                reset_frames, window = reset_frames // FRAME, window // FRAME
            table = self.read(RESET_TABLE)
            count, _, header, size = struct.unpack_from('<4x3IQ', table)
            frames = struct.unpack_from(f'<{count}Q', table, header)
            self.section1 = lzx(self.read(STORAGE + 'Content'), size, (window * FRAME).bit_length() - 1,
                                reset_frames, frames)
        return self.section1[offset:offset + length]

    def system(self, code):
        """A /#SYSTEM record as text, or None."""
        data, pos = self.read('/#SYSTEM'), 4
        while pos < len(data):
            record, length = struct.unpack_from('<2H', data, pos)
            if record == code:
                return data[pos + 4:pos + 4 + length].split(b'\0')[0].decode()
            pos += 4 + length
        return None

    def context(self, number):
        """The topic a help context opens, or None: /#IVB pairs each context
        with the offset of the topic's name in /#STRINGS."""
        ivb, strings = self.read('/#IVB'), self.read('/#STRINGS')
        pairs = struct.unpack_from(f'<{struct.unpack_from("<I", ivb)[0] // 4}I', ivb, 4)
        for context, offset in zip(pairs[::2], pairs[1::2]):
            if context == number:
                return strings[offset:strings.index(b'\0', offset)].decode()
        return None
