#!/usr/bin/env python3
"""Signs the release exe once, for the maintainer, and keeps only the signature:

    make sign CERT=cert.pem KEY=key.pem [PASSWORD_FILE=file] [TSA=url]
    make sign PKCS12=file.p12 [PASSWORD_FILE=file] [TSA=url]
    make sign CERT=... KEY=... TSA_CERTS=chain.pem TSA_KEY=key.pem   (a test release)

osslsigncode signs the unsigned exe the build made (SHA-256, the program's
name and web address in the signature, an RFC 3161 time stamp from TSA if
given, or from osslsigncode's built-in authority with a test PKI's
time-stamping certificate) into a temporary folder; the signature alone is written to
signatures/tarnovelle-<version>.exe.pem, to be committed with the release.
make dist then attaches it to the exe anyone builds from that commit.

The key is read where it lies, by osslsigncode alone: it is never copied,
and a key inside the repository is refused. A key's password comes from
PASSWORD_FILE, or is asked for without echo when the key needs one.
"""
import argparse
import getpass
import subprocess
import sys
import tempfile
from pathlib import Path

import authenticode
import dist

def fail(message):
    sys.exit(f"sign: {message}")


def arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cert", help="the code-signing certificate (PEM), with --key")
    parser.add_argument("--key", help="its private key (PEM)")
    parser.add_argument("--pkcs12", help="certificate and key in one PKCS #12 file")
    parser.add_argument("--password-file", help="the key's password, on the file's first line")
    parser.add_argument("--tsa", help="an RFC 3161 time-stamp server's address")
    parser.add_argument("--tsa-certs", help="for a test release only: osslsigncode's built-in "
                        "time-stamp authority's certificate chain (PEM), with --tsa-key")
    parser.add_argument("--tsa-key", help="that authority's key")
    parser.add_argument("--tsa-time", help=argparse.SUPPRESS)  # its time, for the tests
    parser.add_argument("--exe", default=str(dist.EXE), help=argparse.SUPPRESS)
    parser.add_argument("--out", help=argparse.SUPPRESS)
    args = parser.parse_args()
    if bool(args.pkcs12) == bool(args.cert or args.key):
        parser.error("give CERT= and KEY=, or PKCS12=")
    if not args.pkcs12 and not (args.cert and args.key):
        parser.error("CERT= and KEY= go together")
    if bool(args.tsa_certs) != bool(args.tsa_key):
        parser.error("TSA_CERTS= and TSA_KEY= go together")
    return args


def key_file(args):
    path = Path(args.pkcs12 or args.key).expanduser().resolve()
    if not path.is_file():
        fail(f"no key file {path}")
    if path.is_relative_to(dist.ROOT):
        fail(f"{path} lies inside the repository; keep the key outside it, where "
             "neither the build nor git can take it")
    return path


def needs_password(args, key):
    if args.pkcs12:
        return True  # a PKCS #12 file nearly always has one; an empty answer is allowed
    return b"ENCRYPTED" in key.read_bytes()[:4096]


def main():
    args = arguments()
    key = key_file(args)
    exe = Path(args.exe)
    if not exe.exists():
        fail(f"missing {exe}: build the Windows preset first (make sign does)")
    unsigned = exe.read_bytes()
    problems = authenticode.unfit_for_signature(unsigned)
    if problems:
        fail(f"{exe} cannot take a detached signature: " + "; ".join(problems))
    version = dist.version()
    out = Path(args.out) if args.out else dist.signature_path(version)
    if out.exists():
        fail(f"{out} exists already; remove it first to sign this version again")

    command = ["osslsigncode", "sign", "-h", "sha256", "-n", "Tarnovelle", "-i", dist.website()]
    if args.pkcs12:
        command += ["-pkcs12", str(key)]
    else:
        command += ["-certs", str(Path(args.cert).expanduser().resolve()), "-key", str(key)]
    password = None
    if args.password_file:
        command += ["-readpass", str(Path(args.password_file).expanduser().resolve())]
    elif needs_password(args, key):
        password = getpass.getpass(f"Password for {key}: ")
        command += ["-readpass", "-"]  # from the pipe below, never the command line
    if args.tsa:
        command += ["-ts", args.tsa]
    if args.tsa_certs:
        command += ["-TSA-certs", str(Path(args.tsa_certs).expanduser()),
                    "-TSA-key", str(Path(args.tsa_key).expanduser())]
        command += ["-TSA-time", args.tsa_time] if args.tsa_time else []

    with tempfile.TemporaryDirectory(prefix="tarnovelle-sign-") as work:
        signed_path = Path(work) / "tarnovelle.exe"
        result = subprocess.run(command + ["-in", str(exe), "-out", str(signed_path)],
                                input=password, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, text=True)
        if result.returncode != 0 or not signed_path.exists():
            fail("osslsigncode could not sign:\n" + result.stdout.strip())
        signed = signed_path.read_bytes()
        signature = authenticode.embedded_signature(signed)
        # The promise the release makes: attaching gives this very file,
        # stripping gives the build's exe back.
        if authenticode.attach(unsigned, signature) != signed:
            fail("attaching the signature does not give the file osslsigncode signed")
        if authenticode.strip(signed) != unsigned:
            fail("the signed file stripped is not the exe that was signed")
        authenticode.check_belongs(unsigned, signature)
        verdict = authenticode.verify(signed_path)

    out.parent.mkdir(parents=True, exist_ok=True)
    out.write_text(authenticode.to_pem(signature))
    in_repository = out.is_relative_to(dist.ROOT)
    shown = out.relative_to(dist.ROOT) if in_repository else out
    print(f"sign: {shown} written: the signature of tarnovelle.exe {version}")
    print(f"  signed by:    {verdict.signer or 'unknown'}")
    print(f"  time-stamped: {verdict.time_stamp or 'no (give TSA= a time-stamp server)'}")
    if in_repository:
        print(f"Commit {shown} with the release; make dist now attaches it.")


if __name__ == "__main__":
    main()
