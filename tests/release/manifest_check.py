"""Validates the install manifests make dist writes, offline.

The schemas below cover the fields the manifests use, with the kinds,
lengths and patterns of winget's manifest schemas 1.12.0 and of Scoop's app
manifest schema, and refuse any other field. On top of the schemas come the
rules winget applies itself: the three files agree on the package and its
version, each file starts with its schema header, an archive installer names
its nested installer type and files, only a portable nested installer may
have more than one file, and no relative path leaves the archive. Last, the
manifests are checked against the release: the version, the zip's SHA-256,
its name at the end of the address, and the files they name inside it.

    problems(manifests_folder, zip_path, version) -> list of sentences
"""
import hashlib
import json
import ntpath
import re
import zipfile
from pathlib import Path

import jsonschema
import yaml

WINGET_VERSION = "1.12.0"
PACKAGE_ID = "Tarnovelle.Tarnovelle"

_NO_PATH_CHARS = r'\\/:\*\?"<>\|\x01-\x1f'
_ID_PART = rf"[^\.\s{_NO_PATH_CHARS}]{{1,32}}"
IDENTIFIER = {"type": "string", "maxLength": 128, "pattern": rf"^{_ID_PART}(\.{_ID_PART}){{1,7}}$"}
VERSION = {"type": "string", "maxLength": 128, "pattern": rf"^[^{_NO_PATH_CHARS}]+$"}
LOCALE = {"type": "string", "maxLength": 20,
          "pattern": r"^([a-zA-Z]{2,3}|[iI]-[a-zA-Z]+|[xX]-[a-zA-Z]{1,8})(-[a-zA-Z]{1,8})*$"}
URL = {"type": "string", "maxLength": 2048, "pattern": r"^([Hh][Tt][Tt][Pp][Ss]?)://.+$"}
SHA256 = {"type": "string", "pattern": r"^[A-Fa-f0-9]{64}$"}


def text(low, high):
    return {"type": "string", "minLength": low, "maxLength": high}


def strict(properties, required):
    return {"type": "object", "properties": properties, "required": required,
            "additionalProperties": False}


def winget_common(manifest_type):
    return {"PackageIdentifier": IDENTIFIER, "PackageVersion": VERSION,
            "ManifestType": {"const": manifest_type}, "ManifestVersion": {"const": WINGET_VERSION}}


IDS = ["PackageIdentifier", "PackageVersion", "ManifestType", "ManifestVersion"]
INSTALLER_TYPES = ["msix", "msi", "appx", "exe", "zip", "inno", "nullsoft", "wix", "burn", "pwa",
                   "portable", "font"]

SCHEMAS = {
    "version": strict({**winget_common("version"), "DefaultLocale": LOCALE},
                      IDS + ["DefaultLocale"]),
    "defaultLocale": strict({
        **winget_common("defaultLocale"), "PackageLocale": LOCALE, "Publisher": text(2, 256),
        "PublisherUrl": URL, "PackageName": text(2, 256), "PackageUrl": URL,
        "License": text(3, 512), "ShortDescription": text(3, 256),
        "Description": text(3, 10000),
        "Tags": {"type": "array", "items": text(1, 40), "maxItems": 16, "uniqueItems": True},
    }, IDS + ["PackageLocale", "Publisher", "PackageName", "License", "ShortDescription"]),
    "installer": strict({
        **winget_common("installer"),
        "InstallerType": {"enum": INSTALLER_TYPES},
        "NestedInstallerType": {"enum": [t for t in INSTALLER_TYPES if t not in ("zip", "pwa")]},
        "NestedInstallerFiles": {"type": "array", "maxItems": 1024, "items": strict(
            {"RelativeFilePath": text(1, 512), "PortableCommandAlias": text(1, 40)},
            ["RelativeFilePath"])},
        "Installers": {"type": "array", "minItems": 1, "maxItems": 1024, "items": strict(
            {"Architecture": {"enum": ["x86", "x64", "arm", "arm64", "neutral"]},
             "InstallerUrl": URL, "InstallerSha256": SHA256},
            ["Architecture", "InstallerUrl", "InstallerSha256"])},
    }, IDS + ["Installers"]),
    "scoop": strict({
        "version": {"type": "string", "pattern": r"^[\w\-.+_]+$"},
        "description": {"type": "string"},
        "homepage": URL,
        "license": {"type": "string", "minLength": 1},
        "url": {**URL, "not": {"pattern": r"\$"}},
        "hash": {"type": "string", "pattern": r"^([a-fA-F0-9]{64}|sha256:[a-fA-F0-9]{64})$"},
        "shortcuts": {"type": "array", "minItems": 1, "items": {
            "type": "array", "minItems": 2, "maxItems": 4, "items": {"type": "string"}}},
        "checkver": strict({"url": URL, "regex": {"type": "string"}}, ["url", "regex"]),
        "autoupdate": strict({"url": URL, "hash": strict({"url": {"type": "string"}}, ["url"])},
                             ["url"]),
    }, ["version", "description", "homepage", "license", "url", "hash"]),
}


def _schema_errors(name, document, schema):
    validator = jsonschema.Draft7Validator(schema)
    return [f"{name}: {'/'.join(str(p) for p in error.absolute_path) or 'top'}: {error.message}"
            for error in sorted(validator.iter_errors(document), key=lambda e: list(e.path))]


def _escapes(relative):
    """Whether a path inside the archive points outside it."""
    if ntpath.isabs(relative) or ntpath.splitdrive(relative)[0]:
        return True
    depth = 0
    for part in re.split(r"[\\/]+", relative):
        depth += -1 if part == ".." else 0 if part in ("", ".") else 1
        if depth < 0:
            return True
    return False


def _portable_rules(installer):
    problems = []
    if installer.get("InstallerType") == "zip":
        nested_type = installer.get("NestedInstallerType")
        files = installer.get("NestedInstallerFiles") or []
        if not nested_type:
            problems.append("installer: a zip installer needs NestedInstallerType")
        if not files:
            problems.append("installer: a zip installer needs NestedInstallerFiles")
        if nested_type != "portable" and len(files) > 1:
            problems.append("installer: only a portable nested installer may list several files")
        paths, aliases = set(), set()
        for entry in files:
            path = str(entry.get("RelativeFilePath", ""))
            if _escapes(path):
                problems.append(f"installer: RelativeFilePath {path!r} leaves the archive")
            if path.lower() in paths:
                problems.append(f"installer: RelativeFilePath {path!r} is listed twice")
            paths.add(path.lower())
            alias = entry.get("PortableCommandAlias")
            if alias is not None:
                if nested_type != "portable":
                    problems.append("installer: PortableCommandAlias is for portable files only")
                if re.search(r"[\\/:]|\.\.", str(alias)):
                    problems.append(f"installer: PortableCommandAlias {alias!r} is a path")
                if str(alias).lower() in aliases:
                    problems.append(f"installer: PortableCommandAlias {alias!r} is used twice")
                aliases.add(str(alias).lower())
    return problems


def _load_yaml(path, kind):
    source = path.read_text(encoding="utf-8")
    header = (f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}."
              f"{WINGET_VERSION}.schema.json")
    problems = [] if source.startswith(header + "\n") else [
        f"{path.name}: does not start with the schema header {header!r}"]
    try:
        return yaml.safe_load(source), problems
    except yaml.YAMLError as error:
        return None, problems + [f"{path.name}: not YAML: {error}"]


def problems(folder, zip_path, version):
    folder, zip_path = Path(folder), Path(zip_path)
    zip_sha256 = hashlib.sha256(zip_path.read_bytes()).hexdigest()
    with zipfile.ZipFile(zip_path) as archive:
        in_zip = {name.lower() for name in archive.namelist()}
    found = []
    documents = {}
    winget_files = {"version": f"{PACKAGE_ID}.yaml",
                    "installer": f"{PACKAGE_ID}.installer.yaml"}
    locales = sorted((folder / "winget").glob(f"{PACKAGE_ID}.locale.*.yaml"))
    if len(locales) != 1:
        found.append(f"winget: {len(locales)} locale files, not the one default locale")
    else:
        winget_files["defaultLocale"] = locales[0].name
    for kind, name in winget_files.items():
        path = folder / "winget" / name
        if not path.exists():
            found.append(f"winget: no {name}")
            continue
        document, header_problems = _load_yaml(path, kind)
        found += header_problems
        if not isinstance(document, dict):
            found.append(f"{name}: not a mapping")
            continue
        found += _schema_errors(name, document, SCHEMAS[kind])
        documents[kind] = document
    scoop_path = folder / "scoop" / "tarnovelle.json"
    try:
        scoop = json.loads(scoop_path.read_text(encoding="utf-8"))
        found += _schema_errors(scoop_path.name, scoop, SCHEMAS["scoop"])
    except (OSError, ValueError) as error:
        found.append(f"scoop: {error}")
        scoop = {}
    if not isinstance(scoop, dict):
        found.append("scoop: not an object")
        scoop = {}

    # The three winget files describe one package version.
    for kind, document in documents.items():
        for field, wanted in (("PackageIdentifier", PACKAGE_ID), ("PackageVersion", version)):
            if document.get(field) != wanted:
                found.append(f"{winget_files[kind]}: {field} is {document.get(field)!r}, "
                             f"not {wanted!r}")
    locale = documents.get("defaultLocale", {})
    if documents.get("version", {}).get("DefaultLocale") != locale.get("PackageLocale"):
        found.append("winget: DefaultLocale is not the locale file's PackageLocale")
    if "defaultLocale" in winget_files and locale.get("PackageLocale") and \
            winget_files["defaultLocale"] != f"{PACKAGE_ID}.locale.{locale['PackageLocale']}.yaml":
        found.append(f"{winget_files['defaultLocale']}: named for another locale")

    # The installer and the release it points at.
    installer = documents.get("installer", {})
    found += _portable_rules(installer)
    for entry in installer.get("NestedInstallerFiles") or []:
        path = str(entry.get("RelativeFilePath", "")).replace("\\", "/").lower()
        if path not in in_zip:
            found.append(f"installer: {path!r} is not in {zip_path.name}")
    urls = []
    for entry in installer.get("Installers") or []:
        if str(entry.get("InstallerSha256", "")).lower() != zip_sha256:
            found.append("installer: InstallerSha256 is not the zip's SHA-256")
        if entry.get("Architecture") != "x86":
            found.append("installer: the program is a 32-bit x86 program")
        urls.append(entry.get("InstallerUrl"))
    if str(scoop.get("hash", "")).lower().removeprefix("sha256:") != zip_sha256:
        found.append("scoop: hash is not the zip's SHA-256")
    if scoop.get("version") != version:
        found.append(f"scoop: version is {scoop.get('version')!r}, not {version!r}")
    urls.append(scoop.get("url"))
    for url in urls:
        if not str(url).endswith("/" + zip_path.name):
            found.append(f"the address {url!r} does not name {zip_path.name}")
    if len(set(map(str, urls))) > 1:
        found.append("winget and Scoop name different addresses")
    for shortcut in scoop.get("shortcuts") or []:
        if str(shortcut[0]).lower() not in in_zip:
            found.append(f"scoop: the shortcut's {shortcut[0]!r} is not in {zip_path.name}")
    update = str(scoop.get("autoupdate", {}).get("url", ""))
    if update.replace("$version", version) != scoop.get("url"):
        found.append("scoop: autoupdate's url with this version is not the url")
    checkver = scoop.get("checkver", {}).get("regex", "")
    match = re.search(checkver, zip_path.name) if checkver else None
    if not match or match.group(1) != version:
        found.append("scoop: checkver's regex does not find this version in the zip's name")
    return found
