#!/usr/bin/python3
"""Compares the free voices for the game's own phrases inside the game's own
background, with a speech recogniser restricted to the game's phrases.

    /usr/bin/python3 sounds/voicecompare.py DATA_DIR [RATIO_DB ...]   (default 12 6 0)

Each spoken cue of the recipe is said by each voice, laid over the loop of
its game (menu: the music) at RATIO_DB of loudness over it, measured as the
mix check measures it, from three starting points in the loop, and given to
pocketsphinx, whose grammar holds only the game's phrases. A phrase counts
when it comes back word for word. The voice "pack" is DATA_DIR's own spoken
files, as the generator made them (their words must match the recipe).
VOICES="espeak:en-us flite:kal16 ..." picks the voices; RECIPE another
recipe (to measure an older pack with its own words). A one-off measuring
tool (a few minutes), not a test; its figures are noted in recipe.txt.
Needs espeak-ng, festival with festvox-kallpc16k, festvox-kdlpc16k and
festvox-us-slt-hts, flite, pocketsphinx and pocketsphinx-en-us, sox, numpy.
"""
import os
import re
import subprocess
import sys
import tempfile

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import mixcheck  # noqa: E402

MODEL = "/usr/share/pocketsphinx/model/en-us"
DICT = MODEL + "/cmudict-en-us.dict"
VOICES = ("espeak:en-us espeak:en-gb espeak:en-us+f3 festival:kal_diphone festival:ked_diphone "
          "festival:cmu_us_slt_arctic_hts flite:kal16 flite:slt flite:awb flite:rms")
BEDS = {"menu": ["menu/bgm"], "lvl1": ["lvl1/normal5"], "lvl5": ["lvl5/wind"],
        "lvl3": ["lvl3/breath", "lvl3/mumble"], "lvl6": ["lvl6/shipen", "lvl6/shipally"]}
STARTS = (0.0, 0.37, 0.81)  # of the bed's length


def words_of(text):
    return " ".join(re.sub(r"[^a-z' ]", " ", text.lower()).split())


def phrases():
    rows = []
    for line in open(os.environ.get("RECIPE", os.path.join(mixcheck.HERE, "recipe.txt"))):
        f = [x.strip() for x in line.split("|")]
        if len(f) >= 4 and not line.lstrip().startswith("#") and f[1] == "speech" and f[2] == "once":
            rows.append((f[0][:-4], words_of(f[3])))
    return rows


def speak(voice, text, name, data, out):
    engine, _, v = voice.partition(":")
    if engine == "pack":
        cmd = ["sox", os.path.join(data, name + ".ogg"), out]
    elif engine == "espeak":
        cmd = ["espeak-ng", "-v", v, "-w", out, "--", text]
    elif engine == "festival":
        cmd = ["text2wave", "-eval", "(voice_%s)" % v, "-o", out]
    else:
        cmd = ["flite", "-voice", v, "-t", text, "-o", out]
    subprocess.run(cmd, input=text.encode() if engine == "festival" else None, check=True,
                   capture_output=True)


def load(path):
    """Mono 44.1 kHz samples (16-bit scale), silence at the ends cut."""
    out = subprocess.run(["sox", "-V1", path, "-t", "raw", "-e", "signed-integer", "-b", "16", "-c", "1",
                          "-r", str(mixcheck.RATE), "-", "silence", "1", "0.01", "-45d", "reverse",
                          "silence", "1", "0.01", "-45d", "reverse"], check=True, capture_output=True).stdout
    return np.frombuffer(out, dtype="<i2").astype(np.float64)


def write16k(x, path):
    raw = np.clip(x, -32768, 32767).astype("<i2").tobytes()
    subprocess.run(["sox", "-V1", "-t", "raw", "-e", "signed-integer", "-b", "16", "-c", "1",
                    "-r", str(mixcheck.RATE), "-", "-r", "16000", "-b", "16", path],
                   input=raw, check=True)


def main():
    args = sys.argv[1:]
    if not args:
        sys.exit("usage: voicecompare.py DATA_DIR [RATIO_DB ...]")
    data, ratios = args[0], [float(r) for r in args[1:]] or [12.0, 6.0, 0.0]
    voices = os.environ.get("VOICES", VOICES).split()
    known = {line.split(" ", 1)[0] for line in open(DICT)}
    rows = []
    for name, words in phrases():
        if all(w in known for w in words.split()):
            rows.append((name, words))
        else:
            print("skipped (words unknown to the recogniser): " + words)
    ten = 10 * mixcheck.RATE  # loops of different lengths, tiled over 10 s

    def tiled(n):
        x = mixcheck.decode(os.path.join(data, n + ".ogg"))
        return np.resize(x, ten)

    beds = {k: sum(tiled(n) for n in v) for k, v in BEDS.items()}
    work = tempfile.mkdtemp(prefix="tirauris-voices.")
    with open(os.path.join(work, "game.gram"), "w") as g:
        g.write("#JSGF V1.0;\ngrammar game;\npublic <phrase> = ( %s );\n"
                % " | ".join(sorted({w for _, w in rows})))
    pad = np.zeros(int(0.4 * mixcheck.RATE))
    ctl, truth = [], {}
    for vi, voice in enumerate(voices):
        for pi, (name, words) in enumerate(rows):
            speak(voice, words, name, data, os.path.join(work, "raw.wav"))
            s = np.concatenate([pad, load(os.path.join(work, "raw.wav")), pad])
            bed = beds[name.split("/")[0]]
            lu_s = mixcheck.loudness(s)
            for ri, ratio in enumerate(ratios):
                for si, start in enumerate(STARTS):
                    idx = (np.arange(len(s)) + int(start * len(bed))) % len(bed)
                    b = bed[idx]
                    b = b * 10 ** ((lu_s - ratio - mixcheck.loudness(b)) / 20)
                    m = s + b
                    m *= 0.7 * 32767 / max(np.abs(m).max(), 1)
                    utt = "v%d_p%d_r%d_s%d" % (vi, pi, ri, si)
                    write16k(m, os.path.join(work, utt + ".wav"))
                    ctl.append(utt)
                    truth[utt] = (voice, ratio, words)
    with open(os.path.join(work, "ctl"), "w") as f:
        f.write("\n".join(ctl) + "\n")
    subprocess.run(["pocketsphinx_batch", "-adcin", "yes", "-adchdr", "44", "-cepdir", work, "-cepext", ".wav",
                    "-ctl", os.path.join(work, "ctl"), "-hmm", MODEL + "/en-us", "-dict", DICT,
                    "-jsgf", os.path.join(work, "game.gram"), "-hyp", os.path.join(work, "hyp"),
                    "-logfn", "/dev/null"], check=True, capture_output=True)
    heard = {}
    for line in open(os.path.join(work, "hyp")):
        m = re.match(r"(.*?)\s*\((\S+)", line.strip())
        if m:
            heard[m.group(2)] = words_of(m.group(1))
    score, misses = {}, {}
    for utt, (voice, ratio, words) in truth.items():
        ok = heard.get(utt, "") == words
        score[(voice, ratio)] = score.get((voice, ratio), 0) + ok
        if not ok:
            got = misses.setdefault(voice, {}).setdefault(words, [])
            got.append(heard.get(utt, "") or "nothing")
    n = len(rows) * len(STARTS)
    print("%-32s %s  total   (phrases right of %d, per speech-over-game ratio)"
          % ("voice", "  ".join("%4g dB" % r for r in ratios), n))
    for voice in voices:
        per = [score.get((voice, r), 0) for r in ratios]
        print("%-32s %s  %4d" % (voice, "  ".join("%7d" % p for p in per), sum(per)))
    for voice in voices:
        worst = sorted(misses.get(voice, {}).items(), key=lambda kv: -len(kv[1]))[:4]
        print("  %-30s most missed: %s" % (voice, "; ".join(
            "%s (%d, as %s)" % (w, len(got), max(set(got), key=got.count)) for w, got in worst)))
    subprocess.run(["rm", "-rf", work])


if __name__ == "__main__":
    main()
