# Shared by the benchmark scripts: builds vornalo-ftp and starts vsftpd on 127.0.0.1 with the
# virtual user of the test launcher (user vornalo, password vs-s3cret) in a tmpfs folder.
# Source it, then call: bench_setup NAME PASV_MIN PASV_MAX
# It sets cli, user, password, port and work, and stops vsftpd and removes work at exit.

bench_setup() {
  local name="$1" pasv_min="$2" pasv_max="$3"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target vornalo-ftp >/dev/null
cli="$(find "$build" -name vornalo-ftp -type f -perm -u+x | head -n1)"
[ -x "$cli" ] || { echo "$name: vornalo-ftp not built" >&2; exit 1; }

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

work="$(mktemp -d "/dev/shm/vornalo-$name.XXXXXX")"
vsftpd_pid=
bench_cleanup() {
  if [ -n "$vsftpd_pid" ]; then kill "$vsftpd_pid" 2>/dev/null || true; wait "$vsftpd_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap bench_cleanup EXIT
chmod 755 "$work"
mkdir -p "$work/root" "$work/empty"
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
pasv_min_port=$pasv_min
pasv_max_port=$pasv_max
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
}
