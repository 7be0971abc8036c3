#!/usr/bin/env python3
"""Writes samples/demo.adi: a made-up station log for the demo and the golden tests.

Deterministic: the same file comes out every time. It holds a few hundred 2014 contacts with
Q9XZ portable from many states, bands and modes, other stations and years, a handful of
contacts with problems, and LoTW confirmations.
"""
import random
import sys

rng = random.Random(2014)

AREAS = {
    0: ["CO", "IA", "KS", "MO", "MN", "NE", "ND", "SD"],
    1: ["CT", "MA", "ME", "NH", "RI", "VT"],
    2: ["NJ", "NY"],
    3: ["DE", "MD", "PA"],
    4: ["AL", "FL", "GA", "KY", "NC", "SC", "TN", "VA"],
    5: ["AR", "LA", "MS", "NM", "OK", "TX"],
    6: ["CA"],
    7: ["AZ", "ID", "MT", "NV", "OR", "UT", "WA", "WY"],
    8: ["MI", "OH", "WV"],
    9: ["IL", "IN", "WI"],
}
PORTABLE = ["KH6", "KL7", "KP4", "KP2", "KH2", "KH0", "KH8", "KG4"]
BANDS = [("160m", 1.84), ("80m", 3.55), ("40m", 7.03), ("30m", 10.12), ("20m", 14.07),
         ("17m", 18.1), ("15m", 21.07), ("12m", 24.92), ("10m", 28.4), ("6m", 50.1),
         ("2m", 144.2)]
BAND_WEIGHTS = [2, 6, 10, 4, 14, 5, 8, 3, 6, 2, 1]
MODES = [("CW", 10), ("SSB", 9), ("USB", 2), ("LSB", 1), ("FM", 1), ("AM", 1), ("RTTY", 3),
         ("PSK31", 3), ("JT65", 2), ("SSTV", 1)]
OTHER_CALLS = ["W1AW", "K2ABC", "N3XYZ", "KD4QQ", "W5TX", "K6LA", "N7WA", "W8OH", "K9IL",
               "DL1ABC", "G4XYZ", "JA1AA", "VE3ZZ", "W1AW/4", "K0HAM"]
NAMES = ["Bill", "Ann", "Joe", "Sue", "Mike", "Kate", "Tom", "Liz"]


def field(name, value):
    return "<%s:%d>%s" % (name, len(value), value)


def date_2014():
    month = rng.randint(1, 12)
    day = rng.randint(1, 28)
    return "2014%02d%02d" % (month, day)


def time_on():
    if rng.random() < 0.3:
        return "%02d%02d%02d" % (rng.randint(0, 23), rng.randint(0, 59), rng.randint(0, 59))
    return "%02d%02d" % (rng.randint(0, 23), rng.randint(0, 59))


def record(call, date, time, band, mode, extra=()):
    freq = "%.3f" % dict(BANDS).get(band, 14.2)
    fields = [field("CALL", call), field("QSO_DATE", date), field("TIME_ON", time),
              field("BAND", band), field("FREQ", freq), field("MODE", mode),
              field("RST_SENT", "599" if mode == "CW" else "59"),
              field("RST_RCVD", "579" if mode == "CW" else "57")]
    fields += [field(n, v) for n, v in extra]
    return " ".join(fields) + " <EOR>"


def pick(items, weights=None):
    return rng.choices(items, weights=weights)[0]


def q9xz_contact():
    band = pick([b for b, _ in BANDS], BAND_WEIGHTS)
    mode = pick([m for m, _ in MODES], [w for _, w in MODES])
    extra = []
    if rng.random() < 0.12:
        suffix = pick(PORTABLE)
        call = "Q9XZ/" + suffix
        if rng.random() < 0.5:
            extra.append(("STATE", "XX"))  # ignored: the suffix names the entity
    else:
        digit = rng.randint(0, 9)
        call = "Q9XZ/%d" % digit
        extra.append(("STATE", pick(AREAS[digit])))
    if rng.random() < 0.35:
        extra.append(("LOTW_QSL_RCVD", pick(["Y", "N", "R", "V", "y"])))
    extra.append(("NAME", pick(NAMES)))
    return record(call, date_2014(), time_on(), band, mode, extra)


def other_contact():
    band = pick([b for b, _ in BANDS], BAND_WEIGHTS)
    mode = pick([m for m, _ in MODES], [w for _, w in MODES])
    if rng.random() < 0.5:
        call = pick(OTHER_CALLS)
        date = "%d%02d%02d" % (pick([2013, 2014, 2015]), rng.randint(1, 12), rng.randint(1, 28))
    else:
        call = "Q9XZ/%d" % rng.randint(0, 9)
        date = "%d%02d%02d" % (pick([2013, 2015, 2016]), rng.randint(1, 12), rng.randint(1, 28))
    return record(call, date, time_on(), band, mode, [("STATE", pick(AREAS[4]))])


# Contacts that each give one problem line (or none, where the station or year is not ours).
PROBLEMS = [
    record("Q9XZ", "20140315", "1405", "20m", "CW", [("STATE", "OH")]),
    record("Q9XZ/MM", "20140412", "2210", "40m", "SSB", [("STATE", "FL")]),
    record("Q9XZ/KH7", "20140520", "0615", "20m", "SSB"),
    record("Q9XZ/4", "20140601", "1200", "20m", "CW", [("NAME", "John")]),
    record("Q9XZ/5", "20140702", "0130", "60m", "USB", [("STATE", "TX")]),
    record("Q9XZ/7", "20140808", "1745", "15m", "PSK31", [("STATE", "ZZ")]),
    record("Q9XZ/4", "20140214", "1530", "20m", "SSB", [("STATE", "CA")]),
    record("Q9XZ/3", "20141003", "1500", "40m", "CW", [("STATE", "PA")]),
    record("Q9XZ/3", "20140501", "1600", "20m", "CW", [("STATE", "dc")]),
    record("q9xz/4", "20140503", "1600", "20m", "CW", [("STATE", "GA")]),
    record("Q9XZ/1", "20140909", "1111", "17m", "RTTY", [("STATE", "CT  ")]),
    record("Q9XZ/2", "20141111", "2020", "10m", "SSB", [("NAME", " NY ")]),
]

lines = [
    "Demo station log for Q9XZ, made up for the examples.",
    "Exported by a logging program.",
    field("ADIF_VER", "3.1.0") + " " + field("PROGRAMID", "DemoLog") + " "
    + field("PROGRAMVERSION", "1.0"),
    "<EOH>",
]
body = [q9xz_contact() for _ in range(320)] + [other_contact() for _ in range(120)] + PROBLEMS
rng.shuffle(body)
# A contact repeated on a busy band, and a record with a duplicated field.
body.insert(40, record("Q9XZ/8", "20140105", "1200", "20m", "CW", [("STATE", "OH"),
                                                                     ("STATE", "MI")]))
lines += body
out = sys.stdout if len(sys.argv) < 2 else open(sys.argv[1], "w", newline="")
out.write("\r\n".join(lines) + "\r\n")
