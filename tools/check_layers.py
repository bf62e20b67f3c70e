#!/usr/bin/env python3
"""Fails when an include crosses the layers the wrong way, or when code
outside src/platform reaches the operating system.

Each folder of src/ may include its own headers and those of the folders it
builds on; folders side by side know nothing of each other:

  util < platform < core < acquisition, timing < storage < session
       < exchange, online, ui, audio < app

Timing reads acquisition's OBD-II channel table, never the other way round;
storage knows files and formats only, so it builds on core alone.
"""
import pathlib
import re
import sys

BELOW_SESSION = {"session", "storage", "timing", "acquisition", "core", "platform", "util"}
ALLOWED = {
    "util": set(),
    "platform": {"util"},
    "core": {"platform", "util"},
    "acquisition": {"core", "platform", "util"},
    "timing": {"acquisition", "core", "platform", "util"},
    "storage": {"core", "platform", "util"},
    "session": BELOW_SESSION - {"session"},
    "exchange": BELOW_SESSION,
    "online": BELOW_SESSION,
    "ui": BELOW_SESSION,
    "audio": BELOW_SESSION,
    "app": BELOW_SESSION | {"exchange", "online", "ui", "audio"},
}

# What only the platform layer may touch: POSIX, Linux, BlueZ and SDL headers,
# and the standard library's doors to files, clocks, threads, signals and the
# environment.
OS_HEADER = re.compile(
    r"#include\s*<(unistd\.h|fcntl\.h|termios\.h|poll\.h|pthread\.h|dirent\.h|signal\.h|pwd\.h|netdb\.h|"
    r"sys/[^>]+|netinet/[^>]+|arpa/[^>]+|bluetooth/[^>]+|SDL[^>]*|filesystem|fstream|chrono|thread|ctime|"
    r"csignal|time\.h)>")
OS_CALL = re.compile(r"\b(getenv|setenv|std::system|std::time|isatty|popen)\s*\(")
INCLUDE = re.compile(r'#include\s*"([a-z_]+)/[^"]+"')


def main() -> int:
    root = pathlib.Path(__file__).resolve().parent.parent / "src"
    problems = []
    for path in sorted(root.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        folder = path.relative_to(root).parts[0]
        if folder not in ALLOWED:
            problems.append(f"{path.relative_to(root)}: folder '{folder}' has no place in the layers")
            continue
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            where = f"src/{path.relative_to(root)}:{number}"
            match = INCLUDE.search(line)
            if match:
                target = match.group(1)
                if target not in ALLOWED:
                    problems.append(f"{where}: includes from unknown folder '{target}'")
                elif target != folder and target not in ALLOWED[folder]:
                    problems.append(f"{where}: {folder} must not include {target} ({line.strip()})")
            if folder != "platform" and (OS_HEADER.search(line) or OS_CALL.search(line)):
                problems.append(f"{where}: operating-system access outside src/platform ({line.strip()})")
    for problem in problems:
        print(problem)
    if problems:
        print(f"check_layers: {len(problems)} problem(s)")
        return 1
    print("check_layers: every include points down, the operating system only in src/platform")
    return 0


if __name__ == "__main__":
    sys.exit(main())
