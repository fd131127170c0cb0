#!/usr/bin/env bash
# Installs the Debian packages of tools/packages.txt; does nothing when all are present.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mapfile -t wanted < <(grep -v '^#' "$here/packages.txt" | grep -v '^$')
missing=()
for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
# The SOCKS5 server of the proxy tests checks user and password against the
# system's accounts: one login-less account with a fixed password serves it.
if ! id qevoproxy >/dev/null 2>&1; then
    $sudo useradd -M -s /usr/sbin/nologin qevoproxy
    echo 'qevoproxy:proxy-pass-1' | $sudo chpasswd
fi
# sshd (the SOCKS4A peer of the proxy tests) wants its privilege-separation folder.
[ -d /run/sshd ] || $sudo mkdir -p /run/sshd
[ ${#missing[@]} -eq 0 ] && exit 0
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
# The proxy daemons are started by the tests themselves, never as system services.
for svc in danted tinyproxy ssh; do
    $sudo systemctl disable --now "$svc" >/dev/null 2>&1 || $sudo service "$svc" stop >/dev/null 2>&1 || true
done
