#!/usr/bin/env python3
"""Writes the seed corpus of fuzz_decode into the folder given (default:
corpus/ beside this script): real answers for every decoding and a seed for
each action. The input format is described at the top of fuzz_decode.cpp."""
import os
import sys

# kCommands of fuzz_decode.cpp, in order: code -> index.
CODES = [0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26,
         27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 101, 102, 103, 104, 105, 106, 107, 108, 109,
         110, 111, 112, 113, 114, 116, 117, 115]
DECODE, PRESS, SCAN, CALIBRATE, LOGGING, EXPORT, SETTINGS, ADDRESS, FILTER, TAB, USER = range(11)


def setup(rotary=False, echo=True, decode=False, marks=False, yes=False, timeout=2, cancel=False):
    return bytes([rotary | echo << 1 | decode << 2 | marks << 3 | yes << 4 | (timeout - 1) << 5 | cancel << 7])


def chunk(data):
    data = data.encode('latin-1') if isinstance(data, str) else data
    assert len(data) < 0xF0
    return bytes([len(data)]) + data


def answers(*lines):
    """Chunks of answer lines, each ended by CR LF; None: no answer."""
    return b''.join(chunk(b'' if line is None else line.encode('latin-1') + b'\r\n') for line in lines)


def action(kind, p=0, q=0):
    return bytes([0xF0 | kind, p, q])


def at(address, *lines):
    """Answer lines of the sensor at `address` (written for address 0)."""
    return [str(address) + line[1:] if line[0] == '0' else line for line in lines]


def decode(code, address=0, flags=0):
    return action(DECODE, CODES.index(code), address + 10 * flags)


LEVEL_READING = ('00011', '0+1.234+22.50')      # aM! ready at once, then aD0!
ROTARY_READING = ('000001', '0+123.4')          # aC! ready at once, then aD0!
ID = '013ORVANE  LP100 101'

# One seed per decoding: code -> (answers, flags). Set commands are followed
# by the reading they start.
LEVEL = {
    0: (['3'], 0), 1: (['5'], 0), 2: (['03'], 0), 3: (['012', '01', '09.80665', '0+1.5', '0+10.0', '0+12.0',
                                                   *LEVEL_READING], 0),
    4: (['01'], 0), 5: (['01', *LEVEL_READING], 0), 6: (['01'], 0), 7: (['01', *LEVEL_READING], 0),
    8: (['09.80665'], 0), 9: (['09.8', *LEVEL_READING], 0), 10: ([ID], 0),
    11: (['00022', '0', '0+1.234+22.50'], 0), 12: (['0+1.234-3.5'], 0), 13: (['0+12.5'], 0), 14: (['0+1'], 0),
    15: (['0+15.0'], 0), 16: (['0+2'], 0), 17: (['05'], 0), 18: (['01', *LEVEL_READING], 0),
    19: (['0-1.5'], 0), 20: (['0-1', *LEVEL_READING], 0), 21: (['01'], 0), 22: (['01', *LEVEL_READING], 0),
    23: (['01'], 0), 24: (['00'], 0), 25: (['012345678'], 0), 26: (['0,10,0005'], 0), 27: (['0,05,0001'], 0),
    28: (['00011', '0', '0+0.000+21.0'], 0), 29: (['00,0.97', *LEVEL_READING], 0), 30: (['00.97'], 0),
    31: (['00001', '0', '0+1.500+21.0'], 0), 32: (['0', *LEVEL_READING], 4), 33: (['0'], 1), 34: (['0'], 1),
    35: (['0'], 1), 36: (['0'], 1), 37: (['0-0.25'], 0), 38: (['0+1.25'], 0), 39: (['0'], 1),
}
ROTARY = {
    101: (['5'], 0), 102: (['0XMU2'], 0), 103: (['02', *ROTARY_READING], 0), 104: (['0200'], 0),
    105: (['0XCP200', *ROTARY_READING], 0), 106: (['01'], 0), 107: (['01', *ROTARY_READING], 0),
    108: (['01024'], 0), 109: (['01024', *ROTARY_READING], 0), 110: (['0+123.4'], 0),
    111: (['0-5.0', *ROTARY_READING], 0), 112: ([ID], 0), 113: (['0987654'], 0), 114: (['0', *ROTARY_READING], 0),
    116: (['000101', '0', '0+12.5'], 0), 117: (['0-5.0'], 0), 115: (['0'], 0),
}

LEVEL_SCAN = ['03', '01', '00', '09.80665', ID, '00', '0+0.0', '0+10.0', '01.0', '00.0', '01.0', '0+12.0',
              '00', '012345678', '0,10,0001', *LEVEL_READING]
ROTARY_SCAN = ['01', '0200', '00', '01024', '0+0.0', '0987654', ID, *ROTARY_READING]
STAGE_ONE = ['00', '00,1.0', '01', '0', '0', '0', '00', '0']
RESET = ['00', '00,1.0', '0', '0+0', '0', '0', '00', '0', '0', '0', '0,10,0001', *LEVEL_READING]


def seeds():
    for code, (lines, flags) in LEVEL.items():
        yield f'decode-{code:03}', setup() + decode(code, 0, flags) + answers(*lines)
    for code, (lines, flags) in ROTARY.items():
        yield f'decode-{code:03}', setup(rotary=True) + decode(code, 0, flags) + answers(*lines)
    # The answer to a local-offset set unticks the box, which sends its state: no reading on top of it.
    yield 'regress-local-offset-box', setup() + decode(22) + answers('01', '01', *LEVEL_READING)
    yield 'decode-user-command', setup() + decode(10, 0, 8) + answers('anything at all')
    yield 'decode-wrong-echo', setup(echo=False) + decode(13) + chunk('1XRA!1+1.0\r\n0XRA!x\r\n0XRA!0+2.0\r\n')
    yield 'noise-unasked', setup() + answers('\x00\x7f0XRA!0+1', '?!3', '\n\n\r')
    # The real port's decoding: parity marks, an escaped FF, a mark cut between reads.
    yield 'port-marks', setup(echo=False, decode=True, marks=True) + decode(13) + \
        chunk(b'0XRA!0+1\xff\x00\xc1.\xff\xff5\xff\x00\xb2\r\n')
    yield 'port-plain', setup(echo=False, decode=True) + decode(13) + chunk(b'\xb0XRA!\xb0+1.5\x8d\x8a')
    yield 'port-ff-raw', setup(echo=False) + decode(13) + chunk(b'0XRA!\xff0+1.5\xff\r\n')
    # A scan: one level probe at address 3, nothing elsewhere; a rotary encoder at 0.
    yield 'scan-level', setup() + action(SCAN) + answers(None, None, None, *at(3, *LEVEL_SCAN)) + \
        answers(*[None] * 6)
    yield 'scan-rotary', setup(rotary=True) + action(SCAN) + answers(*ROTARY_SCAN)
    yield 'scan-none', setup(timeout=1) + action(SCAN)
    # Calibration and reset.
    yield 'cal-stage-one', setup() + action(CALIBRATE, 0x80, 0) + answers(*STAGE_ONE)
    yield 'cal-reset', setup() + action(CALIBRATE, 1, 0) + answers(*RESET)
    yield 'cal-reset-window', setup() + action(CALIBRATE, 10 | 0x40, 0) + answers(*RESET[:3])
    yield 'cal-zero', setup(yes=True) + action(CALIBRATE, 2, 0) + answers('0', '00011', '0+0.25+20.0', '0',
                                                                          *LEVEL_READING)
    yield 'cal-slope', setup(yes=True) + decode(13) + answers('0+10.0') + action(CALIBRATE, 3, 0) + \
        answers('0', '00011', '0+8.0+20.0', '0', *LEVEL_READING)
    yield 'cal-clear-offsets', setup(yes=True) + action(CALIBRATE, 6, 0) + answers('0', *LEVEL_READING)
    yield 'cal-auto-zero', setup(yes=True) + action(CALIBRATE, 7, 0) + answers('00011', '0', '0+0.0+20.0')
    yield 'cal-level-offset', setup(yes=True) + action(CALIBRATE, 8, 0) + answers('00001')
    yield 'cal-complete', setup(yes=True) + action(CALIBRATE, 0x80 | 5, 0) + answers('00', *LEVEL_READING)
    # Logging: "1 Second" for five ticks; the port lost and back; a single log; rotary.
    yield 'log-level', setup() + action(LOGGING, 0x10 | 2, 50) + answers(*LEVEL_READING * 6)
    yield 'log-port-lost', setup() + action(LOGGING, 0x80 | 0x10 | 2, 60) + answers(*LEVEL_READING * 4)
    yield 'log-single', setup() + action(LOGGING, 0x50 | 1, 13) + answers(*at(3, '00022', '0', '0+1.0+2.0'))
    yield 'log-rotary', setup(rotary=True) + action(LOGGING, 2, 31) + answers(*at(1, *ROTARY_READING * 4))
    # Exports of a log of two readings in every format, and the report.
    rows = decode(12) + answers('0+1.234+22.50') + decode(12) + answers('0-0.010+21.0')
    yield 'export-level', setup() + decode(10) + answers(ID) + rows + action(EXPORT, 4, 0)
    yield 'export-save-names', setup(yes=True) + rows + action(EXPORT, 1, 0) + action(EXPORT, 3 | 8, 0) + \
        action(EXPORT, 2, 0)
    yield 'export-rotary', setup(rotary=True) + decode(117) + answers('0+123.4') + action(EXPORT, 0, 0)
    yield 'export-cancelled', setup(cancel=True) + rows + action(EXPORT, 0, 0)
    # The settings file: the worked example, a port out of range, none, a busy port, Apply, Default.
    example = chunk(bytes.fromhex('03 00 00 00 0A 00 00 00 E8 03'))
    yield 'settings-example', setup() + action(SETTINGS, 0) + example
    yield 'settings-invalid', setup() + action(SETTINGS, 0) + chunk(bytes.fromhex('11 00 FF FF 00'))
    yield 'settings-missing', setup() + action(SETTINGS, 1)
    yield 'settings-scan', setup() + action(SETTINGS, 4) + chunk(bytes.fromhex('01 00 01 00 01 00 01 00 02 00')) + \
        answers(*LEVEL_SCAN)
    yield 'settings-busy', setup() + action(SETTINGS, 2) + example + decode(13)
    yield 'settings-apply', setup() + action(SETTINGS, 8 | 16, 1 + 3 * 10) + example
    # Address changes: level 3 -> 5 with its values and log, rotary 0 -> 2, refused ones, the query.
    yield 'address-level', setup() + decode(10, 3) + answers(*at(3, ID)) + decode(12, 3) + \
        answers(*at(3, '0+1.0+20.0')) + action(ADDRESS, 5, 3) + answers('5')
    yield 'address-rotary', setup(rotary=True) + decode(117) + answers('0+1.0') + action(ADDRESS, 2, 0) + \
        answers('2')
    yield 'address-refused', setup() + action(ADDRESS, 3, 3) + action(ADDRESS, 4, 13) + action(ADDRESS, 10, 3)
    yield 'address-query', setup() + action(ADDRESS, 11, 0) + answers('7') + action(ADDRESS, 11, 20)
    yield 'filter', setup() + action(FILTER, 20, 5) + answers('0,10,0205') + action(FILTER, 0x80, 0) + \
        answers('0,05,0001')
    yield 'user-command', setup(yes=True) + action(TAB, 0, 2) + action(USER) + chunk('2I!') + answers(ID)
    # Controls pressed: a few on each family's tab, with typed text.
    yield 'press-level', setup() + action(PRESS, 5, 10) + answers('0+1') + action(PRESS, 30, 20) + \
        answers('01', *LEVEL_READING) + action(PRESS, 17, 0) + answers('01')
    yield 'press-rotary', setup(rotary=True) + action(PRESS, 3, 20) + answers('0+1.0', *ROTARY_READING) + \
        action(PRESS, 11, 0) + answers('01')


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), 'corpus')
    os.makedirs(folder, exist_ok=True)
    for name in os.listdir(folder):
        os.remove(os.path.join(folder, name))
    for name, data in seeds():
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
