# Sourced by the benches: typical_photo BUILD_DIR MEGAPIXELS OUT.jpg makes the typical camera JPEG,
# 4.jpg scaled to MEGAPIXELS, baseline, quality 92, 4:2:0.
typical_photo() {
  "$1/bin/make_scaled_photo" assets/4.jpg "$2" "$3.bmp"
  cjpeg -quality 92 -sample 2x2 -outfile "$3" "$3.bmp"
  rm "$3.bmp"
}
