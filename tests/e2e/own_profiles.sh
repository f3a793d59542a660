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
# chunked_profile_photos: rgb-icc.jpg's profile (also as embedded.icc) in
# 100-byte chunks, here: in reverse order (reordered.jpg), one missing
# (missing.jpg), one twice (repeated.jpg).
chunked_profile_photos() {
  python3 - "$inputs/rgb-icc.jpg" <<'PY'
import sys
d = open(sys.argv[1], 'rb').read()
at, chunks, rest = 2, [], b''
while d[at + 1] != 0xDA:
    seg = d[at:at + 4 + int.from_bytes(d[at + 2:at + 4], 'big') - 2]
    if seg[4:16] == b'ICC_PROFILE\0': chunks.append((seg[16], seg[18:]))
    else: rest += seg
    at += len(seg)
profile = b''.join(c for _, c in sorted(chunks))
open('embedded.icc', 'wb').write(profile)
small = [(i // 100 + 1, profile[i:i + 100]) for i in range(0, len(profile), 100)]
for name, parts in ('reordered', small[::-1]), ('missing', small[:1] + small[2:]), ('repeated', small + small[1:2]):
    app2 = b''.join(b'\xff\xe2' + (len(p) + 16).to_bytes(2, 'big') + b'ICC_PROFILE\0' + bytes([n, len(parts)]) + p
                    for n, p in parts)
    open(name + '.jpg', 'wb').write(d[:2] + app2 + rest + d[at:])
PY
}
