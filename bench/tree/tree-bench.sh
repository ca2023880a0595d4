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

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target vornalo-ftp >/dev/null
cli="$(find "$build" -name vornalo-ftp -type f -perm -u+x | head -n1)"
[ -x "$cli" ] || { echo "run-tree: vornalo-ftp not built" >&2; exit 1; }

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

work="$(mktemp -d /dev/shm/vornalo-tree.XXXXXX)"
vsftpd_pid=
cleanup() {
  if [ -n "$vsftpd_pid" ]; then kill "$vsftpd_pid" 2>/dev/null || true; wait "$vsftpd_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"
mkdir -p "$work/root" "$work/empty" "$work/out"
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
pasv_min_port=42000
pasv_max_port=44000
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
