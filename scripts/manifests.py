"""The install manifests make dist writes beside the release, for the two
package managers Windows power users and administrators use for small tools:

    manifests/winget/Tarnovelle.Tarnovelle.yaml                  version
    manifests/winget/Tarnovelle.Tarnovelle.locale.en-US.yaml     default locale
    manifests/winget/Tarnovelle.Tarnovelle.installer.yaml        installer
    manifests/scoop/tarnovelle.json

Both name the zip by its download address and SHA-256. winget installs the
exe from the zip as a portable program (x86) with the command alias
`tarnovelle`; Scoop unpacks it and adds a Start menu shortcut. The address is
RELEASE_URL with "{version}" replaced by the version, and the zip's name
after it.
"""
import json

import yaml

PACKAGE_ID = "Tarnovelle.Tarnovelle"
WINGET_SCHEMA = "1.12.0"
LOCALE = "en-US"
PUBLISHER = "Tarnovelle makers"
LICENSE = "Freeware"
SHORT_DESCRIPTION = ("Shuts the computer down, restarts it, logs off or opens a file at one "
                     "chosen time of day.")
DESCRIPTION = ("Tarnovelle is one small exe with nothing to install. Pick the hour, minute "
               "and second and the action; it waits behind its notification-area icon, warns "
               "five to ten seconds before the time with a last chance to cancel, and then "
               "starts Windows' shutdown.exe or opens the file.")
TAGS = ["shutdown", "restart", "log-off", "timer", "scheduler", "portable"]
EXE_NAME = "tarnovelle.exe"
ALIAS = "tarnovelle"
# A placeholder: the project has no download site yet. A real release sets
# RELEASE_URL to where its files are published.
DEFAULT_RELEASE_URL = "https://tarnovelle.example.org/releases/{version}"


def download_url(release_url, version, zip_name):
    return release_url.replace("{version}", version).rstrip("/") + "/" + zip_name


def _yaml(kind, document):
    header = (f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}."
              f"{WINGET_SCHEMA}.schema.json\n# Written by make dist.\n\n")
    return header + yaml.safe_dump(document, sort_keys=False, allow_unicode=True, width=1000)


def winget(version, url, zip_sha256, homepage):
    """{file name: text} of the multi-file winget manifest."""
    ids = {"PackageIdentifier": PACKAGE_ID, "PackageVersion": version}
    tail = {"ManifestVersion": WINGET_SCHEMA}
    return {
        f"{PACKAGE_ID}.yaml": _yaml("version", {
            **ids, "DefaultLocale": LOCALE, "ManifestType": "version", **tail}),
        f"{PACKAGE_ID}.locale.{LOCALE}.yaml": _yaml("defaultLocale", {
            **ids, "PackageLocale": LOCALE, "Publisher": PUBLISHER, "PublisherUrl": homepage,
            "PackageName": "Tarnovelle", "PackageUrl": homepage, "License": LICENSE,
            "ShortDescription": SHORT_DESCRIPTION, "Description": DESCRIPTION, "Tags": TAGS,
            "ManifestType": "defaultLocale", **tail}),
        f"{PACKAGE_ID}.installer.yaml": _yaml("installer", {
            **ids, "InstallerType": "zip", "NestedInstallerType": "portable",
            "NestedInstallerFiles": [{"RelativeFilePath": EXE_NAME,
                                      "PortableCommandAlias": ALIAS}],
            "Installers": [{"Architecture": "x86", "InstallerUrl": url,
                            "InstallerSha256": zip_sha256.upper()}],
            "ManifestType": "installer", **tail}),
    }


def scoop(version, url, zip_sha256, homepage, release_url, zip_name):
    """The Scoop manifest's text. checkver reads the newest zip's name from
    the home page; autoupdate takes the next version's hash from the
    SHA256SUMS published beside its zip."""
    before, after = zip_name.split(version, 1)
    pattern = before + "$version" + after
    newest = before.replace(".", r"\.") + r"([\d.]+)" + after.replace(".", r"\.")
    autoupdate_url = download_url(release_url.replace("{version}", "$version"), "$version",
                                  pattern)
    document = {
        "version": version,
        "description": SHORT_DESCRIPTION,
        "homepage": homepage,
        "license": LICENSE,
        "url": url,
        "hash": zip_sha256.lower(),
        "shortcuts": [[EXE_NAME, "Tarnovelle"]],
        "checkver": {"url": homepage, "regex": newest},
        "autoupdate": {"url": autoupdate_url, "hash": {"url": "$baseurl/SHA256SUMS"}},
    }
    return json.dumps(document, indent=4) + "\n"


def write(folder, version, zip_name, zip_sha256, homepage, release_url):
    if not release_url.startswith("https://"):
        raise ValueError(f"RELEASE_URL must be an https:// address, not {release_url!r}")
    url = download_url(release_url, version, zip_name)
    (folder / "winget").mkdir(parents=True)
    for name, text in winget(version, url, zip_sha256, homepage).items():
        (folder / "winget" / name).write_text(text, encoding="utf-8")
    (folder / "scoop").mkdir()
    (folder / "scoop" / "tarnovelle.json").write_text(
        scoop(version, url, zip_sha256, homepage, release_url, zip_name), encoding="utf-8")
    return url
