#!/usr/bin/env bash
# Tests of the shell helpers behind the scripts: what install_missing prints where there is
# no apt, how it waits while another package manager holds its locks, and the helpers of
# cross.sh that read apt's sources, the digest tool's output and disassemblies. Each case
# runs the real function on inputs made here.
#
# Usage: scripts_test.sh SOURCE_DIR      (CTest runs it as scripts.Helpers)
set -euo pipefail
src=${1:?usage: scripts_test.sh SOURCE_DIR}
# shellcheck source=../scripts/cross.sh
source "$src/scripts/cross.sh" # defines the functions; runs nothing when sourced
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

passed=0 failed=0
# check NAME EXPECTED ACTUAL
check() {
    if [ "$2" = "$3" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        printf 'FAIL: %s\n--- expected:\n%s\n--- got:\n%s\n' "$1" "$2" "$3"
    fi
}

# ---- install_missing without apt ----------------------------------------------------------
# A PATH with only the two commands that lib.sh runs besides builtins: no apt-get there.
bin="$work/bin"
mkdir -p "$bin"
ln -s "$(command -v dirname)" "$(command -v id)" "$bin/"
printed=$(PATH="$bin" /bin/bash -c "source '$src/scripts/lib.sh'
    install_missing cmake g++ freeglut3-dev x11-utils libgl-dev libgl1-mesa-dri no-such-name" 2>&1)
check "install_missing names the Fedora and Arch packages without apt" \
"apt-get is not available, so nothing is installed. This step needs:
  Fedora: sudo dnf install cmake gcc-c++ freeglut-devel xdpyinfo xwininfo mesa-libGL-devel mesa-dri-drivers no-such-name
  Arch:   sudo pacman -S --needed cmake gcc freeglut xorg-xdpyinfo xorg-xwininfo mesa no-such-name
  Debian or Ubuntu: cmake g++ freeglut3-dev x11-utils libgl-dev libgl1-mesa-dri no-such-name" \
"$printed"
check "every package of the Quick start has a Fedora and an Arch name" "" \
"$(for p in "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}"; do
       [ -n "${FEDORA_NAMES[$p]:-}" ] || echo "Fedora: $p"
       [ -n "${ARCH_NAMES[$p]:-}" ] || echo "Arch: $p"
   done)"

# ---- install_missing while another package manager is at work ------------------------------
# Stand-ins for apt's and dpkg's locks, held by processes of the test as another install
# would hold them: dpkg's frontend lock with fcntl, as dpkg takes it (perl, which Debian
# always has), apt's lists lock with flock. apt-get and dpkg-query are stand-ins too: every
# package is missing, and apt-get writes down how it was called. Each holder keeps its lock
# until the test creates its release file.
locks="$work/locks"
mkdir -p "$locks"
frontend="$locks/lock-frontend" lists="$locks/lists-lock"
touch "$frontend" "$lists"
stubs="$work/stubs"
mkdir -p "$stubs"
printf '#!/bin/sh\necho "apt-get $*" >>"%s"\n' "$work/apt-calls" >"$stubs/apt-get"
printf '#!/bin/sh\nexit 1\n' >"$stubs/dpkg-query"
printf '#!/bin/sh\necho 0\n' >"$stubs/id" # as root, so that as_root needs no sudo
chmod +x "$stubs"/*

# Waits until FILE exists or, after 30 s, fails the script: for the holders' and the
# installer's progress, events that come when they come.
await() {
    local file=$1 tries=0
    until [ -e "$file" ]; do
        tries=$((tries + 1))
        [ $tries -le 3000 ] || { echo "FAIL: $file never came" >&2; exit 1; }
        sleep 0.01
    done
}
# Starts a process that holds LOCK with KIND (fcntl or flock) until NAME.release exists;
# NAME.ready exists once it holds it. Its process id goes into $holder.
hold() {
    local kind=$1 lock=$2 name=$3
    if [ "$kind" = fcntl ]; then
        # struct flock of Linux on x86-64 and aarch64: type, whence, start, length, pid.
        perl -e 'use Fcntl; open(my $f, ">>", $ARGV[0]) or die;
                 my $lock = pack("s s x4 q q i x4", F_WRLCK, 0, 0, 0, 0);
                 fcntl($f, F_SETLK, $lock) or die;
                 open(my $r, ">", "$ARGV[1].ready"); close $r;
                 select(undef, undef, undef, 0.01) until -e "$ARGV[1].release";' \
            "$lock" "$name" &
    else
        flock -x "$lock" sh -c 'touch "$1.ready"; until [ -e "$1.release" ]; do sleep 0.01; done' \
            sh "$name" &
    fi
    holder=$!
}
# Runs install_missing with the stand-ins, waiting at most SECONDS, in the background, its
# output in FILE; its process id goes into $installer.
install_in_background() {
    (
        PATH="$stubs:$PATH"
        PACKAGE_MANAGER_LOCKS=("$frontend" "$lists")
        PACKAGE_MANAGER_WAIT=$1 PACKAGE_MANAGER_POLL=0.05
        install_missing cmake g++
    ) >"$2" 2>&1 &
    installer=$!
}

check "no lock is held while nobody holds one" "" "$(held_locks "$frontend" "$lists" /no/such/lock)"

# dpkg's frontend lock is held, then let go: install_missing says that it waits, and
# installs once it is free.
hold fcntl "$frontend" "$work/frontend"
await "$work/frontend.ready"
check "held_locks sees dpkg's lock held with fcntl, and by whom" "$frontend $holder" \
    "$(held_locks "$frontend" "$lists")"
rm -f "$work/apt-calls"
install_in_background 600 "$work/install.out"
until grep -q '^Waiting for another package manager' "$work/install.out" 2>/dev/null; do
    kill -0 "$installer" 2>/dev/null || break
    sleep 0.01
done
check "install_missing has not run apt-get while the lock is held" "no" \
    "$([ -e "$work/apt-calls" ] && echo yes || echo no)"
touch "$work/frontend.release"
wait "$holder"
waited=0
wait "$installer" || waited=$?
check "install_missing installs once the lock is free" 0 "$waited"
check "install_missing says what it waits for, and for how long at most" \
"Installing: cmake g++
Waiting for another package manager to finish: $frontend (process $holder, perl) is locked (up to 600 s more)" \
    "$(sed -E 's/\(up to [0-9]+ s more\)/(up to 600 s more)/' "$work/install.out")"
check "apt-get is told to wait for dpkg's lock as long" \
"apt-get -o DPkg::Lock::Timeout=600 update -qq
apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends cmake g++" \
    "$(cat "$work/apt-calls")"

# apt's lists lock is held for longer than install_missing waits: it gives up with an
# error, leaves the lock and its holder alone, and runs no apt-get.
hold flock "$lists" "$work/lists"
await "$work/lists.ready"
rm -f "$work/apt-calls"
install_in_background 1 "$work/install.out"
gave_up=0
wait "$installer" || gave_up=$?
check "install_missing fails when the lock is still held after the wait" 1 "$gave_up"
check "install_missing names the lock it gave up on" "1" \
    "$(grep -c "^error: another package manager still holds $lists (process [0-9]*, flock) after 1 s" \
        "$work/install.out")"
check "no apt-get ran while the lock was held" "no" \
    "$([ -e "$work/apt-calls" ] && echo yes || echo no)"
check "the lock file and the process holding it are left alone" "yes yes" \
    "$([ -e "$lists" ] && echo yes) $(kill -0 "$holder" 2>/dev/null && echo yes)"
touch "$work/lists.release"
wait "$holder"

# ---- deb-src entries ----------------------------------------------------------------------
# An apt folder with the given sources.list.d files (NAME CONTENT pairs).
apt_etc() {
    local etc="$work/etc-$1"
    shift
    mkdir -p "$etc/sources.list.d"
    while [ $# -gt 0 ]; do
        printf '%s\n' "$2" >"$etc/$1"
        shift 2
    done
    echo "$etc"
}
configured() {
    if deb_src_configured "$1"; then echo yes; else echo no; fi
}
debian='Types: deb
# a mirror
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg'
nodesource='Types: deb
URIs: https://deb.nodesource.com/node_20.x
Suites: nodistro
Components: main'

check "binary deb822 entries only: no deb-src" no \
    "$(configured "$(apt_etc a sources.list.d/debian.sources "$debian")")"
check "a deb822 stanza of types deb and deb-src" yes \
    "$(configured "$(apt_etc b sources.list.d/debian.sources "${debian/Types: deb/Types: deb deb-src}")")"
check "a deb-src stanza that is switched off" no \
    "$(configured "$(apt_etc c sources.list.d/src.sources "Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Enabled: no")")"
check "a one-line deb-src entry" yes \
    "$(configured "$(apt_etc d sources.list "deb-src http://deb.debian.org/debian bookworm main")")"
check "a commented-out one-line deb-src entry" no \
    "$(configured "$(apt_etc e sources.list "# deb-src http://deb.debian.org/debian bookworm main")")"

etc=$(apt_etc f sources.list.d/debian.sources "$debian" \
    sources.list.d/nodesource.sources "$nodesource" \
    sources.list "deb [arch=amd64 signed-by=/k.gpg] http://deb.debian.org/debian bookworm-backports main
deb http://deb.debian.org/debian bookworm contrib
deb http://apt.example.org/repo stable main
deb-src-like line that is no entry")
check "deb-src entries for the configured Debian suites, third-party ones left out" \
"deb-src [arch=amd64 signed-by=/k.gpg] http://deb.debian.org/debian bookworm-backports main
deb-src http://deb.debian.org/debian bookworm contrib
---
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" \
"$(deb_src_entries "$etc" bookworm)"
check "no entries for another release's suites" "---" "$(deb_src_entries "$etc" trixie)"

# ---- The digest tool's output -------------------------------------------------------------
check "the three digests read from Windows-style lines" \
"0123456789abcdef fedcba9876543210 00112233445566ff" \
"$(printf 'exact          0123456789abcdef  (27 operations)\r\ntrigonometric  fedcba9876543210  (3 loaders)\r\nportable       00112233445566ff  (3 operations)\r\n' | digests)"
check "a missing digest is an error" "error" \
"$(printf 'exact          0123456789abcdef\ntrigonometric  fedcba9876543210\n' | digests || echo error)"

# ---- Fused multiply-add in a disassembly ----------------------------------------------------
# As objdump -d --no-show-raw-insn prints it.
disassembly='0000000000000000 <Matrix4x4::det()>:
   0:	fmul	d0, d1, d2
   4:	fmadd	d0, d1, d2, d3

0000000000000010 <Vector3D::dot(Vector3D const&) const>:
  10:	fmla	v0.2d, v1.2d, v1.2d

0000000000000020 <main>:
  20:	fmsub	d0, d1, d2, d3
  24:	fnmadd	d0, d1, d2, d3

0000000000000030 <fmadd_named_function>:
  30:	fmul	d0, d1, d2'
check "fused instructions in the library's functions only" \
"0000000000000000 <Matrix4x4::det()>: fmadd	d0, d1, d2, d3
0000000000000010 <Vector3D::dot(Vector3D const&) const>: fmla	v0.2d, v1.2d, v1.2d" \
"$(fused_instructions 'Matrix4x4::|Vector3D::|Vector4D::' <<<"$disassembly")"
check "fused instructions in every function" 4 \
"$(fused_instructions "" <<<"$disassembly" | wc -l)"
check "plain multiplies are not fused" "" \
"$(fused_instructions "" <<<"$(grep -v -E 'fmadd|fmla|fmsub|fnmadd' <<<"$disassembly")")"

echo "scripts_test: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
