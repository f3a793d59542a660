#!/usr/bin/env bash
# Fault tests of the POSIX program: each fault sits in the middle of a batch.
#   faults.sh BUILD/kestrel
# Disk full during the image copy or at the close that writes the last buffered
# bytes, an output folder that cannot be written, an
# input deleted or replaced between its two scans, an input that is a folder,
# an input another process holds locked. Each must give exactly one message,
# no crash, exit code 1, and the good inputs around it converted correctly.
# On a file system without locks every file converts.
set -uo pipefail
program=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
inputs=$here/inputs
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-faults.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
checks=0
skips=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { checks=$((checks + 1)); }
skip() { echo "SKIP: $*"; skips=$((skips + 1)); }

# A good input converted: the PDF is sound and holds the JPEG byte for byte.
check_converted() {
  local case=$1 jpeg=$2 pdf=${2%.*}.pdf report
  if [ ! -f "$pdf" ]; then fail "$case: $pdf was not written"; return; fi
  report=$(qpdf --check "$pdf" 2>&1)
  if [ $? -eq 0 ] && ! grep -qi warning <<<"$report"; then pass; else
    fail "$case: qpdf --check $pdf: $report"; fi
  rm -f "$work"/extracted-*
  pdfimages -j "$pdf" "$work/extracted" >/dev/null 2>&1
  if cmp -s "$work/extracted-000.jpg" "$jpeg"; then pass; else
    fail "$case: the image in $pdf is not $jpeg byte for byte"; fi
}

# Runs the program on a batch; the exit code and messages land in $case_status
# and $case_messages. A crash is a signal: its exit code is above 128.
run_batch() {
  timeout 120 "$program" "$@" 2>"$work/stderr.txt"
  case_status=$?
  case_messages=$(cat "$work/stderr.txt")
}

# Exactly one message, "NAME: reason" for what failed, and exit code 1.
check_outcome() {
  local case=$1 argument=$2
  if [ "$case_status" -eq 1 ]; then pass; else fail "$case: exit code $case_status"; fi
  if [ "$case_messages" = "Kestrel Error: $argument" ]; then pass; else
    fail "$case: messages were '$case_messages', want '$argument'"; fi
}

# A fresh folder with two good inputs, a.jpg (RGB) and b.jpg (gray).
new_case() {
  mkdir -p "$work/$1" && cd "$work/$1" || exit 1
  cp "$inputs/rgb.jpg" a.jpg && cp "$inputs/gray.jpg" b.jpg
}

# A real JPEG padded after its end of image with real bytes.
padded_jpeg() {
  { cat "$inputs/rgb.jpg"; head -c "$2" /dev/urandom; } > "$1"
}

# A failed PDF leaves nothing: no file under its name, no temporary file.
check_nothing_left() {
  local case=$1 pdf=$2 folder
  folder=$(dirname "$2")
  [ ! -e "$pdf" ] && pass || fail "$case: $pdf was left"
  ls "$folder"/~kestrel-* >/dev/null 2>&1 && fail "$case: a temporary file was left: $(ls "$folder"/~kestrel-*)" || pass
}

can_unshare=0
if [ "$(id -u)" -eq 0 ] && unshare -m true 2>/dev/null; then can_unshare=1; fi

# --- Disk full during the image copy: the input sits on a 256 KB tmpfs,
# its PDF beside it runs out of room partway through the 160 KB image; no
# PDF and no temporary file are left.
new_case disk-full
if [ $can_unshare -eq 1 ]; then
  mkdir full
  export program work
  unshare -m bash -c '
    mount -t tmpfs -o size=256k kestrel-full full || exit 99
    padded_jpeg() { { cat "$1"; head -c "$3" /dev/urandom; } > "$2"; }
    padded_jpeg "'"$inputs"'/rgb.jpg" full/big.jpg 163840 || exit 98
    timeout 120 "$program" a.jpg full/big.jpg b.jpg 2>"$work/stderr.txt"
    status=$?
    ls -A full > "$work/disk-full-listing.txt"
    exit $status'
  case_status=$?
  case_messages=$(cat "$work/stderr.txt" 2>/dev/null)
  if [ $case_status -ge 98 ] && [ $case_status -le 99 ]; then
    skip "disk full: the tmpfs could not be set up"
  else
    check_outcome "disk full" "full/big.pdf: cannot be written: disk full"
    [ "$(cat "$work/disk-full-listing.txt")" = big.jpg ] && pass ||
      fail "disk full: left beside the image: $(cat "$work/disk-full-listing.txt")"
    check_converted "disk full" a.jpg
    check_converted "disk full" b.jpg
  fi
else
  skip "disk full: needs root and unshare -m to mount a small tmpfs"
fi

# --- Disk full when the output is closed: the whole PDF of a small input (49 KB)
# waits in the write buffer, and only the close hands it to a 64 KB tmpfs that
# the input's 40 KB already fill most of.
new_case disk-full-at-close
if [ $can_unshare -eq 1 ]; then
  mkdir full
  export program work
  unshare -m bash -c '
    mount -t tmpfs -o size=64k kestrel-full full || exit 99
    { cat "'"$inputs"'/rgb.jpg"; head -c 40000 /dev/urandom; } > full/small.jpg || exit 98
    timeout 120 "$program" a.jpg full/small.jpg b.jpg 2>"$work/stderr.txt"
    status=$?
    ls -A full > "$work/disk-full-at-close-listing.txt"
    exit $status'
  case_status=$?
  case_messages=$(cat "$work/stderr.txt" 2>/dev/null)
  if [ $case_status -ge 98 ] && [ $case_status -le 99 ]; then
    skip "disk full at close: the tmpfs could not be set up"
  else
    check_outcome "disk full at close" "full/small.pdf: cannot be written: disk full"
    [ "$(cat "$work/disk-full-at-close-listing.txt")" = small.jpg ] && pass ||
      fail "disk full at close: left beside the image: $(cat "$work/disk-full-at-close-listing.txt")"
    check_converted "disk full at close" a.jpg
    check_converted "disk full at close" b.jpg
  fi
else
  skip "disk full at close: needs root and unshare -m to mount a small tmpfs"
fi

# --- The same failure from a file size limit, which needs no privileges: the
# write that crosses 64 KB fails (SIGXFSZ ignored, so it returns EFBIG).
new_case size-limit
padded_jpeg big.jpg 163840
(trap '' XFSZ; ulimit -f 64 && run_batch a.jpg big.jpg b.jpg
 echo "$case_status" > status.txt; printf '%s' "$case_messages" > messages.txt)
case_status=$(cat status.txt)
case_messages=$(cat messages.txt)
check_outcome "size limit" "big.pdf: cannot be written: file size limit reached"
check_nothing_left "size limit" ./big.pdf
check_converted "size limit" a.jpg
check_converted "size limit" b.jpg

# --- The file size limit met at the close: a 49 KB PDF, all of it in the write
# buffer until then, under a 16 KB limit that the other two PDFs stay within.
new_case size-limit-at-close
padded_jpeg small.jpg 40000
(trap '' XFSZ; ulimit -f 16 && run_batch a.jpg small.jpg b.jpg
 echo "$case_status" > status.txt; printf '%s' "$case_messages" > messages.txt)
case_status=$(cat status.txt)
case_messages=$(cat messages.txt)
check_outcome "size limit at close" "small.pdf: cannot be written: file size limit reached"
check_nothing_left "size limit at close" ./small.pdf
check_converted "size limit at close" a.jpg
check_converted "size limit at close" b.jpg

# --- Output folder not writable. Root writes anywhere, so for root the folder
# is bound read-only in a private mount namespace.
new_case read-only
mkdir locked && cp "$inputs/cmyk.jpg" locked/c.jpg
if [ "$(id -u)" -ne 0 ]; then
  chmod a-w locked
  run_batch a.jpg locked/c.jpg b.jpg
  chmod u+w locked
  check_outcome "read-only folder" "locked/c.pdf: cannot be written: permission denied"
  [ -e locked/c.pdf ] && fail "read-only folder: locked/c.pdf exists" || pass
  check_converted "read-only folder" a.jpg
  check_converted "read-only folder" b.jpg
elif [ $can_unshare -eq 1 ]; then
  unshare -m bash -c '
    mount --bind locked locked && mount -o remount,bind,ro locked || exit 99
    timeout 120 "$program" a.jpg locked/c.jpg b.jpg 2>"$work/stderr.txt"'
  case_status=$?
  case_messages=$(cat "$work/stderr.txt")
  if [ $case_status -eq 99 ]; then skip "read-only folder: the read-only bind mount failed"; else
    check_outcome "read-only folder" "locked/c.pdf: cannot be written: read-only file system"
    [ -e locked/c.pdf ] && fail "read-only folder: locked/c.pdf exists" || pass
    check_converted "read-only folder" a.jpg
    check_converted "read-only folder" b.jpg
  fi
else
  skip "read-only folder: root ignores permissions and unshare -m is not available"
fi

# --- Input deleted, or rewritten as a non-JPEG, just after the program
# opened it (a preloaded shim makes the change): the photo is opened once, so
# a deleted one is still read through its handle. The same run with the input
# left alone must convert, so the shim is not what fails.
cc -shared -fPIC -o "$work/change-input.so" -x c - -ldl <<'SHIM' || fail "change between scans: the shim did not build"
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
static int opened;
static int open_through(const char* name, const char* path, int flags, va_list rest) {
    int (*real)(const char*, int, ...) = (int (*)(const char*, int, ...))dlsym(RTLD_NEXT, name);
    mode_t mode = (flags & O_CREAT) ? (mode_t)va_arg(rest, int) : 0;
    int opened_fd = real(path, flags, mode);
    if (strcmp(path, getenv("CHANGE_PATH")) == 0 && ++opened == 1) {
        if (strcmp(getenv("CHANGE_ACTION"), "deleted") == 0) unlink(path);
        if (strcmp(getenv("CHANGE_ACTION"), "replaced") == 0) {
            int fd = real(path, O_WRONLY | O_TRUNC);
            if (fd >= 0 && write(fd, "no longer a JPEG\n", 17) == 17) close(fd);
        }
    }
    return opened_fd;
}
int open(const char* path, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    int fd = open_through("open", path, flags, rest);
    va_end(rest);
    return fd;
}
int open64(const char* path, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    int fd = open_through("open64", path, flags, rest);
    va_end(rest);
    return fd;
}
SHIM
for change in unchanged deleted replaced; do
  new_case "$change"
  cp "$inputs/cmyk.jpg" x.jpg
  CHANGE_PATH=x.jpg CHANGE_ACTION=$change LD_PRELOAD=$work/change-input.so ASAN_OPTIONS=verify_asan_link_order=0 \
    run_batch a.jpg x.jpg b.jpg
  # Opened once: a photo deleted once open is converted from its handle;
  # one rewritten in place is read as it now is.
  if [ "$change" != replaced ]; then
    [ "$case_status" -eq 0 ] && [ -z "$case_messages" ] && pass ||
      fail "input $change: status $case_status, messages '$case_messages'"
    cp "$inputs/cmyk.jpg" x.jpg  # what the PDF must hold
    check_converted "input $change" x.jpg
  else
    check_outcome "input $change once open" "x.jpg: not a JPEG file"
    check_nothing_left "input $change once open" ./x.pdf
  fi
  check_converted "input $change" a.jpg
  check_converted "input $change" b.jpg
done

# --- Input unreadable: only an unprivileged user can be refused a read.
new_case unreadable
cp "$inputs/cmyk.jpg" c.jpg && chmod 000 c.jpg
if [ "$(id -u)" -ne 0 ]; then
  run_batch a.jpg c.jpg b.jpg
  check_outcome "unreadable input" "c.jpg: permission denied"
  [ -e c.pdf ] && fail "unreadable input: c.pdf exists" || pass
  check_converted "unreadable input" a.jpg
  check_converted "unreadable input" b.jpg
else
  skip "unreadable input: root reads any file"
fi
chmod 644 c.jpg

# --- An input that is a folder, even one named like a JPEG.
new_case folder
mkdir photo.jpg
run_batch a.jpg photo.jpg b.jpg
check_outcome "folder input" "photo.jpg: is a folder; -r converts its photos"
[ -e photo.pdf ] && fail "folder input: photo.pdf exists" || pass
check_converted "folder input" a.jpg
check_converted "folder input" b.jpg

# --- An input held locked exclusively by another process; the holder lets go
# when told through a FIFO.
new_case held
cp "$inputs/cmyk.jpg" c.jpg && mkfifo release
timeout 120 flock -x c.jpg -c 'touch locked; read -r _ < release' &
holder=$!
for _ in $(seq 100); do [ -e locked ] && break; sleep 0.1; done
if [ -e locked ]; then
  run_batch a.jpg c.jpg b.jpg
  check_outcome "input held by another process" "c.jpg: in use by another program"
  [ -e c.pdf ] && fail "held input: c.pdf exists" || pass
  check_converted "held input" a.jpg
  check_converted "held input" b.jpg
else
  fail "held input: flock never took the lock"
fi
echo > release
wait $holder
# Once the holder has gone, the same input converts.
run_batch c.jpg
[ "$case_status" -eq 0 ] && [ -z "$case_messages" ] && pass || fail "held input: not converted once released"
check_converted "released input" c.jpg

# --- A file system without locks: flock fails with ENOLCK (NFS without its
# lock service), EOPNOTSUPP or EINVAL (some FUSE and SMB mounts). A real
# failing flock, through a preloaded shim; only "held" (EWOULDBLOCK) refuses.
new_case no-locks
cc -shared -fPIC -o "$work/flock-fails.so" -x c - <<'SHIM' || fail "no locks: the shim did not build"
#include <errno.h>
#include <stdlib.h>
int flock(int fd, int operation) {
    (void)fd, (void)operation;
    errno = atoi(getenv("FLOCK_ERRNO"));
    return -1;
}
SHIM
for errno_case in ENOLCK:37 EOPNOTSUPP:95 EINVAL:22 EWOULDBLOCK:11; do
  rm -f a.pdf b.pdf
  FLOCK_ERRNO=${errno_case#*:} LD_PRELOAD=$work/flock-fails.so ASAN_OPTIONS=verify_asan_link_order=0 \
    run_batch a.jpg b.jpg
  if [ "${errno_case%:*}" = EWOULDBLOCK ]; then
    [ "$case_status" -eq 1 ] && [ "$case_messages" = $'Kestrel Error: a.jpg: in use by another program\nKestrel Error: b.jpg: in use by another program' ] &&
      pass || fail "held lock: status $case_status, messages '$case_messages'"
    continue
  fi
  [ "$case_status" -eq 0 ] && [ -z "$case_messages" ] && pass ||
    fail "no locks (${errno_case%:*}): status $case_status, messages '$case_messages'"
  check_converted "no locks (${errno_case%:*})" a.jpg
  check_converted "no locks (${errno_case%:*})" b.jpg
done

# --- -o: the disk fills inside one image of the document, longer than what the
# writer holds back. The image and the document are reported, the older
# book.pdf beside them stays as it was, and no temporary file is left.
new_case merge-disk-full
if [ $can_unshare -eq 1 ]; then
  mkdir full
  unshare -m bash -c '
    mount -t tmpfs -o size=1m kestrel-merge-full full || exit 99
    { cat "'"$inputs"'/rgb.jpg"; head -c 655360 /dev/urandom; } > full/big.jpg || exit 98
    echo "an older book" > full/book.pdf
    timeout 120 "$program" -o full/book.pdf a.jpg full/big.jpg b.jpg 2>"$work/stderr.txt"
    status=$?
    cp full/book.pdf "$work/merge-book-after.pdf"
    ls -A full > "$work/merge-full-listing.txt"
    exit $status'
  case_status=$?
  case_messages=$(cat "$work/stderr.txt" 2>/dev/null)
  if [ $case_status -ge 98 ] && [ $case_status -le 99 ]; then
    skip "-o, disk full: the tmpfs could not be set up"
  else
    [ "$case_status" -eq 1 ] && pass || fail "-o, disk full: exit code $case_status"
    [ "$case_messages" = 'Kestrel Error: full/book.pdf: cannot be written: disk full' ] && pass ||
      fail "-o, disk full: messages were '$case_messages'"
    [ "$(cat "$work/merge-book-after.pdf")" = "an older book" ] && pass ||
      fail "-o, disk full: book.pdf changed by a failed document"
    [ "$(tr '\n' ' ' < "$work/merge-full-listing.txt")" = "big.jpg book.pdf " ] && pass ||
      fail "-o, disk full: left in the folder: $(cat "$work/merge-full-listing.txt")"
  fi
else
  skip "-o, disk full: needs root and unshare -m to mount a small tmpfs"
fi

echo "faults: $checks checks passed, $failures failed, $skips cases skipped"
[ "$failures" -eq 0 ]
