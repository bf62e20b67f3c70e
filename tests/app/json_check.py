#!/usr/bin/env python3
"""Every --json output of the program against its schema in docs/json/.

  json_check.py KORVATINEL DOCS_JSON_FOLDER NMEA_FILE
Records the demo session into a temporary folder, runs each --json command
on it (and `nmea --json` on the demo's log and on NMEA_FILE), and checks
each document: its schema (type, required, properties, additionalProperties,
items, enum; the jsonschema package as well when it is installed), and
every number with a fraction written in its shortest round-trip form with
no more decimals than its schema's "x-decimals" (channel values by their
key), never more than 7.
Exit status 0 when all holds; otherwise 1 with the faults on stderr.
"""
import decimal
import json
import os
import subprocess
import sys
import tempfile

MAX_DECIMALS = 7
# channels --json: decimals by column key; OBD-II keys are checked against MAX_DECIMALS.
CHANNEL_DECIMALS = {"time_ms": 0, "distance_m": 2, "direct_distance_m": 2, "speed_kmh": 2, "altitude_m": 2,
                    "satellites": 0, "bearing_deg": 2, "hdop": 2, "vdop": 2, "precision_3d": 2,
                    "lateral_g": 3, "longitudinal_g": 3, "lat_deg": 7, "lon_deg": 7}
TYPES = {"object": dict, "array": list, "string": str, "boolean": bool, "null": type(None)}


def type_ok(value, name):
    if name == "integer":
        return isinstance(value, int) and not isinstance(value, bool)
    if name == "number":
        return isinstance(value, (int, decimal.Decimal)) and not isinstance(value, bool)
    return isinstance(value, TYPES[name])


def number_faults(value, decimals, where):
    if not isinstance(value, decimal.Decimal):
        return []
    faults = []
    if not value.is_finite():
        return [f"{where}: {value} is not a number"]
    places = max(0, -value.as_tuple().exponent)
    if places > min(decimals, MAX_DECIMALS):
        faults.append(f"{where}: {value} has {places} decimals, at most {decimals}")
    shortest = repr(float(value))
    if decimal.Decimal(shortest) != value or len(value.as_tuple().digits) > len(
            decimal.Decimal(shortest).as_tuple().digits):
        faults.append(f"{where}: {value} is not the shortest form of its double ({shortest})")
    return faults


def validate(value, schema, where="$"):
    faults = []
    names = schema.get("type")
    if names is not None:
        names = names if isinstance(names, list) else [names]
        if not any(type_ok(value, n) for n in names):
            return [f"{where}: {json.dumps(value, default=str)[:60]} is not {'/'.join(names)}"]
    if "enum" in schema and value not in schema["enum"]:
        faults.append(f"{where}: {value!r} is not one of {schema['enum']}")
    faults += number_faults(value, schema.get("x-decimals", MAX_DECIMALS), where)
    if isinstance(value, dict):
        faults += [f"{where}: no {key}" for key in schema.get("required", []) if key not in value]
        properties = schema.get("properties", {})
        for key, item in value.items():
            sub = properties.get(key, schema.get("additionalProperties"))
            if sub is None and "properties" in schema:
                faults.append(f"{where}: key {key} is not documented")
            elif isinstance(sub, dict):
                faults += validate(item, sub, f"{where}.{key}")
    if isinstance(value, list) and "items" in schema:
        for i, item in enumerate(value):
            faults += validate(item, schema["items"], f"{where}[{i}]")
    return faults


def channel_faults(doc):
    faults = []
    for r, row in enumerate(doc.get("rows", [])):
        if len(row) != len(doc["names"]):
            faults.append(f"channels row {r}: {len(row)} values for {len(doc['names'])} names")
        for name, value in zip(doc["names"], row):
            faults += number_faults(value, CHANNEL_DECIMALS.get(name, MAX_DECIMALS), f"channels row {r} {name}")
    return faults


def main(program, folder, nmea_file):
    schemas = {}
    for name in os.listdir(folder):
        with open(os.path.join(folder, name), encoding="utf-8") as f:
            schemas[name.split(".")[0]] = json.load(f)
    try:
        import jsonschema
    except ImportError:
        jsonschema = None
    faults = []
    with tempfile.TemporaryDirectory() as data:
        def run(*args):
            done = subprocess.run([program, "--data", data, *args], capture_output=True, text=True)
            if done.returncode != 0:
                faults.append(f"{' '.join(args)}: exit status {done.returncode}: {done.stderr.strip()}")
            return done.stdout

        run("demo", "--fast", "--headless", "--no-voice")
        sessions = os.path.join(data, "Korvatinel", "Sessions")
        log = [os.path.join(sessions, n) for n in os.listdir(sessions) if n.endswith("-nmea.txt")]
        commands = [("sessions", ["sessions"]), ("laps", ["laps", "last"]), ("laps", ["laps", "last", "--compare", "2"]),
                    ("channels", ["channels", "last"]), ("channels", ["channels", "last", "--lap", "2"]),
                    ("runs", ["runs", "last"]), ("test-list", ["test", "list"]), ("track-list", ["track", "list"]),
                    ("track-show", ["track", "show", "Demo circuit"]),
                    ("track-detect", ["track", "detect", "file:" + log[0]]),
                    ("settings", ["settings", "list"])]
        commands += [("results", ["results", "last", "--table", t, "--mode", m])
                     for t in ("sectors", "splits", "speeds", "hilo", "info") for m in ("absolute", "difference")]
        library = os.path.join(data, "library")
        os.mkdir(library)
        server = subprocess.Popen([program, "library", "serve", library, "--port", "0"], stdout=subprocess.PIPE, text=True)
        try:
            at = server.stdout.readline().split("http://")[1].split("/")[0]
            run("library", "upload", "Demo circuit", "--email", "a@b.c", "--description", "The demo", "--server", at)
            documents = [("library-list", ["library", "list", "--server", at], run("library", "list", "--server", at, "--json"))]
        finally:
            server.terminate()
            server.wait()
        documents += [(schema, args, run(*args, "--json")) for schema, args in commands]
        for path in log + [nmea_file]:
            documents += [("nmea", ["nmea", path], line) for line in run("nmea", path, "--json").splitlines()]
        for schema, args, text in documents:
            where = " ".join(args)
            try:
                doc = json.loads(text, parse_float=decimal.Decimal)
            except ValueError as e:
                faults.append(f"{where}: not JSON: {e}")
                continue
            faults += [f"{where}: {f}" for f in validate(doc, schemas[schema])]
            if schema == "channels":
                faults += [f"{where}: {f}" for f in channel_faults(doc)]
                if not doc["rows"]:
                    faults.append(f"{where}: no rows")
            if jsonschema is not None:
                for error in jsonschema.Draft202012Validator(schemas[schema]).iter_errors(json.loads(text)):
                    faults.append(f"{where}: jsonschema: {error.message[:200]}")
    return faults


if __name__ == "__main__":
    found = main(*sys.argv[1:4])
    for fault in found[:50]:
        print(fault, file=sys.stderr)
    sys.exit(1 if found else 0)
