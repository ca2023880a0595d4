#!/usr/bin/env bash
# Called by bench/run-tree with the source root, the build folder and the run count.
set -euo pipefail
root="$1"
build="$2"
runs="$3"
folders="${VORNALO_BENCH_FOLDERS:-20}"
files="${VORNALO_BENCH_FILES:-100}"

if [ "$(id -u)" != 0 ]; then
  echo "run-tree: vsftpd needs root" >&2
  exit 1
fi
for tool in /usr/sbin/vsftpd curl lftp; do
  command -v "$tool" >/dev/null || { echo "run-tree: $tool is missing" >&2; exit 1; }
done

# shellcheck source=../lib/bench-vsftpd.sh
. "$root/bench/lib/bench-vsftpd.sh"
bench_setup run-tree 42000 44000
mkdir -p "$work/out"

echo "Creating $folders folders x $files files of 4 KiB in tmpfs..."
python3 - "$work/root/tree" "$folders" "$files" <<'PY'
import os, sys
top, folders, files = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
for d in range(folders):
    path = os.path.join(top, "folder%02d" % d)
    os.makedirs(path)
    for f in range(files):
        with open(os.path.join(path, "file%03d.dat" % f), "wb") as out:
            out.write(os.urandom(4096))
PY
(cd "$work/root/tree" && find . -type f -print0 | sort -z | xargs -0 sha256sum) >"$work/sums"
export VORNALO_PASSWORD="$password"
url="ftp://$user@127.0.0.1:$port/"
lftp_base=(lftp -u "$user,$password" -p "$port"
  -e "set ftp:ssl-allow no; set cmd:fail-exit yes; set net:max-retries 1")

# Wall time of a command in seconds (3 decimals).
timed() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>"$work/last.err" || { echo "run-tree: $* failed:" >&2; cat "$work/last.err" >&2; exit 1; }
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l | xargs printf '%.3f'
}
# Every file of the tree arrived, with the same bytes, and nothing else.
check() {
  local got
  got="$(cd "$1" && find . -type f -print0 | sort -z | xargs -0 sha256sum)"
  [ "$got" = "$(cat "$work/sums")" ] || { echo "run-tree: $1 differs from the source" >&2; exit 1; }
}
fresh() { rm -rf "$work/out"; mkdir -p "$work/out"; }

declare -a v1 l1 v3 l3
for i in $(seq "$runs"); do
  fresh
  l1+=("$(timed "${lftp_base[@]}" -e "mirror /tree $work/out/tree; quit" 127.0.0.1)")
  check "$work/out/tree"
  fresh
  v1+=("$(timed "$cli" --quiet "$url" get /tree "$work/out")")
  check "$work/out/tree"
  fresh
  l3+=("$(timed "${lftp_base[@]}" -e "mirror --parallel=3 /tree $work/out/tree; quit" 127.0.0.1)")
  check "$work/out/tree"
  fresh
  v3+=("$(timed "$cli" --quiet --parallel 3 "$url" get /tree "$work/out")")
  check "$work/out/tree"
  echo "run $i: one connection vornalo ${v1[-1]} s, lftp ${l1[-1]} s; three vornalo ${v3[-1]} s, lftp ${l3[-1]} s"
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
mv1=$(median "${v1[@]}"); ml1=$(median "${l1[@]}")
mv3=$(median "${v3[@]}"); ml3=$(median "${l3[@]}")
ratio() { echo "$1 / $2" | bc -l | xargs printf '%.2f'; }
echo
echo "Median of $runs runs, $folders folders x $files files of 4 KiB, vsftpd on 127.0.0.1, tmpfs:"
printf '| %-16s | %-12s | %-8s | %-6s |\n' connections vornalo-ftp lftp ratio
printf '| %-16s | %-12s | %-8s | %-6s |\n' "1" "$mv1 s" "$ml1 s" "$(ratio "$mv1" "$ml1")"
printf '| %-16s | %-12s | %-8s | %-6s |\n' "3 (--parallel 3)" "$mv3 s" "$ml3 s" "$(ratio "$mv3" "$ml3")"
