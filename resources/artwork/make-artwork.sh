#!/bin/sh
# Regenerates the program's pictures from nothing but ImageMagick and the DejaVu fonts:
#   splash.jpg (478 x 318) and header.jpg (501 x 69), each also at 1.5x (splash-150.jpg,
#   header-150.jpg) and 2x (splash-200.jpg, header-200.jpg) for screens of 144 and 192 DPI, each
#   drawn afresh at its size; and vellumkeep.ico (16, 24, 32, 48, 256 px).
# The build uses the committed results; run this only to change the artwork:
#   resources/artwork/make-artwork.sh [output folder, default: resources/]
set -eu

IM=/usr/bin/convert   # the real ImageMagick 6 convert, not a wrapper earlier on PATH
FONTS=/usr/share/fonts/truetype/dejavu
SERIF_BOLD=$FONTS/DejaVuSerif-Bold.ttf
SERIF_ITALIC=$FONTS/DejaVuSerif-Italic.ttf
SANS=$FONTS/DejaVuSans.ttf

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/..}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The palette: vellum, ink, sealing wax and a little gold.
VELLUM='#f4ecdb'
VELLUM_EDGE='#dcc9a2'
VELLUM_EDGE_SOFT='#e8dcc2'
INK='#2e3b4c'
INK_SOFT='#5e5040'
WAX_LIGHT='#b6483f'
WAX_DARK='#5c1715'
WAX_RIM='#4a1412'
GOLD='#b08a4f'
KEY='#efdcaa'

# A scalloped circle of radius $1: the outline of the wax seal, on a 512 x 512 canvas.
seal_outline() {
    awk -v radius="$1" 'BEGIN {
        pi = atan2(0, -1)
        for (i = 0; i < 360; i += 2) {
            t = i * pi / 180
            r = radius * (1 + 0.035 * cos(20 * t))
            printf "%.1f,%.1f ", 256 + r * cos(t), 256 + r * sin(t)
        }
    }'
}

# The emblem: a stylised key on a wax seal, 512 x 512 with transparency. $1 = output; $2 = the key's
# stroke scale, $3 = its size and $4 = 1 for the seal's rim and shadow: small icons take a bolder,
# larger key on a plain seal, or the key would shrink to a blur.
make_emblem() {
    emblem=$1
    k=$2
    key_scale=$3
    rim=$4
    if [ "$rim" = 1 ]; then outline=$(seal_outline 214); else outline=$(seal_outline 238); fi
    "$IM" -size 512x512 xc:none -fill black -draw "polygon $outline" "$work/mask.png"
    # The wax: lit from the upper left.
    "$IM" -size 760x760 radial-gradient:"$WAX_LIGHT-$WAX_DARK" -crop 512x512+170+170 +repage \
        "$work/mask.png" -compose CopyOpacity -composite "$work/wax.png"
    # A soft shadow under the seal.
    "$IM" "$work/mask.png" -background none -channel A -evaluate multiply 0.45 +channel \
        -blur 0x9 -distort SRT '0,0 1 0 5,9' "$work/shadow.png"
    # The pressed rim: a dark groove with a lit edge.
    if [ "$rim" = 1 ]; then
        "$IM" -size 512x512 xc:none -fill none \
            -stroke "$WAX_RIM" -strokewidth 9 -draw "circle 256,256 256,90" \
            -stroke '#d07a68' -strokewidth 2.5 -draw "circle 256,256 256,82" \
            "$work/rim.png"
    else
        "$IM" -size 512x512 xc:none "$work/rim.png"
        "$IM" -size 512x512 xc:none "$work/shadow.png"
    fi
    # The key, drawn upright about the centre and turned to lie across the seal.
    w=$(awk "BEGIN { print 11 * $k }")
    ring=$(awk "BEGIN { print 15 * $k }")
    key_shape="translate 256,256 rotate -45 scale $key_scale,$key_scale translate 0,10
        fill none stroke $KEY stroke-width $(awk "BEGIN { print 2 * $ring }")
        circle 0,-92 0,$(awk "BEGIN { print -92 - 40 }")
        stroke none fill $KEY
        rectangle -$w,-56 $w,128
        rectangle -$(awk "BEGIN { print $w + 9 }"),-60 $(awk "BEGIN { print $w + 9 }"),-46
        rectangle $w,80 $(awk "BEGIN { print $w + 40 }"),$(awk "BEGIN { print 80 + 18 * $k }")
        rectangle $w,110 $(awk "BEGIN { print $w + 28 }"),128"
    "$IM" -size 512x512 xc:none -draw "$key_shape" "$work/key.png"
    # Pressed into the wax: a dark edge below and to the right of the key.
    "$IM" "$work/key.png" -fill "$WAX_RIM" -colorize 100 -channel A -evaluate multiply 0.8 +channel \
        -blur 0x2 -distort SRT '0,0 1 0 2,3' "$work/key-shadow.png"
    "$IM" -size 512x512 xc:none "$work/shadow.png" -composite "$work/wax.png" -composite \
        "$work/rim.png" -composite "$work/key-shadow.png" -composite "$work/key.png" -composite \
        "$emblem"
}

# A length of the 1x picture at the scale being drawn, rounded to whole pixels (halves up).
px() { awk -v v="$1" -v s="$scale" 'BEGIN { printf "%d", v * s + 0.5 }'; }
# The last pixel of a filled run that ends on pixel $1 at 1x: filled bars keep their thickness.
pe() { awk -v v="$1" -v s="$scale" 'BEGIN { printf "%d", (v + 1) * s + 0.5 - 1 }'; }
# The same, unrounded: font sizes, stroke widths and blurs.
sc() { awk -v v="$1" -v s="$scale" 'BEGIN { print v * s }'; }

# Vellum: warm, faintly mottled, darker towards the edges. $1 = size, $2 = output, $3 = the edges' colour.
make_vellum() {
    size=$1
    "$IM" -size "$size" xc:"$VELLUM" -seed 7 -attenuate 0.18 +noise Gaussian -blur "0x$(sc 0.7)" \
        \( -size "$size" xc:gray50 -seed 11 +noise Random -blur "0x$(sc 14)" -colorspace Gray -auto-level \
           +level 91%,100% \) -compose Multiply -composite \
        \( -size "$size" radial-gradient:white-"$3" \) -compose Multiply -composite \
        "$2"
}

# ---- Splash: 478 x 318 at 1x ----
make_splash() {
    make_vellum "$(px 478)x$(px 318)" "$work/splash-back.png" "$VELLUM_EDGE"
    "$IM" "$work/emblem.png" -resize "$(px 164)x$(px 164)" "$work/emblem-splash.png"
    "$IM" "$work/splash-back.png" \
        -fill none -stroke "$GOLD" -strokewidth "$(sc 1)" -draw "rectangle $(px 9),$(px 9) $(px 468),$(px 308)" \
        -stroke "$GOLD" -strokewidth "$(sc 1)" -draw "stroke-opacity 0.45 rectangle $(px 13),$(px 13) $(px 464),$(px 304)" \
        "$work/emblem-splash.png" -geometry "+$(px 30)+$(px 70)" -composite \
        -stroke none -fill "$INK" -font "$SERIF_BOLD" -pointsize "$(sc 36)" -annotate "+$(px 210)+$(px 152)" 'Vellumkeep' \
        -fill "$GOLD" -draw "rectangle $(px 212),$(px 168) $(pe 440),$(pe 169)" \
        -fill "$INK_SOFT" -font "$SERIF_ITALIC" -pointsize "$(sc 15)" -annotate "+$(px 212)+$(px 195)" \
            'Your passwords, kept close' \
        -fill "$INK_SOFT" -font "$SANS" -pointsize "$(sc 11)" -kerning "$(sc 2)" -gravity SouthEast \
            -annotate "+$(px 26)+$(px 24)" 'QUORRINDALE' \
        -strip -sampling-factor 1x1 -quality 93 "$1"
}

# ---- About box header: 501 x 69 at 1x ----
make_header() {
    make_vellum "$(px 501)x$(px 69)" "$work/header-back.png" "$VELLUM_EDGE_SOFT"
    "$IM" "$work/emblem.png" -resize "$(px 58)x$(px 58)" "$work/emblem-header.png"
    "$IM" "$work/header-back.png" \
        "$work/emblem-header.png" -geometry "+$(px 12)+$(px 5)" -composite \
        -fill "$INK" -font "$SERIF_BOLD" -pointsize "$(sc 27)" -annotate "+$(px 82)+$(px 38)" 'Vellumkeep' \
        -fill "$INK_SOFT" -font "$SERIF_ITALIC" -pointsize "$(sc 12)" -annotate "+$(px 84)+$(px 57)" \
            'Your passwords, kept close' \
        -fill "$INK_SOFT" -font "$SANS" -pointsize "$(sc 10)" -kerning "$(sc 2)" -gravity East \
            -annotate "+$(px 16)+0" 'QUORRINDALE' \
        -gravity NorthWest -fill "$GOLD" -draw "rectangle 0,$(px 67) $(pe 500),$(pe 68)" \
        -strip -sampling-factor 1x1 -quality 93 "$1"
}

make_emblem "$work/emblem.png" 1 1 1
make_emblem "$work/emblem-bold.png" 1.5 1.45 0

for scale in 1 1.5 2; do
    case $scale in
        1) suffix="" ;;
        1.5) suffix=-150 ;;
        2) suffix=-200 ;;
    esac
    make_splash "$out/splash$suffix.jpg"
    make_header "$out/header$suffix.jpg"
done

# ---- Icon: the emblem alone ----
for size in 256 48 32 24 16; do
    source=$work/emblem.png
    [ "$size" -le 32 ] && source=$work/emblem-bold.png
    "$IM" "$source" -filter Lanczos -resize "${size}x${size}" -depth 8 -strip "$work/icon-$size.png"
done
"$IM" "$work/icon-256.png" "$work/icon-48.png" "$work/icon-32.png" "$work/icon-24.png" "$work/icon-16.png" \
    "$out/vellumkeep.ico"
