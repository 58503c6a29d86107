#!/usr/bin/env bash
# Compares the free voices for the game's own phrases heard inside the game's
# own background: each phrase is spoken by each voice, laid over a loop of
# its game at a given speech-to-background ratio, and recognised by
# pocketsphinx restricted to the game's phrases. Prints, per voice, how many
# phrases came back right. A one-off measuring tool (about a minute per
# ratio), not part of the tests; its figures are noted in recipe.txt.
#
#   bash sounds/voicecompare.sh DATA_DIR [RATIO_DB ...]   (default: 20 6 0)
# VOICES="..." picks the voices (default: all below); the voice "pack" is the
# spoken files of DATA_DIR themselves, as the generator made them.
# Needs espeak-ng, festival with festvox-kallpc16k, festvox-kdlpc16k and
# festvox-us-slt-hts, flite, pocketsphinx with pocketsphinx-en-us, and sox.
set -euo pipefail
here=$(dirname "$(readlink -f "$0")")
data=${1:?usage: voicecompare.sh DATA_DIR [RATIO_DB ...]}
shift
ratios=("$@")
(( ${#ratios[@]} )) || ratios=(20 6 0)
work=$(mktemp -d /tmp/tirauris-voices.XXXXXX)
trap 'rm -rf "$work"' EXIT
model=/usr/share/pocketsphinx/model/en-us

read -ra voices <<< "${VOICES:-espeak:en-us espeak:en-gb espeak:en-us+f3 festival:kal_diphone
    festival:ked_diphone festival:cmu_us_slt_arctic_hts flite:kal16 flite:slt flite:awb flite:rms}"

# The phrases: the recipe's spoken cues, with the game folder they play in.
mapfile -t rows < <(awk -F'|' '!/^#/ && NF >= 4 {
    k = $2; p = $3; gsub(/ /, "", k); gsub(/ /, "", p)
    if (k == "speech" && p == "once") { f = $1; gsub(/ /, "", f); w = $4; sub(/^ +/, "", w); sub(/ +$/, "", w); print f "|" w } }' \
    "$here/recipe.txt")
declare -A bed=([menu]=menu/bgm [lvl1]=lvl1/normal5 [lvl5]=lvl5/wind [lvl3]=lvl3/breath [lvl6]=lvl6/shipen)

norm() { tr 'A-Z' 'a-z' <<< "$1" | sed "s/[^a-z' ]/ /g; s/  */ /g; s/^ //; s/ $//"; }

# Phrases whose words the recogniser's dictionary knows make the grammar.
phrases=() files=()
for row in "${rows[@]}"; do
    words=$(norm "${row#*|}")
    ok=1
    for w in $words; do grep -q "^$w " "$model/cmudict-en-us.dict" || ok=0; done
    (( ok )) || { echo "skipped (words unknown to the recogniser): $words"; continue; }
    phrases+=("$words") files+=("${row%%|*}")
done
{
    echo "#JSGF V1.0;"; echo "grammar game;"
    printf 'public <phrase> = ( %s );\n' "$(printf '%s | ' "${phrases[@]}" | sed 's/ | $//')"
} > "$work/game.gram"

speak() {  # speak VOICE TEXT OUT.wav FILE
    case $1 in
        pack) sox "$data/$4.ogg" "$3" ;;
        espeak:*) espeak-ng -v "${1#espeak:}" -w "$3" -- "$2" ;;
        festival:*) printf '%s\n' "$2" | text2wave -eval "(voice_${1#festival:})" -o "$3" ;;
        flite:*) flite -voice "${1#flite:}" -t "$2" -o "$3" ;;
    esac
}

for ratio in "${ratios[@]}"; do
    echo "== speech ${ratio} dB over the game's loop"
    for voice in "${voices[@]}"; do
        right=0 wrong=()
        for i in "${!phrases[@]}"; do
            f=${files[i]} folder=${files[i]%%/*}
            speak "$voice" "${phrases[i]}" "$work/raw.wav" "${f%.ogg}" > /dev/null 2>&1
            sox "$work/raw.wav" -r 16000 -c 1 -b 16 "$work/s.wav" silence 1 0.01 -45d reverse silence 1 0.01 -45d reverse pad 0.3 0.3
            len=$(soxi -D "$work/s.wav")
            sox "$data/${bed[$folder]}.ogg" -r 16000 -c 1 -b 16 "$work/b.wav" repeat 20 trim 0 "$len"
            s=$(sox "$work/s.wav" -n stats 2>&1 | awk '/RMS lev dB/ {print $4}')
            b=$(sox "$work/b.wav" -n stats 2>&1 | awk '/RMS lev dB/ {print $4}')
            g=$(awk -v s="$s" -v b="$b" -v r="$ratio" 'BEGIN { print s - r - b }')
            sox -m "$work/s.wav" -v "$(awk -v g="$g" 'BEGIN { print 10 ^ (g / 20) }')" "$work/b.wav" "$work/m.wav" norm -3
            heard=$(pocketsphinx_continuous -infile "$work/m.wav" -hmm "$model/en-us" \
                -dict "$model/cmudict-en-us.dict" -jsgf "$work/game.gram" -logfn /dev/null 2> /dev/null | tr '\n' ' ')
            if [[ $(norm "$heard") == "${phrases[i]}" ]]; then right=$((right + 1)); else wrong+=("${phrases[i]}->$(norm "$heard")"); fi
        done
        printf '%-34s %2d of %d   missed: %s\n' "$voice" "$right" "${#phrases[@]}" "$(printf '%s; ' "${wrong[@]}")"
    done
done
