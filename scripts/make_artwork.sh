#!/usr/bin/env bash
# Makes the effect's artwork in effect/resources/: the panel banner (779), the About and web
# buttons, normal and lit (780 to 783), and the About box picture (888), all 24-bit BMP, which
# both builds take from there (the Linux one through scripts/embed_resources.py). The conifers
# are rendered by our own engine through `velmora render`; ImageMagick composes the rest. The
# panel bitmaps are stored upside down, the way the panel hands them to the host.
#
# Usage: scripts/make_artwork.sh [path/to/velmora]   (default: build/linux/bin/velmora)
set -euo pipefail
cd "$(dirname "$0")/.."
velmora="${1:-build/linux/bin/velmora}"
[ -x "$velmora" ] || { echo "make_artwork: no velmora at $velmora (build the linux preset first)" >&2; exit 1; }
command -v convert >/dev/null || { echo "make_artwork: needs ImageMagick (convert)" >&2; exit 1; }

res=effect/resources
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
serif=DejaVu-Serif-Bold
sans=DejaVu-Sans
sansbold=DejaVu-Sans-Bold

# ---- The conifers: a full-grown tree, transparent around it ----------------------------------
tree() {   # tree OUT SIZE FRAME [--set ...]
    local out=$1 size=$2 frame=$3
    shift 3
    "$velmora" render --size "$size" --frame "$frame" --set "Cut alpha=1" "$@" --out "$work/t_####.png" >/dev/null
    mv "$work/t_$(printf %04d "$frame").png" "$out"
}
tree "$work/tree.png" 480x480 40 --set "N branches=5" --set "Branchiness=70" --set "Length=60" --set "Position=240,470"
tree "$work/tree_small.png" 480x480 40 --set "N branches=4" --set "Length=55" --set "Position=240,470" \
    --set "Rotation Y=35"
convert "$work/tree.png" -trim +repage "$work/tree_trim.png"
convert "$work/tree_small.png" -trim +repage "$work/tree_small_trim.png"

# ---- Banner: night-blue sky, a snow line, the tree and the name --------------------------------
sky() {   # sky OUT WxH
    convert -size "$2" gradient:'#0b1626-#1d4257' \
        \( -size "$2" xc:none -fill 'rgba(255,255,255,0.55)' \
           -draw 'point 140,9' -draw 'point 170,16' -draw 'point 196,6' -draw 'point 250,11' \
           -draw 'point 350,8' -draw 'point 120,28' -draw 'point 330,98' -draw 'point 205,30' \) \
        -composite "$1"
}
sky "$work/banner_sky.png" 359x116
convert "$work/banner_sky.png" \
    -fill '#dfe9f0' -draw 'ellipse 46,126 100,20 180,360' \
    \( "$work/tree_trim.png" -resize x106 \) -geometry +6+4 -composite \
    -font "$sans" -pointsize 10 -fill '#9fc4d6' -annotate +97+22 'QUILLMARK' \
    -fill '#5f8aa0' -draw 'rectangle 97,27 196,28' \
    -font "$serif" -pointsize 22 -fill '#f4f1e8' -annotate +96+52 'Velmora' \
    -font "$sans" -pointsize 9 -fill '#c9dbe4' -annotate +97+72 'Procedural' \
    -annotate +97+84 '3D conifers' -annotate +97+96 'for After Effects' \
    "$work/banner.png"

# ---- Buttons: the sky under them, a rounded plate and a clear symbol ---------------------------
button() {   # button OUT X Y W H SYMBOL LIT
    local out=$1 x=$2 y=$3 w=$4 h=$5 symbol=$6 lit=$7
    local plate='#244a60' edge='#6fa3bd' ink='#e8f1f5' glow='none'
    if [ "$lit" = 1 ]; then plate='#3a7694'; edge='#ffd27a'; ink='#ffffff'; glow='#ffd27a'; fi
    local r=$((w < h ? w : h))
    convert "$work/banner_sky.png" -crop "${w}x${h}+${x}+${y}" +repage "$work/under.png"
    local cx=$((w / 2)) cy=$((h / 2))
    case "$symbol" in
    about)   # an "i" in a circle
        convert "$work/under.png" \
            -fill "$plate" -stroke "$edge" -strokewidth 2 -draw "roundrectangle 3,3 $((w - 4)),$((h - 4)) 12,12" \
            -fill none -stroke "$ink" -strokewidth 3 -draw "circle $cx,$((cy - 6)) $cx,$((cy - 6 - r / 4))" \
            -stroke none -fill "$ink" -draw "circle $cx,$((cy - 14)) $cx,$((cy - 12))" \
            -draw "rectangle $((cx - 2)),$((cy - 9)) $((cx + 2)),$((cy + 2))" \
            -font "$sansbold" -pointsize 10 -gravity south -annotate +0+8 'ABOUT' \
            "$out"
        ;;
    web)     # a globe: circle, equator, two meridians
        convert "$work/under.png" \
            -fill "$plate" -stroke "$edge" -strokewidth 2 -draw "roundrectangle 3,3 $((w - 4)),$((h - 4)) 11,11" \
            -fill none -stroke "$ink" -strokewidth 2 \
            -draw "circle $cx,$((cy - 6)) $cx,$((cy - 6 - r / 4))" \
            -draw "ellipse $cx,$((cy - 6)) $((r / 9)),$((r / 4)) 0,360" \
            -draw "line $((cx - r / 4)),$((cy - 6)) $((cx + r / 4)),$((cy - 6))" \
            -strokewidth 1 -draw "ellipse $cx,$((cy - 6)) $((r / 4)),$((r / 12)) 0,360" \
            -stroke none -fill "$ink" -font "$sansbold" -pointsize 9 -gravity south -annotate +0+7 'WEB' \
            "$out"
        ;;
    esac
    if [ "$glow" != none ]; then
        convert "$out" -fill none -stroke "$glow" -strokewidth 1 \
            -draw "roundrectangle 1,1 $((w - 2)),$((h - 2)) 13,13" "$out"
    fi
}
button "$work/about.png" 209 44 66 66 about 0
button "$work/about_hover.png" 209 44 66 66 about 1
button "$work/web.png" 284 19 54 58 web 0
button "$work/web_hover.png" 284 19 54 58 web 1

# A preview of the panel as the host shows it, for looking at while editing (not a resource).
convert "$work/banner.png" "$work/about.png" -geometry +209+44 -composite "$work/web.png" -geometry +284+19 \
    -composite "$work/preview.png"

# ---- About picture: a small grove under the night sky ------------------------------------------
sky "$work/about_sky.png" 460x355
convert "$work/about_sky.png" \
    -fill '#dfe9f0' -draw 'ellipse 230,372 300,60 180,360' \
    \( "$work/tree_small_trim.png" -resize x170 \) -geometry +40+150 -composite \
    \( "$work/tree_small_trim.png" -resize x140 -flop \) -geometry +335+182 -composite \
    \( "$work/tree_trim.png" -resize x260 \) -gravity north -geometry +0+70 -composite -gravity northwest \
    -font "$serif" -pointsize 40 -fill '#f4f1e8' -gravity north -annotate +0+14 'Velmora' \
    -font "$sans" -pointsize 12 -fill '#9fc4d6' -annotate +0+62 'QUILLMARK  ·  3D CONIFERS, GROWN AND RENDERED' \
    -gravity northwest "$work/about_picture.png"

# ---- Out as 24-bit BMP: the panel bitmaps upside down, the About picture as it is ------------
bmp() { convert "$1" -background black -alpha remove -alpha off -type TrueColor $2 "BMP3:$3"; }
bmp "$work/banner.png" -flip "$res/banner.bmp"
bmp "$work/about.png" -flip "$res/about_button.bmp"
bmp "$work/about_hover.png" -flip "$res/about_button_hover.bmp"
bmp "$work/web.png" -flip "$res/web_button.bmp"
bmp "$work/web_hover.png" -flip "$res/web_button_hover.bmp"
bmp "$work/about_picture.png" "" "$res/about_picture.bmp"
if [ -n "${ARTWORK_PREVIEW:-}" ]; then
    cp "$work/preview.png" "$ARTWORK_PREVIEW"
fi

echo "make_artwork: wrote $res/{banner,about_button,about_button_hover,web_button,web_button_hover,about_picture}.bmp"
