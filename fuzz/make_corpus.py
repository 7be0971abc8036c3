#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets: small hand-made logs plus slices of real logs.

Usage: fuzz/make_corpus.py [SAMPLES_DIR]   (default: ../shared/samples beside the repository)

The parse_adif target reads its first byte as the line limit selector (192 and above: the real
limit; below: that many characters plus one), so its seeds carry one in front.
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
SAMPLES = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else ROOT.parent / "shared" / "samples"
CORPUS = ROOT / "fuzz" / "corpus"
SLICE_BYTES = 4000  # keeps every seed near libFuzzer's default input size


def tag(name, value, type_=""):
    return f"<{name}:{len(value.encode())}{':' + type_ if type_ else ''}>{value}"


def qso(call, date, time, band, mode, **extra):
    fields = [tag("CALL", call), tag("QSO_DATE", date), tag("TIME_ON", time),
              tag("BAND", band), tag("MODE", mode)]
    fields += [tag(k.upper(), v) for k, v in extra.items()]
    return " ".join(fields) + " <EOR>\n"


HEADER = "Hand-made test log\n<ADIF_VER:5>3.1.0 <PROGRAMID:6>Tester <EOH>\n"
ADIFMASTER = "ADIF Export from ADIFMaster\n<PROGRAMID:10>ADIFMaster\n<EOH>\n"

HAND_MADE = {
    "empty": "",
    "header_only": HEADER,
    "one_contact": HEADER + qso("Q9XZ/8", "20140105", "1200", "20m", "CW", state="OH"),
    "first_last": HEADER
    + qso("Q9XZ/8", "20140301", "0900", "20m", "CW", state="OH")
    + qso("Q9XZ/8", "20140105", "1200", "20m", "CW", state="OH")
    + qso("Q9XZ/8", "20140105", "093015", "20M", "FT8", state="OH"),
    "lotw": HEADER
    + qso("Q9XZ/1", "20140601", "1500", "40m", "SSB", state="CT", lotw_qsl_rcvd="Y")
    + qso("Q9XZ/1", "20140602", "1500", "40m", "USB", state="CT", lotw_qsl_rcvd="v")
    + qso("Q9XZ/1", "20140603", "1500", "40m", "RTTY", state="CT", lotw_qsl_rcvd="N")
    + qso("Q9XZ/KH6", "20140604", "1500", "2m", "PSK31", state="TX", lotw_qsl_rcvd="")
    + qso("Q9XZ/KP4", "20140605", "1500", "6m", "FM"),
    "state_rules": HEADER
    + qso("Q9XZ/3", "20141003", "1200", "17m", "CW", state="PA")
    + qso("Q9XZ/3", "20141008", "1200", "17m", "CW", state="PA")
    + qso("Q9XZ/3", "20140501", "1200", "17m", "CW", state="dc")
    + qso("Q9XZ/4", "20140214", "1530", "15m", "CW", state="CA")
    + qso("Q9XZ/1", "20140214", "1530", "15m", "CW", state="CT   ")
    + qso("Q9XZ/1", "20140214", "1530", "15m", "CW", state=" CT")
    + qso("Q9XZ/1", "20140214", "1530", "15m", "CW", state="")
    + qso("Q9XZ/1", "20140214", "1530", "15m", "CW", name=" NH ")
    + qso("Q9XZ/1", "20140214", "1530", "15m", "CW", name="John", comment="NH"),
    "adifmaster_comment": ADIFMASTER
    + qso("Q9XZ/1", "20140214", "1530", "12m", "CW", comment="NH")
    + qso("Q9XZ/1", "20140214", "1530", "12m", "CW", comment="NH portable")
    + qso("Q9XZ/1", "20140214", "1530", "10m", "CW"),
    "rejections": HEADER
    + qso("Q9XZ", "20140101", "0000", "20m", "CW", state="OH")
    + qso("Q9XZ/A", "20140101", "0000", "20m", "CW", state="OH")
    + qso("Q9XZ/KH7", "20140101", "0000", "20m", "CW", state="HI")
    + qso("Q9XZ/4/P", "20140101", "0000", "20m", "CW", state="GA")
    + qso("Q9XZ/4", "20140101", "0000", "60m", "CW", state="XX")
    + qso("Q9XZ/4", "20140101", "0000", "160m", "CW", state="XX")
    + qso("q9xz/4", "20140101", "0000", "20m", "CW", state="GA")
    + qso("Q9XZ/4", "20131231", "2359", "20m", "CW", state="GA")
    + qso("Q9XZ/4", "2014-06-01", "2359", "20m", "CW", state="GA"),
    "missing_fields": HEADER
    + "<CALL:6>Q9XZ/4 <QSO_DATE:8>20140101 <EOR>\n"
    + "<CALL:6>Q9XZ/4 <EOR>\n<QSO_DATE:8>20140101 <EOR>\n<EOR>\n"
    + "<CALL:6>Q9XZ/4 <QSO_DATE:8>20140101 <TIME_ON:4>1200 <STATE:2>GA <EOR>\n",
    "duplicates": HEADER
    + "<CALL:6>Q9XZ/4 <BAND:3>20m <BAND:3>40m <QSO_DATE:8>20140101 <TIME_ON:4>1200"
    " <MODE:2>CW <STATE:2>GA <STATE:2>FL <EOR>\n",
    "spanning_value": HEADER
    + "<CALL:6>Q9XZ/4 <COMMENT:4>ab\ncd<BAND:3>20m <QSO_DATE:8>20140101\n"
    "<TIME_ON:4>1200 <MODE:2>CW <STATE:2>GA <EOR>\n",
    "crlf_ctrl_z": (HEADER + qso("Q9XZ/4", "20140101", "1200", "20m", "CW", state="GA")
                    ).replace("\n", "\r\n") + "\x1a" + qso("Q9XZ/4", "20140102", "1200", "20m",
                                                           "CW", state="GA"),
    "cr_only": (HEADER + qso("Q9XZ/4", "20140101", "1200", "20m", "CW", state="GA")
                ).replace("\n", "\r"),
    "bom_lower_case": "\ufeff# banner\n<adif_ver:5>3.1.0 <programid:4>test <eoh>\n"
    "<call:6>Q9XZ/5 <qso_date:8:d>20140707 <time_on:6>235959 <band:3>80m <mode:4>JT65"
    " <state:2>TX <eor>\n",
    "last_line_no_end": HEADER + "<CALL:6>Q9XZ/4 <QSO_DATE:8>20140101 <TIME_ON:4>1200"
    " <BAND:3>20m <MODE:2>CW <STATE:2>GA\n<EOR>",
    "extreme_times": HEADER
    + qso("Q9XZ/4", "20149999", "9999", "20m", "CW", state="GA")
    + qso("Q9XZ/4", "20140000", "0000", "20m", "CW", state="GA")
    + qso("Q9XZ/4", "20140101", "2147483647", "20m", "CW", state="GA")
    + qso("Q9XZ/4", "20140101", "-2147483648", "20m", "CW", state="GA")
    + qso("Q9XZ/4", "20140101", "-38570400", "20m", "CW", state="GA")
    + qso("Q9XZ/4", "20140101", "-99999", "20m", "CW", state="GA")
    + qso("Q9XZ/4", "+20140101", " 1200", "20m", "CW", state="GA"),
    "odd_tags": "free <text> with <tags> <CALL:-1> <A:x>yy <B:99999999999999>z\n"
    "<COMMENT:5>a<b>c <NAME:2>Bobby<BAND:3>20m < EOR> <EOR:0> <\n<X:3\n<eor>",
}

# Extra seeds for the reader alone, from its edge cases.
PARSE_ONLY = {
    "two_records_one_line": "<BAND:3>20m <EOR> <BAND:3>40m <EOR>\n<BAND:3>80m <eor>\n",
    "long_value": "<COMMENT:300>" + "x" * 100 + "\n" + "y" * 100 + "\n" + "z" * 120 + "<EOR>\n",
    "huge_length": "<COMMENT:2147483647>abc\n<CALL:99999999999999>x\n<EOR>\n",
    "many_fields": "".join(f"<F{i}:1>{i % 10}" for i in range(300)) + "<EOR>\n",
    "open_tag_at_end": "<CALL:4>ABCD <BAND:3\n<",
}


LOTW_REPORT = "ARRL Logbook of the World Status Report\n<PROGRAMID:4>LoTW\n<EOH>\n"

# Pairs of logs for the conversion target, which reads an input as two logs cut where its first
# byte says (byte * size / 256): an own log and the LoTW report in both orders, a log without a
# header after one with it, a first log cut off inside a record, an empty first log.
TWO_LOGS = {
    "two_own_then_lotw": (
        "x" + HEADER + qso("Q9XZ/1", "20140601", "1500", "40m", "CW", state="CT"),
        LOTW_REPORT + qso("Q9XZ/1", "20140601", "1500", "40M", "CW", state="CT", qsl_rcvd="Y")),
    "two_lotw_then_own": (
        "x" + LOTW_REPORT + qso("Q9XZ/1", "20140601", "1500", "40M", "CW", state="CT",
                                qsl_rcvd="V"),
        HEADER + qso("Q9XZ/1", "20140602", "1500", "40m", "CW", state="CT")),
    "two_header_then_none": (
        "x" + ADIFMASTER + qso("Q9XZ/1", "20140214", "1530", "12m", "CW", comment="NH"),
        qso("Q9XZ/1", "20140214", "1530", "12m", "CW", comment="NH")),
    "two_cut_record": (
        "x" + HEADER + "<CALL:6>Q9XZ/4 <QSO_DATE:8>20140101 <TIME_ON:4>1200 <BAND:3>20m",
        " <MODE:2>CW <STATE:2>GA <EOR>\n" + qso("Q9XZ/4", "20140102", "1200", "20m", "CW",
                                                 state="GA")),
}


def two_logs(first, second):
    """The two logs as one input whose first byte cuts it right after the first log."""
    first, second = first.encode(), second.encode()
    size = len(first) + len(second)
    byte = max(1, 256 * len(first) // size)
    while byte == ord("<") or 256 * len(first) // byte < size:
        byte -= 1
    size = -(-256 * len(first) // byte)  # the smallest size that puts the cut after `first`
    while byte * size // 256 != len(first):
        size += 1
    data = bytes([byte]) + first[1:] + second
    return data + b"\n" * (size - len(data))


def slices():
    """The header and first records of each real log, cut at a record end."""
    for path in sorted(SAMPLES.glob("*.adi")):
        data = path.read_bytes()
        ends = [m.end() for m in re.finditer(rb"<eor>[^\n]*\n?", data, re.IGNORECASE)]
        cut = max([e for e in ends if e <= SLICE_BYTES] or [min(len(data), SLICE_BYTES)])
        if ends and ends[0] > SLICE_BYTES:
            cut = ends[0]  # one whole record even where it sits on a very long line
        yield "sample_" + path.stem, data[:cut]


def write(target, name, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data)


def main():
    seeds = {name: text.encode("utf-8") for name, text in HAND_MADE.items()}
    if SAMPLES.is_dir():
        seeds.update(dict(slices()))
    else:
        print(f"no samples at {SAMPLES}; hand-made seeds only", file=sys.stderr)
    for name, data in seeds.items():
        write("conversion", name, data)
        write("parse_adif", name, b"\xff" + data)
    for name, (first, second) in TWO_LOGS.items():
        write("conversion", name, two_logs(first, second))
    # An empty first log: a first byte of 0 cuts before everything.
    write("conversion", "two_empty_then_log", b"\0" + seeds["one_contact"])
    for name, text in PARSE_ONLY.items():
        write("parse_adif", name, b"\xff" + text.encode())
    # A few seeds again under small line limits (8, 32 and 64 characters per read).
    for name in ("one_contact", "spanning_value", "odd_tags", "crlf_ctrl_z"):
        for selector in (7, 31, 63):
            write("parse_adif", f"{name}_limit{selector + 1}", bytes([selector]) + seeds[name])


if __name__ == "__main__":
    main()
