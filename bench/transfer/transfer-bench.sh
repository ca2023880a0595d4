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

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target vornalo-ftp
cli="$(find "$build" -name vornalo-ftp -type f -perm -u+x | head -n1)"
[ -x "$cli" ] || { echo "run-transfer: vornalo-ftp not built" >&2; exit 1; }

# The PAM service and password file of the vsftpd test launcher (user vornalo, vs-s3cret).
user=vornalo
password=vs-s3cret
pam_service=vornalo-test-vsftpd
passwd_file=/etc/vornalo-test-vsftpd.passwd
if [ ! -f "$passwd_file" ]; then
  printf '%s\n' 'vornalo:$6$vornalotest$95BhSf.XfXZTiBiVc27J2buO2nh5Ytl0eJ016p1v0O4AmAuOtHy5OQR15geihcnwydxBfI0.LaD62K1n0L.DS0' >"$passwd_file"
fi
if [ ! -f "/etc/pam.d/$pam_service" ]; then
  printf 'auth required pam_pwdfile.so pwdfile=%s\naccount required pam_permit.so\n' \
    "$passwd_file" >"/etc/pam.d/$pam_service"
fi

work="$(mktemp -d /dev/shm/vornalo-bench.XXXXXX)"
vsftpd_pid=
cleanup() {
  if [ -n "$vsftpd_pid" ]; then kill "$vsftpd_pid" 2>/dev/null || true; wait "$vsftpd_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"
mkdir -p "$work/root" "$work/empty" "$work/local" "$work/curl"
chmod 777 "$work/root"
chmod 755 "$work/empty"

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cat >"$work/vsftpd.conf" <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$port
background=NO
anonymous_enable=NO
local_enable=YES
guest_enable=YES
guest_username=ftp
virtual_use_local_privs=YES
pam_service_name=$pam_service
local_root=$work/root
chroot_local_user=YES
allow_writeable_chroot=YES
write_enable=YES
local_umask=022
ftp_username=ftp
secure_chroot_dir=$work/empty
seccomp_sandbox=NO
isolate=NO
isolate_network=NO
pasv_enable=YES
pasv_min_port=41000
pasv_max_port=41100
connect_from_port_20=NO
max_per_ip=0
max_clients=0
CONF
/usr/sbin/vsftpd "$work/vsftpd.conf" &
vsftpd_pid=$!
for _ in $(seq 50); do
  if curl -s --max-time 1 "ftp://127.0.0.1:$port/" -u "$user:$password" -o /dev/null; then break; fi
  sleep 0.1
done

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
