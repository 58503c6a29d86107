#!/usr/bin/env bash
# Builds the Tirauris sound pack: every Ogg Vorbis file the game opens, from
# the lines of sounds/recipe.txt (the format is described at the top of that
# file). Speech comes from espeak-ng, everything else from sox; oggenc encodes.
#
#   bash sounds/generate.sh [OUTDIR]      (OUTDIR defaults to ./data)
#
# A file is rebuilt only when its recipe line, this script or the version of
# a tool has changed since it was made: OUTDIR/.stamps/<path>.sha holds a hash
# of them. The output is the
# same, byte for byte, on every run: sox runs with its repeatable random seed
# (-R) and without dither (-D), and oggenc gets a fixed quality and a stream
# serial number derived from the file's path.
#
# Environment: JOBS (parallel builds, default: the number of cores),
# RECIPE (another recipe file, default: recipe.txt beside this script).
set -euo pipefail

self=$(readlink -f "${BASH_SOURCE[0]}")
here=$(dirname "$self")
rate=44100
# Vorbis quality: loops are encoded near-transparently, because the coding
# noise of the file's last samples and that of its first samples differ, and
# at lower settings that difference is heard as a tick on every wrap.
quality_once=5
quality_loop=10
# Fade at both ends of every loop, in seconds.
edge=0.005

die() { printf 'generate.sh: %s\n' "$*" >&2; exit 1; }

# trim_to VAR STRING: VAR = STRING without leading and trailing blanks.
trim_to() {
    local t=$2
    t=${t#"${t%%[![:space:]]*}"}
    t=${t%"${t##*[![:space:]]}"}
    printf -v "$1" '%s' "$t"
}

# samples_of SECONDS: prints the number of samples in SECONDS (a decimal
# number with at most six decimals); fails unless it is a whole number.
samples_of() {
    [[ $1 =~ ^([0-9]*)(\.([0-9]{1,6}))?$ && -n $1 && $1 != . ]] || return 1
    local whole=${BASH_REMATCH[1]:-0} frac=${BASH_REMATCH[3]:-}
    frac=${frac}000000
    local micro=$(( 10#$whole * 1000000 + 10#${frac:0:6} ))
    (( micro > 0 && micro * rate % 1000000 == 0 )) || return 1
    printf '%d\n' $(( micro * rate / 1000000 ))
}

# untyped_synth WORDS: fails when a sox 'synth' among WORDS names no sound type
# after its options and length (sox would then make a sine at 440 Hz).
untyped_synth() {
    local -a t
    local i j
    read -ra t <<< "$1"
    for (( i = 0; i < ${#t[@]}; i++ )); do
        [[ ${t[i]} == synth ]] || continue
        j=$((i + 1))
        while [[ ${t[j]:-} == -j || ${t[j]:-} == -n ]]; do
            [[ ${t[j]} == -j ]] && j=$((j + 1))
            j=$((j + 1))
        done
        [[ ${t[j]:-} =~ ^[0-9.:]+[st]?$ ]] && j=$((j + 1))
        [[ ${t[j]:-} =~ ^(sine|square|triangle|sawtooth|trapezium|trapetz|exp|whitenoise|noise|tpdfnoise|pinknoise|brownnoise|pluck)$ ]] || return 1
    done
    return 0
}

# ---------------------------------------------------------------------------
# Parsing one recipe line into globals: path kind play sound and opt[...]
declare -A opt
path="" kind="" play="" sound="" perr=""
parse_line() {
    local line=$1 f i key val
    local -a fields
    IFS='|' read -ra fields <<< "$line"
    (( ${#fields[@]} >= 4 )) || { perr="needs at least four fields: PATH | KIND | PLAY | SOUND"; return 1; }
    trim_to path "${fields[0]}"
    trim_to kind "${fields[1]}"
    trim_to play "${fields[2]}"
    trim_to sound "${fields[3]}"
    opt=()
    for (( i = 4; i < ${#fields[@]}; i++ )); do
        trim_to f "${fields[i]}"
        [[ $f == *:* ]] || { perr="option '$f' is not 'name: value'"; return 1; }
        trim_to key "${f%%:*}"
        trim_to val "${f#*:}"
        case $key in
            voice|speed|pitch|fx|peak|length|wrap) opt[$key]=$val ;;
            *) perr="unknown option '$key'"; return 1 ;;
        esac
    done
    [[ $path =~ ^[a-z0-9]+/[a-z0-9]+\.ogg$ ]] || { perr="bad path '$path' (want folder/name.ogg)"; return 1; }
    [[ $kind == speech || $kind == synth ]] || { perr="$path: kind must be speech or synth, not '$kind'"; return 1; }
    [[ $play == once || $play == loop ]] || { perr="$path: play must be once or loop, not '$play'"; return 1; }
    [[ -n $sound ]] || { perr="$path: empty sound"; return 1; }
    if [[ $kind == synth ]]; then
        untyped_synth "$sound ${opt[fx]:-}" || { perr="$path: 'synth' without a sound type makes a 440 Hz tone; write a gap as 'trim 0 SECONDS'"; return 1; }
    fi
    if [[ $play == loop ]]; then
        [[ -n ${opt[length]:-} && -n ${opt[wrap]:-} ]] || { perr="$path: a loop needs 'length:' and 'wrap:'"; return 1; }
        [[ -n $(samples_of "${opt[length]}") ]] || { perr="$path: length ${opt[length]} s is not a whole number of samples at $rate Hz"; return 1; }
        [[ ${opt[wrap]} == cycle || ${opt[wrap]} =~ ^xfade\ +[0-9.]+$ ]] || { perr="$path: wrap must be 'cycle' or 'xfade SECONDS'"; return 1; }
    else
        [[ -z ${opt[length]:-} && -z ${opt[wrap]:-} ]] || { perr="$path: 'length:' and 'wrap:' are for loops only"; return 1; }
    fi
    return 0
}

# ---------------------------------------------------------------------------
# Rendering (runs in a worker; all intermediate files are 32-bit float WAV).
SOX=(sox -V1 -R)
F32=(-e floating-point -b 32)

nsamples() { soxi -s "$1"; }

# One sox chain on the null input, mixed down to mono.
render_chain() {
    local out=$1 chain=$2
    local -a args
    read -ra args <<< "$chain"
    "${SOX[@]}" -r "$rate" -n "${F32[@]}" "$out" "${args[@]}" remix -
}

# SOUND of a synth line: segments joined by ' then ' follow one another;
# chains joined by ' with ' within a segment sound together (summed).
render_synth() {
    local out=$1 work=$2 s seg chain n=0 m
    local -a segs chains segfiles mixargs
    s=${sound// then /$'\x1f'}
    IFS=$'\x1f' read -ra segs <<< "$s"
    for seg in "${segs[@]}"; do
        s=${seg// with /$'\x1f'}
        IFS=$'\x1f' read -ra chains <<< "$s"
        mixargs=()
        m=0
        for chain in "${chains[@]}"; do
            trim_to chain "$chain"
            [[ -n $chain ]] || { echo "empty chain in '$seg'"; return 1; }
            render_chain "$work/c$n.$m.wav" "$chain"
            mixargs+=(-v 1 "$work/c$n.$m.wav")
            m=$((m + 1))
        done
        if (( m == 1 )); then
            mv "$work/c$n.0.wav" "$work/s$n.wav"
        else
            "${SOX[@]}" -m "${mixargs[@]}" "${F32[@]}" "$work/s$n.wav"
        fi
        segfiles+=("$work/s$n.wav")
        n=$((n + 1))
    done
    if (( n == 1 )); then
        mv "${segfiles[0]}" "$out"
    else
        "${SOX[@]}" "${segfiles[@]}" "${F32[@]}" "$out"
    fi
}

# SOUND of a speech line: the words, spoken by espeak-ng, resampled, with the
# silence espeak puts around them cut away and 3/10 ms edges against clicks.
# A compressor evens out the syllables, so that speech carries its loudness at
# a lower peak and stands over the game without overloading the mix.
render_speech() {
    local out=$1 work=$2
    espeak-ng -v "${opt[voice]:-en-us}" -s "${opt[speed]:-160}" -p "${opt[pitch]:-50}" \
        -w "$work/espeak.wav" -- "$sound"
    "${SOX[@]}" "$work/espeak.wav" "${F32[@]}" "$work/spoken.wav" rate -v "$rate" \
        silence 1 0.005 -45d reverse silence 1 0.005 -45d reverse
    "${SOX[@]}" "$work/spoken.wav" "${F32[@]}" "$out" \
        compand 0.003,0.1 -80,-80,-45,-20,-25,-12,0,-6 fade q 0.003 -0 0.01
}

# Loop wrap. cycle: the sound is periodic in LENGTH, so the last LENGTH seconds
# are kept (dropping the settling of any filter at the start). xfade X: the
# last LENGTH+X seconds are taken and their final X seconds are blended over
# their first X (equal-power), so the end runs on into the start.
wrap_loop() {
    local in=$1 out=$2 work=$3 total n x
    total=$(nsamples "$in")
    n=$(samples_of "${opt[length]}")
    if [[ ${opt[wrap]} == cycle ]]; then
        (( total >= n )) || { echo "sound is $total samples, shorter than the loop length $n"; return 1; }
        "${SOX[@]}" "$in" "${F32[@]}" "$out" trim "$((total - n))s" "${n}s"
    else
        x=$(samples_of "${opt[wrap]#xfade }") || { echo "cross-fade is not a whole number of samples"; return 1; }
        (( x < n )) || { echo "cross-fade must be shorter than the loop"; return 1; }
        (( total >= n + x )) || { echo "sound is $total samples, shorter than loop plus cross-fade ($((n + x)))"; return 1; }
        local start=$((total - n - x))
        "${SOX[@]}" "$in" "${F32[@]}" "$work/head.wav" trim "${start}s" "${n}s" fade q "${x}s" -0 0
        "${SOX[@]}" "$in" "${F32[@]}" "$work/tail.wav" trim "$((start + n))s" "${x}s" \
            fade q 0 "${x}s" "${x}s" pad 0 "$((n - x))s"
        "${SOX[@]}" -m -v 1 "$work/head.wav" -v 1 "$work/tail.wav" "${F32[@]}" "$work/joined.wav"
        mv "$work/joined.wav" "$out"
    fi
    edge_loop "$out" "$work"
}

# The game restarts a loop whenever its ring changes, so every loop starts
# with a fade-in. Turning the seamless loop to begin at its quietest 10 ms
# and fading both of its ends there keeps the wrap free of a step, and the
# short dip falls where the sound is quietest anyway.
edge_loop() {
    local file=$1 work=$2 k=$((rate / 100)) at
    at=$("${SOX[@]}" "$file" -t dat - | awk -v k="$k" '
        NR > 2 { e[n++] = $2 * $2 }
        END {
            for (j = 0; j < k && j < n; j++) s += e[j]
            best = s; at = 0
            for (j = k; j < n; j++) { s += e[j] - e[j - k]; if (s < best) { best = s; at = j - k + 1 } }
            print at + int(k / 2) }')
    if (( at > 0 )); then
        "${SOX[@]}" "$file" "${F32[@]}" "$work/late.wav" trim "${at}s"
        "${SOX[@]}" "$file" "${F32[@]}" "$work/early.wav" trim 0 "${at}s"
        "${SOX[@]}" "$work/late.wav" "$work/early.wav" "${F32[@]}" "$work/turned.wav"
    else
        cp "$file" "$work/turned.wav"
    fi
    "${SOX[@]}" "$work/turned.wav" "${F32[@]}" "$file" fade h "$edge" -0 "$edge"
}

build_one() {
    local outdir=$1 line=$2 work rc=0 serial stampfile key
    parse_line "$line" || { printf 'generate.sh: %s\n' "$perr" >&2; return 1; }
    key=$3
    work=$(mktemp -d "${TMPDIR:-/tmp}/tirauris-snd.XXXXXX")
    trap 'rm -rf "$work"' RETURN
    set +e
    (
        set -e
        if [[ $kind == speech ]]; then
            render_speech "$work/raw.wav" "$work"
        else
            render_synth "$work/raw.wav" "$work"
        fi
        if [[ -n ${opt[fx]:-} ]]; then
            local -a fx
            read -ra fx <<< "${opt[fx]}"
            "${SOX[@]}" "$work/raw.wav" "${F32[@]}" "$work/fx.wav" "${fx[@]}"
            mv "$work/fx.wav" "$work/raw.wav"
        fi
        if [[ $play == loop ]]; then
            wrap_loop "$work/raw.wav" "$work/loop.wav" "$work"
            mv "$work/loop.wav" "$work/raw.wav"
        fi
        local peak=${opt[peak]:--1}
        local -a level=(norm "$peak")
        [[ $peak == none ]] && level=()
        "${SOX[@]}" -D "$work/raw.wav" -e signed-integer -b 16 "$work/final.wav" "${level[@]}"
        serial=$((16#$(printf '%s' "$path" | sha256sum | cut -c1-7)))
        local quality=$quality_once
        [[ $play == loop ]] && quality=$quality_loop
        oggenc -Q -q "$quality" -s "$serial" -o "$work/out.ogg" "$work/final.wav"
    ) > "$work/log" 2>&1
    rc=$?
    set -e
    if (( rc != 0 )); then
        printf 'generate.sh: %s failed:\n' "$path" >&2
        sed 's/^/    /' "$work/log" >&2
        return 1
    fi
    mkdir -p "$outdir/$(dirname "$path")" "$outdir/.stamps/$(dirname "$path")"
    stampfile="$outdir/.stamps/$path.sha"
    rm -f "$stampfile"
    mv "$work/out.ogg" "$outdir/$path"
    printf '%s\n' "$key" > "$stampfile"
}

# ---------------------------------------------------------------------------
if [[ ${1:-} == --build-one ]]; then
    # Worker entry: --build-one OUTDIR KEY LINE
    build_one "$2" "$4" "$3"
    exit $?
fi

(( $# <= 1 )) || die "usage: generate.sh [OUTDIR]"
outdir=${1:-data}
recipe=${RECIPE:-$here/recipe.txt}
[[ -r $recipe ]] || die "cannot read the recipe $recipe"

missing=()
for tool in espeak-ng:espeak-ng sox:sox soxi:sox oggenc:vorbis-tools sha256sum:coreutils xargs:findutils; do
    command -v "${tool%%:*}" > /dev/null || missing+=("${tool%%:*} (Debian package ${tool#*:})")
done
(( ${#missing[@]} == 0 )) || die "missing tools: ${missing[*]}"

jobs=${JOBS:-$(nproc 2> /dev/null || echo 2)}
genhash=$( { cat "$self"; sox --version; espeak-ng --version; oggenc --version; } 2>&1 | sha256sum | cut -c1-64)
mkdir -p "$outdir"

declare -A seen
lines=() paths=()
lineno=0
while IFS= read -r line || [[ -n $line ]]; do
    lineno=$((lineno + 1))
    [[ $line =~ ^[[:space:]]*(#|$) ]] && continue
    parse_line "$line" || die "recipe line $lineno: $perr"
    [[ -z ${seen[$path]:-} ]] || die "recipe line $lineno: $path is already made on line ${seen[$path]}"
    seen[$path]=$lineno
    trim_to line "$line"
    lines+=("$line")
    paths+=("$path")
done < "$recipe"
count=${#lines[@]}
(( count > 0 )) || die "the recipe $recipe makes no file"

# The key of a file: the hash of the script and tools' hash and the file's recipe line.
keydir=$(mktemp -d "${TMPDIR:-/tmp}/tirauris-keys.XXXXXX")
trap 'rm -rf "$keydir"' EXIT
for (( i = 0; i < count; i++ )); do
    printf '%s\n%s\n' "$genhash" "${lines[i]}" > "$keydir/$i"
done
keys=()
while read -r sum name; do
    keys[${name##*/}]=$sum
done < <(cd "$keydir" && sha256sum -- *)

todo=()
for (( i = 0; i < count; i++ )); do
    stamp=
    [[ -f $outdir/${paths[i]} && -f $outdir/.stamps/${paths[i]}.sha ]] &&
        read -r stamp < "$outdir/.stamps/${paths[i]}.sha"
    [[ $stamp == "${keys[i]}" ]] || todo+=("${keys[i]}" "${lines[i]}")
done

nbuild=$(( ${#todo[@]} / 2 ))
start=$EPOCHREALTIME
if (( nbuild > 0 )); then
    printf '%s\0' "${todo[@]}" |
        xargs -0 -n 2 -P "$jobs" bash "$self" --build-one "$outdir" ||
        die "some files failed (see above); $outdir is incomplete"
fi
end=$EPOCHREALTIME
tenths=$(( (10#${end/[.,]/} - 10#${start/[.,]/}) / 100000 ))
printf 'generate.sh: %d files in the recipe, %d rebuilt, %d up to date (%d.%d s) in %s\n' \
    "$count" "$nbuild" "$((count - nbuild))" "$((tenths / 10))" "$((tenths % 10))" "$outdir"
