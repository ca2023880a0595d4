#!/usr/bin/env bash
# Called by bench/run-transfer with the source root, the build folder and the run count.
set -euo pipefail
root="$1"
build="$2"
runs="$3"
size_mib="${VORNALO_BENCH_MIB:-1024}"

if [ "$(id -u)" != 0 ]; then
  echo "run-transfer: vsftpd needs root" >&2
  exit 1
fi
for tool in /usr/sbin/vsftpd curl; do
  command -v "$tool" >/dev/null || { echo "run-transfer: $tool is missing" >&2; exit 1; }
done

# shellcheck source=../lib/bench-vsftpd.sh
. "$root/bench/lib/bench-vsftpd.sh"
bench_setup run-transfer 41000 41100
mkdir -p "$work/local" "$work/curl"

echo "Creating a $size_mib MiB file in tmpfs..."
head -c "$((size_mib * 1024 * 1024))" /dev/urandom >"$work/root/big.bin"
cp "$work/root/big.bin" "$work/local/up.bin"
sum="$(sha256sum <"$work/root/big.bin" | cut -d' ' -f1)"
url="ftp://127.0.0.1:$port/"
export VORNALO_PASSWORD="$password"

# Wall time of a command in seconds (3 decimals).
timed() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l | xargs printf '%.3f'
}
check() {
  local got
  got="$(sha256sum <"$1" | cut -d' ' -f1)"
  [ "$got" = "$sum" ] || { echo "run-transfer: $1 differs from the source" >&2; exit 1; }
}

declare -a v_down c_down v_up c_up
for i in $(seq "$runs"); do
  rm -f "$work/local/big.bin" "$work/curl/big.bin"
  c_down+=("$(timed curl -s -u "$user:$password" -o "$work/curl/big.bin" "${url}big.bin")")
  check "$work/curl/big.bin"
  v_down+=("$(timed "$cli" --quiet "ftp://$user@127.0.0.1:$port/" get big.bin "$work/local")")
  check "$work/local/big.bin"
  rm -f "$work/curl/big.bin" "$work/local/big.bin"

  rm -f "$work/root/up-curl.bin" "$work/root/up.bin"
  c_up+=("$(timed curl -s -u "$user:$password" -T "$work/local/up.bin" "${url}up-curl.bin")")
  check "$work/root/up-curl.bin"
  rm -f "$work/root/up-curl.bin"
  v_up+=("$(timed "$cli" --quiet "ftp://$user@127.0.0.1:$port/" put "$work/local/up.bin" /)")
  check "$work/root/up.bin"
  rm -f "$work/root/up.bin"
  echo "run $i: download vornalo ${v_down[-1]} s, curl ${c_down[-1]} s; upload vornalo ${v_up[-1]} s, curl ${c_up[-1]} s"
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
vd=$(median "${v_down[@]}"); cd_=$(median "${c_down[@]}")
vu=$(median "${v_up[@]}"); cu=$(median "${c_up[@]}")
echo
echo "Median of $runs runs, $size_mib MiB, vsftpd on 127.0.0.1, tmpfs:"
printf '| %-8s | %-12s | %-8s | %-6s |\n' direction vornalo-ftp curl ratio
printf '| %-8s | %-12s | %-8s | %-6s |\n' download "$vd s" "$cd_ s" "$(echo "$vd / $cd_" | bc -l | xargs printf '%.2f')"
printf '| %-8s | %-12s | %-8s | %-6s |\n' upload "$vu s" "$cu s" "$(echo "$vu / $cu" | bc -l | xargs printf '%.2f')"
