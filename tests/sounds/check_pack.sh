#!/usr/bin/env bash
# Checks a Tirauris sound pack:
#   bash tests/sounds/check_pack.sh DATA_DIR [TABLES_PROGRAM]
# TABLES_PROGRAM prints the games' tables as JSON (the build's tirauris_tables):
# the files the games open and loop are then taken from the game itself.
#
# Every file the game opens must be there as Ogg Vorbis at 44100 Hz, short
# enough for the waits that cut it off or wait for it, audible (or, for the
# ring-0 tone, silent), with ring tones that rise, buzzes that speed up and
# ship engines that differ. How the sounds are heard together, and how the
# loops start and wrap, is sounds/mixcheck.py's.
# Needs sox and soxi with Ogg Vorbis support (Debian package sox).
set -uo pipefail

dir=${1:?usage: check_pack.sh DATA_DIR [TABLES_PROGRAM]}
tables=${2:-}
[[ -d $dir ]] || { echo "check_pack: no folder $dir"; exit 2; }
if ! command -v sox > /dev/null || ! command -v soxi > /dev/null; then
    echo "check_pack: sox and soxi are needed (Debian package sox)"; exit 2
fi

passed=0 failed=0
problems=()
problem() { problems+=("$*"); }
# Closes one group of checks: it passes only when no problem was noted.
verdict() {
    if (( ${#problems[@]} == 0 )); then
        passed=$((passed + 1)); printf 'ok   %s\n' "$1"
    else
        failed=$((failed + 1)); printf 'FAIL %s\n' "$1"
        printf '       %s\n' "${problems[@]}"
    fi
    problems=()
}

# The files the game opens, with the longest each may last (ms) where a wait
# or the next sound cuts it; 0 means no such wait: then 10 s, for a sensible cue.
declare -A limit=(
    [menu/hitmenu]=500 [menu/click]=200 [menu/end]=1300 [menu/menufor]=500
    [menu/menuback]=500 [menu/tnt]=1500 [menu/fna]=1500 [menu/bnb]=1500
    [menu/quit]=1500 [menu/startgame]=1500 [menu/lscore]=1500
    [menu/hscore]=1500 [menu/back]=1500 [menu/bnt]=1500 [menu/tnb]=1500
    [menu/lns]=1500 [menu/bgm]=30000
    [difflvl/start]=500 [difflvl/lrwall]=500 [difflvl/udwall]=500
    [difflvl/revolvershot]=1000 [difflvl/bow]=1000
    [lvl1/hit]=1000 [lvl1/missed]=1000 [lvl1/totalmissed]=1000
    [lvl1/gameover]=2000 [lvl1/shot]=1000 [lvl1/countdown]=1000
    [lvl1/countdown0]=1500 [lvl1/silence]=0
    [lvl1/normal1]=0 [lvl1/normal2]=0 [lvl1/normal3]=0 [lvl1/normal4]=0
    [lvl1/normal5]=0 [lvl1/normal6]=0 [lvl1/normal7]=0 [lvl1/normal8]=0
    [lvl1/normal9]=0 [lvl1/normal10]=0
    [lvl4/fizz]=0 [lvl4/tinhit]=1300 [lvl4/water]=0 [lvl4/shotup]=2000
    [lvl4/tinhit2]=1300 [lvl4/tinhit3]=1300 [lvl4/countdown1]=1000
    [lvl4/countdown2]=1000 [lvl4/countdown3]=1000 [lvl4/barreldest]=3000
    [lvl5/wind]=0 [lvl5/wind1]=0 [lvl5/tinhitair1]=2400 [lvl5/tinhitair2]=2400
    [lvl5/tinhitair3]=2400 [lvl5/nohit1]=1000 [lvl5/nohit2]=1000
    [lvl5/hey]=2600 [lvl5/tingameover]=3000 [lvl5/nomoreammo]=1000
    [lvl2/applehitbuzzaway]=2000 [lvl2/massbuzz]=1000 [lvl2/buzzaway]=2000
    [lvl2/massbuzzaway]=4000 [lvl2/tractor]=8000 [lvl2/tractorinsect]=2000
    [lvl2/tractoraway]=0 [lvl2/buzzveryfast]=0 [lvl2/buzzfast]=0
    [lvl2/buzz]=0 [lvl2/buzzslow]=0
    [lvl3/applehitnewpos]=2000 [lvl3/stammer]=1000 [lvl3/cringe]=4000
    [lvl3/runninghome]=3200 [lvl3/boyhit]=2500 [lvl3/mthey1]=0
    [lvl3/mthey2]=1000 [lvl3/breath]=0 [lvl3/mumble]=0 [lvl3/heart]=0
    [lvl6/shipen]=0 [lvl6/shipally]=0 [lvl6/lasercanon]=1000
    [lvl6/exploen]=1000 [lvl6/exploally]=1000 [lvl6/shipdestroyed]=4500
    [lvl6/ennothit]=1200 [lvl6/shieldstatus]=5000 [lvl6/evacuation]=5000
)
# Played endlessly by the game (its tables say so too, when given).
loops=(lvl1/silence lvl1/normal{1..10} lvl4/fizz lvl5/wind lvl5/wind1
       lvl2/buzzslow lvl2/buzz lvl2/buzzfast lvl2/buzzveryfast
       lvl3/breath lvl3/mumble lvl3/heart lvl6/shipen lvl6/shipally)

# The games' own word on what they open and loop, when their tables are given.
if [[ -n $tables ]]; then
    if ! rows=$("$tables" | python3 -c 'import json, sys
for g in json.load(sys.stdin)["games"]:
    for s in g["sounds"]:
        print(s["path"][len("data/"):-len(".ogg")], s["loops"])' 2> /dev/null); then
        echo "check_pack: $tables printed no tables"; exit 2
    fi
    loops=()
    while read -r f n; do
        [[ -n ${limit[$f]:-} ]] || problem "a game opens $f.ogg, which this check does not know"
        [[ $n == -1 ]] && loops+=("$f")
    done <<< "$rows"
    verdict "every file the games' tables name is known to this check"
fi

# --- presence and format -------------------------------------------------
present=()
for f in "${!limit[@]}"; do
    if [[ -f $dir/$f.ogg ]]; then present+=("$f"); else problem "missing $f.ogg"; fi
done
verdict "all ${#limit[@]} sound files are present"

# File facts from soxi, which takes all files at once (asked file by file
# when one of them is unreadable, so that each answer stays with its file).
declare -A type rate chans ms stats
files=()
for f in "${present[@]}"; do files+=("$dir/$f.ogg"); done
facts() {  # facts SOXI-OPTION
    local -a out
    mapfile -t out < <(soxi "$1" "${files[@]}" 2> /dev/null)
    if (( ${#out[@]} != ${#files[@]} )); then
        out=()
        for f in "${files[@]}"; do out+=("$(soxi "$1" "$f" 2> /dev/null || echo '?')"); done
    fi
    printf '%s\n' "${out[@]}"
}
if (( ${#present[@]} > 0 )); then
    mapfile -t all_types < <(facts -t); mapfile -t all_rates < <(facts -r)
    mapfile -t all_chans < <(facts -c); mapfile -t all_secs < <(facts -D)
    for i in "${!present[@]}"; do
        f=${present[i]}
        type[$f]=${all_types[i]} rate[$f]=${all_rates[i]} chans[$f]=${all_chans[i]}
        [[ ${all_secs[i]} == "?" ]] ||
            ms[$f]=$(awk -v s="${all_secs[i]}" 'BEGIN { printf "%d", s * 1000 + 0.5 }')
    done
fi
# From here on only the readable files are examined; ms[] holds their lengths.
readable=()
for f in "${present[@]}"; do [[ -n ${ms[$f]:-} ]] && readable+=("$f"); done
for f in "${present[@]}"; do
    [[ ${type[$f]} == "?" ]] && { problem "$f.ogg: not readable as a sound file"; continue; }
    [[ ${type[$f]} == vorbis ]] || problem "$f.ogg: is ${type[$f]}, not Ogg Vorbis"
    [[ ${rate[$f]} == 44100 ]] || problem "$f.ogg: sample rate ${rate[$f]}, not 44100"
    [[ ${chans[$f]} == 1 || ${chans[$f]} == 2 ]] || problem "$f.ogg: ${chans[$f]} channels"
done
verdict "every file is Ogg Vorbis at 44100 Hz, mono or stereo"

for f in "${readable[@]}"; do stats[$f]=$(sox "$dir/$f.ogg" -n stat 2>&1); done
stat_of() {  # stat_of FILE NAME -> one value of sox's stat for the file
    awk -v k="$2" 'index($0, k) == 1 { print $NF; exit }' <<< "${stats[$1]:-}"
}

# --- lengths -------------------------------------------------------------
for f in "${readable[@]}"; do
    m=${ms[$f]}; max=${limit[$f]}
    (( max > 0 )) || max=10000
    if (( m < 20 )); then problem "$f.ogg: only $m ms long"
    elif (( m >= max )); then problem "$f.ogg: $m ms, must be under $max ms"
    fi
done
verdict "lengths fit the game's waits (farewell < 1300 ms, start cue < 500 ms, ...)"

for f in "${loops[@]}"; do
    [[ -n ${ms[$f]:-} ]] || continue
    (( ${ms[$f]} >= 250 )) || problem "$f.ogg: a loop of only ${ms[$f]} ms"
done
[[ -n ${ms[menu/bgm]:-} ]] && (( ${ms[menu/bgm]} < 4000 )) && problem "menu/bgm.ogg: music of only ${ms[menu/bgm]} ms"
[[ -n ${ms[lvl4/water]:-} ]] && (( ${ms[lvl4/water]} < 2000 )) &&
    problem "lvl4/water.ogg: ${ms[lvl4/water]} ms; it must still run at the second miss"
verdict "loops, music and the water last long enough to be heard as such"

# --- levels --------------------------------------------------------------
# How loud each sound is heard is the mix check's (sounds/mixcheck.py);
# silence is what this looks for.
for f in "${readable[@]}"; do
    [[ $f == lvl1/silence ]] && continue
    peak=$(stat_of "$f" "Maximum amplitude")
    awk -v p="$peak" 'BEGIN { exit !(p >= 0.01) }' || problem "$f.ogg: peak $peak, nearly silent"
done
verdict "every sound but the ring-0 tone is audible"

if [[ -n ${ms[lvl1/silence]:-} ]]; then
    lo=$(stat_of lvl1/silence "Minimum amplitude"); hi=$(stat_of lvl1/silence "Maximum amplitude")
    awk -v a="$lo" -v b="$hi" 'BEGIN { exit !(a != "" && b != "" && a >= -0.0002 && b <= 0.0002) }' ||
        problem "lvl1/silence.ogg: samples reach $lo .. $hi, not silent"
else
    problem "lvl1/silence.ogg missing or unreadable"
fi
verdict "the ring-0 tone is silent"

bgm_rms=$([[ -n ${ms[menu/bgm]:-} ]] && stat_of menu/bgm "RMS     amplitude")
speech_rms=$([[ -n ${ms[menu/tnt]:-} ]] && stat_of menu/tnt "RMS     amplitude")
if [[ -n $bgm_rms && -n $speech_rms ]]; then
    awk -v m="$bgm_rms" -v s="$speech_rms" 'BEGIN { exit !(m <= s) }' ||
        problem "menu/bgm.ogg: RMS $bgm_rms is louder than the announcement's $speech_rms"
fi
verdict "the menu music is no louder than the announcements"

# --- character of the cues -----------------------------------------------
prev=0
for n in {1..10}; do
    f=lvl1/normal$n
    [[ -n ${ms[$f]:-} ]] || { problem "$f.ogg missing or unreadable"; continue; }
    hz=$(stat_of "$f" "Rough   frequency")
    awk -v a="$prev" -v b="$hz" 'BEGIN { exit !(b >= a * 1.05) }' ||
        problem "$f.ogg: about $hz Hz, not clearly above ring $((n - 1))'s $prev Hz"
    prev=$hz
done
verdict "the ten ring tones rise in pitch from normal1 to normal10"

# Modulation rate of a sound: its level over 20 ms every 10 ms (so that a
# buzz's own pitch does not ripple through), counted in rises through the
# mean level (with a little hysteresis) per second.
pulse_rate() {
    sox "$dir/$1.ogg" -t dat - remix - 2> /dev/null | awk '
        NR > 2 { s += ($2 < 0 ? -$2 : $2); if (++k == 441) { b[nb++] = s / k; s = 0; k = 0 } }
        END {
            for (i = 0; i + 1 < nb; i++) e[n++] = (b[i] + b[i + 1]) / 2
            for (i = 0; i < n; i++) m += e[i]; m /= n
            up = 0; c = 0
            for (i = 0; i < n; i++) {
                if (!up && e[i] > m * 1.1) { up = 1; c++ }
                else if (up && e[i] < m * 0.9) up = 0
            }
            printf "%.1f\n", c / (n * 0.01) }'
}
prev=0 prevf=
for f in lvl2/buzzslow lvl2/buzz lvl2/buzzfast lvl2/buzzveryfast; do
    [[ -n ${ms[$f]:-} ]] || { problem "$f.ogg missing or unreadable"; continue; }
    r=$(pulse_rate "$f")
    awk -v a="$prev" -v b="$r" 'BEGIN { exit !(b >= a * 1.5 && b >= 1) }' ||
        problem "$f.ogg: pulses $r times a second, not clearly faster than ${prevf:-nothing} ($prev)"
    prev=$r prevf=$f
done
verdict "the four buzzes pulse faster from buzzslow to buzzveryfast"

if [[ -n ${ms[lvl6/shipen]:-} && -n ${ms[lvl6/shipally]:-} ]]; then
    a=$(stat_of lvl6/shipen "Rough   frequency"); b=$(stat_of lvl6/shipally "Rough   frequency")
    awk -v a="$a" -v b="$b" 'BEGIN { r = a > b ? a / b : b / a; exit !(r >= 2) }' ||
        problem "enemy ($a Hz) and allied ($b Hz) engines are too alike"
else
    problem "lvl6/shipen.ogg or lvl6/shipally.ogg missing or unreadable"
fi
if [[ -n ${ms[lvl5/wind]:-} && -n ${ms[lvl5/wind1]:-} ]]; then
    a=$(stat_of lvl5/wind "Rough   frequency"); b=$(stat_of lvl5/wind1 "Rough   frequency")
    awk -v a="$a" -v b="$b" 'BEGIN { r = a > b ? a / b : b / a; exit !(r >= 1.5) }' ||
        problem "far wind ($a Hz) and near wind ($b Hz) are too alike"
else
    problem "lvl5/wind.ogg or lvl5/wind1.ogg missing or unreadable"
fi
verdict "enemy and allied engines, far and near winds sound clearly different"

# --- loop wraps ---------------------------------------------------------
# Loops start with a fade-in and wrap without a step: sounds/mixcheck.py
# measures that, with the pack already decoded.

if [[ -n ${ms[menu/bgm]:-} ]]; then
    ends=$(sox "$dir/menu/bgm.ogg" -t dat - remix - 2> /dev/null | awk '
        NR > 2 { x[n++] = $2 } END { a = x[0] < 0 ? -x[0] : x[0]; b = x[n-1] < 0 ? -x[n-1] : x[n-1]; print (a > b ? a : b) }')
    awk -v e="$ends" 'BEGIN { exit !(e <= 0.01) }' || problem "menu/bgm.ogg: starts or ends at level $ends, restarting it clicks"
else
    problem "menu/bgm.ogg missing or unreadable"
fi
verdict "the menu music starts and ends quietly, so restarting it is clean"

# --- size ----------------------------------------------------------------
total=0
for f in "${present[@]}"; do total=$((total + $(stat -c %s "$dir/$f.ogg"))); done
(( total <= 4 * 1024 * 1024 )) || problem "the pack is $total bytes, over 4 MiB"
verdict "the whole pack is under 4 MiB ($((total / 1024)) KiB)"

echo "check_pack: $passed passed, $failed failed"
(( failed == 0 ))
