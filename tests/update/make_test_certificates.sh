#!/usr/bin/env bash
# Makes a certificate authority for one test run and a server certificate it signs for
# 127.0.0.1 and localhost: DIR/ca.pem (what a client trusts), DIR/server.pem and DIR/server.key.
# RSA keys, which every TLS stack in the checks (OpenSSL, Wine's) knows. The address is also
# named as a DNS name: Wine's certificate check matches the host against DNS names only.
# Usage: make_test_certificates.sh DIR
set -euo pipefail
dir=$1
mkdir -p "$dir"
cd "$dir"
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 30 \
    -subj "/CN=Q9XZ Test Authority $$" \
    -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr \
    -subj "/CN=127.0.0.1" 2>/dev/null
printf 'subjectAltName=IP:127.0.0.1,DNS:127.0.0.1,DNS:localhost\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n' \
    >server.ext
openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out server.pem \
    -days 2 -extfile server.ext 2>/dev/null
rm -f server.csr server.ext ca.srl
