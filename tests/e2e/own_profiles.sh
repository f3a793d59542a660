# Sourced by the end-to-end scripts. own_profile_photos N: own-0.jpg to
# own-<N-1>.jpg here, rgb.jpg each with a profile of its own (byte 100,
# reserved, differs), and rgb.ppm, the pixels they share.
own_profile_photos() {
  djpeg -pnm rgb.jpg > rgb.ppm
  for k in $(seq 0 $(($1 - 1))); do
    { head -c 100 "$inputs/lstar-rgb.ICM"; printf "\\x$(printf %02x "$k")"; tail -c +102 "$inputs/lstar-rgb.ICM"; } \
      > own.icc
    cjpeg -icc own.icc rgb.ppm > "own-$k.jpg"
  done
}
