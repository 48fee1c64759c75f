"""The exe's Authenticode signature, kept apart from the build.

The release exe is built reproducibly and unsigned. The maintainer signs it
once and publishes the signature alone (PKCS #7 in PEM); anyone attaches that
signature to the exe they built themselves and gets the released file byte
for byte, and anyone can strip it off again and compare. This works because
the Authenticode hash leaves out the three places a signature changes: the
header's checksum, the certificate directory entry and the certificate table
at the end of the file. So the unsigned exe must have a right checksum (the
signed file gets one, and stripping computes it afresh), an empty certificate
directory, and a length that is a multiple of 8, where the table must start
(a shorter file would be padded, and the padding would stay after stripping).

Attaching, stripping and hashing are done here, so building a signed release
needs nothing beyond Python; osslsigncode signs and verifies (sign.py,
check_release.py).
"""
import base64
import hashlib
import re
import struct
import subprocess
from dataclasses import dataclass, field

SECURITY_DIRECTORY = 4
WIN_CERT_REVISION_2_0 = 0x0200
WIN_CERT_TYPE_PKCS_SIGNED_DATA = 0x0002
ALIGNMENT = 8

SIGNED_DATA = "1.2.840.113549.1.7.2"
SPC_INDIRECT_DATA = "1.3.6.1.4.1.311.2.1.4"
SHA256 = "2.16.840.1.101.3.4.2.1"


class NotFit(ValueError):
    """The exe cannot carry a detached signature, or the signature is not one."""


# ---- The PE header fields a signature touches ---------------------------------

def _fields(data):
    """File offsets of the checksum and of the certificate directory entry."""
    if len(data) < 0x40 or data[:2] != b"MZ":
        raise NotFit("not a Windows program (no MZ header)")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise NotFit("not a Windows program (no PE header)")
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    if magic not in (0x10B, 0x20B):
        raise NotFit(f"unknown optional header kind {magic:#x}")
    directories = optional + (96 if magic == 0x10B else 112)
    count = struct.unpack_from("<I", data, directories - 4)[0]
    if count <= SECURITY_DIRECTORY:
        raise NotFit("the header has no certificate directory entry")
    return optional + 64, directories + 8 * SECURITY_DIRECTORY


def checksum(data):
    """The PE header's checksum: the file's 16-bit words summed with their
    carries folded back in, the checksum field left out, plus the length."""
    field_at, _ = _fields(data)
    padded = bytes(data) + b"\0" * (len(data) % 2)
    words = struct.unpack(f"<{len(padded) // 2}H", padded)
    total = sum(words) - words[field_at // 2] - words[field_at // 2 + 1]
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(data)


def certificate_table(data):
    """(file offset, size) of the certificate table; (0, 0) when unsigned."""
    _, entry = _fields(data)
    return struct.unpack_from("<II", data, entry)


def unfit_for_signature(data):
    """What keeps an unsigned exe from taking a detached signature and
    giving itself back when it is stripped: a list of plain sentences."""
    problems = []
    checksum_at, _ = _fields(data)
    stored = struct.unpack_from("<I", data, checksum_at)[0]
    if stored != checksum(data):
        problems.append(f"its header's checksum {stored:#x} is not the right one, "
                        f"{checksum(data):#x}")
    if certificate_table(data) != (0, 0):
        problems.append("its certificate directory is not empty (is it signed already?)")
    if len(data) % ALIGNMENT:
        problems.append(f"its size, {len(data)} bytes, is not a multiple of {ALIGNMENT}")
    return problems


def authenticode_sha256(data):
    """The SHA-256 Authenticode hash: the whole file but the checksum, the
    certificate directory entry and the certificate table."""
    checksum_at, entry = _fields(data)
    table, size = certificate_table(data)
    digest = hashlib.sha256()
    digest.update(data[:checksum_at])
    digest.update(data[checksum_at + 4:entry])
    if size:
        digest.update(data[entry + 8:table])
        digest.update(data[table + size:])
    else:
        digest.update(data[entry + 8:])
    return digest.digest()


def _with_table(data, table, size):
    image = bytearray(data)
    checksum_at, entry = _fields(image)
    struct.pack_into("<II", image, entry, table, size)
    struct.pack_into("<I", image, checksum_at, checksum(image))
    return bytes(image)


def attach(unsigned, signature):
    """The signed exe: the unsigned one with the signature (DER) appended as
    its certificate table and the header's checksum and entry set for it."""
    problems = unfit_for_signature(unsigned)
    if problems:
        raise NotFit("the exe cannot take a detached signature: " + "; ".join(problems))
    # The entry's length counts the padding to the next 8 bytes, as
    # osslsigncode and signtool write it.
    size = 8 + len(signature) + (-len(signature) % ALIGNMENT)
    blob = struct.pack("<IHH", size, WIN_CERT_REVISION_2_0, WIN_CERT_TYPE_PKCS_SIGNED_DATA)
    blob += signature + b"\0" * (size - 8 - len(signature))
    return _with_table(unsigned + blob, len(unsigned), len(blob))


def strip(signed):
    """The exe without its signature, the checksum computed afresh."""
    table, size = certificate_table(signed)
    if not size:
        return bytes(signed)
    if table + size != len(signed):
        raise NotFit("something follows the certificate table at the end of the file")
    return _with_table(signed[:table], 0, 0)


def embedded_signature(signed):
    """The signature (DER) an exe carries, or None."""
    table, size = certificate_table(signed)
    if not size:
        return None
    length, revision, kind = struct.unpack_from("<IHH", signed, table)
    if kind != WIN_CERT_TYPE_PKCS_SIGNED_DATA or not 8 < length <= size:
        raise NotFit("the certificate table holds no PKCS #7 signature")
    entry = bytes(signed[table + 8:table + length])
    return entry[:_element(entry, 0)[2]]  # without the padding


# ---- The signature file ---------------------------------------------------------

PEM_LABEL = "PKCS7"


def from_pem(text):
    match = re.search(rf"-----BEGIN {PEM_LABEL}-----(.+?)-----END {PEM_LABEL}-----", text, re.S)
    if not match:
        raise NotFit(f"no '-----BEGIN {PEM_LABEL}-----' block")
    try:
        return base64.b64decode("".join(match.group(1).split()), validate=True)
    except ValueError as error:
        raise NotFit(f"the {PEM_LABEL} block is not base64: {error}") from None


def to_pem(der):
    body = base64.b64encode(der).decode("ascii")
    lines = [body[i:i + 64] for i in range(0, len(body), 64)]
    return "\n".join([f"-----BEGIN {PEM_LABEL}-----", *lines, f"-----END {PEM_LABEL}-----", ""])


def _element(data, at):
    """One DER element at `at`: (tag, content start, content end)."""
    if at + 2 > len(data):
        raise NotFit("the signature ends inside an element")
    tag, length = data[at], data[at + 1]
    at += 2
    if length & 0x80:
        count = length & 0x7F
        if not 0 < count <= 4:
            raise NotFit("the signature has an element of unsupported length")
        length = int.from_bytes(data[at:at + count], "big")
        at += count
    if at + length > len(data):
        raise NotFit("the signature ends inside an element")
    return tag, at, at + length


def _children(data, start, end):
    elements = []
    while start < end:
        element = _element(data, start)
        elements.append(element)
        start = element[2]
    return elements


def _oid(data, start, end):
    values, value = [], 0
    for byte in data[start:end]:
        value = (value << 7) | (byte & 0x7F)
        if not byte & 0x80:
            values.append(value)
            value = 0
    if not values:
        return ""
    first = min(values[0] // 40, 2)
    return ".".join(str(v) for v in (first, values[0] - 40 * first, *values[1:]))


def signed_digest(signature):
    """The Authenticode hash an Authenticode signature (DER) was made over:
    (the digest algorithm's OID, the digest)."""
    def expect(element, tag, what):
        if element[0] != tag:
            raise NotFit(f"the signature is not an Authenticode signature ({what})")
        return element

    data = bytes(signature)
    _, start, end = expect(_element(data, 0), 0x30, "ContentInfo")
    content_type, wrapper = _children(data, start, end)[:2]
    if _oid(data, *expect(content_type, 0x06, "content type")[1:]) != SIGNED_DATA:
        raise NotFit("the signature is not PKCS #7 signed data")
    _, start, end = expect(_children(data, *wrapper[1:])[0], 0x30, "SignedData")
    inner = expect(_children(data, start, end)[2], 0x30, "contentInfo")
    inner_type, inner_wrapper = _children(data, *inner[1:])[:2]
    if _oid(data, *inner_type[1:]) != SPC_INDIRECT_DATA:
        raise NotFit("the signature is not over an exe's Authenticode hash")
    indirect = expect(_children(data, *inner_wrapper[1:])[0], 0x30, "SpcIndirectDataContent")
    digest_info = expect(_children(data, *indirect[1:])[1], 0x30, "DigestInfo")
    algorithm, digest = _children(data, *digest_info[1:])[:2]
    algorithm_oid = _oid(data, *_children(data, *algorithm[1:])[0][1:])
    expect(digest, 0x04, "digest")
    return algorithm_oid, data[digest[1]:digest[2]]


def check_belongs(unsigned, signature):
    """Raises NotFit, saying why, unless the signature was made over this
    very exe with SHA-256."""
    algorithm, digest = signed_digest(signature)
    if algorithm != SHA256:
        raise NotFit(f"it was made with digest algorithm {algorithm}, not SHA-256")
    ours = authenticode_sha256(unsigned)
    if digest != ours:
        raise NotFit(f"it was made over an exe whose Authenticode SHA-256 is "
                     f"{digest.hex()}; this build's is {ours.hex()}")


# ---- Verification by osslsigncode -------------------------------------------------

@dataclass
class Verdict:
    """What osslsigncode verify said about a file, in a few fields."""
    signed: bool
    valid: bool = False
    signer: str = ""
    issuer: str = ""
    time_stamp: str = ""         # the time stamp's time as osslsigncode prints it, if any
    time_stamp_valid: bool = False
    time_stamp_authority: str = ""
    digest_matches: bool = False
    problems: list = field(default_factory=list)
    report: str = ""


def _after(text, heading, label):
    """The value of the first `label:` line after the line `heading`."""
    at = text.find(heading)
    if at < 0:
        return ""
    match = re.search(rf"^\s*{label}\s*:\s*(.+?)\s*$", text[at:], re.M)
    return match.group(1) if match else ""


def verify(path, cafile=None):
    """Runs osslsigncode verify on a file; against cafile for both the signer
    and the time-stamp authority if given, else the system's certificates."""
    command = ["osslsigncode", "verify", "-in", str(path)]
    if cafile:
        command += ["-CAfile", str(cafile), "-TSA-CAfile", str(cafile)]
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    report = result.stdout + result.stderr
    if "No signature found" in report:
        return Verdict(signed=False, problems=["it carries no signature"], report=report)
    verdict = Verdict(signed=True, report=report)
    verdict.signer = _after(report, "Signer's certificate:", "Subject")
    verdict.issuer = _after(report, "Signer's certificate:", "Issuer")
    verdict.time_stamp = _after(report, "Countersignatures:", "Timestamp time")
    verdict.time_stamp_authority = _after(report, "Timestamp verified using:",
                                          r"Signer #0:\s*Subject")
    verdict.time_stamp_valid = bool(re.search(
        r"^Timestamp Server Signature verification: ok$", report, re.M))
    current = re.search(r"^Current message digest\s*:\s*(\w+)", report, re.M)
    calculated = re.search(r"^Calculated message digest\s*:\s*(\w+)", report, re.M)
    verdict.digest_matches = bool(current and calculated and
                                  current.group(1) == calculated.group(1))
    verdict.valid = (result.returncode == 0 and verdict.digest_matches and
                     bool(re.search(r"^Signature verification: ok$", report, re.M)))
    if not verdict.digest_matches:
        verdict.problems.append("the file's bytes are not the ones that were signed")
    verdict.problems += sorted({m.strip() for m in re.findall(
        r"(?:Error|Verify error):\s*(.+)$", report, re.M)})
    if not verdict.valid and not verdict.problems:
        verdict.problems.append("osslsigncode found the signature not valid")
    return verdict
