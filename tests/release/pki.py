"""A throw-away PKI for the signing tests, made with openssl at fixed times:
a root, a code-signing certificate (extended key usage codeSigning), a
certificate for something else (emailProtection), a time-stamping
certificate for osslsigncode's built-in time-stamp authority, and a second,
unrelated root. Every certificate is valid from 2025 to 2045, and the time
stamp says 2026-01-01, so the tests give the same answers on any day.

    pki.py FOLDER    makes one in FOLDER, to try signing a test release
"""
import subprocess
import sys
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
NOT_BEFORE, NOT_AFTER = "20250101000000Z", "20450101000000Z"
TIME_STAMP = 1767225600  # 2026-01-01 00:00:00 UTC
TIME_STAMP_TEXT = "Jan  1 00:00:00 2026 GMT"  # as osslsigncode prints it
SIGNER = "Tarnovelle Test Signer"

CONFIG = f"""
[ca]
default_ca = throwaway
[throwaway]
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = any
unique_subject = no
[any]
commonName = supplied
organizationName = optional
[root]
basicConstraints = critical, CA:true
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[code]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
[mail]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = emailProtection
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
[stamps]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = critical, timeStamping
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
"""


@dataclass
class PKI:
    folder: Path

    def cert(self, name):
        return self.folder / f"{name}.pem"

    def key(self, name):
        return self.folder / f"{name}.key"


def _openssl(folder, *args):
    subprocess.run(["openssl", *args], cwd=folder, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.PIPE)


def make(folder):
    folder = Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "ca.cnf").write_text(CONFIG)
    (folder / "index.txt").write_text("")
    (folder / "serial").write_text("01\n")
    names = {"root": ("Test Root", None, "root"), "other_root": ("Other Root", None, "root"),
             "signer": (SIGNER, "root", "code"), "not_for_code": ("Not For Code", "root", "mail"),
             "stamps": ("Test Time Stamps", "root", "stamps")}
    for name, (subject, issuer, extensions) in names.items():
        _openssl(folder, "genpkey", "-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:P-256",
                 "-out", f"{name}.key")
        _openssl(folder, "req", "-new", "-key", f"{name}.key",
                 "-subj", f"/CN={subject}/O=Tarnovelle makers", "-out", f"{name}.csr")
        issuing = (["-selfsign", "-keyfile", f"{name}.key"] if issuer is None else
                   ["-keyfile", f"{issuer}.key", "-cert", f"{issuer}.pem"])
        _openssl(folder, "ca", "-batch", "-config", "ca.cnf", *issuing, "-in", f"{name}.csr",
                 "-out", f"{name}.pem", "-extensions", extensions, "-notext",
                 "-startdate", NOT_BEFORE, "-enddate", NOT_AFTER)
    # The time-stamp authority hands out its certificate with its root.
    (folder / "stamps_chain.pem").write_text((folder / "stamps.pem").read_text() +
                                             (folder / "root.pem").read_text())
    return PKI(folder)


def sign(pki, exe, out, signer="signer"):
    """Signs exe as the maintainer does (scripts/sign.py), with the built-in
    time-stamp authority, and returns sign.py's result."""
    return subprocess.run(
        [sys.executable, str(ROOT / "scripts" / "sign.py"),
         "--cert", str(pki.cert(signer)), "--key", str(pki.key(signer)),
         "--tsa-certs", str(pki.cert("stamps_chain")), "--tsa-key", str(pki.key("stamps")),
         "--tsa-time", str(TIME_STAMP), "--exe", str(exe), "--out", str(out)],
        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: pki.py FOLDER")
    made = make(sys.argv[1])
    for name, what in (("root", "the root, for CAFILE="), ("signer", "code signing: CERT="),
                       ("stamps_chain", "time stamps: TSA_CERTS="),
                       ("not_for_code", "not for code signing")):
        print(f"{what:<24} {made.cert(name)}")
    print(f"{'their keys':<24} {made.folder}/*.key (signer.key: KEY=, stamps.key: TSA_KEY=)")
