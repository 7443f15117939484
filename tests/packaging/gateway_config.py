"""Checks the gateway's example configuration as TOML: it reads as shipped, with the broker's
address and a serial line set, and every setting shown commented out still reads when the user
removes its "# ". Settings on consecutive lines (a table and its keys) are taken together, as a
user takes them; each such group is tried on its own.
    gateway_config.py GATEWAY_TOML"""

import re
import sys
import tomllib

COMMENTED_SETTING = re.compile(r"^# (\[\[?[a-z]+\]\]?|[a-z_]+ = .*)$")


def commented_groups(lines):
    """The runs of consecutive commented-out settings: (first line's index, the lines without
    their "# ")."""
    groups = []
    for number, line in enumerate(lines):
        match = COMMENTED_SETTING.match(line)
        if not match:
            continue
        if groups and groups[-1][0] + len(groups[-1][1]) == number:
            groups[-1][1].append(match.group(1))
        else:
            groups.append((number, [match.group(1)]))
    return groups


def main(path):
    with open(path, encoding="utf-8") as file:
        lines = file.read().splitlines()
    failures = []
    try:
        shipped = tomllib.loads("\n".join(lines))
    except tomllib.TOMLDecodeError as error:
        print(f"FAIL: {path} does not read as TOML: {error}", file=sys.stderr)
        return 1
    if not isinstance(shipped.get("broker", {}).get("url"), str):
        failures.append("no [broker] url")
    serial_lines = shipped.get("line", [])
    if not serial_lines or not all("port" in line and "ids" in line for line in serial_lines):
        failures.append("no [[line]] with a port and ids")
    groups = commented_groups(lines)
    for first, settings in groups:
        trial = lines[:first] + settings + lines[first + len(settings):]
        try:
            tomllib.loads("\n".join(trial))
        except tomllib.TOMLDecodeError as error:
            failures.append(f"lines {first + 1}-{first + len(settings)} uncommented, "
                            f"{settings!r}: {error}")
    if not groups:
        failures.append("no commented-out setting found")
    for failure in failures:
        print(f"FAIL: {path}: {failure}", file=sys.stderr)
    if failures:
        return 1
    print(f"{path} reads as TOML, and so do its {len(groups)} groups of commented-out settings")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
