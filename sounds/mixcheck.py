#!/usr/bin/python3
"""Mix model of Tirauris: what the player hears when the game's sounds meet.

    /usr/bin/python3 sounds/mixcheck.py DATA_DIR --tables TABLES_PROGRAM [--report] [--cache=FILE]

Decodes the pack and sums, for the menu and each game, the loudest moments
the rules allow: every loop that can sound at once at its nearest ring, with
the shot, the answer, the countdown or tractor or call, a wall knock and any
announcement that can fall in the same second, at many relative timings.
The sum follows the mixer: each channel scaled by its volume out of 128,
the distance gain (255 - distance) / 255 and the panning gains left/255 and
right/255 (stereo only), the music at its own volume, channels added one by
one with saturation at 16 bits (checked against the real mixer's disk
recording). The games' channel volumes, loops and cued channels come from
the game's own tables program (--tables, its JSON, the menu's included),
checked against this model.

Fails on a single clipped sample in any moment (mono or stereo), on a spoken
cue less than 6 dB above what sounds under it, on a decoded file that
reaches full scale, and on two cues of different meaning that sound alike.
Levels by role are measured as heard, with the gains the game applies in
each mode, at a playback where the speech is 65 dB SPL: positional loops
must sit 6 to 10 LU under the speech at their nearest ring (in stereo the
panning's own 6 LU lower), and at their farthest ring carry their loudest
third-octave band 20 dB over the threshold of hearing and 10 dB over a quiet
room's noise. It also checks the pack's own faults: gaps that are not
silent, spoken cues too fast or too slow, game 1's countdown tick near a
ring tone, a lost life or game over that sounds like another sound of its
game, and a buzz drowned by the tractor. Each failure names the file, the
ring and the figure.
With --cache=FILE the results are kept in FILE and shown again while the
pack, this script and the volumes are unchanged. --report prints every
figure. RECIPE names another recipe (to measure an older pack against its
own).
"""
import functools
import hashlib
import json
import os
import re
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

import numpy as np

RATE = 44100
HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
RECIPE = os.environ.get("RECIPE", os.path.join(HERE, "recipe.txt"))
SPEECH_MARGIN_DB = 6.0
MAX_SIMILARITY = 0.6
TRIALS = 12

# Pairs that mean different things in the same game and must not be mistaken.
CONFUSABLE = [
    ("lvl2/applehitbuzzaway", "lvl2/buzzaway"),
    ("lvl2/applehitbuzzaway", "lvl2/massbuzzaway"),
    ("lvl2/buzzaway", "lvl2/massbuzzaway"),
    ("lvl2/massbuzz", "lvl2/applehitbuzzaway"),
    ("lvl2/massbuzz", "lvl2/buzzaway"),
    ("lvl2/massbuzz", "lvl2/massbuzzaway"),
    ("lvl1/missed", "difflvl/lrwall"),
    ("lvl1/missed", "difflvl/udwall"),
    ("lvl1/hit", "lvl1/totalmissed"),
    ("menu/lscore", "menu/hscore"),
    ("menu/menufor", "menu/menuback"),
    ("lvl6/exploen", "lvl6/exploally"),
    ("lvl5/nohit1", "lvl5/tinhitair1"),
]


# --- the game's numbers -----------------------------------------------------
GAME_KEYS = {"tone_target": "tone", "quiet_column": "column", "falling_tin": "tin",
             "buzzing_insect": "insect", "apple_shot": "apple", "laser_defence": "laser"}
# The games' tables as the game prints them (--tables PROGRAM).
TABLES = None


def game_tables(program):
    tables = json.loads(subprocess.run([program], check=True, capture_output=True, text=True).stdout)
    games = {GAME_KEYS[g["name"]]: g for g in tables["games"]}
    if "menu" in tables:
        games["menu"] = tables["menu"]
    return games


def game_volumes():
    """Channel volumes by game (each channel's loudest for the menu), from
    the games' tables."""
    vols = {game: list(TABLES[game]["volumes"]) for game in GAME_KEYS.values()}
    t = TABLES["menu"]
    vols["menu"] = [max(v) for v in zip(t["volumes"], t.get("after_game_volumes", t["volumes"]))]
    vols["music"] = t["music_volume"]
    return vols


def table_failures():
    """The mix model against the games' tables: every loop the games play is
    modelled, on its channel, with the cue the game gives that channel."""
    bad = []
    modelled = {(g, "data/%s.ogg" % n): (ch, kind) for g, n, ch, kind, _, _ in POSITIONAL}
    for game, t in TABLES.items():
        for row in t.get("sounds", []):
            if row["loops"] != -1 or row["path"] == "data/lvl1/silence.ogg":
                continue
            if (game, row["path"]) not in modelled:
                bad.append("%s: the game loops %s, which the mix model does not know" % (t["name"], row["path"]))
                continue
            ch, kind = modelled[(game, row["path"])]
            panned, distanced = ch in t["panned"], ch in t["distanced"]
            want = {"fixed": (True, False), "column": (False, True)}.get(kind, (True, True))
            if ch not in row["channels"] or (panned, distanced) != want:
                bad.append("%s: %s on channel %s, panned %s, distanced %s; the mix model has channel %d, "
                           "panned %s, distanced %s" % ((t["name"], row["path"], row["channels"], panned, distanced,
                                                        ch) + want))
    return bad


def distance_gain(distance):
    return (255 - distance) / 255.0


def ring_gains(mode, ring, side):
    """A positioned cue at `ring` (the level frame's rule): panned in stereo
    by side (-1 source left, 0 ahead, 1 right), distance 255 - 25 ring in mono."""
    if mode == 1:
        return (distance_gain(255 - 25 * ring),) * 2
    s = 25 * ring
    far, near = s // 4, s - s // 4
    g = {-1: (near, far), 0: (s // 2, s // 2), 1: (far, near)}[side]
    return (g[0] / 255.0, g[1] / 255.0)


def wind_gains(mode, level, side):
    # The falling tin's wind: 250 - 25 level in mono (reaches distance 0).
    if mode == 1:
        return (distance_gain(250 - 25 * level),) * 2
    return ring_gains(2, level, side)


# --- decoding ---------------------------------------------------------------
def decode(path):
    out = subprocess.run(["sox", "-V1", path, "-t", "raw", "-e", "signed-integer", "-b", "16",
                          "-c", "1", "-"], check=True, capture_output=True).stdout
    return np.frombuffer(out, dtype="<i2").astype(np.float64)


def load_pack(data):
    names = []
    for folder in sorted(os.listdir(data)):
        d = os.path.join(data, folder)
        if folder.startswith(".") or not os.path.isdir(d):
            continue
        names += [folder + "/" + f[:-4] for f in sorted(os.listdir(d)) if f.endswith(".ogg")]
    with ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        arrays = pool.map(lambda n: decode(os.path.join(data, n + ".ogg")), names)
    return dict(zip(names, arrays))


def recipe_speech():
    """Spoken cues (the recipe's speech lines that play once)."""
    spoken = set()
    for line in open(RECIPE):
        f = [x.strip() for x in line.split("|")]
        if len(f) >= 4 and not line.lstrip().startswith("#") and f[1] == "speech" and f[2] == "once":
            spoken.add(f[0][:-4])
    return spoken


# --- loudness (K-weighted mean square, as broadcast loudness meters use) ----
@functools.lru_cache(maxsize=None)
def k_weight_power(n):
    """Power spectrum weight of the two-stage K filter at the rfft bins of n points."""
    f = np.fft.rfftfreq(n, 1.0 / RATE)
    z = np.exp(-2j * np.pi * f / RATE)
    b1, a1 = [1.53512485958697, -2.69169618940638, 1.19839281085285], [1.0, -1.69065929318241, 0.73248077421585]
    b2, a2 = [1.0, -2.0, 1.0], [1.0, -1.99004745483398, 0.99007225036621]

    def h(b, a):
        return (b[0] + b[1] * z + b[2] * z * z) / (a[0] + a[1] * z + a[2] * z * z)

    return np.abs(h(b1, a1) * h(b2, a2)) ** 2


def k_filter(x):
    n = 1 << int(np.ceil(np.log2(len(x) + 4096)))
    spec = np.fft.rfft(x, n) * np.sqrt(k_weight_power(n))
    return np.fft.irfft(spec, n)[: len(x)]


def block_powers(y, block=0.4, hop=0.1):
    """Mean square of y (channels summed) in 400 ms blocks every 100 ms."""
    b, h = int(block * RATE), int(hop * RATE)
    if y.shape[-1] < b:
        return np.array([np.mean(y ** 2, axis=-1).sum()])
    c = np.cumsum(np.concatenate([np.zeros(y.shape[:-1] + (1,)), y ** 2], axis=-1), axis=-1)
    starts = np.arange(0, y.shape[-1] - b + 1, h)
    return ((c[..., starts + b] - c[..., starts]) / b).reshape(-1, len(starts)).sum(axis=0)


def db(p):
    return 10 * np.log10(max(p, 1e-20))


def loudness(x, gain=1.0):
    """Gated loudness of a sound heard at `gain` (LUFS-like, full scale 1)."""
    p = block_powers(k_filter(x / 32768.0 * gain)[None, :])
    p = p[p > 10 ** (-70 / 10)]
    if len(p) == 0:
        return -70.0
    p = p[p > np.mean(p) * 0.1]
    return db(np.mean(p)) - 0.691


# --- the mix ----------------------------------------------------------------
class Layer:
    """One channel's sound in a moment: a file, its volume, gains, start (s)."""

    def __init__(self, channel, name, volume, gains=(1.0, 1.0), start=0.0, loop=False, phase=0,
                 spoken=False, under=None):
        self.channel, self.name, self.volume, self.gains = channel, name, volume, gains
        self.start, self.loop, self.phase, self.spoken = start, loop, phase, spoken
        # Whether it counts as what sounds under a spoken cue: loops, music,
        # wall knocks and the shot that brings the cue on do; other cues that
        # happen to collide with it count for the peak only.
        self.under = loop if under is None else under


def mix(pack, layers, seconds, channels):
    """The mixer's sum. Returns the output, the count of clipped samples,
    each spoken layer's own signal and the sum of what sounds under speech."""
    n = int(seconds * RATE)
    out = np.zeros((channels, n))
    under = np.zeros((channels, n))
    clipped = np.zeros(n, dtype=bool)
    spoken = {}
    # A channel plays one chunk: a later start cuts the earlier one off.
    by_channel = {}
    for layer in layers:
        by_channel.setdefault(layer.channel, []).append(layer)
    for ch in sorted(by_channel, key=lambda c: (c != "music", str(c))):
        seq = sorted(by_channel[ch], key=lambda l: l.start)
        for i, layer in enumerate(seq):
            x = pack[layer.name]
            a = max(0, int(layer.start * RATE))
            end = min(int(seq[i + 1].start * RATE) if i + 1 < len(seq) else n, n)
            if end <= a:
                continue
            if layer.loop:
                seg = x[(np.arange(end - a) + layer.phase) % len(x)]
            else:
                skip = max(0, -int(layer.start * RATE))
                seg = x[skip: skip + end - a]
            b = a + len(seg)
            if b <= a:
                continue
            v = layer.volume / 128.0
            part = np.stack([seg * (v * layer.gains[c if channels == 2 else 0]) for c in range(channels)])
            window = out[:, a:b]
            window += part
            clipped[a:b] |= (np.abs(window) > 32767).any(axis=0)
            np.clip(window, -32768, 32767, out=window)
            if layer.spoken:
                mine = np.zeros((channels, n))
                mine[:, a:b] = part
                spoken[layer] = mine
            elif layer.under:
                under[:, a:b] += part
    return out, int(clipped.sum()), spoken, under


def speech_margin(mine, under):
    """Loudness of a spoken layer over what sounds under it, in dB, over the
    blocks where the speech sounds (within 10 dB of its loudest)."""
    live = np.nonzero(np.abs(mine).sum(axis=0) > 0)[0]
    if len(live) == 0:
        return None
    a, b = live[0], live[-1] + 1
    ps = block_powers(np.array([k_filter(c[a:b] / 32768.0) for c in mine]))
    pr = block_powers(np.array([k_filter(c[a:b] / 32768.0) for c in under]))
    sel = ps >= ps.max() * 0.1
    return min(db(ps[sel].mean()) - db(pr[sel].mean()), 99.0)  # 99: nothing under it


# --- the moments of each game -------------------------------------------------
SIDES = (-1, 0, 1)


def moments(vols, mode, rng, spoken):
    """Yields (game, moment name, layers, seconds) for every trial."""

    def once(ch, game, name, start, under=False):
        return Layer(ch, name, vols[game][ch], (1.0, 1.0), start, spoken=name in spoken, under=under)

    def loop(ch, game, name, gains, phase=None):
        return Layer(ch, name, vols[game][ch], gains, 0.0, True,
                     int(rng.integers(0, 10 ** 6)) if phase is None else phase)

    def near():  # a cue that falls within the same second
        return float(rng.uniform(0.0, 1.2))

    def walls(game, start):
        name = "difflvl/" + ("lrwall" if rng.random() < 0.5 else "udwall")
        return [once(3, game, name, start + 0.5 * k, True) for k in range(3)]

    def side():
        return int(rng.choice(SIDES))

    for t in range(TRIALS):
        # Menu: the music, an announcement, a click for the next step and a
        # submenu cue on channel 0.
        say = str(rng.choice(["menu/tnt", "menu/bnt", "menu/tnb", "menu/fna", "menu/bnb", "menu/lns",
                              "menu/quit", "menu/startgame", "menu/lscore", "menu/hscore", "menu/back"]))
        m = [Layer("music", "menu/bgm", vols["music"], start=-float(rng.uniform(0, 7)), under=True),
             once(2, "menu", say, 0.2), once(1, "menu", "menu/click", near()),
             once(0, "menu", str(rng.choice(["menu/menufor", "menu/menuback", "menu/hitmenu"])), near())]
        yield "menu", "announcement over the music", m, 2.5
        yield "menu", "farewell", [once(0, "menu", "menu/end", 0.0)], 1.5

        # Tone target: the tone at its ring, shot and answer, countdown, walls.
        ring = int(rng.integers(1, 11)) if t else 10
        tone = loop(0, "tone", "lvl1/normal%d" % ring, ring_gains(2, 10, side()) if mode == 2 else (1.0, 1.0))
        s = near()
        answer = str(rng.choice(["lvl1/hit", "lvl1/missed", "lvl1/totalmissed"]))
        yield "tone", "shot, answer, countdown", [tone, once(1, "tone", "lvl1/shot", s),
                                                 once(2, "tone", answer, s), once(4, "tone", "lvl1/countdown", near())] + walls("tone", near()), 2.0
        yield "tone", "game over", [tone, once(1, "tone", "lvl1/shot", 0.2, True), once(2, "tone", "lvl1/gameover", 0.2),
                                    once(4, "tone", "lvl1/countdown", near())] + walls("tone", near()), 2.5
        s = near()
        yield "tone", "time up", [tone, once(4, "tone", "lvl1/countdown0", 0.3), once(1, "tone", "lvl1/shot", s),
                                  once(2, "tone", answer, s)] + walls("tone", near()), 2.0

        # Quiet column: the fizz at its nearest ring, the water brought near,
        # the revolver and the tin, the countdown cues, walls.
        fizz = loop(0, "column", "lvl4/fizz", (distance_gain(255 - 250),) * 2)
        water = Layer(5, "lvl4/water", vols["column"][5], (distance_gain(50),) * 2, -float(rng.uniform(0, 4)),
                      under=True)
        s = near()
        hit = str(rng.choice(["lvl4/tinhit", "lvl4/tinhit2", "lvl4/tinhit3"]))
        cd = str(rng.choice(["lvl4/countdown1", "lvl4/countdown2", "lvl4/countdown3", "lvl4/shotup"]))
        yield "column", "shot, tin, countdown", [fizz, water, once(1, "column", "difflvl/revolvershot", s),
                                                 once(2, "column", hit, s), once(4, "column", cd, near())] + walls("column", near()), 2.5
        yield "column", "barrel bursts", [once(2, "column", "lvl4/barreldest", 0.0),
                                          once(4, "column", cd, near() - 0.6)], 3.0

        # Falling tin: the loudest wind (far wind at level 10, near at 8).
        far = rng.random() < 0.5
        wind = loop(0, "tin", "lvl5/wind" if far else "lvl5/wind1", wind_gains(mode, 10 if far else 8, side()))
        s = near()
        answer = str(rng.choice(["lvl5/tinhitair1", "lvl5/tinhitair2", "lvl5/tinhitair3", "lvl5/nohit1",
                                 "lvl5/nohit2", "lvl5/hey"]))
        yield "tin", "shot and answer", [wind, once(1, "tin", "difflvl/revolvershot", s), once(2, "tin", answer, s)] + walls("tin", near()), 2.5
        yield "tin", "hey", [wind, once(1, "tin", "difflvl/revolvershot", 0.2, True), once(2, "tin", "lvl5/hey", 0.2)] + walls("tin", near()), 2.0
        yield "tin", "no more ammo", [wind, once(1, "tin", "lvl5/nomoreammo", 0.3), once(2, "tin", "lvl5/nohit2", near() - 1.0)] + walls("tin", near()), 2.0
        yield "tin", "tin lands", [once(4, "tin", "lvl5/tingameover", 0.0), once(2, "tin", answer, near() - 1.0),
                                   once(1, "tin", "difflvl/revolvershot", near() - 1.0)], 2.5

        # Buzzing insect: the buzz of each band at its nearest ring, the bow,
        # the answer, the tractor, walls.
        band = int(rng.integers(0, 4)) if t else 0
        bname = ["lvl2/buzzveryfast", "lvl2/buzzfast", "lvl2/buzz", "lvl2/buzzslow"][band]
        buzz = loop(0, "insect", bname, ring_gains(mode, [10, 7, 5, 3][band], side()))
        tractor = once(4, "insect", str(rng.choice(["lvl2/tractor", "lvl2/tractorinsect", "lvl2/tractoraway"])),
                       -float(rng.uniform(0, 1.5)), True)
        s = near()
        yield "insect", "bow and miss", [buzz, tractor, once(1, "insect", "difflvl/bow", s),
                                         once(2, "insect", "lvl2/massbuzz", s)] + walls("insect", near()), 2.0
        flight = str(rng.choice(["lvl2/applehitbuzzaway", "lvl2/buzzaway"]))
        yield "insect", "hit or escape", [tractor, once(1, "insect", "difflvl/bow", 0.1),
                                          once(2, "insect", flight, 0.1)] + walls("insect", near()), 2.0
        yield "insect", "game over", [buzz, tractor, once(1, "insect", "difflvl/bow", 0.1),
                                      once(2, "insect", "lvl2/massbuzzaway", 0.1)] + walls("insect", near()), 3.0

        # Apple: the body loops where the cursor hears them loudest together.
        body = []
        for k, name in enumerate(["lvl3/breath", "lvl3/mumble", "lvl3/heart"]):
            body.append(loop(5 + k, "apple", name, ring_gains(mode, APPLE_RINGS[k], side())))
        s = near()
        yield "apple", "stammer", body + [once(1, "apple", "difflvl/bow", s, True), once(2, "apple", "lvl3/stammer", s),
                                          once(4, "apple", "lvl3/mthey1", near() - 0.8)] + walls("apple", near()), 2.5
        yield "apple", "first call", body + [once(4, "apple", "lvl3/mthey1", 0.2), once(1, "apple", "difflvl/bow", s),
                                             once(2, "apple", "lvl3/stammer", s)] + walls("apple", near()), 2.5
        yield "apple", "hit, cringe, boy hit", [once(1, "apple", "difflvl/bow", 0.1),
                                                once(2, "apple", str(rng.choice(["lvl3/applehitnewpos", "lvl3/cringe", "lvl3/boyhit"])), 0.1),
                                                once(4, "apple", "lvl3/mthey1", near() - 1.5)] + walls("apple", near()), 2.5
        yield "apple", "second call, running home", [once(4, "apple", "lvl3/mthey2", 0.1),
                                                     once(2, "apple", "lvl3/stammer", near() - 1.2),
                                                     once(2, "apple", "lvl3/runninghome", 1.1)] + walls("apple", near()), 3.5

        # Laser defence: four engines at their nearest ring (the two enemies
        # and the two allies each start in the same pass: in phase).
        pe, pa = int(rng.integers(0, 10 ** 6)), int(rng.integers(0, 10 ** 6))
        sd = side()
        ships = [loop(5 + k, "laser", "lvl6/shipen" if k < 2 else "lvl6/shipally",
                      ring_gains(mode, 10, sd if rng.random() < 0.7 else side()), pe if k < 2 else pa)
                 for k in range(4)]
        s = near()
        blast = str(rng.choice(["lvl6/exploen", "lvl6/exploally"]))
        fight = [once(1, "laser", "lvl6/lasercanon", s), once(2, "laser", blast, s),
                 once(9, "laser", "lvl6/ennothit", near())]
        yield "laser", "shot, blast, enemy through", ships + fight + walls("laser", near()), 2.0
        # Four ships within 30 pixels of the cursor at once is a peak to
        # survive, not a moment to speak over: the announcement is then
        # checked for clipping only. Spoken over: an enemy and an ally at
        # the cursor, out of phase, the other two out of reach.
        pair = [loop(5, "laser", "lvl6/shipen", ring_gains(mode, 10, sd)),
                loop(7, "laser", "lvl6/shipally", ring_gains(mode, 10, side()))]
        for ann in ("lvl6/shieldstatus", "lvl6/evacuation"):
            loud = Layer(4, ann, vols["laser"][4], start=0.3)
            yield "laser", "announcement over four engines", ships + fight + [loud] + walls("laser", near()), 3.0
            yield "laser", "announcement", pair + fight + [once(4, "laser", ann, 0.3)] + walls("laser", near()), 3.0
        yield "laser", "own ship lost", [once(4, "laser", "lvl6/shipdestroyed", 0.0)], 4.5


def apple_worst_rings():
    """The apple's body spots (breath, mumble, heart) at the rings a single
    cursor position gives, the position where their gains add up most."""
    spots = [(0, 60), (0, 80), (30, 140)]
    bounds = [(10, 10), (20, 8), (30, 6), (45, 4), (60, 2)]

    def ring(d):
        for b, r in bounds:
            if d <= b:
                return r
        return 0

    best, rings = -1, None
    for x in range(-40, 80):
        for y in range(20, 200):
            rs = [ring(int(np.hypot(x - sx, y - sy))) for sx, sy in spots]
            if sum(rs) > best:
                best, rings = sum(rs), rs
    return rings


APPLE_RINGS = apple_worst_rings()


# --- distinct cues -----------------------------------------------------------
def band_spectrogram(x):
    """Log energies in 32 bands (100 Hz - 12 kHz) per 20 ms frame, floor 60 dB under the top."""
    hop, win = 882, 2048
    x = x / 32768.0
    if len(x) < win:
        x = np.pad(x, (0, win - len(x)))
    frames = np.lib.stride_tricks.sliding_window_view(x, win)[::hop] * np.hanning(win)
    p = np.abs(np.fft.rfft(frames, axis=1)) ** 2
    f = np.fft.rfftfreq(win, 1.0 / RATE)
    edges = np.geomspace(100, 12000, 33)
    bands = np.stack([p[:, (f >= lo) & (f < hi)].sum(axis=1) for lo, hi in zip(edges[:-1], edges[1:])], axis=1)
    e = 10 * np.log10(bands + 1e-12)
    return np.maximum(e - (e.max() - 60), 0.0)


def similarity(a, b):
    """Correlation of two band spectrograms (the shorter padded with silence):
    1 for the same sound, near 0 for unrelated ones."""
    sa, sb = band_spectrogram(a), band_spectrogram(b)
    n = max(len(sa), len(sb))
    sa = np.pad(sa, ((0, n - len(sa)), (0, 0)))
    sb = np.pad(sb, ((0, n - len(sb)), (0, 0)))
    sa, sb = sa - sa.mean(), sb - sb.mean()
    return float((sa * sb).sum() / np.sqrt((sa * sa).sum() * (sb * sb).sum()))


# --- positional loops as heard: levels, floors, the room ----------------------
# The playback: speech (the median spoken cue at its channel volume) at 65 dB
# SPL at each ear. Levels of a loop are heard with the gains the game applies,
# in mono (distance) and in stereo (panning: the centre zone, both ears at
# half the scale, is where the cursor is at the nearest ring and the quietest
# a source gets at any ring). Loudness in stereo sums both ears, as in mono
# speech heard by both.
SPEECH_SPL = 65.0
NEAR_BAND = (-10.0, -6.0)  # LU relative to the speech, nearest ring
OVER_THRESHOLD = 20.0      # dB, loudest third-octave band, farthest ring
OVER_ROOM = 10.0           # dB over NC-25 in that band
BRIGHT_FROM = 150.0        # Hz: the loudest band from here up must pass too
START_OVER_SPEECH = 3.0
REWARD_OVER_LOOPS = 6.0
WARNING_OVER_LOOPS = 6.0

# Third-octave centres, the threshold of hearing (free field, ISO 226:2003)
# and the NC-25 room curve (octave levels, spread over thirds).
THIRDS = np.array([50, 63, 80, 100, 125, 160, 200, 250, 315, 400, 500, 630, 800, 1000, 1250,
                   1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000], dtype=float)
THRESHOLD = np.array([44.0, 37.5, 31.5, 26.5, 22.1, 17.9, 14.4, 11.4, 8.6, 6.2, 4.4, 3.0, 2.2, 2.4,
                      3.5, 1.7, -1.3, -4.2, -6.0, -5.4, -1.5, 6.0, 12.6, 13.9])
NC25_OCTAVES = ([63, 125, 250, 500, 1000, 2000, 4000, 8000], [54, 44, 37, 31, 27, 24, 22, 21])
ROOM = np.interp(np.log2(THIRDS), np.log2(NC25_OCTAVES[0]), NC25_OCTAVES[1]) - 10 * np.log10(3)


def third_octave_powers(x):
    """Mean square (full scale 1) of x in each third-octave band, over the whole sound."""
    spec = np.abs(np.fft.rfft(x / 32768.0)) ** 2 * 2 / len(x) ** 2
    f = np.fft.rfftfreq(len(x), 1.0 / RATE)
    return np.array([spec[(f >= c * 2 ** -(1 / 6)) & (f < c * 2 ** (1 / 6))].sum() for c in THIRDS])


def third_octave_peak_powers(x, block=0.4, hop=0.1):
    """The loudest 400 ms block's mean square in each band (for a warning that swells)."""
    b, h = int(block * RATE), int(hop * RATE)
    if len(x) <= b:
        return third_octave_powers(x)
    return np.max([third_octave_powers(x[a:a + b]) for a in range(0, len(x) - b + 1, h)], axis=0)


def pan_gains(mode, scale):
    """Per-ear gains of a source at `scale` (0..10) in the centre zone:
    mono distance 255 - 25 scale, stereo both sides floor(25 scale / 2)."""
    if mode == 1:
        return (25 * scale / 255.0,) * 2
    return ((25 * scale // 2) / 255.0,) * 2


# Each positional loop: game, file, channel, how its gain follows the ring
# (the scale at the nearest ring, the scale at the farthest ring that sounds)
# and whether the game positions it in stereo as in mono.
#   fixed      level 1: no distance, panned at scale 10 in stereo
#   column     level 2: distance 255 - 25 ring in both modes, never panned
#   wind       level 3: mono distance 250 - 25 level, stereo panning by level
#   cue        levels 4-6: the frame's positional cue
POSITIONAL = (
    [("tone", "lvl1/normal%d" % r, 0, "fixed", r, r) for r in range(1, 11)]
    + [("column", "lvl4/fizz", 0, "column", 10, 2),
       ("tin", "lvl5/wind", 0, "wind", 10, 2), ("tin", "lvl5/wind1", 0, "wind", 8, 2)]
    + [("insect", n, 0, "cue", near, far) for n, near, far in
       [("lvl2/buzzveryfast", 10, 8), ("lvl2/buzzfast", 7, 6), ("lvl2/buzz", 5, 4), ("lvl2/buzzslow", 3, 1)]]
    + [("apple", "lvl3/" + n, 5 + k, "cue", 10, 2) for k, n in enumerate(["breath", "mumble", "heart"])]
    + [("laser", "lvl6/shipen", 5, "cue", 10, 2), ("laser", "lvl6/shipally", 7, "cue", 10, 2)]
)


def heard_gains(kind, mode, scale):
    if kind == "fixed":
        return (1.0, 1.0) if mode == 1 else pan_gains(2, 10)
    if kind == "column":
        return pan_gains(1, scale)
    if kind == "wind":
        # Not the frame's distance: this wind reaches distance 0.
        return ((5 + 25 * scale) / 255.0,) * 2 if mode == 1 else pan_gains(2, scale)
    return pan_gains(mode, scale)


def mode_loudness(x, gain_pair, mode):
    """Loudness of x heard with per-ear gains, summed over the output's channels."""
    y = k_filter(x / 32768.0)
    p = block_powers(np.stack([y * g for g in gain_pair[:mode]]))
    p = p[p > 10 ** (-70 / 10)]
    if len(p) == 0:
        return -70.0
    p = p[p > np.mean(p) * 0.1]
    return db(np.mean(p)) - 0.691


def speech_reference(heard, spoken):
    """Median loudness of the spoken cues at their channel volumes (mono)."""
    return float(np.median([lu for _, name, _, _, role, lu in heard if role == "speech" and name in spoken]))


def positional_figures(pack, vols, speech):
    """Per positional loop and mode: nearest-ring loudness relative to the
    speech; at the farthest ring, the loudest band and (from 150 Hz up) its
    margins over the threshold of hearing and over the room."""
    spl = SPEECH_SPL - 0.691 - speech  # dB SPL of a band's mean square in dB
    rows = []
    for game, name, ch, kind, near, far in POSITIONAL:
        if name not in pack:
            continue
        x, vol = pack[name], vols[game][ch] / 128.0
        bands = 10 * np.log10(third_octave_powers(x) + 1e-20)
        for mode in (1, 2):
            ref = speech + (0.0 if mode == 1 else 10 * np.log10(2))
            rel = mode_loudness(x, tuple(vol * g for g in heard_gains(kind, mode, near)), mode) - ref
            ear = vol * max(heard_gains(kind, mode, far))
            level = bands + 20 * np.log10(max(ear, 1e-9)) + spl
            figs = {}
            for what, sel in (("loudest", THIRDS > 0), ("bright", THIRDS >= BRIGHT_FROM)):
                i = int(np.argmax(np.where(sel, level, -999)))
                figs[what] = (THIRDS[i], level[i], level[i] - THRESHOLD[i], level[i] - ROOM[i])
            rows.append({"game": game, "name": name, "kind": kind, "mode": mode, "near": near, "far": far,
                         "rel": rel, **figs})
    return rows


def positional_failures(rows):
    bad = []
    for r in rows:
        mode = "mono" if r["mode"] == 1 else "stereo"
        lo, hi = NEAR_BAND
        if r["mode"] == 2 and r["kind"] != "column":
            # The game's own stereo rule gives the centre zone half the scale
            # on each side where mono gives nearly all of it: the same file is
            # 6 LU quieter under the (unpanned) speech; see the recipe's header.
            lo -= STEREO_COST
        if not lo <= r["rel"] <= hi:
            bad.append("%s (%s), ring %d: %+.1f LU from the speech, outside %g..%g"
                       % (r["name"], mode, r["near"], r["rel"], lo, hi))
        for what, label in (("loudest", "loudest band"), ("bright", "loudest band from 150 Hz")):
            hz, level, thr, room = r[what]
            if thr < OVER_THRESHOLD or room < OVER_ROOM:
                bad.append("%s (%s), ring %d: %s %g Hz at %.1f dB SPL, %+.1f dB over the threshold "
                           "(needs %g), %+.1f dB over the room (needs %g)"
                           % (r["name"], mode, r["far"], label, hz, level, thr, OVER_THRESHOLD, room, OVER_ROOM))
    return bad


# The stereo cost at the nearest ring: centre-zone panning at scale 10
# (125/255 on both sides) against mono's distance 5 (250/255).
STEREO_COST = 20 * np.log10(250 / 125)


# --- the pack's own faults ------------------------------------------------------
def recipe_lines():
    rows = []
    for line in open(RECIPE):
        f = [x.strip() for x in line.split("|")]
        if len(f) >= 4 and not line.lstrip().startswith("#"):
            opts = dict(o.split(":", 1) for o in f[4:] if ":" in o)
            rows.append((f[0][:-4], f[1], f[2], f[3], {k.strip(): v.strip() for k, v in opts.items()}))
    return rows


def segment_seconds(seg):
    """Length of a ' then ' segment: its chains' longest 'synth LEN' or
    'trim 0 LEN'; None when an effect changes the length (pad, repeat, ...)."""
    longest = 0.0
    for chain in seg.split(" with "):
        t = chain.split()
        if any(w in ("pad", "repeat", "delay", "reverb", "echo", "tempo", "speed", "stretch") for w in t):
            return None
        if len(t) >= 2 and t[0] == "synth":
            longest = max(longest, float(t[1]))
        elif len(t) >= 3 and t[:2] == ["trim", "0"]:
            longest = max(longest, float(t[2]))
        else:
            return None
    return longest


def is_gap(seg):
    """A segment meant as silence: 'trim 0 LEN', or a bare 'synth LEN' (which
    sox fills with a 440 Hz sine, and the generator refuses)."""
    t = seg.split()
    return t[:2] == ["trim", "0"] and len(t) == 3 or t[:1] == ["synth"] and len(t) == 2


GAP_CEILING = -50.0  # dBFS


def gap_failures(pack, lines):
    """Gaps between the sounds of a synth line hold silence."""
    bad, rows = [], []
    for name, kind, play, sound, opts in lines:
        segs = sound.split(" then ")
        if kind != "synth" or name not in pack or len(segs) < 2 or not any(is_gap(s) for s in segs):
            continue
        x, t = pack[name], 0.0
        for seg in segs:
            n = segment_seconds(seg)
            if n is None:
                bad.append("%s: a gap's place cannot be worked out from the recipe" % name)
                break
            if is_gap(seg):
                a, b = int((t + 0.004) * RATE), int((t + n - 0.004) * RATE)
                part = x[a:b] / 32768.0
                if len(part):
                    level = db(np.mean(part ** 2))
                    rows.append((name, t, n, level))
                    if level > GAP_CEILING:
                        bad.append("%s: the gap at %.3f s is not silent (%.1f dBFS)" % (name, t, level))
            t += n
    return rows, bad


FADE_IN = 0.005  # s
CODEC_NOISE = 0.003  # of full scale


def loop_edges(pack, lines):
    """The game restarts a loop on every ring change and loops it endlessly:
    no sample of its first 5 ms over the file's peak times a quarter sine
    rising over 5 ms, and at the wrap no step (last sample to first) and no
    slope jump (second difference) worse than the file's own, give or take
    the codec's noise."""
    rows, bad = [], []
    for name, kind, play, sound, opts in lines:
        if play != "loop" or name not in pack:
            continue
        x = pack[name] / 32768.0
        peak, k = np.abs(x).max(), int(FADE_IN * RATE)
        over = np.abs(x[:k]) - (peak * np.sin(np.pi / 2 * np.arange(k) / k) + CODEC_NOISE)
        step, steep = abs(x[0] - x[-1]), np.abs(np.diff(x)).max()
        w = np.concatenate([x[-2:], x[:2]])
        jump, worst = np.abs(np.diff(w, 2)).max(), np.abs(np.diff(x, 2)).max()
        rows.append((name, float(np.abs(x[:k]).max() / max(peak, 1e-9)), step, jump, worst))
        if (over > 0).any():
            i = int(np.argmax(over > 0))
            bad.append("%s: starts without a 5 ms fade-in (sample %d at %.4f, peak %.4f)" % (name, i, abs(x[i]), peak))
        if step > 1.5 * steep + CODEC_NOISE:
            bad.append("%s: a step of %.4f at the wrap (steepest inside %.4f)" % (name, step, steep))
        if jump > 1.5 * worst + CODEC_NOISE:
            bad.append("%s: a click at the wrap (slope jump %.4f, worst inside %.4f)" % (name, jump, worst))
    return rows, bad


VOWEL_START = set("aeiouAEIOUV03@")


def syllables(text, voice):
    """Syllables of a phrase as the voice says it: the vowels of espeak-ng's phonemes."""
    out = subprocess.run(["espeak-ng", "-q", "-x", "--sep=_", "-v", voice, "--", text],
                         check=True, capture_output=True, text=True).stdout
    n = 0
    for tok in re.split(r"[_\s]+", out):
        tok = tok.strip("'%,=")
        if tok and tok[0] in VOWEL_START:
            n += 2 if tok in ("aI@", "aU@") else 1
    return n


def voiced_seconds(x):
    """From the first to the last 10 ms frame within 30 dB of the loudest."""
    k = RATE // 100
    e = np.array([np.mean((x[i:i + k] / 32768.0) ** 2) for i in range(0, len(x) - k + 1, k)])
    live = np.nonzero(e >= e.max() * 10 ** (-30 / 10))[0]
    return (live[-1] - live[0] + 1) / 100.0


SYLLABLE_RATE = (2.5, 4.5)


def speech_rate(pack, lines):
    rows, bad = [], []
    for name, kind, play, sound, opts in lines:
        if kind != "speech" or play != "once" or name not in pack:
            continue
        n, secs = syllables(sound, opts.get("voice", "en-us")), voiced_seconds(pack[name])
        rows.append((name, n, secs, n / secs))
        if not SYLLABLE_RATE[0] <= n / secs <= SYLLABLE_RATE[1]:
            bad.append("%s: %d syllables in %.2f s, %.1f a second (wants %g..%g)"
                       % ((name, n, secs, n / secs) + SYLLABLE_RATE))
    return rows, bad


def main_frequency(x):
    spec = np.abs(np.fft.rfft(x * np.hanning(len(x))))
    return float(np.fft.rfftfreq(len(x), 1.0 / RATE)[np.argmax(spec)])


def tick_distance(pack):
    """Semitones from game 1's countdown tick to the nearest ring tone (main frequencies)."""
    tick = main_frequency(pack["lvl1/countdown"])
    tones = [main_frequency(pack["lvl1/normal%d" % r]) for r in range(1, 11)]
    near = min(tones, key=lambda f: abs(np.log2(tick / f)))
    return tick, near, 12 * abs(np.log2(tick / near))


# Cues that end a life or the game must not sound like anything else of their game.
APART = [("insect", "lvl2/buzzaway"), ("insect", "lvl2/massbuzzaway"),
         ("apple", "lvl3/cringe"), ("apple", "lvl3/runninghome"), ("apple", "lvl3/boyhit")]
APART_BELOW = 0.5
GAME_FOLDER = {"insect": "lvl2", "apple": "lvl3"}
SHARED = ["difflvl/start", "difflvl/lrwall", "difflvl/udwall", "difflvl/bow"]


def apart_figures(pack):
    rows = []
    for game, cue in APART:
        if cue not in pack:
            continue
        others = [n for n in sorted(pack) if n.startswith(GAME_FOLDER[game] + "/") and n != cue] + SHARED
        worst = max((similarity(pack[cue], pack[o]), o) for o in others if o in pack)
        rows.append((cue, worst[1], worst[0]))
    return rows


TRACTORS = ["lvl2/tractor", "lvl2/tractorinsect", "lvl2/tractoraway"]
BUZZ_OVER_TRACTOR = 6.0


def buzz_over_tractor(pack, vols):
    """Each buzz at its farthest ring against the tractor's loudest 400 ms,
    per ear, in the buzz's own (loudest) third-octave band."""
    rows = []
    tractor = np.max([third_octave_peak_powers(pack[t]) for t in TRACTORS if t in pack], axis=0)
    tractor_db = 10 * np.log10(tractor + 1e-20) + 20 * np.log10(vols["insect"][4] / 128.0)
    for game, name, ch, kind, near, far in POSITIONAL:
        if game != "insect" or name not in pack:
            continue
        bands = 10 * np.log10(third_octave_powers(pack[name]) + 1e-20)
        i = int(np.argmax(bands))
        for mode in (1, 2):
            ear = vols["insect"][ch] / 128.0 * max(pan_gains(mode, far))
            rows.append((name, mode, far, THIRDS[i], bands[i] + 20 * np.log10(ear) - tractor_db[i]))
    return rows


# --- the check -----------------------------------------------------------------
def run(data):
    vols = game_volumes()
    pack = load_pack(data)
    failures_first = table_failures()
    spoken = recipe_speech()
    lines, failures = [], failures_first

    # Decoded peaks: the codec may overshoot what was levelled before encoding.
    for name, x in sorted(pack.items()):
        if len(x) and np.abs(x).max() >= 32767:
            failures.append("%s.ogg reaches full scale once decoded" % name)

    results = {}
    for mode in (1, 2):
        rng = np.random.default_rng(2718)
        for game, what, layers, seconds in moments(vols, mode, rng, spoken):
            out, clipped, spoken_parts, under = mix(pack, layers, seconds, mode)
            r = results.setdefault((game, what, mode), {"peak": 0.0, "clipped": 0, "speech": {}})
            r["peak"] = max(r["peak"], float(np.abs(out).max()) / 32768.0)
            r["clipped"] += clipped
            for layer, mine in spoken_parts.items():
                m = speech_margin(mine, under)
                if m is not None:
                    r["speech"][layer.name] = min(r["speech"].get(layer.name, 1e9), m)
    lines.append("%-8s %-32s %-6s %7s %8s  %s" % ("game", "moment", "output", "peak", "clipped", "speech over the rest (dB, worst)"))
    for (game, what, mode), r in results.items():
        sp = ", ".join("%s %+.1f" % (k.split("/")[1], v) for k, v in sorted(r["speech"].items()))
        lines.append("%-8s %-32s %-6s %7.4f %8d  %s" % (game, what, "mono" if mode == 1 else "stereo",
                                                         r["peak"], r["clipped"], sp))
        if r["clipped"]:
            failures.append("%s, %s (%s): %d clipped samples" % (game, what, "mono" if mode == 1 else "stereo", r["clipped"]))
        for k, v in r["speech"].items():
            if v < SPEECH_MARGIN_DB:
                failures.append("%s, %s (%s): %s only %+.1f dB over what sounds under it"
                                % (game, what, "mono" if mode == 1 else "stereo", k, v))

    heard = heard_rows(pack, vols)
    speech = speech_reference(heard, spoken)
    lines.append("")
    lines.append("loudness heard at the channel volume, mono (LU relative to the speech's median, %.1f LUFS;"
                 " loops at their nearest ring):" % speech)
    for game, name, vol, gain, role, lu in heard:
        lines.append("  %-8s %-24s %-8s %+6.1f" % (game, name, role, lu - speech))
    failures += role_failures(heard, speech)

    pos = positional_figures(pack, vols, speech)
    lines.append("")
    lines.append("positional loops, speech at %g dB SPL: nearest ring (LU from the speech); farthest ring: "
                 "loudest band and loudest from %g Hz (dB SPL, over threshold / over NC-25)" % (SPEECH_SPL, BRIGHT_FROM))
    for r in pos:
        lines.append("  %-8s %-20s %-6s ring %2d %+6.1f   ring %2d %5g Hz %5.1f (%+5.1f / %+5.1f)  %5g Hz %5.1f (%+5.1f / %+5.1f)"
                     % ((r["game"], r["name"], "mono" if r["mode"] == 1 else "stereo", r["near"], r["rel"], r["far"])
                        + r["loudest"] + r["bright"]))
    failures += positional_failures(pos)

    rcp = recipe_lines()
    gaps, bad = gap_failures(pack, rcp)
    failures += bad
    lines.append("")
    lines.append("gaps in the recipe's sounds (level, must be under %g dBFS):" % GAP_CEILING)
    lines += ["  %-22s at %.3f s, %.3f s long: %6.1f dBFS" % g for g in gaps]

    edges, bad = loop_edges(pack, rcp)
    failures += bad
    lines.append("")
    lines.append("loops: loudest of the first 5 ms (of the peak), step and slope jump at the wrap (full scale 1):")
    lines += ["  %-22s %.3f  %.4f  %.4f (worst inside %.4f)" % e for e in edges]

    rates, bad = speech_rate(pack, rcp)
    failures += bad
    lines.append("")
    lines.append("spoken cues, syllables a second (%g..%g):" % SYLLABLE_RATE)
    lines += ["  %-22s %d in %.2f s: %.1f" % r for r in rates]

    if "lvl1/countdown" in pack and all("lvl1/normal%d" % r in pack for r in range(1, 11)):
        tick, tone, semis = tick_distance(pack)
        lines.append("")
        lines.append("game 1's countdown tick at %.0f Hz, %.1f semitones from the nearest ring tone (%.0f Hz)"
                     % (tick, semis, tone))
        if semis < 3:
            failures.append("lvl1/countdown: %.0f Hz, only %.1f semitones from the ring tone at %.0f Hz"
                            % (tick, semis, tone))

    lines.append("")
    lines.append("cues that must not be confused (band spectrogram correlation, at most %.2f):" % MAX_SIMILARITY)
    for a, b in CONFUSABLE:
        if a in pack and b in pack:
            s = similarity(pack[a], pack[b])
            lines.append("  %-24s %-24s %.3f" % (a, b, s))
            if s > MAX_SIMILARITY:
                failures.append("%s and %s sound alike (similarity %.3f)" % (a, b, s))
    lines.append("lost lives and game overs against every sound of their game (under %.2f):" % APART_BELOW)
    for cue, other, s in apart_figures(pack):
        lines.append("  %-24s closest %-24s %.3f" % (cue, other, s))
        if s >= APART_BELOW:
            failures.append("%s sounds like %s (similarity %.3f)" % (cue, other, s))

    lines.append("")
    lines.append("each buzz at its farthest ring over the tractor's loudest moment, in the buzz's band (dB, at least %g):"
                 % BUZZ_OVER_TRACTOR)
    for name, mode, ring, hz, over in buzz_over_tractor(pack, vols):
        lines.append("  %-20s %-6s ring %d  %5g Hz %+6.1f" % (name, "mono" if mode == 1 else "stereo", ring, hz, over))
        if over < BUZZ_OVER_TRACTOR:
            failures.append("%s (%s), ring %d: only %+.1f dB over the tractor at %g Hz"
                            % (name, "mono" if mode == 1 else "stereo", ring, over, hz))
    return lines, failures


# Where each one-shot file plays: game, file, channel volume and its role.
# Speech keeps its band; rewards stand over the loops, warnings are loud but
# not the loudest sound of their game, the start cue no louder than speech.
SPEECH_BAND = (-26.0, -19.0)


def heard_table(vols):
    m, t, c, f, b, a, d = (vols[k] for k in ("menu", "tone", "column", "tin", "insect", "apple", "laser"))
    rows = []

    def add(game, role, names, vol, gain=1.0):
        rows.extend((game, name, vol, gain, role) for name in names.split())

    add("menu", "music", "menu/bgm", vols["music"])
    add("menu", "speech", "menu/end", m[0])
    add("menu", "cue", "menu/click", m[1])
    add("menu", "cue", "menu/menufor menu/hitmenu", m[0])
    add("menu", "speech", "menu/tnt menu/bnt menu/tnb menu/fna menu/bnb menu/lns menu/quit menu/startgame "
        "menu/lscore menu/hscore menu/back", m[2])
    for game, name, ch, kind, near, far in POSITIONAL:
        add(game, "loop", name, vols[game][ch], heard_gains(kind, 1, near)[0])
    add("tone", "start", "difflvl/start", t[0])
    add("tone", "cue", "lvl1/shot", t[1])
    add("tone", "reward", "lvl1/hit", t[2])
    add("tone", "cue", "lvl1/missed lvl1/totalmissed", t[2])
    add("tone", "speech", "lvl1/gameover", t[2])
    add("tone", "cue", "difflvl/lrwall difflvl/udwall", t[3])
    add("tone", "warning", "lvl1/countdown", t[4])
    add("tone", "speech", "lvl1/countdown0", t[4])
    add("column", "start", "difflvl/start", c[0])
    add("column", "cue", "lvl4/water", c[5], distance_gain(50))
    add("column", "cue", "difflvl/revolvershot", c[1])
    add("column", "reward", "lvl4/tinhit lvl4/tinhit2 lvl4/tinhit3", c[2])
    add("column", "warning", "lvl4/countdown1 lvl4/countdown2 lvl4/countdown3", c[4])
    add("column", "cue", "lvl4/shotup", c[4])
    add("column", "cue", "lvl4/barreldest", c[2])
    add("tin", "reward", "lvl5/tinhitair1 lvl5/tinhitair2 lvl5/tinhitair3", f[2])
    add("tin", "cue", "lvl5/nohit1 lvl5/nohit2", f[2])
    add("tin", "speech", "lvl5/hey", f[2])
    add("tin", "speech", "lvl5/nomoreammo", f[1])
    add("tin", "cue", "lvl5/tingameover", f[4])
    add("insect", "cue", "difflvl/bow", b[1])
    add("insect", "reward", "lvl2/applehitbuzzaway", b[2])
    add("insect", "cue", "lvl2/massbuzz lvl2/buzzaway lvl2/massbuzzaway", b[2])
    add("insect", "warning", "lvl2/tractor lvl2/tractorinsect", b[4])
    add("apple", "reward", "lvl3/applehitnewpos", a[2])
    add("apple", "speech", "lvl3/stammer lvl3/cringe lvl3/boyhit", a[2])
    add("apple", "speech", "lvl3/mthey1 lvl3/mthey2", a[4])
    add("laser", "cue", "lvl6/lasercanon", d[1])
    add("laser", "reward", "lvl6/exploen", d[2])
    add("laser", "cue", "lvl6/exploally", d[2])
    add("laser", "warning", "lvl6/ennothit", d[9])
    add("laser", "speech", "lvl6/shieldstatus lvl6/evacuation", d[4])
    add("laser", "cue", "lvl6/shipdestroyed", d[4])
    return rows


def heard_rows(pack, vols):
    return [(game, name, vol, gain, role, loudness(pack[name], vol / 128.0 * gain))
            for game, name, vol, gain, role in heard_table(vols) if name in pack]


def role_failures(heard, speech):
    """heard: (game, name, volume, gain, role, loudness) rows (mono, loops
    at their nearest ring); the bands above, relative to the speech."""
    bad = []
    for game in sorted({h[0] for h in heard}):
        rows = [h for h in heard if h[0] == game]
        loops = [h[5] for h in rows if h[4] == "loop"]
        top = max(h[5] for h in rows)
        for _, name, _, _, role, lu in rows:
            if role == "speech" and not SPEECH_BAND[0] <= lu <= SPEECH_BAND[1]:
                bad.append("%s: speech at %.1f LUFS, outside %g..%g" % ((name, lu) + SPEECH_BAND))
            if role == "music" and lu > speech - 10:
                bad.append("%s: music at %+.1f LU from the speech, over -10" % (name, lu - speech))
            if role == "start" and lu > speech + START_OVER_SPEECH:
                bad.append("%s (%s): start cue at %+.1f LU from the speech, over %+g"
                           % (name, game, lu - speech, START_OVER_SPEECH))
            if role == "reward" and loops and lu < max(loops) + REWARD_OVER_LOOPS:
                bad.append("%s: reward at %+.1f LU from the speech, not %g over the loudest loop (%+.1f)"
                           % (name, lu - speech, REWARD_OVER_LOOPS, max(loops) - speech))
            if role == "warning" and (lu >= top or (loops and lu < max(loops) + WARNING_OVER_LOOPS)):
                bad.append("%s: warning at %+.1f LU from the speech: the loudest of its game or under %g over "
                           "the loops (%+.1f)" % (name, lu - speech, WARNING_OVER_LOOPS, max(loops) - speech))
    return bad


def main():
    global TABLES
    argv = sys.argv[1:]
    if "--tables" in argv:
        i = argv.index("--tables")
        TABLES = game_tables(argv[i + 1])
        del argv[i:i + 2]
    args = [a for a in argv if not a.startswith("--")]
    report = "--report" in argv
    caches = [a[len("--cache="):] for a in argv if a.startswith("--cache=")]
    if len(args) != 1 or TABLES is None:
        sys.exit("usage: mixcheck.py DATA_DIR --tables TABLES_PROGRAM [--report] [--cache=FILE]")
    data = args[0]
    h = hashlib.sha256(open(__file__, "rb").read())
    h.update(json.dumps(TABLES, sort_keys=True).encode())
    h.update(json.dumps(game_volumes(), sort_keys=True).encode())
    h.update(open(RECIPE, "rb").read())
    for root, _, files in sorted(os.walk(data)):
        for f in sorted(files):
            if f.endswith(".ogg"):
                st = os.stat(os.path.join(root, f))
                h.update(("%s %d %d\n" % (os.path.join(root, f), st.st_size, st.st_mtime_ns)).encode())
    key = h.hexdigest()
    cache = caches[-1] if caches else None
    if cache and os.path.exists(cache):
        saved = json.load(open(cache))
        if saved.get("key") == key:
            lines, failures = saved["lines"], saved["failures"]
            print("mixcheck: unchanged since the last check")
            finish(lines, failures, report)
            return
    lines, failures = run(data)
    if cache:
        json.dump({"key": key, "lines": lines, "failures": failures}, open(cache, "w"))
    finish(lines, failures, report)


def finish(lines, failures, report):
    if report or failures:
        print("\n".join(lines))
    for f in failures:
        print("FAIL " + f)
    print("mixcheck: %s" % ("%d problems" % len(failures) if failures else "ok"))
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
