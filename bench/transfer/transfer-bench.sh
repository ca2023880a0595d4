#!/usr/bin/env bash
# Called by bench/run-transfer with the source root, the build folder and the run count.
set -euo pipefail
root="$1"
build="$2"
runs="$3"
size_mib="${VORNALO_BENCH_MIB:-1024}"
# "down", "up" or both (the default): a quicker loop while working on one direction.
directions="${VORNALO_BENCH_DIRECTIONS:-down up}"

if [ "$(id -u)" != 0 ]; then
  echo "run-transfer: vsftpd needs root" >&2
  exit 1
fi
for tool in /usr/sbin/vsftpd curl lftp; do
  command -v "$tool" >/dev/null || { echo "run-transfer: $tool is missing" >&2; exit 1; }
done

# shellcheck source=../lib/bench-vsftpd.sh
. "$root/bench/lib/bench-vsftpd.sh"
bench_setup run-transfer 41000 41100
mkdir -p "$work/local" "$work/curl" "$work/lftp"

echo "Creating a $size_mib MiB file in tmpfs..."
head -c "$((size_mib * 1024 * 1024))" /dev/urandom >"$work/root/big.bin"
cp "$work/root/big.bin" "$work/local/up.bin"
sum="$(sha256sum <"$work/root/big.bin" | cut -d' ' -f1)"
url="ftp://127.0.0.1:$port/"
export VORNALO_PASSWORD="$password"
vornalo=("$cli" --quiet "ftp://$user@127.0.0.1:$port/")
lftp_base=(lftp -u "$user,$password" -p "$port"
  -e "set ftp:ssl-allow no; set cmd:fail-exit yes; set net:max-retries 1")

# Wall time of a command in seconds (3 decimals); a failing command stops the benchmark.
timed() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>"$work/last.err" || {
    echo "run-transfer: $* failed:" >&2
    cat "$work/last.err" >&2
    exit 1
  }
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l | xargs printf '%.3f'
}
check() {
  local got
  got="$(sha256sum <"$1" | cut -d' ' -f1)"
  [ "$got" = "$sum" ] || { echo "run-transfer: $1 differs from the source" >&2; exit 1; }
  rm -f "$1"
}
wants() { [[ " $directions " == *" $1 "* ]]; }

declare -a v_down c_down l_down v_up c_up l_up
for i in $(seq "$runs"); do
  line="run $i:"
  if wants down; then
    c_down+=("$(timed curl -s -u "$user:$password" -o "$work/curl/big.bin" "${url}big.bin")")
    check "$work/curl/big.bin"
    l_down+=("$(timed "${lftp_base[@]}" -e "get big.bin -o $work/lftp/big.bin; quit" 127.0.0.1)")
    check "$work/lftp/big.bin"
    v_down+=("$(timed "${vornalo[@]}" get big.bin "$work/local")")
    check "$work/local/big.bin"
    line+=" download vornalo ${v_down[-1]} s, curl ${c_down[-1]} s, lftp ${l_down[-1]} s;"
  fi
  if wants up; then
    c_up+=("$(timed curl -s -u "$user:$password" -T "$work/local/up.bin" "${url}up-curl.bin")")
    check "$work/root/up-curl.bin"
    l_up+=("$(timed "${lftp_base[@]}" -e "put $work/local/up.bin -o up-lftp.bin; quit" 127.0.0.1)")
    check "$work/root/up-lftp.bin"
    v_up+=("$(timed "${vornalo[@]}" put "$work/local/up.bin" /)")
    check "$work/root/up.bin"
    line+=" upload vornalo ${v_up[-1]} s, curl ${c_up[-1]} s, lftp ${l_up[-1]} s"
  fi
  echo "$line"
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
ratio() { echo "$1 / $2" | bc -l | xargs printf '%.2f'; }
faster() { if (($(echo "$1 < $2" | bc -l))); then echo "$1"; else echo "$2"; fi; }
echo
echo "Median of $runs runs, $size_mib MiB, vsftpd on 127.0.0.1, tmpfs; load: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '| %-9s | %-11s | %-8s | %-8s | %-10s | %-16s |\n' direction vornalo-ftp curl lftp "/ curl" "/ faster peer"
for direction in down up; do
  wants "$direction" || continue
  if [ "$direction" = down ]; then
    v=$(median "${v_down[@]}") c=$(median "${c_down[@]}") l=$(median "${l_down[@]}") name=download
  else
    v=$(median "${v_up[@]}") c=$(median "${c_up[@]}") l=$(median "${l_up[@]}") name=upload
  fi
  printf '| %-9s | %-11s | %-8s | %-8s | %-10s | %-16s |\n' "$name" "$v s" "$c s" "$l s" \
    "$(ratio "$v" "$c")" "$(ratio "$v" "$(faster "$c" "$l")")"
done
