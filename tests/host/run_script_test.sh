#!/usr/bin/env bash
# scripts/run.sh as a user runs it from a folder of their own: options reach `velmora render`,
# frames land where --out says relative to that folder and the closing line names them there,
# --frames replaces the demo's range without changing its animation, and the demo's last frame
# holds the whole tree inside the picture. Arguments: the repository and the folder of the
# built velmora.
set -euo pipefail
repo=$1
export VELMORA_BIN=$2
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "run_script_test: $*" >&2; exit 1; }

report=$("$repo/scripts/run.sh" --size 96x54 --quality draft --frames 46-47 --out rel/f_####.png --quiet)
[ "$(ls rel)" = "$(printf 'f_0046.png\nf_0047.png')" ] || fail "expected rel/f_0046.png and rel/f_0047.png, found: $(ls -R)"
grep -qF "$work/rel/f_0046.png to $work/rel/f_0047.png" <<<"$report" || fail "the report does not name the frames: $report"

# The same frames of the whole demo, by velmora alone with the demo's settings: the same bytes.
"$repo/scripts/run.sh" --size 96x54 --quality draft --out whole/f_####.png --quiet >/dev/null
[ "$(ls whole | wc -l)" = 48 ] || fail "the demo is not 48 frames: $(ls whole | wc -l)"
cmp -s rel/f_0046.png whole/f_0046.png && cmp -s rel/f_0047.png whole/f_0047.png ||
    fail "frames 46-47 alone differ from frames 46-47 of the whole demo"
cmp -s whole/f_0000.png whole/f_0047.png && fail "the tree does not grow"

# The last frame, tree alone: nothing of it touches the picture's edges.
"$repo/scripts/run.sh" --size 192x108 --frame 47 --set "Cut alpha=on" --out edge.png --quiet >/dev/null
for crop in 192x1+0+0 192x1+0+107 1x108+0+0 1x108+191+0; do
    top=$(convert edge.png -alpha extract -crop "$crop" +repage -format '%[max]' info:)
    [ "$top" = 0 ] || fail "the tree reaches the edge $crop of the last frame (alpha $top)"
done
convert edge.png -alpha extract -format '%[max]' info: | grep -qv '^0$' || fail "the last frame has no tree"
echo "run_script_test: passed"
